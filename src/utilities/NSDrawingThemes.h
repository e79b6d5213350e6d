#pragma once

#include "CGDrawing.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QString>

// Recessed effects for the program's own chrome: an inner shadow inside a path, a recessed bevel,
// recessed text and disclosure triangles. Each draws with the given painter and keeps its state.
// Offsets are top-down: (0.1, 1.1) throws the shadow a pixel down. States: 0 is the dark look on a
// light ground, 1 the light look on a dark ground; other states draw nothing.
namespace NSDrawingThemes {

// The shadow a frame around the path throws into it, then the path stroked (width 0: no stroke).
void NSDrawInnerShadow(QPainter& painter, const QPainterPath& path, const QColor& strokeColour,
                       double strokeWidth, double blurRadius, const QSizeF& offset,
                       const QColor& shadowColour);

// The bevel's rounded rect inside rect: edges on pixel centres, a little in from each side.
QRectF NSRecessedBevelRect(const QRectF& rect);
void NSDrawRecessedBevel(QPainter& painter, const QRectF& rect, double radius, double strokeWidth,
                         double blurRadius, const QSizeF& offset, const QColor& strokeColour,
                         const QColor& shadowColour, const QColor& fillColour);
void NSDrawRecessedBevel(QPainter& painter, const QRectF& rect, double radius, double strokeWidth,
                         double blurRadius, const QSizeF& offset, int state);
void NSDrawRecessedBevel(QPainter& painter, const QRectF& rect, double radius,
                         int state);                                        // blur 1, (0.1, 1.1)
void NSDrawRecessedBevel(QPainter& painter, const QRectF& rect, int state); // radius 10

void NSDrawRecessedText(QPainter& painter, const QRectF& rect, const QString& string, const QFont& font,
                        int state);

// A triangle pointing down, filling most of the rect.
QPainterPath NSDisclosureTrianglePath(const QRectF& rect);
void NSDrawDiscolsureTriangle(QPainter& painter, const QRectF& rect, int state);
void NSDrawRecessedDiscolsureTriangle(QPainter& painter, const QRectF& rect, int state);

} // namespace NSDrawingThemes
