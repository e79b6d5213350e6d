#include "StackImageGenerator.h"

#include "CGDrawing.h"
#include "CGUtilities.h"
#include "foundation/CarbonUtilities.h"

#include <algorithm>

namespace StackImageGenerator {

using namespace CGUtilities;

QImage CompositeStackImageFromItems(qint32 layout, const TArray* items, bool flipped,
                                    StackImageDrawCallback callback, void* userData, const QSizeF& size) {
    if (!items || items->Count() == 0) return {};
    CGCompositingContext record;
    if (!CGContextBeginCompositing(size, 0, record)) return {};
    QPainter& context = *record.context;
    const QRectF bounds = record.bounds;
    const qint64 count = std::min<qint64>(9, items->Count());
    auto draw = [&](const QRectF& rect, qint64 index) {
        if (callback) callback(context, rect, items->GetValue(index), userData);
    };

    switch (layout) {
    case kStackLayoutScatter:
        for (qint64 i = 0; i < count; ++i) {
            const double scale = CarbonUtilities::GetRandomNumber(90, 100) * 0.01;
            // Positive angles turn counter-clockwise, as the user sees them.
            const double degrees = CarbonUtilities::GetRandomNumber(-45, 45);
            const QPointF c = bounds.center();
            context.translate(c);
            context.rotate(-degrees);
            context.scale(scale, scale);
            context.translate(-c);
            draw(bounds, i);
        }
        break;
    case kStackLayoutPile: {
        const qint64 n = std::min<qint64>(4, items->Count());
        const double step = 6;
        QRectF rect = bounds.adjusted(step * n, step * n, -step * n, -step * n);
        for (qint64 k = n - 1; k >= 0; --k) {
            if (flipped) rect = CGRectFlipVertically(rect, bounds);
            draw(rect, k);
            rect.adjust(-step, -step, step, step);
        }
        break;
    }
    case kStackLayoutGrid: {
        context.setBrush(QColor::fromRgbF(0, 0, 0, 0.5));
        CGContextFillRoundedRect(context, bounds, 8, 8);
        const double cw = bounds.width() / 3, ch = bounds.height() / 3;
        for (qint64 j = 0; j < count; ++j)
            draw(CGRectTruncate(
                     QRectF(cw * static_cast<double>(j % 3), ch * static_cast<double>(j / 3), cw, ch)),
                 j);
        break;
    }
    default:
        break;
    }
    return CGContextEndCompositing(record);
}

} // namespace StackImageGenerator
