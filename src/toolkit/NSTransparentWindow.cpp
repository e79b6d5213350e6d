#include "NSTransparentWindow.h"

#include "toolkit/ScreenProvider.h"

NSTransparentWindow::NSTransparentWindow(const QRect& contentRect, ScreenProvider* screens)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint),
      m_screens(screens) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(contentRect);
    connect(&this->screens(), &ScreenProvider::screensChanged, this,
            &NSTransparentWindow::screenParametersChanged);
}

ScreenProvider& NSTransparentWindow::screens() const {
    return m_screens ? *m_screens : ScreenProvider::shared();
}

NSTransparentWindow* NSTransparentWindow::windowOfSize(const QSize& size) {
    return new NSTransparentWindow(QRect(QPoint(0, 0), size));
}

NSTransparentWindow* NSTransparentWindow::fullScreenWindow() {
    return new NSTransparentWindow(QRect());
}

void NSTransparentWindow::setKeepFullScreenAlways(bool keep) {
    show();
    raise();
    m_keepFullScreenAlways = keep;
    if (keep) setGeometry(screens().mainScreenGeometry());
}

void NSTransparentWindow::screenParametersChanged() {
    if (m_keepFullScreenAlways) setGeometry(screens().mainScreenGeometry());
}
