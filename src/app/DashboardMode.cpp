#include "DashboardMode.h"

#include "model/Preferences.h"
#include "platform/Diagnostics.h"
#include "platform/UserDefaults.h"
#include "windows/Compositor.h"
#include "windows/WindowLevel.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScreen>
#include <QVariantAnimation>

namespace {

const char* const kHidesOnDeactivate = "hidesOnDeactivate";
const char* const kHiddenOnDeactivate = "hiddenOnDeactivate";

bool preference(const QString& key) {
    return UserDefaults::standardUserDefaults().boolForKey(key);
}

// Paints the dashboard layer's snapshots, scaled about the screen's centre.
class EffectsWindow : public QWidget {
public:
    explicit EffectsWindow(TEffectsWindowController* controller)
        : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool |
                               Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus),
          m_controller(controller) {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_ShowWithoutActivating);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const auto& layer = m_controller->dashboardLayer();
        if (!layer) return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setOpacity(m_controller->dashboardOpacity);
        const QPointF centre = rect().center();
        painter.translate(centre);
        painter.scale(m_controller->dashboardScale, m_controller->dashboardScale);
        painter.translate(-centre);
        for (const EffectsSnapshot& snapshot : *layer)
            painter.drawImage(snapshot.frame.translated(-geometry().topLeft()), snapshot.image);
    }

private:
    TEffectsWindowController* m_controller;
};

// Animates on Qt's animation clock where a compositor runs; elsewhere every animation ends at once.
class WidgetEffectsAnimator : public EffectsAnimator {
public:
    void start(TEffectsWindowController* controller, int id, const EffectsAnimation& animation) override {
        controller->animationDidStart(id);
        if (!Compositor::isRunning() || animation.duration <= 0) {
            controller->dashboardScale = animation.toScale;
            controller->dashboardOpacity = animation.toOpacity;
            controller->animationDidStop(id, true);
            return;
        }
        auto* run = new QVariantAnimation(controller);
        const double fromScale = controller->dashboardScale, fromOpacity = controller->dashboardOpacity;
        run->setDuration(static_cast<int>(animation.duration * 1000));
        run->setStartValue(0.0);
        run->setEndValue(1.0);
        QObject::connect(run, &QVariantAnimation::valueChanged, controller, [=](const QVariant& value) {
            const double t = value.toDouble();
            controller->dashboardScale = fromScale + (animation.toScale - fromScale) * t;
            controller->dashboardOpacity = fromOpacity + (animation.toOpacity - fromOpacity) * t;
            controller->window()->update();
        });
        // Finished or destroyed early: the controller hears the end either way.
        auto ended = std::make_shared<bool>(false);
        QObject::connect(run, &QVariantAnimation::finished, controller, [=] {
            *ended = true;
            controller->animationDidStop(id, true);
        });
        QObject::connect(run, &QObject::destroyed, controller, [=] {
            if (!*ended) controller->animationDidStop(id, false);
        });
        run->start(QAbstractAnimation::DeleteWhenStopped);
    }
};

} // namespace

TEffectsWindowController* TEffectsWindowController::sharedController() {
    static auto* shared = new TEffectsWindowController(std::make_unique<WidgetEffectsAnimator>(), qApp);
    return shared;
}

TEffectsWindowController::TEffectsWindowController(std::unique_ptr<EffectsAnimator> animator, QObject* parent)
    : QObject(parent), m_animator(std::move(animator)) {
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::primaryScreenChanged, this,
                &TEffectsWindowController::applicationDidChangeScreenParameters);
}

TEffectsWindowController::~TEffectsWindowController() {
    delete m_window;
}

QWidget* TEffectsWindowController::window() {
    if (!m_window) {
        m_window = new EffectsWindow(this);
        applicationDidChangeScreenParameters();
    }
    return m_window;
}

void TEffectsWindowController::applicationDidChangeScreenParameters() {
    if (!m_window) return;
    if (QScreen* screen = QGuiApplication::primaryScreen()) m_window->setGeometry(screen->geometry());
    m_window->update();
}

void TEffectsWindowController::orderOut() {
    if (m_window) m_window->hide();
}

void TEffectsWindowController::dashboardTransitionWindows(const QList<QPointer<QWidget>>& windows, bool in,
                                                          double duration) {
    window()->show();
    if (!m_dashboardLayer) {
        m_dashboardLayer.emplace();
        dashboardScale = 1.0;
        dashboardOpacity = 1.0;
    }
    EffectsAnimation animation;
    animation.windows = windows;
    animation.duration = duration;
    if (!in) {
        for (const QPointer<QWidget>& shown : windows)
            if (shown) m_dashboardLayer->append({shown->frameGeometry(), shown->grab().toImage()});
        animation.marker = kDashboardTransitionOutKey;
        animation.toScale = 5.0;
        animation.toOpacity = 0.0;
    } else {
        animation.marker = kDashboardTransitionInKey;
    }
    const int id = m_nextId++;
    m_animations[id] = animation;
    m_animator->start(this, id, animation);
}

void TEffectsWindowController::animationDidStart(int id) {
    const auto found = m_animations.find(id);
    if (found == m_animations.end()) return;
    ++m_animationCount;
    window()->setWindowOpacity(1.0);
    if (!m_delegate) return;
    if (found->second.marker == kDashboardTransitionOutKey)
        m_delegate->dashboardWillTransitionOut(this, found->second.windows);
    else if (found->second.marker == kDashboardTransitionInKey)
        m_delegate->dashboardWillTransitionIn(this, found->second.windows);
}

void TEffectsWindowController::animationDidStop(int id, bool finished) {
    const auto found = m_animations.find(id);
    if (found == m_animations.end()) return;
    const EffectsAnimation animation = found->second;
    m_animations.erase(found);
    m_animationCount = std::max(0, m_animationCount - 1);
    if (!finished) {
        // The cards come back as they were: no layer, no effects window.
        m_dashboardLayer.reset();
        orderOut();
        if (m_delegate) m_delegate->dashboardTransitionInterrupted(this, animation.windows);
        return;
    }
    if (animation.marker == kDashboardTransitionOutKey) {
        dashboardScale = 5.0;
        dashboardOpacity = 0.0;
        if (m_delegate) m_delegate->dashboardDidTransitionOut(this, animation.windows);
    } else if (animation.marker == kDashboardTransitionInKey) {
        m_dashboardLayer.reset();
        orderOut();
        if (m_delegate) m_delegate->dashboardDidTransitionIn(this, animation.windows);
    } else if (m_animationCount == 0) {
        Diagnostics::line(QStringLiteral("all animations ended"));
        orderOut();
    }
}

DashboardMode::DashboardMode(DashboardHost* host, TEffectsWindowController* effects, QObject* parent)
    : QObject(parent), m_host(host), m_effects(effects) {}

bool DashboardMode::hidesOnDeactivate(const QWidget* window) {
    return window->property(kHidesOnDeactivate).toBool();
}

void DashboardMode::setHidesOnDeactivate(bool hides) {
    for (const QPointer<QWidget>& window : m_host->cardWindows())
        if (window) window->setProperty(kHidesOnDeactivate, hides);
}

void DashboardMode::followPreference() {
    connect(&UserDefaults::standardUserDefaults(), &UserDefaults::changed, this, [this](const QString& key) {
        if (key != kPreferenceKeyDashboardMode) return;
        const bool enabled = preference(kPreferenceKeyDashboardMode);
        if (enabled != m_enabled) setDashboardModeEnabled(enabled);
    });
}

void DashboardMode::windowDidBecomeKey(QWidget* window) {
    QWidget* desktop = m_host->desktopWindow();
    if (!window || !desktop || !desktop->isVisible()) return;
    // Only when it changes: a new level shows the window again, which makes it key again.
    const qint32 above = WindowLevel::level(desktop) + 1;
    if (WindowLevel::level(window) != above) WindowLevel::setLevel(window, above);
}

void DashboardMode::setDashboardModeEnabled(bool enabled) {
    m_enabled = enabled;
    QWidget* desktop = m_host->desktopWindow();
    if (enabled) {
        // The window the mode was turned on from (the preferences) stays in front of the backdrop.
        QWidget* active = QApplication::activeWindow();
        m_host->repositionDesktop();
        desktop->show();
        placeWindowsAboveDesktop(true);
        if (active && active != desktop && !m_host->cardWindows().contains(active)) {
            m_raisedWindow = active;
            WindowLevel::setLevel(active, WindowLevel::level(desktop) + 1);
            active->raise();
            active->activateWindow();
        }
    } else {
        placeWindowsAboveDesktop(false);
        if (m_raisedWindow) WindowLevel::setLevel(m_raisedWindow, WindowLevel::kNormalLevel);
        m_raisedWindow = nullptr;
        desktop->hide();
    }
}

void DashboardMode::placeWindowsAboveDesktop(bool above) {
    for (const QPointer<QWidget>& window : m_host->cardWindows()) {
        if (!window) continue;
        if (above) {
            WindowLevel::setLevel(window, WindowLevel::level(m_host->desktopWindow()) + 1);
            window->setProperty(kHidesOnDeactivate, false);
        } else {
            WindowLevel::setLevel(window, m_host->floatingLevel(window));
        }
    }
}

void DashboardMode::setDesktopAlpha(double alpha) {
    QWidget* desktop = m_host->desktopWindow();
    if (preference(kPreferenceKeyDashboardDesktopFading) && Compositor::isRunning()) {
        auto* fade = new QPropertyAnimation(desktop, "windowOpacity", desktop);
        fade->setDuration(250);
        fade->setEndValue(alpha);
        fade->start(QAbstractAnimation::DeleteWhenStopped);
    } else {
        desktop->setWindowOpacity(alpha);
    }
}

void DashboardMode::toggleDashboardState() {
    if (m_effects->isAnimating()) {
        m_host->beep();
        return;
    }
    const QList<QPointer<QWidget>> windows = m_host->cardWindows();
    if (!m_effects->delegate()) m_effects->setDelegate(this);
    const bool animate = preference(kPreferenceKeyAnimateDashboardTransitions);
    if (m_effects->isDashboardOpen()) {
        setDesktopAlpha(1.0);
        if (animate) m_effects->dashboardTransitionWindows(windows, true, 0.4);
    } else {
        setDesktopAlpha(0.0);
        if (animate) m_effects->dashboardTransitionWindows(windows, false, 0.25);
    }
}

void DashboardMode::deactivate() {
    if (m_deactivating) return;
    if (preference(kPreferenceKeyDashboardMode) && preference(kPreferenceKeyAnimateDashboardTransitions)) {
        // A zoom still running refuses the toggle; no deactivation is left pending to block later ones.
        if (m_effects->isAnimating()) {
            m_host->beep();
            return;
        }
        m_deactivating = true;
        toggleDashboardState();
    } else {
        m_deactivating = true;
        advanceCurrentProcess();
    }
}

void DashboardMode::applicationDidBecomeActive() {
    if (preference(kPreferenceKeyDashboardMode)) {
        const bool animate = preference(kPreferenceKeyAnimateDashboardTransitions);
        if (!m_becameActiveFirstTime || !animate) placeWindowsAboveDesktop(true);
        if (animate && m_becameActiveFirstTime) toggleDashboardState();
    }
    for (const QPointer<QWidget>& window : m_host->cardWindows()) {
        if (!window) continue;
        if (window->property(kHiddenOnDeactivate).toBool()) {
            window->setProperty(kHiddenOnDeactivate, false);
            window->show();
        }
        window->setProperty(kHidesOnDeactivate, false);
    }
    m_becameActiveFirstTime = true;
}

void DashboardMode::applicationWillResignActive() {
    if (preference(kPreferenceKeyDashboardMode))
        deactivate();
    else if (preference(kPreferenceHideOnDeactive))
        setHidesOnDeactivate(true);
}

void DashboardMode::applicationDidResignActive() {
    for (const QPointer<QWidget>& window : m_host->cardWindows()) {
        if (window && hidesOnDeactivate(window) && window->isVisible()) {
            window->setProperty(kHiddenOnDeactivate, true);
            window->hide();
        }
    }
    m_host->saveActiveSheet();
    m_deactivating = false;
}

void DashboardMode::dashboardDidTransitionIn(TEffectsWindowController*,
                                             const QList<QPointer<QWidget>>& windows) {
    for (const QPointer<QWidget>& window : windows)
        if (window) window->setWindowOpacity(1.0);
}

void DashboardMode::dashboardWillTransitionOut(TEffectsWindowController*,
                                               const QList<QPointer<QWidget>>& windows) {
    for (const QPointer<QWidget>& window : windows)
        if (window) window->setWindowOpacity(0.0);
}

void DashboardMode::dashboardDidTransitionOut(TEffectsWindowController*, const QList<QPointer<QWidget>>&) {
    // Cleared here too: the resign notice may never come when the desktop keeps the program active.
    m_deactivating = false;
    advanceCurrentProcess();
}

void DashboardMode::dashboardTransitionInterrupted(TEffectsWindowController*,
                                                   const QList<QPointer<QWidget>>& windows) {
    dashboardDidTransitionIn(m_effects, windows);
    m_host->desktopWindow()->setWindowOpacity(1.0);
    m_deactivating = false;
}
