#include "DesktopWindowController.h"

#include "Compositor.h"
#include "DesktopPicture.h"
#include "model/Preferences.h"
#include "platform/UserDefaults.h"
#include "toolkit/ScreenProvider.h"
#include "utilities/UserDefaultsUtilities.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace {
TDesktopWindowController* gShared = nullptr;
constexpr qint64 kNoPictureMode = 4;

std::function<void()>& deactivateHandler() {
    static std::function<void()> handler;
    return handler;
}

UserDefaults& defaults() {
    return UserDefaults::standardUserDefaults();
}
} // namespace

// The picture.

TDesktopImageView::TDesktopImageView(QWidget* parent) : QWidget(parent) {}

void TDesktopImageView::setImage(const QImage& image) {
    m_image = image;
    redisplay();
}

void TDesktopImageView::setImageScaling(qint32 scaling) {
    m_imageScaling = scaling;
    redisplay();
}

void TDesktopImageView::setDeactivateHandler(std::function<void()> handler) {
    deactivateHandler() = std::move(handler);
}

void TDesktopImageView::redisplay() {
    if (parentWidget()) parentWidget()->update();
}

void TDesktopImageView::drawPicture(QPainter& painter, const QRect& bounds) const {
    if (m_image.isNull()) return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QSize size = m_image.size();
    switch (m_imageScaling) {
    case 1: // axes independently
        painter.drawImage(bounds, m_image);
        return;
    case 2: // none
        break;
    case 0: // proportionally down: drawn scaled to fit
    case 3: // proportionally up or down
    default:
        size = size.scaled(bounds.size(), Qt::KeepAspectRatio);
        break;
    }
    QRect target(QPoint(), size);
    target.moveCenter(bounds.center());
    painter.drawImage(target, m_image);
}

void TDesktopImageView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (defaults().boolForKey(kPreferenceKeyDashboardMode) && deactivateHandler()) deactivateHandler()();
}

// The colour.

TDesktopBackgroundView::TDesktopBackgroundView(QWidget* parent) : QWidget(parent) {}

void TDesktopBackgroundView::setAlphaValue(double alpha) {
    m_alpha = std::isfinite(alpha) ? std::clamp(alpha, 0.0, 1.0) : 1.0;
    update();
}

void TDesktopBackgroundView::paintEvent(QPaintEvent*) {
    // The colour and the picture are composed first, so the alpha applies to the whole.
    QImage layer(size(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(UserDefaultsUtilities::colorForKey(defaults(), kPreferenceKeyDesktopColor)
                   .value_or(QColor(Qt::white)));
    if (m_imageView) {
        QPainter picture(&layer);
        m_imageView->drawPicture(picture, m_imageView->geometry());
    }
    QPainter painter(this);
    painter.setOpacity(m_alpha);
    painter.drawImage(0, 0, layer);
}

// The controller.

TDesktopWindowController* TDesktopWindowController::sharedController() {
    if (!gShared) gShared = new TDesktopWindowController;
    return gShared;
}

void TDesktopWindowController::destroyShared() {
    delete gShared;
    gShared = nullptr;
}

TDesktopWindowController::TDesktopWindowController() {
    m_window = new QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    m_window->setObjectName(QStringLiteral("desktopWindow"));
    if (Compositor::isRunning()) m_window->setAttribute(Qt::WA_TranslucentBackground);
    m_contentView = new TDesktopBackgroundView(m_window);
    m_imageView = new TDesktopImageView(m_contentView);
    m_contentView->setImageView(m_imageView);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive) applicationWillBecomeActive();
    });
    connect(&defaults(), &UserDefaults::changed, this, &TDesktopWindowController::defaultsChanged);
    reposition();
    updatePicture();
}

TDesktopWindowController::~TDesktopWindowController() {
    if (gShared == this) gShared = nullptr;
    delete m_window;
}

bool TDesktopWindowController::isVisible() const {
    return m_window->isVisible();
}

void TDesktopWindowController::reposition() {
    const QRect screen = ScreenProvider::shared().mainScreenGeometry();
    m_window->setGeometry(screen);
    m_contentView->setGeometry(QRect(QPoint(), screen.size()));
    m_imageView->setGeometry(QRect(QPoint(), screen.size()));
}

std::optional<qint32> TDesktopWindowController::imageScalingForMode(qint64 mode) {
    switch (mode) {
    case 0:
        return 0;
    case 1:
        return 3;
    case 2:
        return 1;
    case 3:
        return 2;
    default:
        return std::nullopt;
    }
}

qint64 TDesktopWindowController::modeForSystemScaling(std::optional<qint32> scaling) {
    switch (scaling.value_or(0)) {
    case 3:
        return 1;
    case 1:
        return 2;
    case 2:
        return 3;
    default:
        return 0;
    }
}

void TDesktopWindowController::updatePicture() {
    qint64 mode = kNoPictureMode;
    QString path;
    if (defaults().boolForKey(kPreferenceKeyDesktopInheritFromSystem)) {
        if (const std::optional<DesktopPicture> picture = DesktopPictureProvider::shared().current()) {
            path = picture->path;
            // The desktop's scaling goes through the preferences' table first, so it is drawn as
            // the desktop draws it.
            mode = modeForSystemScaling(picture->scaling);
        }
    } else if (defaults().objectForKey(kPreferenceKeyDesktopBackgroundImage).typeId() == QMetaType::QString) {
        mode = defaults().integerForKey(kPreferenceKeyDesktopBackgroundImageMode);
        if (mode != kNoPictureMode) path = defaults().stringForKey(kPreferenceKeyDesktopBackgroundImage);
    }
    if (const std::optional<qint32> scaling = imageScalingForMode(mode))
        m_imageView->setImageScaling(*scaling);
    if (!path.isEmpty()) {
        m_desktopImagePath = path;
        QImageReader reader(path);
        reader.setAutoTransform(true);
        m_imageView->setImage(reader.read());
    } else {
        m_imageView->setImage(QImage());
    }
    const double alpha =
        Compositor::isRunning() ? defaults().doubleForKey(kPreferenceKeyDesktopTransparency) : 1.0;
    m_contentView->setAlphaValue(alpha);
}

void TDesktopWindowController::applicationWillBecomeActive() {
    if (!defaults().boolForKey(kPreferenceKeyDesktopInheritFromSystem)) return;
    const std::optional<DesktopPicture> picture = DesktopPictureProvider::shared().current();
    if ((picture ? picture->path : QString()) != m_desktopImagePath) updatePicture();
}

void TDesktopWindowController::defaultsChanged(const QString& key) {
    if (key != kPreferenceKeyDesktopBackgroundImage && key != kPreferenceKeyDesktopBackgroundImageMode &&
        key != kPreferenceKeyDesktopColor && key != kPreferenceKeyDesktopTransparency)
        return;
    m_contentView->update();
    updatePicture();
}
