#include "CardFrame.h"

#include "toolkit/WindowPlacement.h"

#include <QLineF>
#include <algorithm>
#include <cmath>
#include <limits>

namespace CardFrame {

QRectF toQt(const QRectF& stored, const QRectF& mainScreen) {
    const double top = mainScreen.top() + mainScreen.height() - (stored.y() + stored.height());
    return {mainScreen.left() + stored.x(), top, stored.width(), stored.height()};
}

QRectF fromQt(const QRectF& geometry, const QRectF& mainScreen) {
    const double y = mainScreen.top() + mainScreen.height() - geometry.bottom();
    return {geometry.x() - mainScreen.left(), y, geometry.width(), geometry.height()};
}

QRectF screenRelative(const QRectF& frame, const QRectF& screen) {
    if (screen.width() <= 0 || screen.height() <= 0) return frame;
    return {(frame.x() - screen.x()) / screen.width(), (frame.y() - screen.y()) / screen.height(),
            frame.width(), frame.height()};
}

QRectF fromScreenRelative(const QRectF& relative, const QRectF& screen) {
    return {screen.x() + relative.x() * screen.width(), screen.y() + relative.y() * screen.height(),
            relative.width(), relative.height()};
}

namespace {

// The main screen first, the others left to right, then top to bottom; empty ones left out.
QList<QRectF> ordered(const QList<QRectF>& screens) {
    QList<QRectF> result;
    for (const QRectF& screen : screens)
        if (!screen.isEmpty()) result << screen;
    if (result.size() > 2)
        std::stable_sort(result.begin() + 1, result.end(), [](const QRectF& a, const QRectF& b) {
            return a.x() != b.x() ? a.x() < b.x() : a.y() < b.y();
        });
    return result;
}

} // namespace

QRectF screenRelative(const QRectF& frame, const QList<QRectF>& screens) {
    const QList<QRectF> all = ordered(screens);
    if (all.isEmpty()) return frame;
    qsizetype index = -1;
    double best = std::numeric_limits<double>::max();
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (all[i].contains(frame.center())) {
            index = i;
            break;
        }
        const double distance = QLineF(all[i].center(), frame.center()).length();
        if (distance < best) {
            best = distance;
            index = i;
        }
    }
    QRectF relative = screenRelative(frame, all[index]);
    if (index > 0) relative.moveLeft(double(index) + std::clamp(relative.x(), 0.0, std::nextafter(1.0, 0.0)));
    return relative;
}

QRectF fromScreenRelative(const QRectF& relative, const QList<QRectF>& screens) {
    const QList<QRectF> all = ordered(screens);
    if (all.isEmpty()) return relative;
    const double whole = std::floor(relative.x());
    if (whole >= 1 && whole < double(all.size())) {
        QRectF fraction = relative;
        fraction.moveLeft(relative.x() - whole);
        return fromScreenRelative(fraction, all[qsizetype(whole)]);
    }
    return fromScreenRelative(relative, all.first());
}

double snap(double value) {
    return 8.0 * std::nearbyint(value / 8.0); // the default rounding mode breaks ties to even
}

QRectF snapRect(const QRectF& frame) {
    return {snap(frame.x()), snap(frame.y()), snap(frame.width()), snap(frame.height())};
}

QSizeF snapSize(const QSizeF& size) {
    return {snap(size.width()), snap(size.height())};
}

QRectF placeOnVisibleScreen(const QRectF& frame, const QList<QRectF>& screens) {
    const QRectF strip(frame.x(), frame.y(), frame.width(), std::min(frame.height(), 24.0));
    const QRectF* nearest = nullptr;
    double best = std::numeric_limits<double>::max();
    for (const QRectF& screen : screens) {
        if (screen.isEmpty()) continue;
        if (screen.intersects(strip) && screen.intersected(strip).width() >= std::min(frame.width(), 40.0))
            return frame;
        const double distance = QLineF(screen.center(), frame.center()).length();
        if (distance < best) {
            best = distance;
            nearest = &screen;
        }
    }
    if (!nearest) return frame;
    QRectF fitted = frame;
    fitted.setSize(frame.size().boundedTo(nearest->size()));
    return WindowPlacement::constrainFrame(fitted, *nearest);
}

bool isUsable(const QRectF& frame) {
    constexpr double kLimit = 1e6;
    for (const double value : {frame.x(), frame.y(), frame.width(), frame.height()})
        if (!std::isfinite(value) || std::abs(value) > kLimit) return false;
    return frame.width() > 0 && frame.height() > 0;
}

QRectF constrainOrigin(const QRectF& frame) {
    QRectF result = frame;
    if (result.x() < 0) result.moveLeft(0);
    if (result.y() < 0) result.moveTop(0);
    return result;
}

} // namespace CardFrame
