#include "CGUtilities.h"

#include "StringUtilities.h"
#include "platform/Diagnostics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace CGUtilities {

namespace {

// Toward zero; -0 becomes 0.
double truncated(double v) {
    return std::trunc(v) + 0.0;
}

// The whole part as an integer; NaN gives 0 and values beyond 64 bits the nearest limit.
qint64 wholePart(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 9223372036854775807.0) return std::numeric_limits<qint64>::max();
    if (v <= -9223372036854775808.0) return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(v);
}

QString number(double v) {
    return StringUtilities::stringWithFloat(v);
}

QString colourComponent(float v) {
    return QStringLiteral("%1").arg(static_cast<double>(v), 5, 'f', 3);
}

double minX(const QRectF& r) {
    return r.x();
}
double maxX(const QRectF& r) {
    return r.x() + r.width();
}
double minY(const QRectF& r) {
    return r.y();
}
double maxY(const QRectF& r) {
    return r.y() + r.height();
}

// x and y swapped, and width and height: what holds along x then holds along y.
QRectF transposed(const QRectF& r) {
    return QRectF(r.y(), r.x(), r.height(), r.width());
}

QRectF truncatedWithSize(const QRectF& rect, double width, double height) {
    return CGRectTruncate(QRectF(rect.topLeft(), QSizeF(width, height)));
}

// A source without area (or with a NaN side) has no aspect ratio to keep.
bool hasArea(const QSizeF& size) {
    return size.width() > 0 && size.height() > 0;
}

} // namespace

ATSURGBAlphaColor CGRGBColorMake(double red, double green, double blue, double alpha) {
    return ATSURGBAlphaColor{static_cast<float>(red), static_cast<float>(green), static_cast<float>(blue),
                             static_cast<float>(alpha)};
}

ATSURGBAlphaColor CGRGBColorMake(double grey) {
    return CGRGBColorMake(grey, grey, grey, 1.0);
}

ATSURGBAlphaColor CGRGBColorMake(double grey, double alpha) {
    return CGRGBColorMake(grey, grey, grey, alpha);
}

ATSURGBAlphaColor CGRGBColorAdjustValues(const ATSURGBAlphaColor& colour, double amount) {
    return CGRGBColorMake(colour.red + amount, colour.green + amount, colour.blue + amount, colour.alpha);
}

ATSURGBAlphaColor CGRGBColorAdjustAlpha(const ATSURGBAlphaColor& colour, double amount) {
    return CGRGBColorSetAlpha(colour, colour.alpha + amount);
}

ATSURGBAlphaColor CGRGBColorSetAlpha(const ATSURGBAlphaColor& colour, double alpha) {
    ATSURGBAlphaColor result = colour;
    result.alpha = static_cast<float>(alpha);
    return result;
}

double CGRGBColorGetLuminosity(const ATSURGBAlphaColor& colour) {
    return 0.2126 * colour.red + 0.7152 * colour.green + 0.0722 * colour.blue;
}

bool CGRGBColorCompare(const ATSURGBAlphaColor& a, const ATSURGBAlphaColor& b) {
    return a == b;
}

QColor CGColorCreateRGB(const ATSURGBAlphaColor& colour) {
    return CGColorCreateRGB(colour.red, colour.green, colour.blue, colour.alpha);
}

QColor CGColorCreateRGB(double red, double green, double blue, double alpha) {
    // NaN goes to 0 as well.
    auto unit = [](double v) { return v > 0 ? (v < 1 ? static_cast<float>(v) : 1.0f) : 0.0f; };
    return QColor::fromRgbF(unit(red), unit(green), unit(blue), unit(alpha));
}

ATSURGBAlphaColor CGConvertRGBColorToCGRGB(const RGBColor& rgb, double alpha) {
    return CGRGBColorSetAlpha(CarbonUtilities::RGBColorToATSUColor(rgb), alpha);
}

void CGConvertRGBColorToCGRGB(const RGBColor& rgb, double alpha, ATSURGBAlphaColor* result) {
    if (result) *result = CGConvertRGBColorToCGRGB(rgb, alpha);
}

double DegreesToRadians(double degrees) {
    return static_cast<double>(static_cast<long double>(degrees) * 3.1415926535897932385L / 180.0L);
}

double RadiansToDegrees(double radians) {
    return static_cast<double>(static_cast<long double>(radians) * 180.0L / 3.1415926535897932385L);
}

QPointF CGPointMake(double x, double y) {
    return QPointF(x, y);
}

QSizeF CGSizeMake(double width, double height) {
    return QSizeF(width, height);
}

QSizeF CGSizeMake(double side) {
    return QSizeF(side, side);
}

QRectF CGRectMake(double x, double y, double width, double height) {
    return QRectF(x, y, width, height);
}

QRectF CGRectMake() {
    return QRectF(0, 0, 0, 0);
}

QRectF CGRectMake(const QPointF& origin, const QSizeF& size) {
    return QRectF(origin, size);
}

QRectF CGRectMake(const QSizeF& size) {
    return QRectF(QPointF(0, 0), size);
}

QRectF CGRectMake(const QPointF& origin) {
    return QRectF(origin, QSizeF(0, 0));
}

QPointF CGPointTruncate(const QPointF& point) {
    return QPointF(truncated(point.x()), truncated(point.y()));
}

QSizeF CGSizeTruncate(const QSizeF& size) {
    return QSizeF(truncated(size.width()), truncated(size.height()));
}

QRectF CGRectTruncate(const QRectF& rect) {
    return QRectF(CGPointTruncate(rect.topLeft()), CGSizeTruncate(rect.size()));
}

bool CGPointCompare(const QPointF& a, const QPointF& b) {
    return a.x() == b.x() && a.y() == b.y();
}

bool CGPointIsEqual(const QPointF& a, const QPointF& b) {
    return CGPointCompare(a, b);
}

bool CGSizeCompare(const QSizeF& a, const QSizeF& b) {
    return a.width() == b.width() && a.height() == b.height();
}

bool CGRectCompare(const QRectF& a, const QRectF& b) {
    return CGPointCompare(a.topLeft(), b.topLeft()) && CGSizeCompare(a.size(), b.size());
}

bool CGPointIsZero(const QPointF& point) {
    return point.x() == 0 && point.y() == 0;
}

bool CGSizeIsEmpty(const QSizeF& size) {
    return size.width() <= 0 && size.height() <= 0;
}

QPointF CGPointAdd(const QPointF& point, const QPointF& other) {
    return point + other;
}

QPointF CGPointAdd(const QPointF& point, double dx, double dy) {
    return QPointF(point.x() + dx, point.y() + dy);
}

QPointF CGPointAdd(const QPointF& point, double d) {
    return CGPointAdd(point, d, d);
}

QPointF CGPointOffset(const QPointF& point, double dx, double dy) {
    return CGPointAdd(point, dx, dy);
}

QPointF CGPointSubtract(const QPointF& point, const QPointF& other) {
    return point - other;
}

QPointF CGPointSubtract(const QPointF& point, double dx, double dy) {
    return QPointF(point.x() - dx, point.y() - dy);
}

QPointF CGPointInvert(const QPointF& point) {
    return QPointF(point.y(), point.x());
}

qint32 CGPointDistanceBetweenPoints(const QPointF& a, const QPointF& b) {
    const double steps = std::abs(truncated(b.x() - a.x())) + std::abs(truncated(b.y() - a.y()));
    return static_cast<qint32>(std::min<qint64>(wholePart(steps), std::numeric_limits<qint32>::max()));
}

QSizeF CGSizeAdd(const QSizeF& size, double dw, double dh) {
    return QSizeF(size.width() + dw, size.height() + dh);
}

QSizeF CGSizeAdd(const QSizeF& size, double d) {
    return CGSizeAdd(size, d, d);
}

QSizeF CGSizeAddSize(const QSizeF& size, const QSizeF& other) {
    return CGSizeAdd(size, other.width(), other.height());
}

QSizeF CGSizeSubtract(const QSizeF& size, const QSizeF& other) {
    return CGSizeAdd(size, -other.width(), -other.height());
}

QSizeF CGSizeInset(const QSizeF& size, double dw, double dh) {
    return CGSizeAdd(size, -dw, -dh);
}

QSizeF CGSizeInvert(const QSizeF& size) {
    return QSizeF(size.height(), size.width());
}

QPointF CGRectGetMidPoint(const QRectF& rect) {
    return CGRectCenter(rect);
}

QPointF CGRectGetMinPoint(const QRectF& rect) {
    return QPointF(minX(rect), minY(rect));
}

QPointF CGRectGetMaxPoint(const QRectF& rect) {
    return QPointF(maxX(rect), maxY(rect));
}

QPointF CGRectCenter(const QRectF& rect) {
    return QPointF(rect.x() + rect.width() * 0.5, rect.y() + rect.height() * 0.5);
}

QPointF CGPointCenter(const QPointF&, const QRectF& rect) {
    return CGRectCenter(rect);
}

QPointF CGPointCenterX(const QPointF& point, const QRectF& rect) {
    return QPointF(point.x() + rect.width() * 0.5, point.y());
}

QPointF CGPointCenterY(const QPointF& point, const QRectF& rect) {
    return QPointF(point.x(), point.y() + rect.height() * 0.5);
}

QRectF CGRectCenterX(const QRectF& rect, const QRectF& container) {
    QRectF result = rect;
    result.moveLeft(container.x() + container.width() * 0.5 - rect.width() * 0.5);
    return result;
}

QRectF CGRectCenterY(const QRectF& rect, const QRectF& container) {
    QRectF result = rect;
    result.moveTop(container.y() + container.height() * 0.5 - rect.height() * 0.5);
    return result;
}

QRectF CGRectCenter(const QRectF& rect, const QRectF& container) {
    return CGRectCenterY(CGRectCenterX(rect, container), container);
}

void CGRectSetMidX(QRectF& rect, double value) {
    rect.moveLeft(value - rect.width() * 0.5);
}

void CGRectSetMidY(QRectF& rect, double value) {
    rect.moveTop(value - rect.height() * 0.5);
}

void CGRectSetMaxX(QRectF& rect, double value) {
    rect.setWidth(value - rect.x());
}

void CGRectSetMaxY(QRectF& rect, double value) {
    rect.setHeight(value - rect.y());
}

bool CGRectContainsPointX(const QRectF& rect, const QPointF& point) {
    return minX(rect) <= point.x() && point.x() <= maxX(rect);
}

bool CGRectContainsPointY(const QRectF& rect, const QPointF& point) {
    return minY(rect) <= point.y() && point.y() <= maxY(rect);
}

QRectF CGRectInset(const QRectF& rect, double fraction) {
    const double dx = rect.width() * fraction;
    const double dy = rect.height() * fraction;
    const QRectF result(rect.x() + dx, rect.y() + dy, rect.width() - 2 * dx, rect.height() - 2 * dy);
    if (result.width() < 0 || result.height() < 0) return CGRectMake();
    return result;
}

QRectF CGRectZeroOrigin(const QRectF& rect) {
    return QRectF(QPointF(0, 0), rect.size());
}

QRectF CGRectExpand(const QRectF&, const QRectF& other) {
    return other;
}

QRectF CGRectFlipVertically(const QRectF& rect, const QRectF& container) {
    QRectF result = rect;
    result.moveTop(minY(container) + maxY(container) - maxY(rect));
    return result;
}

QRectF CGRectFlipVertically(const QRectF& rect) {
    return CGRectFlipVertically(rect, rect);
}

qint32 CGRectGetEdgeAtPoint(const QRectF& rect, const QPointF& point, qint32 margin) {
    qint32 edge = point.x() < minX(rect) + margin ? 1 : 0;
    if (point.x() > maxX(rect) - margin) edge = 2;
    if (point.y() < minY(rect) + margin) edge = 3;
    if (point.y() > maxY(rect) - margin) edge = 4;
    return edge;
}

QRectF CGRectClipRect(const QRectF& rect, const QRectF& bounds) {
    double x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    auto gone = [&] { return w <= 0 || h <= 0; };
    if (gone()) return CGRectMake();
    if (y < minY(bounds)) {
        h -= minY(bounds) - y;
        y = minY(bounds);
        if (gone()) return CGRectMake();
    }
    if (y + h > maxY(bounds)) {
        h -= y + h - maxY(bounds);
        if (gone()) return CGRectMake();
    }
    if (x < minX(bounds)) {
        w -= minX(bounds) - x;
        x = minX(bounds);
        if (gone()) return CGRectMake();
    }
    if (x + w > maxX(bounds)) {
        w -= x + w - maxX(bounds);
        if (gone()) return CGRectMake();
    }
    return QRectF(x, y, w, h);
}

QRectF CGRectConstrainX(bool shrink, const QRectF& rect, const QRectF& bounds) {
    QRectF result = rect;
    if (result.x() < minX(bounds)) result.moveLeft(minX(bounds));
    if (maxX(result) > maxX(bounds)) {
        if (shrink)
            CGRectSetMaxX(result, maxX(bounds));
        else
            result.moveLeft(maxX(bounds) - result.width());
    }
    return result;
}

QRectF CGRectConstrainY(bool shrink, const QRectF& rect, const QRectF& bounds) {
    return transposed(CGRectConstrainX(shrink, transposed(rect), transposed(bounds)));
}

QRectF CGRectConstrain(const QRectF& rect, const QRectF& bounds) {
    return CGRectConstrainY(true, CGRectConstrainX(true, rect, bounds), bounds);
}

QRectF CGRectScale(const QSizeF& source, const QSizeF& target, const QRectF& rect) {
    if (CGSizeCompare(source, target)) return QRectF(rect.topLeft(), target);
    if (!hasArea(source)) return truncatedWithSize(rect, 0, 0);
    const double sw = source.width(), sh = source.height(), tw = target.width(), th = target.height();
    QSizeF size = rect.size();
    if (tw > sw || th > sh) {
        if (tw < th)
            size = QSizeF(tw, sh / sw * tw);
        else if (th < tw)
            size = QSizeF(sw / sh * th, th);
    } else {
        if (sw > sh)
            size = QSizeF(tw, sh / sw * tw);
        else if (sw < sh)
            size = QSizeF(sw / sh * th, th);
    }
    return truncatedWithSize(rect, size.width(), size.height());
}

QRectF CGRectScale(const QSizeF& source, const QSizeF& target) {
    return CGRectScale(source, target, CGRectMake(target));
}

QRectF CGRectScale(const QRectF& rect, const QRectF& other) {
    return CGRectScale(rect.size(), other.size(), other);
}

QRectF CGRectScale(const QSizeF& source, const QRectF& rect) {
    return CGRectScale(source, rect.size(), rect);
}

QSizeF CGSizeScale(const QSizeF& source, const QSizeF& target) {
    return CGRectScale(source, target).size();
}

QRectF CGRectScaleToHeight(const QSizeF& source, const QSizeF& target, const QRectF& rect) {
    if (!hasArea(source)) return truncatedWithSize(rect, 0, 0);
    const double h = std::min(source.height(), target.height());
    return truncatedWithSize(rect, source.width() / source.height() * h, h);
}

QRectF CGRectScaleToWidth(const QSizeF& source, const QSizeF& target, const QRectF& rect) {
    if (!hasArea(source)) return truncatedWithSize(rect, 0, 0);
    const double w = std::min(source.width(), target.width());
    return truncatedWithSize(rect, w, source.height() / source.width() * w);
}

QRectF CGRectScaleToFit(const QSizeF& source, const QSizeF& target, const QRectF& rect) {
    if (!hasArea(source)) return truncatedWithSize(rect, 0, 0);
    const double g = std::max(source.width() / target.width(), source.height() / target.height());
    return truncatedWithSize(rect, source.width() / g, source.height() / g);
}

QRectF CGRectScaleToFit(const QRectF& rect, const QRectF& other) {
    return CGRectScaleToFit(rect.size(), other.size(), rect);
}

QSizeF CGSizeScaleToFit(const QSizeF& source, const QSizeF& target) {
    return CGRectScaleToFit(source, target, CGRectMake()).size();
}

QRectF CGRectScaleToFill(const QSizeF& source, const QSizeF& target, const QRectF& rect) {
    if (!hasArea(source)) return truncatedWithSize(rect, target.width(), target.height());
    const double g = std::min(source.width() / target.width(), source.height() / target.height());
    // Rounding may leave a side a hair short of the target's.
    const double w = std::max(source.width() / g, target.width());
    const double h = std::max(source.height() / g, target.height());
    return truncatedWithSize(rect, w, h);
}

QRectF CGRectScaleToFill(const QSizeF& source, const QSizeF& target) {
    return CGRectScaleToFill(source, target, CGRectMake(target));
}

QRectF CGRectScaleToFill(const QSizeF& source, const QRectF& rect) {
    return CGRectScaleToFill(source, rect.size(), rect);
}

QSizeF CGSizeScaleToFill(const QSizeF& source, const QSizeF& target) {
    return CGRectScaleToFill(source, target).size();
}

QPointF QDPointToCG(const Point& point) {
    return QPointF(point.h, point.v);
}

QRectF QDRectToCG(const Rect& rect) {
    return QRectF(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

Rect CGRectToQD(const QRectF& rect) {
    // Sums wrap to 16 bits, as each part does.
    const quint64 top = static_cast<quint64>(wholePart(rect.y()));
    const quint64 left = static_cast<quint64>(wholePart(rect.x()));
    return Rect{static_cast<qint16>(top), static_cast<qint16>(left),
                static_cast<qint16>(top + static_cast<quint64>(wholePart(rect.height()))),
                static_cast<qint16>(left + static_cast<quint64>(wholePart(rect.width())))};
}

Point CGPointToQD(const QPointF& point) {
    return Point{static_cast<qint16>(wholePart(point.y())), static_cast<qint16>(wholePart(point.x()))};
}

QString CGPointString(const QPointF& point) {
    return QLatin1Char('{') + number(point.x()) + QStringLiteral(", ") + number(point.y()) + QLatin1Char('}');
}

QString CGSizeString(const QSizeF& size) {
    return QLatin1Char('{') + number(size.width()) + QStringLiteral(", ") + number(size.height()) +
           QLatin1Char('}');
}

QString CGRectString(const QRectF& rect) {
    return QLatin1Char('{') + CGPointString(rect.topLeft()) + QStringLiteral(", ") +
           CGSizeString(rect.size()) + QLatin1Char('}');
}

QString CGStr(const QPointF& point) {
    return CGPointString(point);
}

QString CGStr(const QSizeF& size) {
    return CGSizeString(size);
}

QString CGStr(const QRectF& rect) {
    return CGRectString(rect);
}

void CGRGBColorShow(const ATSURGBAlphaColor& colour) {
    Diagnostics::line(colourComponent(colour.red) + QStringLiteral(", ") + colourComponent(colour.green) +
                      QStringLiteral(", ") + colourComponent(colour.blue) + QStringLiteral(", ") +
                      colourComponent(colour.alpha));
}

void RGBColorShow(const RGBColor& rgb) {
    Diagnostics::line(QStringLiteral("%1, %2, %3").arg(rgb.red).arg(rgb.green).arg(rgb.blue));
}

void QDRectShow(const Rect& rect) {
    Diagnostics::line(QStringLiteral("top: %1, left: %2, bottom: %3, right: %4")
                          .arg(rect.top)
                          .arg(rect.left)
                          .arg(rect.bottom)
                          .arg(rect.right));
}

void CFRangeShow(const CFRange& range) {
    Diagnostics::line(QStringLiteral("{%1, %2}").arg(range.location).arg(range.length));
}

void CGPointShow(const QPointF& point) {
    Diagnostics::line(CGPointString(point));
}

void CGSizeShow(const QSizeF& size) {
    Diagnostics::line(CGSizeString(size));
}

void CGRectShow(const QRectF& rect) {
    Diagnostics::line(CGRectString(rect));
}

void CGShow(const ATSURGBAlphaColor& colour) {
    CGRGBColorShow(colour);
}

void CGShow(const QPointF& point) {
    CGPointShow(point);
}

void CGShow(const QSizeF& size) {
    CGSizeShow(size);
}

void CGShow(const QRectF& rect) {
    CGRectShow(rect);
}

} // namespace CGUtilities
