#include "ScreenUtilities.h"

#include <QGuiApplication>
#include <QHash>
#include <QScreen>

namespace ScreenUtilities {

namespace {

// A y-down global rect as a stored (y-up) frame.
QRectF stored(const QRectF& rect) {
    const QScreen* base = baseScreen();
    const double height = base ? base->geometry().height() : 0;
    return QRectF(rect.x(), height - rect.y() - rect.height(), rect.width(), rect.height());
}

} // namespace

QScreen* baseScreen() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (QScreen* screen : screens)
        if (screen->geometry().topLeft() == QPoint(0, 0)) return screen;
    return QGuiApplication::primaryScreen();
}

QRectF frame(const QScreen* screen) {
    return screen ? stored(screen->geometry()) : QRectF();
}

QRectF frameExcludingMenuBar(const QScreen* screen) {
    QRectF result = frame(screen);
    if (screen && screen == baseScreen()) {
        result.moveTop(0);
        result.setHeight(result.height() - kMenuBarHeight);
    }
    return result;
}

QRectF localFrame(const QScreen* screen) {
    if (!screen) return QRectF();
    QRectF result = screen->geometry();
    if (screen == baseScreen()) result.setTop(result.top() + kMenuBarHeight);
    return result;
}

QRectF boundingFrameForDevices() {
    QRectF bounds(0, 0, 0, 0);
    for (const QScreen* screen : QGuiApplication::screens()) bounds = bounds.united(frame(screen));
    return bounds;
}

quint32 displayID(const QScreen* screen) {
    return screen ? static_cast<quint32>(qHash(screen->name())) : 0;
}

QScreen* screenForDisplay(quint32 displayID) {
    for (QScreen* screen : QGuiApplication::screens())
        if (ScreenUtilities::displayID(screen) == displayID) return screen;
    return nullptr;
}

QRectF availablePositioningBounds(const QScreen*) {
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? stored(primary->availableGeometry()) : QRectF();
}

} // namespace ScreenUtilities
