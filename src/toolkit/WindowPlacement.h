#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <optional>

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

// Arrowed windows that may go to any side of the target, falling back to the others (popup
// windows). Sides are tried in the order Right, Left, Above, Below where none is preferred.
struct ArrowedRequest {
    QRectF target;
    QSizeF size; // before growing by the inset
    QRectF screen;
    double gap = 0;
    double inset = 0; // the frame grows by it on every side and moves away from the target by it
};

struct ArrowedPlacement {
    QRectF frame;
    std::optional<Side> side; // none: the window covers the target or lies nowhere in particular
    double heightCut = 0;     // how much the window was shortened to fit above or below
};

// frameBeside, but a window above (below) the target that passes the screen's top (bottom) is
// shortened by the gap plus the overflow; then grown by the inset.
ArrowedPlacement arrowedFrameBeside(const ArrowedRequest& request, Side side);
// The side's frame lies wholly on the screen.
bool fitsOnSide(const ArrowedRequest& request, Side side);
QList<Side> sidesThatFit(const ArrowedRequest& request);
// Where a proposed frame (placed at the preferred side, if any) goes when it is not wholly on the
// screen: moved onto it when that keeps it off the target, else the opposite side, else the
// first side in turn whose frame, moved onto the screen, stays off the target; else the side that
// overflows least, without an arrow.
ArrowedPlacement availableFrame(const ArrowedRequest& request, const ArrowedPlacement& proposed,
                                std::optional<Side> preferred);
ArrowedPlacement frameWithLeastOverlap(const ArrowedRequest& request);
// The side of the target with the largest part of the screen, split at the target's centre
// (the earlier of Above, Left, Right, Below on a tie).
Side mostAvailableSide(const QRectF& target, const QRectF& screen);
// Origin and size cut to whole numbers (toward zero).
QRectF truncated(const QRectF& rect);

} // namespace WindowPlacement
