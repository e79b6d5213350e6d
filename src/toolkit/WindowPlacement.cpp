#include "WindowPlacement.h"

#include <algorithm>

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

} // namespace WindowPlacement
