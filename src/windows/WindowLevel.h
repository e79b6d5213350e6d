#pragma once

#include <QtGlobal>

class QWidget;

// Window levels as the program names them, mapped onto what X11 window managers offer: windows
// above the normal level stay on top, windows below it stay at the bottom. Main thread only.
namespace WindowLevel {

enum : qint32 {
    kDesktopLevel = -1000, // the desktop window of dashboard mode
    kNormalLevel = 0,
    kFloatingLevel = 3,
    kStatusLevel = 25, // side windows above floating cards
};

// The stay-on-top or stay-on-bottom hints for the level; a shown window is shown again after the
// change (changing the hints hides it). The level is kept in the window's property "windowLevel".
void setLevel(QWidget* window, qint32 level);
qint32 level(const QWidget* window);

// Puts the window on every virtual desktop, now and each time it is shown (the window manager reads
// the desktop when it maps the window). Only on X11; elsewhere nothing.
void showOnAllDesktops(QWidget* window);

} // namespace WindowLevel
