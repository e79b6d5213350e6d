#pragma once

#include "platform/CoreTypes.h"

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QTransform>
#include <functional>

// The drawing half of CGUtilities: offscreen bitmaps and the compositing record over one,
// two-colour gradients, rounded rectangles, ovals and arcs, colour setters, flips and rotations,
// pattern fills, blurred shadows and a rectangle painter driven by an options record.
//
// Everything draws with an explicit QPainter in Qt's top-down coordinates. Routines that build a
// shape add it to a QPainterPath (the path being built); fills use the painter's brush, strokes its
// pen. Where a routine has a direction ("from the bottom", a shadow "below"), it keeps what the user
// sees: a vertical gradient starts at the bottom edge, a shadow offset of (0, 2) falls 2 pixels
// down. Main thread only (painting on QImage is thread-safe, the current-painter stack is not).
namespace CGUtilities {

// Bitmaps here are always 32-bit premultiplied ARGB, width and height the requested size truncated
// toward zero, cleared to transparent. A null image stands for "no context" (an empty or too large
// size).
QImage CGBitmapContextCreate(const QSizeF& size);

// Bits of CGCompositingOptions. Bitmaps are top-down here, so kCGCompositingFlipped changes nothing;
// kCGCompositingCocoaContext makes the painter current (NSGraphicsContextOpenCGContext) until the
// compositing ends; kCGCompositingBackingScale scales by the primary screen's device pixel ratio.
enum : quint32 {
    kCGCompositingFlipped = 1,
    kCGCompositingCocoaContext = 2,
    kCGCompositingBackingScale = 8,
};
inline constexpr double defaultbackingScaleFactor = 1.0;

// An offscreen image and the painter drawing into it, from CGContextBeginCompositing to
// CGContextEndCompositing (call it exactly once after a successful begin). Not copyable.
struct CGCompositingContext {
    CGCompositingContext() = default;
    CGCompositingContext(const CGCompositingContext&) = delete;
    CGCompositingContext& operator=(const CGCompositingContext&) = delete;
    ~CGCompositingContext();

    QPainter* context = nullptr; // owned until the compositing ends; null when none was made
    double width = 0;            // pixels: the requested size times the scale
    double height = 0;
    QRectF bounds;
    quint32 options = 0;
    QImage image;
};

// Opens an offscreen image for the rect: drawing at the rect's own coordinates lands in the image
// (a fill of the rect covers it whole). False, with a null context, when no bitmap can be made.
bool CGContextBeginCompositing(const QRectF& rect, quint32 options, CGCompositingContext& record);
bool CGContextBeginCompositing(const QSizeF& size, quint32 options, CGCompositingContext& record);
// Ends the painting and returns the image (null when the begin failed).
QImage CGContextEndCompositing(CGCompositingContext& record);

// The current painter: a process-wide stack that routines drawing "into the current context" use.
// Open saves the painter's state and makes it current (the previous one is kept); close restores
// the state and makes the previous one current again. Opens and closes pair on one painter.
void NSGraphicsContextOpenCGContext(QPainter& context, bool flipped = true);
void NSGraphicsContextCloseCGContext(QPainter& context);
void CGContextOpenCocoaContext(QPainter& context, bool flipped = true);
void CGContextCloseCocoaContext(QPainter& context);
QPainter* NSGraphicsContextCurrent(); // null when none is open

// Gradients: two colours at the ends, nothing drawn beyond either end.
void CGContextDrawRGBGradient(QPainter& context, const ATSURGBAlphaColor& startColour,
                              const ATSURGBAlphaColor& endColour, const QPointF& startPoint,
                              const QPointF& endPoint);
// Horizontal: from the rect's left edge to its right edge; otherwise from its bottom edge to its top
// edge (the start colour at the bottom). Not clipped to the rect.
void CGContextDrawRGBGradient(QPainter& context, bool horizontal, const ATSURGBAlphaColor& startColour,
                              const ATSURGBAlphaColor& endColour, const QRectF& rect);
// The same, clipped to the rect.
void CGContextFillRectWithGradient(QPainter& context, bool horizontal, const ATSURGBAlphaColor& startColour,
                                   const ATSURGBAlphaColor& endColour, const QRectF& rect);
// Radial, centred on the rect's origin (x, y), radius 0 to the smaller side, the outer colour
// continuing past the end circle.
void CGContextDrawRadialRGBGradient(QPainter& context, const ATSURGBAlphaColor& innerColour,
                                    const ATSURGBAlphaColor& outerColour, const QRectF& rect);

// Shapes. Corners are ellipse quarters of radii (ovalWidth x arcRadius, ovalHeight x arcRadius);
// both oval sides 0 add the plain rect.
void CGContextAddRoundedRect(QPainterPath& path, const QRectF& rect, double ovalWidth, double ovalHeight,
                             double arcRadius);
void CGContextAddRoundedRect(QPainterPath& path, const QRectF& rect, double ovalWidth, double ovalHeight);
void CGContextAddRoundedRect(QPainterPath& path, const QRectF& rect, double oval);
QPainterPath CGPathCreateRoundedRect(const QRectF& rect, double ovalWidth, double ovalHeight);
void CGContextFillRoundedRect(QPainter& context, const QRectF& rect, double ovalWidth, double ovalHeight);
void CGContextStrokeRoundedRect(QPainter& context, const QRectF& rect, double ovalWidth, double ovalHeight);
// Replaces the path by the oval inscribed in the rect.
void CGContextAddOvalToPath(QPainterPath& path, const QRectF& rect);
void CGContextFillOval(QPainter& context, const QRectF& rect);
void CGContextStrokeOval(QPainter& context, const QRectF& rect);
// An arc of the oval of the rect, in whole degrees clockwise from twelve o'clock: from start to
// start + arc (a negative arc runs the other way). Fill gives the pie slice.
void CGContextPathForArc(QPainterPath& path, const QRectF& rect, qint32 startAngle, qint32 arcAngle);
void CGContextStrokeArc(QPainter& context, const QRectF& rect, qint32 startAngle, qint32 arcAngle);
void CGContextFillArc(QPainter& context, const QRectF& rect, qint32 startAngle, qint32 arcAngle);

// Colours: the brush (fill) or the pen's colour (stroke); components clamped for painting. The
// QColor forms set any valid colour and leave an invalid one unset.
void CGContextSetRGBFillColor(QPainter& context, const ATSURGBAlphaColor& colour);
void CGContextSetRGBStrokeColor(QPainter& context, const ATSURGBAlphaColor& colour);
void CGContextSetRGBFillColor(QPainter& context, const QColor& colour);
void CGContextSetRGBStrokeColor(QPainter& context, const QColor& colour);
void CGContextStrokePlainRect(QPainter& context, const QRectF& rect); // 1 pixel, no antialiasing

// Transforms: a mirror about the rect's horizontal centre line; a quarter turn that maps the rect
// onto itself turned clockwise (counter-clockwise), as the user sees it.
void CGContextFlipVertically(QPainter& context, const QRectF& rect);
void CGContextRotateCW(QPainter& context, const QRectF& rect);
void CGContextRotateCCW(QPainter& context, const QRectF& rect);

// Images: drawn upright into the rect (a top-down image needs no flip here; the name is kept for
// callers). Tiles anchored at the rect's origin, clipped to the rect.
void CGContextDrawFlippedImage(QPainter& context, const QRectF& rect, const QImage& image);
void CGContextFillRectWithPattern(QPainter& context, const QRectF& rect, const QSizeF& tileSize,
                                  const QImage& image);
void CGContextFillRectWithPattern(QPainter& context, const QRectF& rect, const QImage& image);
// The icon at the rect's size, upright (flipped and the 16-bit transform are kept for callers;
// transform 0x4000 selects the disabled look).
void CGContextDrawIcon(QPainter& context, const QRectF& rect, const QIcon& icon, bool flipped = false,
                       qint16 transform = 0);

// Shadows and blur. A shadow is the shape's coverage blurred (a radius in pixels), tinted with the
// colour and drawn moved by the offset (in device pixels, as shadows ignore the painter's scale).
struct CGShadow {
    QPointF offset;
    double blur = 0;
    ATSURGBAlphaColor colour;
};
QImage CGImageCreateBlurred(const QImage& image, double radius);
void CGContextDrawShadowOfPath(QPainter& context, const QPainterPath& path, const CGShadow& shadow);
void CGContextDrawShadowOfImage(QPainter& context, const QRectF& rect, const QImage& image,
                                const CGShadow& shadow);
// The shadow of whatever paint draws (in the painter's coordinates) within bounds.
void CGContextDrawShadowOfDrawing(QPainter& context, const QRectF& bounds, const CGShadow& shadow,
                                  const std::function<void(QPainter&)>& paint);
// The shadow that a frame around the path throws into it: only inside the path, darkest at the
// edges that face away from the offset.
void CGContextDrawInnerShadow(QPainter& context, const QPainterPath& path, const CGShadow& shadow);
void CGContextClearShadow(CGShadow& shadow);

// Drawing an image from an image filter (the filters of CGImageCopyWithFilter): the image drawn
// into the rect; the point form draws the source rect of it at the point.
void CGContextDrawCIImage(QPainter& context, const QRectF& rect, const QImage& image);
void CGContextDrawCIImage(QPainter& context, const QPointF& point, const QRectF& sourceRect,
                          const QImage& image);

// The rectangle painter. Offsets are top-down (the default outer shadow falls 3 right, 3 down).
struct CGRectBlendingOptions {
    QSizeF outerShadowOffset{3, 3};
    double outerShadowBlur = 3;
    ATSURGBAlphaColor outerShadowColour{0, 0, 0, 0.5f};
    QSizeF innerShadowOffset{0, 0};
    double innerShadowBlur = 0;
    ATSURGBAlphaColor innerShadowColour{0, 0, 0, 0};
    bool gradientFill = false;
    double gradientAmount = 0.2;
    bool reserved = false; // stored, not read
    double cornerRadius = 0;
    double strokeWidth = 0;
    bool strokeInside = true;
    ATSURGBAlphaColor fillColour{0, 0, 0, 0};
    ATSURGBAlphaColor strokeColour{0, 0, 0, 0};
};
CGRectBlendingOptions CGRectBlendingDefaultOptions();
// Fills the rect (rounded by the corner radius) with the fill colour, or with a gradient from the
// fill colour lightened by the amount (bottom) to it darkened (top); the shadows fall from that
// shape; then the stroke, inside or outside the rect. The painter's state is kept.
void CGRectDraw(QPainter& context, const QRectF& rect, const CGRectBlendingOptions& options);

} // namespace CGUtilities
