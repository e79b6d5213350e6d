#include "WindowPlacement.h"

#include <algorithm>
#include <cmath>

namespace WindowPlacement {

namespace {

bool horizontal(Side side) {
    return side == Side::Left || side == Side::Right;
}

} // namespace

Side opposite(Side side) {
    switch (side) {
    case Side::Left:
        return Side::Right;
    case Side::Right:
        return Side::Left;
    case Side::Above:
        return Side::Below;
    case Side::Below:
        return Side::Above;
    }
    return side;
}

Side facingSide(Side side) {
    return opposite(side);
}

QRectF frameBeside(const QRectF& target, const QSizeF& size, Side side, double gap) {
    const double w = size.width(), h = size.height();
    const QPointF c = target.center();
    switch (side) {
    case Side::Left:
        return {target.left() - gap - w, c.y() - h / 2, w, h};
    case Side::Right:
        return {target.right() + gap, c.y() - h / 2, w, h};
    case Side::Above:
        return {c.x() - w / 2, target.top() - gap - h, w, h};
    case Side::Below:
        return {c.x() - w / 2, target.bottom() + gap, w, h};
    }
    return {};
}

double roomOnSide(const QRectF& target, Side side, const QRectF& screen) {
    switch (side) {
    case Side::Left:
        return target.left() - screen.left();
    case Side::Right:
        return screen.right() - target.right();
    case Side::Above:
        return target.top() - screen.top();
    case Side::Below:
        return screen.bottom() - target.bottom();
    }
    return 0;
}

QRectF constrainFrame(const QRectF& frame, const QRectF& screen) {
    QRectF f = frame;
    if (f.right() > screen.right()) f.moveRight(screen.right());
    if (f.left() < screen.left()) f.moveLeft(screen.left());
    if (f.bottom() > screen.bottom()) f.moveBottom(screen.bottom());
    if (f.top() < screen.top()) f.moveTop(screen.top());
    return f;
}

Placement placeBeside(const QRectF& target, const QSizeF& size, Side preferred, const QRectF& screen,
                      double gap) {
    auto needed = [&](Side side) { return (horizontal(side) ? size.width() : size.height()) + gap; };
    Side side = preferred;
    const Side other = opposite(preferred);
    if (roomOnSide(target, preferred, screen) < needed(preferred)) {
        if (roomOnSide(target, other, screen) >= needed(other) ||
            roomOnSide(target, other, screen) > roomOnSide(target, preferred, screen))
            side = other;
    }
    QRectF frame = frameBeside(target, size, side, gap);
    // Across the side the window may move; along it, it stays beside the target.
    const QRectF moved = constrainFrame(frame, screen);
    if (horizontal(side))
        frame.moveTop(moved.top());
    else
        frame.moveLeft(moved.left());
    return {frame, side};
}

double arrowOffset(const Placement& placement, const QRectF& target, double arrowWidth, double margin) {
    const bool across = horizontal(placement.side); // the arrow runs along the left or right side
    const double start = across ? placement.frame.top() : placement.frame.left();
    const double extent = across ? placement.frame.height() : placement.frame.width();
    const double centre = (across ? target.center().y() : target.center().x()) - start;
    const double low = margin + arrowWidth / 2, high = extent - margin - arrowWidth / 2;
    if (high < low) return extent / 2;
    return std::clamp(centre, low, high);
}

namespace {

const Side kFallbackOrder[] = {Side::Right, Side::Left, Side::Above, Side::Below};

// The window's edge on the far side from the target lies within the screen.
bool farEdgeOnScreen(const QRectF& frame, Side side, const QRectF& screen) {
    switch (side) {
    case Side::Right:
        return frame.right() <= screen.right();
    case Side::Left:
        return frame.left() >= screen.left();
    case Side::Above:
        return frame.bottom() <= screen.bottom();
    case Side::Below:
        return frame.top() >= screen.top();
    }
    return false;
}

// frameBeside with the shortening above and below (when asked) and the inset.
ArrowedPlacement arrowedFrame(const ArrowedRequest& request, Side side, bool shorten) {
    ArrowedPlacement placed{frameBeside(request.target, request.size, side, request.gap), side, 0};
    QRectF& f = placed.frame;
    double overflow = 0;
    if (side == Side::Above) overflow = request.screen.top() - f.top();
    if (side == Side::Below) overflow = f.bottom() - request.screen.bottom();
    if (shorten && overflow > 0) {
        placed.heightCut = std::min(request.gap + overflow, f.height());
        f = frameBeside(request.target, {f.width(), f.height() - placed.heightCut}, side, request.gap);
    }
    const double inset = request.inset;
    f.adjust(-inset, -inset, inset, inset);
    switch (side) {
    case Side::Left:
        f.translate(-inset, 0);
        break;
    case Side::Right:
        f.translate(inset, 0);
        break;
    case Side::Above:
        f.translate(0, -inset);
        break;
    case Side::Below:
        f.translate(0, inset);
        break;
    }
    return placed;
}

} // namespace

ArrowedPlacement arrowedFrameBeside(const ArrowedRequest& request, Side side) {
    return arrowedFrame(request, side, true);
}

bool fitsOnSide(const ArrowedRequest& request, Side side) {
    return request.screen.contains(arrowedFrameBeside(request, side).frame);
}

QList<Side> sidesThatFit(const ArrowedRequest& request) {
    QList<Side> sides;
    for (Side side : {Side::Above, Side::Left, Side::Right, Side::Below})
        if (fitsOnSide(request, side)) sides << side;
    return sides;
}

ArrowedPlacement availableFrame(const ArrowedRequest& request, const ArrowedPlacement& proposed,
                                std::optional<Side> preferred) {
    const QRectF& screen = request.screen;
    if (screen.contains(proposed.frame)) return proposed;
    const QRectF moved = constrainFrame(proposed.frame, screen);
    if (screen.contains(moved) && !moved.intersects(request.target))
        return {moved, proposed.side, proposed.heightCut};

    QList<Side> candidates;
    if (preferred) candidates << opposite(*preferred);
    for (Side side : kFallbackOrder) candidates << side;
    for (Side side : candidates) {
        ArrowedPlacement candidate = arrowedFrameBeside(request, side);
        candidate.frame = constrainFrame(candidate.frame, screen);
        // A window shortened to nothing does not count as fitting.
        const bool shortenedAway = candidate.heightCut >= request.size.height() && request.size.height() > 0;
        if (!shortenedAway && !candidate.frame.intersects(request.target) &&
            farEdgeOnScreen(candidate.frame, side, screen))
            return candidate;
    }
    return frameWithLeastOverlap(request);
}

ArrowedPlacement frameWithLeastOverlap(const ArrowedRequest& request) {
    const QRectF& screen = request.screen;
    double best = 2147483647.0;
    ArrowedPlacement chosen;
    // Whole windows: one that fits nowhere is not shortened as well.
    for (Side side : kFallbackOrder) {
        const ArrowedPlacement placed = arrowedFrame(request, side, false);
        const QRectF& f = placed.frame;
        double overflow = 0;
        switch (side) {
        case Side::Right:
            overflow = f.right() - screen.right();
            break;
        case Side::Left:
            overflow = std::abs(f.left() - screen.left());
            break;
        case Side::Above:
            overflow = std::abs(f.bottom() - screen.bottom());
            break;
        case Side::Below:
            overflow = screen.top() - f.top();
            break;
        }
        if (overflow < best) {
            best = overflow;
            chosen = placed;
        }
    }
    chosen.side.reset();
    return chosen;
}

Side mostAvailableSide(const QRectF& target, const QRectF& screen) {
    const QPointF c = target.center();
    auto area = [](double w, double h) { return std::max(0.0, w) * std::max(0.0, h); };
    const std::pair<Side, double> parts[] = {
        {Side::Above, area(screen.width(), c.y() - screen.top())},
        {Side::Left, area(c.x() - screen.left(), screen.height())},
        {Side::Right, area(screen.right() - c.x(), screen.height())},
        {Side::Below, area(screen.width(), screen.bottom() - c.y())},
    };
    Side best = Side::Above;
    double bestArea = 0;
    for (const auto& [side, a] : parts)
        if (a > bestArea) {
            best = side;
            bestArea = a;
        }
    return best;
}

QRectF truncated(const QRectF& r) {
    return {std::trunc(r.x()), std::trunc(r.y()), std::trunc(r.width()), std::trunc(r.height())};
}

} // namespace WindowPlacement
