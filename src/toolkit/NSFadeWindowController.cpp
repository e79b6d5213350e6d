#include "NSFadeWindowController.h"

#include "platform/Scheduler.h"
#include "toolkit/WindowCloseWatcher.h"

#include <algorithm>
#include <cmath>

namespace {

// A window that takes no focus (the dock) is only raised.
void activate(QWidget* window) {
    if (!window->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus)) window->activateWindow();
}

const QString kFadeKey = QStringLiteral("fade");
constexpr double kStepsPerSecond = 60;
// A window keeps its opacity in 1/255 steps.
constexpr double kOpacityTolerance = 0.5 / 255;

bool sameOpacity(double a, double b) {
    return std::abs(a - b) <= kOpacityTolerance;
}

} // namespace

NSFadeWindowController::NSFadeWindowController(QWidget* window, QObject* parent)
    : QObject(parent), m_window(window ? window : new QWidget) {
    new WindowCloseWatcher(m_window, [this] { windowWillClose(); });
    setFadeDuration(0.15);
    setMinimumOpacity(0.0);
    setMaximumOpacity(1.0);
}

NSFadeWindowController::~NSFadeWindowController() {
    Scheduler::shared().cancelAll(this);
    delete m_window;
}

void NSFadeWindowController::setFadeDuration(double seconds) {
    m_fadeInDuration = seconds;
    m_fadeOutDuration = seconds;
}

double NSFadeWindowController::alphaValue() const {
    return m_window ? m_window->windowOpacity() : 0.0;
}

void NSFadeWindowController::setAlphaValue(double alpha) {
    if (m_window) m_window->setWindowOpacity(alpha);
}

bool NSFadeWindowController::isFadedIn() const {
    return sameOpacity(alphaValue(), m_maximumOpacity);
}

bool NSFadeWindowController::isFadedOut() const {
    return sameOpacity(alphaValue(), m_minimumOpacity);
}

bool NSFadeWindowController::isAnimating() const {
    return m_fade != Fade::None;
}

void NSFadeWindowController::fadeIn(bool orderFront) {
    beginFade(Fade::In, orderFront);
}

void NSFadeWindowController::fadeOut(bool orderOut) {
    beginFade(Fade::Out, orderOut);
}

void NSFadeWindowController::beginFade(Fade fade, bool order) {
    const bool in = fade == Fade::In;
    if (in)
        windowWillFadeIn();
    else
        windowWillFadeOut();
    if (m_delegate) {
        if (in)
            m_delegate->windowWillFadeIn(m_window);
        else
            m_delegate->windowWillFadeOut(m_window);
    }
    (in ? m_wantsOrderFront : m_wantsOrderOut) = order;
    const double duration = in ? m_fadeInDuration : m_fadeOutDuration;
    const double to = in ? m_maximumOpacity : m_minimumOpacity;
    if (duration > 0) {
        startFade(fade, duration, to);
        return;
    }
    startFade(Fade::None, 0, 0);
    setAlphaValue(to);
    fadeEnded(fade);
}

void NSFadeWindowController::fadeEnded(Fade fade) {
    if (fade == Fade::In)
        windowDidFadeIn();
    else
        windowDidFadeOut();
}

void NSFadeWindowController::startFade(Fade fade, double duration, double to) {
    Scheduler::shared().cancelPrevious(this, kFadeKey);
    m_fade = fade;
    if (fade == Fade::None) return;
    m_fadeFrom = alphaValue();
    m_fadeTo = to;
    m_fadeSteps = std::max(1, static_cast<int>(std::ceil(duration * kStepsPerSecond)));
    m_fadeStep = 0;
    m_fadeInterval = duration / m_fadeSteps;
    Scheduler::shared().performAfterDelay(this, kFadeKey, m_fadeInterval, [this] { fadeStep(); });
}

void NSFadeWindowController::fadeStep() {
    ++m_fadeStep;
    setAlphaValue(m_fadeFrom + (m_fadeTo - m_fadeFrom) * m_fadeStep / m_fadeSteps);
    if (m_fadeStep < m_fadeSteps) {
        Scheduler::shared().performAfterDelay(this, kFadeKey, m_fadeInterval, [this] { fadeStep(); });
        return;
    }
    const Fade ended = m_fade;
    m_fade = Fade::None;
    fadeEnded(ended);
    if (m_closeWhenFadeEnds && !isAnimating()) {
        m_closeWhenFadeEnds = false;
        close();
    }
}

void NSFadeWindowController::windowDidFadeIn() {
    if (m_wantsOrderFront && m_window) {
        m_window->show();
        m_window->raise();
        activate(m_window);
        m_wantsOrderFront = false;
    }
    if (m_delegate) m_delegate->windowDidFadeIn(m_window);
}

void NSFadeWindowController::windowDidFadeOut() {
    if (m_wantsOrderOut && m_window) {
        m_window->hide();
        m_wantsOrderOut = false;
    }
    if (m_delegate) m_delegate->windowDidFadeOut(m_window);
    if (m_wantsClose && !m_closingAtOnce) {
        // The close's fade-out ended: close now, even when the minimum equals the maximum.
        m_closeFadeEnded = true;
        close();
        m_closeFadeEnded = false;
    }
}

void NSFadeWindowController::showWindow() {
    m_windowClosed = false;
    m_wantsClose = false;
    m_closeWhenFadeEnds = false;
    if (m_fadeInDuration == 0) {
        startFade(Fade::None, 0, 0);
        setAlphaValue(m_maximumOpacity);
        windowDidFadeIn();
    } else {
        setAlphaValue(m_minimumOpacity);
        fadeIn(true);
    }
    if (!m_window) return;
    m_window->show();
    m_window->raise();
    activate(m_window);
}

void NSFadeWindowController::close() {
    if (m_windowClosed || !m_window) return;
    if (m_fadeOutDuration > 0 && isAnimating() && !m_releasedWhenClosed) {
        // Not lost: carried out when the running fade ends.
        if (!m_wantsClose) m_closeWhenFadeEnds = true;
        return;
    }
    if (m_fadeOutDuration == 0) {
        m_closingAtOnce = true;
        windowDidFadeOut();
        m_closingAtOnce = false;
        closeWindow();
        return;
    }
    m_wantsClose = true;
    if (isFadedIn() && !isAnimating() && !m_closeFadeEnded) {
        fadeOut(false);
        return;
    }
    closeWindow();
}

void NSFadeWindowController::closeWindow() {
    if (m_window) m_window->close();
}

void NSFadeWindowController::showWindowWithDuration(double seconds) {
    const double previous = m_fadeInDuration;
    m_fadeInDuration = seconds;
    showWindow();
    m_fadeInDuration = previous;
}

void NSFadeWindowController::closeWithDuration(double seconds) {
    const double previous = m_fadeOutDuration;
    m_fadeOutDuration = seconds;
    close();
    m_fadeOutDuration = previous;
}

void NSFadeWindowController::windowWillClose() {
    m_windowClosed = true;
    m_closeWhenFadeEnds = false;
    startFade(Fade::None, 0, 0);
    if (m_releasedWhenClosed && !m_didReleaseAfterClosing) {
        m_didReleaseAfterClosing = true;
        deleteLater();
    }
}
