#include "ItemBarLayout.h"

#include "utilities/CGUtilities.h"

#include <cmath>

namespace ItemBarLayout {

double calculateItemWidth(const QList<Slot>& itemSlots, double itemMargin) {
    double width = 0;
    for (const Slot& slot : itemSlots)
        if (slot.inViewTree && !slot.clipped) width += slot.width + itemMargin / 2;
    return width;
}

Result arrange(const Settings& settings, const QList<Slot>& itemSlots) {
    Result result;
    double x = settings.itemOffset.x();
    if (settings.centerHorizontally)
        x += settings.barWidth / 2 - calculateItemWidth(itemSlots, settings.itemMargin) / 2;
    x += settings.edgeInset;
    if (x < 0) x = 0;
    const double step =
        settings.itemMargin > 0 ? std::nearbyint(settings.itemMargin / 2) : settings.itemMargin;
    for (qsizetype i = 0; i < itemSlots.size(); ++i) {
        const Slot& slot = itemSlots[i];
        result.frames.append(std::nullopt);
        if (slot.hidden) continue;
        if (settings.dropTrackingIndex == i) x += settings.dropIndicatorWidth + settings.itemMargin;
        if (!slot.inViewTree) continue;
        const double y = settings.itemOffset.y() + slot.verticalOffset;
        result.frames.last() = CGUtilities::CGRectTruncate(QRectF(x, y, slot.width, settings.barHeight));
        result.totalWidth += slot.width + settings.itemMargin / 2;
        x += slot.width + step;
    }
    return result;
}

double fittedWidth(const Result& result, double edgeInset) {
    return std::nearbyint(result.totalWidth) + 2 * edgeInset;
}

qint32 dropIndex(double x, qint32 current, const QList<std::optional<QRectF>>& boundingFrames) {
    qint32 index = current;
    for (qsizetype k = 0; k < boundingFrames.size(); ++k) {
        if (!boundingFrames[k]) continue;
        const QRectF& frame = *boundingFrames[k];
        if (frame.left() < x && x < frame.center().x())
            index = static_cast<qint32>(k);
        else if (frame.center().x() <= x && x < frame.right())
            index = static_cast<qint32>(k + 1);
    }
    return index;
}

qint64 moveIndex(qint64 dropIndex, qint64 itemIndex) {
    return dropIndex < itemIndex ? dropIndex : dropIndex - 1;
}

QList<bool> clippedTabs(const QList<double>& rightEdges, double barWidth, double overflowImageWidth) {
    QList<bool> clipped;
    for (qsizetype i = 0; i < rightEdges.size(); ++i) {
        const double room = i == rightEdges.size() - 1 ? 0 : overflowImageWidth + 8;
        clipped.append(rightEdges[i] > barWidth - room);
    }
    return clipped;
}

QRectF overflowButtonFrame(double barWidth, double barHeight, const QSizeF& imageSize) {
    const double width = imageSize.width() + 12;
    return QRectF(barWidth - width + 2, barHeight / 2 - imageSize.height() / 2, width, imageSize.height());
}

} // namespace ItemBarLayout
