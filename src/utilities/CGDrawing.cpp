#include "CGDrawing.h"

#include "CGUtilities.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QRadialGradient>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <vector>

namespace CGUtilities {

namespace {

std::vector<QPainter*>& currentPainters() {
    static std::vector<QPainter*> stack;
    return stack;
}

// Values of any size as whole pixels for a bitmap; 0 for NaN, negative or beyond a bitmap's reach.
int pixels(double v) {
    if (!(v >= 1) || v > 1e6) return 0;
    return static_cast<int>(v);
}

QPainterPath roundedOrPlain(const QRectF& rect, double radius) {
    QPainterPath path;
    if (radius > 0)
        CGContextAddRoundedRect(path, rect, radius, radius);
    else
        path.addRect(rect);
    return path;
}

// One running-sum box pass over the rows (or the columns) of a premultiplied image.
void boxPass(QImage& image, int half, bool vertical) {
    const int w = image.width(), h = image.height();
    const int lines = vertical ? w : h, length = vertical ? h : w;
    std::vector<quint32> line(static_cast<size_t>(length));
    const int window = 2 * half + 1;
    for (int l = 0; l < lines; ++l) {
        auto at = [&](int i) -> quint32& {
            return vertical ? reinterpret_cast<quint32*>(image.scanLine(i))[l]
                            : reinterpret_cast<quint32*>(image.scanLine(l))[i];
        };
        for (int i = 0; i < length; ++i) line[static_cast<size_t>(i)] = at(i);
        int sum[4] = {0, 0, 0, 0};
        auto add = [&](int i, int sign) {
            if (i < 0 || i >= length) return;
            const quint32 p = line[static_cast<size_t>(i)];
            for (int c = 0; c < 4; ++c) sum[c] += sign * static_cast<int>((p >> (8 * c)) & 0xff);
        };
        for (int i = -half; i < half; ++i) add(i, 1);
        for (int i = 0; i < length; ++i) {
            add(i + half, 1);
            quint32 out = 0;
            for (int c = 0; c < 4; ++c) out |= static_cast<quint32>(sum[c] / window) << (8 * c);
            at(i) = out;
            add(i - half, -1);
        }
    }
}

QRectF deviceBounds(const QPainter& context, const QRectF& userRect, double margin) {
    return context.transform().mapRect(userRect).adjusted(-margin, -margin, margin, margin);
}

// Draws a coverage image (already tinted and blurred) at its device origin moved by the offset.
void drawAtDevice(QPainter& context, const QImage& image, const QPointF& origin, const QPointF& offset) {
    context.save();
    context.resetTransform();
    context.drawImage(origin + offset, image);
    context.restore();
}

// The shape drawn by paint into a device-space image around bounds, tinted and blurred.
void drawShadow(QPainter& context, const QRectF& userBounds, const CGShadow& shadow,
                const std::function<void(QPainter&)>& paint) {
    if (shadow.colour.alpha <= 0) return;
    const double margin = std::ceil(std::max(0.0, shadow.blur) * 2) + 2;
    QRectF device = deviceBounds(context, userBounds, margin);
    // Only the part that can reach the painter's device: a shape far larger than the device would
    // need a layer too big to make (no shadow) or to blur in reasonable time.
    if (const QPaintDevice* target = context.device()) {
        const double reach = margin + std::abs(shadow.offset.x()) + std::abs(shadow.offset.y());
        device &= QRectF(0, 0, target->width(), target->height()).adjusted(-reach, -reach, reach, reach);
    }
    device = device.toAlignedRect();
    QImage layer = CGBitmapContextCreate(device.size());
    if (layer.isNull()) return;
    {
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing);
        p.setTransform(context.transform() * QTransform::fromTranslate(-device.x(), -device.y()));
        paint(p);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.resetTransform();
        p.fillRect(layer.rect(), CGColorCreateRGB(shadow.colour));
    }
    drawAtDevice(context, CGImageCreateBlurred(layer, shadow.blur), device.topLeft(), shadow.offset);
}

} // namespace

QImage CGBitmapContextCreate(const QSizeF& size) {
    const int w = pixels(size.width()), h = pixels(size.height());
    if (w == 0 || h == 0 || static_cast<qint64>(w) * h > (qint64{1} << 28)) return {};
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    if (!image.isNull()) image.fill(Qt::transparent);
    return image;
}

CGCompositingContext::~CGCompositingContext() {
    if (context) CGContextEndCompositing(*this);
}

bool CGContextBeginCompositing(const QRectF& rect, quint32 options, CGCompositingContext& record) {
    double scale = defaultbackingScaleFactor;
    if ((options & kCGCompositingBackingScale) && QGuiApplication::primaryScreen())
        scale = QGuiApplication::primaryScreen()->devicePixelRatio();
    record.options = options;
    record.width = rect.width() * scale;
    record.height = rect.height() * scale;
    record.image = CGBitmapContextCreate({record.width, record.height});
    record.bounds = QRectF(0, 0, record.width, record.height);
    if (record.image.isNull()) {
        record.context = nullptr;
        return false;
    }
    record.context = new QPainter(&record.image);
    record.context->setRenderHint(QPainter::Antialiasing);
    record.context->setRenderHint(QPainter::SmoothPixmapTransform);
    if (options & kCGCompositingBackingScale) record.context->scale(scale, scale);
    record.context->translate(-rect.x(), -rect.y());
    if (options & kCGCompositingCocoaContext) NSGraphicsContextOpenCGContext(*record.context, true);
    return true;
}

bool CGContextBeginCompositing(const QSizeF& size, quint32 options, CGCompositingContext& record) {
    return CGContextBeginCompositing(QRectF(QPointF(0, 0), size), options, record);
}

QImage CGContextEndCompositing(CGCompositingContext& record) {
    if (!record.context) return {};
    if (record.options & kCGCompositingCocoaContext) NSGraphicsContextCloseCGContext(*record.context);
    record.context->end();
    delete record.context;
    record.context = nullptr;
    return std::exchange(record.image, QImage());
}

void NSGraphicsContextOpenCGContext(QPainter& context, bool) {
    context.save();
    currentPainters().push_back(&context);
}

void NSGraphicsContextCloseCGContext(QPainter& context) {
    context.restore();
    auto& stack = currentPainters();
    const auto it = std::find(stack.rbegin(), stack.rend(), &context);
    if (it != stack.rend()) stack.erase(std::next(it).base());
}

void CGContextOpenCocoaContext(QPainter& context, bool flipped) {
    NSGraphicsContextOpenCGContext(context, flipped);
}

void CGContextCloseCocoaContext(QPainter& context) {
    NSGraphicsContextCloseCGContext(context);
}

QPainter* NSGraphicsContextCurrent() {
    return currentPainters().empty() ? nullptr : currentPainters().back();
}

void CGContextDrawRGBGradient(QPainter& context, const ATSURGBAlphaColor& startColour,
                              const ATSURGBAlphaColor& endColour, const QPointF& startPoint,
                              const QPointF& endPoint) {
    const QLineF axis(startPoint, endPoint);
    if (!(axis.length() > 0)) return;
    QLinearGradient gradient(startPoint, endPoint);
    gradient.setColorAt(0, CGColorCreateRGB(startColour));
    gradient.setColorAt(1, CGColorCreateRGB(endColour));
    // Only the band between the lines through the two ends, across everything the painter can reach.
    QTransform toAxis;
    toAxis.translate(startPoint.x(), startPoint.y());
    toAxis.rotate(-axis.angle());
    const double reach = 1e6;
    QPainterPath band;
    band.addPolygon(toAxis.map(QPolygonF(QRectF(0, -reach, axis.length(), 2 * reach))));
    context.fillPath(band, gradient);
}

void CGContextDrawRGBGradient(QPainter& context, bool horizontal, const ATSURGBAlphaColor& startColour,
                              const ATSURGBAlphaColor& endColour, const QRectF& rect) {
    if (horizontal)
        CGContextDrawRGBGradient(context, startColour, endColour, rect.topLeft(), rect.topRight());
    else
        CGContextDrawRGBGradient(context, startColour, endColour, QPointF(rect.center().x(), rect.bottom()),
                                 QPointF(rect.center().x(), rect.top()));
}

void CGContextFillRectWithGradient(QPainter& context, bool horizontal, const ATSURGBAlphaColor& startColour,
                                   const ATSURGBAlphaColor& endColour, const QRectF& rect) {
    context.save();
    context.setClipRect(rect, Qt::IntersectClip);
    CGContextDrawRGBGradient(context, horizontal, startColour, endColour, rect);
    context.restore();
}

void CGContextDrawRadialRGBGradient(QPainter& context, const ATSURGBAlphaColor& innerColour,
                                    const ATSURGBAlphaColor& outerColour, const QRectF& rect) {
    QRadialGradient gradient(rect.topLeft(), std::min(rect.width(), rect.height()));
    gradient.setColorAt(0, CGColorCreateRGB(innerColour));
    gradient.setColorAt(1, CGColorCreateRGB(outerColour));
    if (!context.device()) return;
    const QRectF device(0, 0, context.device()->width(), context.device()->height());
    context.fillRect(context.transform().inverted().mapRect(device), gradient);
}

void CGContextAddRoundedRect(QPainterPath& path, const QRectF& rect, double ovalWidth, double ovalHeight,
                             double arcRadius) {
    if (ovalWidth == 0 && ovalHeight == 0) {
        path.addRect(rect);
        return;
    }
    path.addRoundedRect(rect, std::abs(ovalWidth * arcRadius), std::abs(ovalHeight * arcRadius));
}

void CGContextAddRoundedRect(QPainterPath& path, const QRectF& rect, double ovalWidth, double ovalHeight) {
    CGContextAddRoundedRect(path, rect, ovalWidth, ovalHeight, 1.0);
}

void CGContextAddRoundedRect(QPainterPath& path, const QRectF& rect, double oval) {
    CGContextAddRoundedRect(path, rect, oval, oval, 1.0);
}

QPainterPath CGPathCreateRoundedRect(const QRectF& rect, double ovalWidth, double ovalHeight) {
    QPainterPath path;
    CGContextAddRoundedRect(path, rect, ovalWidth, ovalHeight);
    return path;
}

void CGContextFillRoundedRect(QPainter& context, const QRectF& rect, double ovalWidth, double ovalHeight) {
    context.fillPath(CGPathCreateRoundedRect(rect, ovalWidth, ovalHeight), context.brush());
}

void CGContextStrokeRoundedRect(QPainter& context, const QRectF& rect, double ovalWidth, double ovalHeight) {
    context.strokePath(CGPathCreateRoundedRect(rect, ovalWidth, ovalHeight), context.pen());
}

void CGContextAddOvalToPath(QPainterPath& path, const QRectF& rect) {
    path = QPainterPath();
    path.addEllipse(rect);
}

void CGContextFillOval(QPainter& context, const QRectF& rect) {
    QPainterPath path;
    CGContextAddOvalToPath(path, rect);
    context.fillPath(path, context.brush());
}

void CGContextStrokeOval(QPainter& context, const QRectF& rect) {
    QPainterPath path;
    CGContextAddOvalToPath(path, rect);
    context.strokePath(path, context.pen());
}

void CGContextPathForArc(QPainterPath& path, const QRectF& rect, qint32 startAngle, qint32 arcAngle) {
    // QPainterPath angles run counter-clockwise from three o'clock.
    const double from = 90.0 - startAngle;
    path.arcMoveTo(rect, from);
    path.arcTo(rect, from, -static_cast<double>(arcAngle));
}

void CGContextStrokeArc(QPainter& context, const QRectF& rect, qint32 startAngle, qint32 arcAngle) {
    QPainterPath path;
    CGContextPathForArc(path, rect, startAngle, arcAngle);
    context.strokePath(path, context.pen());
}

void CGContextFillArc(QPainter& context, const QRectF& rect, qint32 startAngle, qint32 arcAngle) {
    QPainterPath path(rect.center());
    path.arcTo(rect, 90.0 - startAngle, -static_cast<double>(arcAngle));
    path.closeSubpath();
    context.fillPath(path, context.brush());
}

void CGContextSetRGBFillColor(QPainter& context, const ATSURGBAlphaColor& colour) {
    context.setBrush(CGColorCreateRGB(colour));
}

void CGContextSetRGBStrokeColor(QPainter& context, const ATSURGBAlphaColor& colour) {
    CGContextSetRGBStrokeColor(context, CGColorCreateRGB(colour));
}

void CGContextSetRGBFillColor(QPainter& context, const QColor& colour) {
    if (colour.isValid()) context.setBrush(colour.toRgb());
}

void CGContextSetRGBStrokeColor(QPainter& context, const QColor& colour) {
    if (!colour.isValid()) return;
    QPen pen = context.pen();
    if (pen.style() == Qt::NoPen) pen.setStyle(Qt::SolidLine);
    pen.setColor(colour.toRgb());
    context.setPen(pen);
}

void CGContextStrokePlainRect(QPainter& context, const QRectF& rect) {
    context.save();
    QPen pen = context.pen();
    pen.setWidthF(1);
    context.setPen(pen);
    context.setBrush(Qt::NoBrush);
    context.setRenderHint(QPainter::Antialiasing, false);
    context.drawRect(rect);
    context.restore();
}

void CGContextFlipVertically(QPainter& context, const QRectF& rect) {
    context.translate(0, 2 * rect.y() + rect.height());
    context.scale(1, -1);
}

void CGContextRotateCW(QPainter& context, const QRectF& rect) {
    const QPointF c = rect.center();
    context.translate(c);
    context.rotate(-90);
    context.translate(-c);
}

void CGContextRotateCCW(QPainter& context, const QRectF& rect) {
    const QPointF c = rect.center();
    context.translate(c);
    context.rotate(90);
    context.translate(-c);
}

void CGContextDrawFlippedImage(QPainter& context, const QRectF& rect, const QImage& image) {
    if (!image.isNull()) context.drawImage(rect, image);
}

void CGContextFillRectWithPattern(QPainter& context, const QRectF& rect, const QSizeF& tileSize,
                                  const QImage& image) {
    if (image.isNull() || !(tileSize.width() > 0) || !(tileSize.height() > 0)) return;
    context.save();
    context.setClipRect(rect, Qt::IntersectClip);
    for (double y = rect.top(); y < rect.bottom(); y += tileSize.height())
        for (double x = rect.left(); x < rect.right(); x += tileSize.width())
            context.drawImage(QRectF(QPointF(x, y), tileSize), image);
    context.restore();
}

void CGContextFillRectWithPattern(QPainter& context, const QRectF& rect, const QImage& image) {
    CGContextFillRectWithPattern(context, rect, QSizeF(image.size()), image);
}

void CGContextDrawIcon(QPainter& context, const QRectF& rect, const QIcon& icon, bool, qint16 transform) {
    const QIcon::Mode mode = (transform & 0x4000) ? QIcon::Disabled : QIcon::Normal;
    icon.paint(&context, rect.toAlignedRect(), Qt::AlignCenter, mode);
}

QImage CGImageCreateBlurred(const QImage& image, double radius) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (!(radius > 0) || out.isNull()) return out;
    // Three box passes each way come close to a Gaussian of about the radius.
    const int half = std::max(1, static_cast<int>(std::lround(std::min(radius, 1000.0) / 2)));
    for (int pass = 0; pass < 3; ++pass) {
        boxPass(out, half, false);
        boxPass(out, half, true);
    }
    return out;
}

void CGContextDrawShadowOfPath(QPainter& context, const QPainterPath& path, const CGShadow& shadow) {
    drawShadow(context, path.boundingRect(), shadow, [&](QPainter& p) { p.fillPath(path, Qt::black); });
}

void CGContextDrawShadowOfImage(QPainter& context, const QRectF& rect, const QImage& image,
                                const CGShadow& shadow) {
    drawShadow(context, rect, shadow, [&](QPainter& p) { p.drawImage(rect, image); });
}

void CGContextDrawShadowOfDrawing(QPainter& context, const QRectF& bounds, const CGShadow& shadow,
                                  const std::function<void(QPainter&)>& paint) {
    if (paint) drawShadow(context, bounds, shadow, paint);
}

void CGContextDrawInnerShadow(QPainter& context, const QPainterPath& path, const CGShadow& shadow) {
    const double grow =
        std::max(0.0, shadow.blur) * 2 + std::abs(shadow.offset.x()) + std::abs(shadow.offset.y()) + 1;
    QPainterPath ring;
    ring.addRect(path.boundingRect().adjusted(-grow, -grow, grow, grow));
    ring.addPath(path);
    ring.setFillRule(Qt::OddEvenFill);
    context.save();
    context.setClipPath(path, Qt::IntersectClip);
    CGContextDrawShadowOfPath(context, ring, shadow);
    context.restore();
}

void CGContextClearShadow(CGShadow& shadow) {
    shadow.offset = QPointF(0, 0);
    shadow.blur = 0;
}

void CGContextDrawCIImage(QPainter& context, const QRectF& rect, const QImage& image) {
    if (!image.isNull()) context.drawImage(rect.topLeft(), image, QRectF(0, 0, rect.width(), rect.height()));
}

void CGContextDrawCIImage(QPainter& context, const QPointF& point, const QRectF& sourceRect,
                          const QImage& image) {
    if (!image.isNull()) context.drawImage(point, image, sourceRect);
}

CGRectBlendingOptions CGRectBlendingDefaultOptions() {
    return {};
}

void CGRectDraw(QPainter& context, const QRectF& rect, const CGRectBlendingOptions& options) {
    context.save();
    const QPainterPath shape = roundedOrPlain(rect, options.cornerRadius);
    const double shapeAlpha = options.gradientFill ? 1.0 : options.fillColour.alpha;
    auto shadowOf = [&](const QSizeF& offset, double blur, ATSURGBAlphaColor colour) {
        if (!(blur > 0)) return;
        colour.alpha = static_cast<float>(colour.alpha * std::clamp(shapeAlpha, 0.0, 1.0));
        CGContextDrawShadowOfPath(context, shape, {QPointF(offset.width(), offset.height()), blur, colour});
    };
    shadowOf(options.outerShadowOffset, options.outerShadowBlur, options.outerShadowColour);
    shadowOf(options.innerShadowOffset, options.innerShadowBlur, options.innerShadowColour);
    if (options.gradientFill) {
        context.save();
        context.setClipPath(shape, Qt::IntersectClip);
        CGContextDrawRGBGradient(context, false,
                                 CGRGBColorAdjustValues(options.fillColour, options.gradientAmount),
                                 CGRGBColorAdjustValues(options.fillColour, -options.gradientAmount), rect);
        context.restore();
    } else {
        context.fillPath(shape, CGColorCreateRGB(options.fillColour));
    }
    if (options.strokeWidth > 0) {
        const double w = options.strokeWidth;
        const double inset = options.strokeInside ? (w > 1 ? w / 2 : 0) : (w > 1 ? -w / 2 : -1);
        const QRectF strokeRect = rect.adjusted(inset, inset, -inset, -inset);
        QPen pen(CGColorCreateRGB(options.strokeColour), w);
        if (options.cornerRadius > 0) {
            context.strokePath(roundedOrPlain(strokeRect, options.cornerRadius), pen);
        } else {
            context.setClipRect(strokeRect, Qt::IntersectClip);
            context.strokePath(roundedOrPlain(strokeRect, 0), pen);
        }
    }
    context.restore();
}

} // namespace CGUtilities
