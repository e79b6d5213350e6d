#include "WindowLevel.h"

#include <QWidget>

namespace WindowLevel {

void setLevel(QWidget* window, qint32 level) {
    if (!window) return;
    window->setProperty("windowLevel", level);
    Qt::WindowFlags flags = window->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, level > kNormalLevel);
    flags.setFlag(Qt::WindowStaysOnBottomHint, level < kNormalLevel);
    if (flags == window->windowFlags()) return;
    const bool visible = window->isVisible();
    window->setWindowFlags(flags);
    if (visible) window->show();
}

qint32 level(const QWidget* window) {
    return window ? window->property("windowLevel").toInt() : kNormalLevel;
}

} // namespace WindowLevel
