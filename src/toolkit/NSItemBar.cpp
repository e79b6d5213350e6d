#include "NSItemBar.h"

#include "BarItemPasteboard.h"
#include "NSBarItem.h"
#include "platform/Scheduler.h"
#include "utilities/CocoaUtilities.h"

#include <QPropertyAnimation>
#include <QResizeEvent>
#include <algorithm>

namespace {
const QString kArrangeKey = QStringLiteral("arrangeItems");
constexpr double kArrangeThrottle = 0.25;
} // namespace

NSItemBar::NSItemBar(QWidget* parent) : QWidget(parent) {
    setAcceptDrops(true);
}

NSItemBar::~NSItemBar() {
    Scheduler::shared().cancelAll(this);
    // Items out of the view tree (one being dragged) are not children; the bar still owns them.
    const QList<NSBarItem*> items = m_items;
    m_items.clear();
    for (NSBarItem* item : items) {
        item->m_itemBar = nullptr;
        if (item->parentWidget() != this) delete item;
    }
}

double NSItemBar::now() {
    return Scheduler::shared().now().toMSecsSinceEpoch() / 1000.0;
}

QFont NSItemBar::contextualMenuFont() {
    QFont font;
    font.setPointSizeF(11);
    return font;
}

QStringList NSItemBar::dragTypes() {
    return BarItemPasteboard::dragTypes();
}

void NSItemBar::addItem(NSBarItem* item) {
    insertItemAtIndex(item, m_items.size());
}

void NSItemBar::insertItemAtIndex(NSBarItem* item, qint64 index) {
    if (!item || m_items.contains(item)) return;
    if (m_delegate) m_delegate->willAddItemToBar(this, item);
    m_items.insert(std::clamp<qint64>(index, 0, m_items.size()), item);
    item->setItemBar(this);
    if (m_delegate) m_delegate->didAddItemToBar(this, item);
    if (m_delegate && !m_reloadingData) m_delegate->itemBarItemsChanged(this);
}

void NSItemBar::removeItem(NSBarItem* item) {
    if (!item || !m_items.contains(item)) return;
    if (m_delegate) m_delegate->willRemoveItemFromBar(this, item);
    m_items.removeAll(item);
    item->setItemBar(nullptr);
    if (m_delegate) m_delegate->didRemoveItemFromBar(this, item);
    if (m_delegate && !m_reloadingData) m_delegate->itemBarItemsChanged(this);
}

void NSItemBar::removeItemAtIndex(qint64 index) {
    removeItem(itemAtIndex(index));
}

void NSItemBar::removeAllItems() {
    while (!m_items.isEmpty()) removeItem(m_items.first());
}

void NSItemBar::setItems(const QList<NSBarItem*>& items) {
    removeAllItems();
    for (NSBarItem* item : items) addItem(item);
}

void NSItemBar::moveItemToIndex(NSBarItem* item, qint64 index) {
    if (!item || !m_items.contains(item)) return;
    item->invalidate();
    m_items.removeAll(item);
    insertItemAtIndex(item, index);
}

NSBarItem* NSItemBar::itemAtIndex(qint64 index) const {
    return index >= 0 && index < m_items.size() ? m_items[index] : nullptr;
}

qint64 NSItemBar::indexOfItem(const NSBarItem* item) const {
    return m_items.indexOf(const_cast<NSBarItem*>(item));
}

QVariantList NSItemBar::representedObjects() const {
    QVariantList objects;
    for (const NSBarItem* item : m_items)
        if (item->representedObject().isValid()) objects.append(item->representedObject());
    return objects;
}

void NSItemBar::reloadData() {
    if (!m_dataSource) CocoaUtilities::Fatal(QStringLiteral("NSItemBar has no data source."));
    m_reloadingData = true;
    const QList<NSBarItem*> old = m_items;
    m_items.clear();
    for (NSBarItem* item : old) item->setItemBar(nullptr);
    const qint32 count = m_dataSource->itemBarItemCount(this);
    for (qint32 i = 0; i < count; ++i)
        if (NSBarItem* item = m_dataSource->itemBarCreateItemForIndex(this, i)) addItem(item);
    arrangeItems();
    m_reloadingData = false;
}

ItemBarLayout::Settings NSItemBar::layoutSettings() const {
    ItemBarLayout::Settings settings;
    settings.barWidth = width();
    settings.barHeight = height();
    settings.itemMargin = m_itemMargin;
    settings.itemOffset = m_itemOffset;
    settings.edgeInset = m_edgeInset;
    settings.centerHorizontally = m_centerHorizontally;
    settings.dropTrackingIndex = m_dropTrackingIndex;
    settings.dropIndicatorWidth = m_dropIndicatorWidth;
    return settings;
}

QList<ItemBarLayout::Slot> NSItemBar::layoutSlots(bool refit) const {
    QList<ItemBarLayout::Slot> itemSlots;
    for (NSBarItem* item : m_items) {
        const bool hidden = item->isHidden() && item->hasSuperview();
        if (refit && !hidden) item->itemWillArrange();
        itemSlots.append(
            {item->frame().width(), item->verticalOffset(), hidden, item->hasSuperview(), item->isClipped()});
    }
    return itemSlots;
}

double NSItemBar::calculateItemWidth() const {
    return ItemBarLayout::calculateItemWidth(layoutSlots(false), m_itemMargin);
}

void NSItemBar::arrangeItems() {
    if (m_items.isEmpty()) {
        if (m_resizeToWidth) resize(0, height());
        return;
    }
    if (m_arrangeTime > 0) {
        const double elapsed = now() - m_arrangeTime;
        if (elapsed < kArrangeThrottle - 0.001) {
            // Asked again inside the window: one pass runs when it ends.
            Scheduler::shared().performAfterDelay(this, kArrangeKey, kArrangeThrottle - elapsed,
                                                  [this] { arrangeItems(); });
            return;
        }
    }
    Scheduler::shared().cancelPrevious(this, kArrangeKey);
    if (m_animationDuration > 0) m_arrangeTime = now();
    const QList<ItemBarLayout::Slot> itemSlots = layoutSlots(true);
    const ItemBarLayout::Result result = ItemBarLayout::arrange(layoutSettings(), itemSlots);
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        if (!result.frames[i]) continue;
        placeItem(m_items[i], *result.frames[i]);
        m_items[i]->setItemIndex(i);
    }
    if (m_resizeToWidth && !m_trackingDrag) {
        m_resizingToWidth = true;
        resize(static_cast<int>(ItemBarLayout::fittedWidth(result, m_edgeInset)), height());
        m_resizingToWidth = false;
        if (m_delegate) m_delegate->itemBarResized(this);
    }
    if (m_delegate) m_delegate->itemBarItemsArranged(this);
}

void NSItemBar::placeItem(NSBarItem* item, const QRectF& target) {
    if (target == item->frame()) return;
    if (m_animationDuration > 0 && item->frame().height() > 0 && isVisible()) {
        auto* animation = new QPropertyAnimation(item, "geometry", item);
        animation->setDuration(static_cast<int>(m_animationDuration * 1000));
        animation->setEndValue(target.toRect());
        connect(animation, &QPropertyAnimation::finished, this, [this] { animationDidStop(true); });
        animation->start(QAbstractAnimation::DeleteWhenStopped);
    } else {
        item->setFrame(target);
    }
}

void NSItemBar::arrangeItemsWithDuration(double seconds) {
    if (m_items.isEmpty()) return;
    const double old = m_animationDuration;
    setAnimationDuration(seconds);
    arrangeItems();
    setAnimationDuration(old);
}

void NSItemBar::frameChanged() {
    for (NSBarItem* item : m_items) {
        QRectF frame = item->frame();
        frame.setHeight(height());
        item->setFrame(frame);
    }
    arrangeItems();
}

void NSItemBar::animationDidStop(bool finished) {
    if (finished) updateDropTrackingOutsideOfEventStream();
}

void NSItemBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!m_resizingToWidth) frameChanged();
}
