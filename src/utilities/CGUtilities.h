#pragma once

#include "foundation/CarbonUtilities.h"
#include "platform/CoreTypes.h"

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

// Values around drawing: the colour record with its makers and adjusters, angles, and the
// constructors, truncation, comparison, arithmetic, placement and scaling of points, sizes and
// rectangles. Stateless; everything is taken and returned by value unless a line says "in place".
// Rectangles are plain (x, y, width, height) values: "min Y" is y and "max Y" is y + height in
// whatever orientation the caller works in. Debug text goes to Diagnostics::line.
namespace CGUtilities {

using CarbonUtilities::RGBColor;

// The older toolbox's 16-bit point (vertical first) and rectangle.
struct Point {
    qint16 v = 0;
    qint16 h = 0;
    friend bool operator==(const Point&, const Point&) = default;
};
struct Rect {
    qint16 top = 0;
    qint16 left = 0;
    qint16 bottom = 0;
    qint16 right = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

inline constexpr ATSURGBAlphaColor kCGRGBColorClear{0, 0, 0, 0};
inline constexpr ATSURGBAlphaColor kCGRGBColorBlack{0, 0, 0, 1};
inline constexpr ATSURGBAlphaColor kCGRGBColorWhite{1, 1, 1, 1};

// Colour record. Nothing here clamps: components may leave 0..1.
ATSURGBAlphaColor CGRGBColorMake(double red, double green, double blue, double alpha);
ATSURGBAlphaColor CGRGBColorMake(double grey); // opaque
ATSURGBAlphaColor CGRGBColorMake(double grey, double alpha);
ATSURGBAlphaColor CGRGBColorAdjustValues(const ATSURGBAlphaColor& colour, double amount); // red, green, blue
ATSURGBAlphaColor CGRGBColorAdjustAlpha(const ATSURGBAlphaColor& colour, double amount);
ATSURGBAlphaColor CGRGBColorSetAlpha(const ATSURGBAlphaColor& colour, double alpha);
double CGRGBColorGetLuminosity(const ATSURGBAlphaColor& colour); // alpha ignored
bool CGRGBColorCompare(const ATSURGBAlphaColor& a, const ATSURGBAlphaColor& b);
// The colour to paint with: components clamped to 0..1.
QColor CGColorCreateRGB(const ATSURGBAlphaColor& colour);
QColor CGColorCreateRGB(double red, double green, double blue, double alpha);
ATSURGBAlphaColor CGConvertRGBColorToCGRGB(const RGBColor& rgb, double alpha);
void CGConvertRGBColorToCGRGB(const RGBColor& rgb, double alpha, ATSURGBAlphaColor* result);

double DegreesToRadians(double degrees);
double RadiansToDegrees(double radians);

// Constructors, truncation (toward zero) and tests.
QPointF CGPointMake(double x, double y);
QSizeF CGSizeMake(double width, double height);
QSizeF CGSizeMake(double side);
QRectF CGRectMake(double x, double y, double width, double height);
QRectF CGRectMake();
QRectF CGRectMake(const QPointF& origin, const QSizeF& size);
QRectF CGRectMake(const QSizeF& size);
QRectF CGRectMake(const QPointF& origin);
QPointF CGPointTruncate(const QPointF& point);
QSizeF CGSizeTruncate(const QSizeF& size);
// Origin and size truncated apart: the max edge is trunc(x) + trunc(width).
QRectF CGRectTruncate(const QRectF& rect);
bool CGPointCompare(const QPointF& a, const QPointF& b); // exact
bool CGPointIsEqual(const QPointF& a, const QPointF& b);
bool CGSizeCompare(const QSizeF& a, const QSizeF& b);
bool CGRectCompare(const QRectF& a, const QRectF& b);
bool CGPointIsZero(const QPointF& point);
bool CGSizeIsEmpty(const QSizeF& size); // both sides <= 0

// Arithmetic.
QPointF CGPointAdd(const QPointF& point, const QPointF& other);
QPointF CGPointAdd(const QPointF& point, double dx, double dy);
QPointF CGPointAdd(const QPointF& point, double d);
QPointF CGPointOffset(const QPointF& point, double dx, double dy);
QPointF CGPointSubtract(const QPointF& point, const QPointF& other);
QPointF CGPointSubtract(const QPointF& point, double dx, double dy);
QPointF CGPointInvert(const QPointF& point); // (y, x)
// |trunc(b.x - a.x)| + |trunc(b.y - a.y)|: the whole steps between the points along the axes.
qint32 CGPointDistanceBetweenPoints(const QPointF& a, const QPointF& b);
QSizeF CGSizeAdd(const QSizeF& size, double dw, double dh);
QSizeF CGSizeAdd(const QSizeF& size, double d);
QSizeF CGSizeAddSize(const QSizeF& size, const QSizeF& other);
QSizeF CGSizeSubtract(const QSizeF& size, const QSizeF& other);
QSizeF CGSizeInset(const QSizeF& size, double dw, double dh); // negative amounts enlarge
QSizeF CGSizeInvert(const QSizeF& size);                      // (height, width)

// Parts and placement.
QPointF CGRectGetMidPoint(const QRectF& rect);
QPointF CGRectGetMinPoint(const QRectF& rect);
QPointF CGRectGetMaxPoint(const QRectF& rect);
QPointF CGRectCenter(const QRectF& rect);
QPointF CGPointCenter(const QPointF& point, const QRectF& rect); // the rect's centre
QPointF CGPointCenterX(const QPointF& point, const QRectF& rect);
QPointF CGPointCenterY(const QPointF& point, const QRectF& rect);
// The rect moved to the centre of the container along x, y or both; size unchanged.
QRectF CGRectCenterX(const QRectF& rect, const QRectF& container);
QRectF CGRectCenterY(const QRectF& rect, const QRectF& container);
QRectF CGRectCenter(const QRectF& rect, const QRectF& container);
// In place: the rect moves so that its mid X (mid Y) is value.
void CGRectSetMidX(QRectF& rect, double value);
void CGRectSetMidY(QRectF& rect, double value);
// In place: the width (height) changes so that max X (max Y) is value.
void CGRectSetMaxX(QRectF& rect, double value);
void CGRectSetMaxY(QRectF& rect, double value);
bool CGRectContainsPointX(const QRectF& rect, const QPointF& point); // both ends included
bool CGRectContainsPointY(const QRectF& rect, const QPointF& point);
// Inset by width x fraction on the left and right, height x fraction at top and bottom; the zero
// rect when nothing is left.
QRectF CGRectInset(const QRectF& rect, double fraction);
QRectF CGRectZeroOrigin(const QRectF& rect);
QRectF CGRectExpand(const QRectF& rect, const QRectF& other); // the other rect
// The rect mirrored vertically inside the container; x and size unchanged.
QRectF CGRectFlipVertically(const QRectF& rect, const QRectF& container);
QRectF CGRectFlipVertically(const QRectF& rect); // in itself: unchanged
// 1 near min X, 2 near max X, 3 near min Y, 4 near max Y (a later test wins); 0 elsewhere.
qint32 CGRectGetEdgeAtPoint(const QRectF& rect, const QPointF& point, qint32 margin);
// The rect cut to the bounds; the zero rect when nothing is left.
QRectF CGRectClipRect(const QRectF& rect, const QRectF& bounds);
// Keeps the rect inside the bounds along x (y): moved, or with shrink its far edge cut.
QRectF CGRectConstrainX(bool shrink, const QRectF& rect, const QRectF& bounds);
QRectF CGRectConstrainY(bool shrink, const QRectF& rect, const QRectF& bounds);
QRectF CGRectConstrain(const QRectF& rect, const QRectF& bounds); // both, shrinking

// Scaling. CGRectScale brings the source toward the target keeping its aspect ratio; its result
// is truncated to whole numbers unless the sizes are equal (then the target size as it is). A
// source without area scales to the zero size (to the target's size when filling).
QRectF CGRectScale(const QSizeF& source, const QSizeF& target, const QRectF& rect);
QRectF CGRectScale(const QSizeF& source, const QSizeF& target);
QRectF CGRectScale(const QRectF& rect, const QRectF& other);
QRectF CGRectScale(const QSizeF& source, const QRectF& rect);
QSizeF CGSizeScale(const QSizeF& source, const QSizeF& target);
QRectF CGRectScaleToHeight(const QSizeF& source, const QSizeF& target, const QRectF& rect);
QRectF CGRectScaleToWidth(const QSizeF& source, const QSizeF& target, const QRectF& rect);
// The largest size of the source's aspect ratio inside the target (whole numbers).
QRectF CGRectScaleToFit(const QSizeF& source, const QSizeF& target, const QRectF& rect);
QRectF CGRectScaleToFit(const QRectF& rect, const QRectF& other);
QSizeF CGSizeScaleToFit(const QSizeF& source, const QSizeF& target);
// The smallest size of the source's aspect ratio that covers the target (whole numbers).
QRectF CGRectScaleToFill(const QSizeF& source, const QSizeF& target, const QRectF& rect);
QRectF CGRectScaleToFill(const QSizeF& source, const QSizeF& target);
QRectF CGRectScaleToFill(const QSizeF& source, const QRectF& rect);
QSizeF CGSizeScaleToFill(const QSizeF& source, const QSizeF& target);

// Toolbox conversions; values beyond 16 bits keep their low 16 bits.
QPointF QDPointToCG(const Point& point);
QRectF QDRectToCG(const Rect& rect);
Rect CGRectToQD(const QRectF& rect);
Point CGPointToQD(const QPointF& point);

// Debug text: "{x, y}", "{width, height}", "{{x, y}, {width, height}}", numbers in the general
// form of at most 15 significant digits.
QString CGPointString(const QPointF& point);
QString CGSizeString(const QSizeF& size);
QString CGRectString(const QRectF& rect);
QString CGStr(const QPointF& point);
QString CGStr(const QSizeF& size);
QString CGStr(const QRectF& rect);
void CGRGBColorShow(const ATSURGBAlphaColor& colour); // "0.000, 1.000, 0.000, 1.000"
void RGBColorShow(const RGBColor& rgb);
void QDRectShow(const Rect& rect);
void CFRangeShow(const CFRange& range); // "{location, length}"
void CGPointShow(const QPointF& point);
void CGSizeShow(const QSizeF& size);
void CGRectShow(const QRectF& rect);
void CGShow(const ATSURGBAlphaColor& colour);
void CGShow(const QPointF& point);
void CGShow(const QSizeF& size);
void CGShow(const QRectF& rect);

} // namespace CGUtilities
