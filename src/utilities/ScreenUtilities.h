#pragma once

#include <QRectF>

class QScreen;

// Screen frames. "Frames" are in stored (y-up) screen coordinates: origin at the bottom left of
// the base screen, y growing upward; localFrame is in Qt's (y-down) global coordinates.
namespace ScreenUtilities {

inline constexpr double kMenuBarHeight = 22.0;

// The first screen whose top left is (0, 0); the primary screen when none is. Null without screens.
QScreen* baseScreen();
// The stored frame of a screen.
QRectF frame(const QScreen* screen);
// The frame; for the base screen without the menu bar's height at its top.
QRectF frameExcludingMenuBar(const QScreen* screen);
// The screen's rect in y-down coordinates from the base screen's top left; for the base screen
// without the menu bar's height at its top.
QRectF localFrame(const QScreen* screen);
// The union of all screens' frames.
QRectF boundingFrameForDevices();
// A number naming the screen while it stays connected (from its name).
quint32 displayID(const QScreen* screen);
QScreen* screenForDisplay(quint32 displayID); // null when no screen has it
// The primary screen's available area as a stored frame, whichever screen is asked.
QRectF availablePositioningBounds(const QScreen* screen = nullptr);

} // namespace ScreenUtilities
