#include "NSDrawingThemes.h"

#include "ColorUtilities.h"

#include <cmath>

namespace NSDrawingThemes {

using namespace CGUtilities;

namespace {

QColor blackAlpha(double alpha) {
    return QColor::fromRgbF(0, 0, 0, static_cast<float>(alpha));
}
QColor whiteAlpha(double alpha) {
    return QColor::fromRgbF(1, 1, 1, static_cast<float>(alpha));
}

// The fill of states 0 and 1; invalid for others.
QColor fillOfState(int state) {
    if (state == 0) return blackAlpha(0.5);
    if (state == 1) return whiteAlpha(0.75);
    return {};
}

CGShadow shadowOf(const QColor& colour, double blur, const QSizeF& offset) {
    return {QPointF(offset.width(), offset.height()), blur, ColorUtilities::cgRGB(colour)};
}

} // namespace

void NSDrawInnerShadow(QPainter& painter, const QPainterPath& path, const QColor& strokeColour,
                       double strokeWidth, double blurRadius, const QSizeF& offset,
                       const QColor& shadowColour) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    CGContextDrawInnerShadow(painter, path, shadowOf(shadowColour, blurRadius, offset));
    if (strokeWidth > 0) painter.strokePath(path, QPen(strokeColour, strokeWidth));
    painter.restore();
}

QRectF NSRecessedBevelRect(const QRectF& rect) {
    const double w = rect.width(), h = rect.height();
    const double left = std::floor(w * 0.00575), right = std::floor(w * 0.99425);
    const double bottomGap = std::floor(h * 0.05357), top = std::floor(h * 0.94643);
    const double bevelHeight = top - bottomGap;
    // The gaps are measured from the bottom edge; the rect's top stands that far below the top.
    return QRectF(rect.x() + left + 0.5, rect.y() + h - (bottomGap + 0.5 + bevelHeight), right - left,
                  bevelHeight);
}

void NSDrawRecessedBevel(QPainter& painter, const QRectF& rect, double radius, double strokeWidth,
                         double blurRadius, const QSizeF& offset, const QColor& strokeColour,
                         const QColor& shadowColour, const QColor& fillColour) {
    QPainterPath path;
    path.addRoundedRect(NSRecessedBevelRect(rect), radius, radius);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(path, fillColour);
    NSDrawInnerShadow(painter, path, fillColour, 1, blurRadius, offset, shadowColour);
    if (strokeWidth > 0) painter.strokePath(path, QPen(strokeColour, strokeWidth));
    painter.restore();
}

void NSDrawRecessedBevel(QPainter& painter, const QRectF& rect, double radius, double strokeWidth,
                         double blurRadius, const QSizeF& offset, int state) {
    const QColor fill = fillOfState(state);
    if (!fill.isValid()) return;
    const QColor stroke = state == 0 ? QColor(Qt::white) : QColor(Qt::black);
    NSDrawRecessedBevel(painter, rect, radius, strokeWidth, blurRadius, offset, stroke, blackAlpha(0.5),
                        fill);
}

void NSDrawRecessedBevel(QPainter& painter, const QRectF& rect, double radius, int state) {
    NSDrawRecessedBevel(painter, rect, radius, 0, 1, QSizeF(0.1, 1.1), state);
}

void NSDrawRecessedBevel(QPainter& painter, const QRectF& rect, int state) {
    NSDrawRecessedBevel(painter, rect, 10, state);
}

void NSDrawRecessedText(QPainter& painter, const QRectF& rect, const QString& string, const QFont& font,
                        int state) {
    if (state != 0 && state != 1) return;
    painter.save();
    painter.setFont(font);
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
    // The etched edge: a light copy below dark text, a dark copy above light text.
    painter.setPen(state == 0 ? whiteAlpha(0.5) : blackAlpha(0.5));
    painter.drawText(rect.translated(0, state == 0 ? 1 : -1), flags, string);
    painter.setPen(state == 0 ? Qt::black : Qt::white);
    painter.drawText(rect, flags, string);
    painter.restore();
}

QPainterPath NSDisclosureTrianglePath(const QRectF& rect) {
    const double w = rect.width(), h = rect.height();
    // Heights measured up from the bottom edge.
    auto at = [&](double fx, double fy) { return QPointF(rect.x() + w * fx, rect.y() + h - h * fy); };
    QPainterPath path(at(0.5, 0.05556));
    path.lineTo(at(0.91698, 0.77778));
    path.lineTo(at(0.08302, 0.77778));
    path.closeSubpath();
    return path;
}

void NSDrawDiscolsureTriangle(QPainter& painter, const QRectF& rect, int state) {
    const QColor fill = fillOfState(state);
    if (!fill.isValid()) return;
    const QPainterPath triangle = NSDisclosureTrianglePath(rect);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    CGContextDrawShadowOfPath(painter, triangle, shadowOf(blackAlpha(0.5), 2.5, {0, 0}));
    painter.fillPath(triangle, fill);
    painter.restore();
}

void NSDrawRecessedDiscolsureTriangle(QPainter& painter, const QRectF& rect, int state) {
    const QColor fill = fillOfState(state);
    if (!fill.isValid()) return;
    const QPainterPath triangle = NSDisclosureTrianglePath(rect);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(triangle, fill);
    NSDrawInnerShadow(painter, triangle, fill, 1, 1, QSizeF(0.1, 1.1), blackAlpha(0.5));
    painter.restore();
}

} // namespace NSDrawingThemes
