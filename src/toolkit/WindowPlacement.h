#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

// Where a window goes beside a target, in Qt's global (y-down) coordinates. Pure functions; the
// popover and the other arrowed windows place themselves with them.
namespace WindowPlacement {

// The side of the target the window lies on.
enum class Side { Left, Right, Above, Below };

Side opposite(Side side);
// The window's side that faces the target (and carries an arrow): Left for a window on the
// target's Right, and so on.
Side facingSide(Side side);

// A window of the size on that side of the target, gap away from it, centred on the target across.
QRectF frameBeside(const QRectF& target, const QSizeF& size, Side side, double gap);
// The room between the target and the screen's edge on that side.
double roomOnSide(const QRectF& target, Side side, const QRectF& screen);
// The frame moved (not resized) into the screen: right edge first, then left, then bottom, then
// top, so a frame larger than the screen keeps its left and top edges on it.
QRectF constrainFrame(const QRectF& frame, const QRectF& screen);

struct Placement {
    QRectF frame;
    Side side = Side::Right; // where the window ended up
};

// The preferred side when the window fits there, else the opposite side when it fits there, else
// whichever of the two has more room (the preferred one on a tie); then kept on the screen across.
Placement placeBeside(const QRectF& target, const QSizeF& size, Side preferred, const QRectF& screen,
                      double gap);

// Where along the window's facing side an arrow of the given width points at the target's centre,
// measured from the frame's left (top for Left and Right sides) edge; kept margin away from the
// frame's corners.
double arrowOffset(const Placement& placement, const QRectF& target, double arrowWidth, double margin);

} // namespace WindowPlacement
