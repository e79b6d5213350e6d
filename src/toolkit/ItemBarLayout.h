#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <optional>

// The placement arithmetic of item bars and tabbed bars, apart from any widget.
namespace ItemBarLayout {

inline constexpr qint32 kNoDropIndex = 2147483647;

struct Settings {
    double barWidth = 0;
    double barHeight = 0;
    double itemMargin = 4;
    QPointF itemOffset;
    double edgeInset = 0;
    bool centerHorizontally = false;
    qint32 dropTrackingIndex = kNoDropIndex;
    double dropIndicatorWidth = 0;
};

struct Slot {
    double width = 0;
    double verticalOffset = 0;
    bool hidden = false;    // takes no room, keeps its frame
    bool inViewTree = true; // false for the item being dragged: no room, no frame
    bool clipped = false;   // left out of the total width only
};

struct Result {
    QList<std::optional<QRectF>> frames; // per slot; none for hidden and dragged items
    double totalWidth = 0;               // the room the placed items take, for fitting the bar
};

// The sum of width + half the margin over the items in the view tree that are not clipped.
double calculateItemWidth(const QList<Slot>& itemSlots, double itemMargin);
// Left to right from the offset (centred when asked), a gap before the drop index, frames
// truncated toward zero; neighbours stand half the margin (rounded to even) apart.
Result arrange(const Settings& settings, const QList<Slot>& itemSlots);
// The fitted bar width for a result.
double fittedWidth(const Result& result, double edgeInset);
// The insertion index for a pointer at x over items' bounding frames (none for items out of the
// view tree); a position over no item keeps the current index.
qint32 dropIndex(double x, qint32 current, const QList<std::optional<QRectF>>& boundingFrames);
// The index a dropped item of the same bar moves to: the drop index when before the item's own
// index, else one less.
qint64 moveIndex(qint64 dropIndex, qint64 itemIndex);

// Tabs whose right edge passes the bar's width less the room kept for the overflow button (none
// for the last tab). rightEdges: each tab's maximum x.
QList<bool> clippedTabs(const QList<double>& rightEdges, double barWidth, double overflowImageWidth);
// The overflow button at the right end, centred on the bar's height.
QRectF overflowButtonFrame(double barWidth, double barHeight, const QSizeF& imageSize);

} // namespace ItemBarLayout
