// The drag-and-drop and context-menu half of NSItemBar.
#include "BarItemPasteboard.h"
#include "NSBarItem.h"
#include "NSDraggingSession.h"
#include "NSItemBar.h"
#include "NSSeparatorBarItem.h"
#include "platform/Scheduler.h"
#include "utilities/widgets/ControlUtilities.h"

#include <QApplication>
#include <QCursor>
#include <QDragEnterEvent>
#include <QMenu>
#include <QMouseEvent>
#include <algorithm>

namespace {

const QString kDragTimerKey = QStringLiteral("dragTrackingTimer");
constexpr double kDragRest = 0.25;

Qt::DropAction dropAction(quint64 operation) {
    if (operation == NSDragOperationMove) return Qt::MoveAction;
    if (operation == NSDragOperationCopy) return Qt::CopyAction;
    return Qt::IgnoreAction;
}

} // namespace

qint32 NSItemBar::dropIndexForDrag(const NSDraggingInfo& info) const {
    QList<std::optional<QRectF>> frames;
    for (const NSBarItem* item : m_items)
        frames.append(item->hasSuperview() ? std::optional<QRectF>(item->boundingFrame()) : std::nullopt);
    return ItemBarLayout::dropIndex(info.location.x(), m_dropTrackingIndex, frames);
}

quint64 NSItemBar::dragOperationForPasteboard(const QMimeData* pasteboard) const {
    return BarItemPasteboard::containsType(pasteboard) ? NSDragOperationMove : NSDragOperationCopy;
}

void NSItemBar::setDropTrackingIndex(qint32 index) {
    if (index == m_dropTrackingIndex) return;
    m_dropTrackingIndex = index;
    arrangeItems();
}

void NSItemBar::updateDropTrackingOutsideOfEventStream() {
    const QPointF location = mapFromGlobal(QCursor::pos());
    if (!QRectF(rect()).contains(location) && m_dropTrackingIndex != kNoDropIndex)
        setDropTrackingIndex(kNoDropIndex);
}

quint64 NSItemBar::draggingEntered(const NSDraggingInfo& info) {
    if (m_delegate && !m_delegate->acceptDrop(this, info, nullptr)) return NSDragOperationNone;
    m_dragTime = now();
    m_trackingDrag = true;
    if (!m_dragTimer) {
        m_dragTimer = true;
        Scheduler::shared().scheduleRepeating(this, kDragTimerKey, kDragRest,
                                              [this] { updateDropTrackingOutsideOfEventStream(); });
    }
    const NSBarItem* dragged = BarItemPasteboard::read(info.pasteboard);
    m_dropIndicatorWidth = dragged ? dragged->frame().width() : defaultItemWidth();
    return dragOperationForPasteboard(info.pasteboard);
}

quint64 NSItemBar::draggingUpdated(const NSDraggingInfo& info) {
    if (m_delegate && !m_delegate->acceptDrop(this, info, nullptr)) return NSDragOperationNone;
    const qint32 index = dropIndexForDrag(info);
    if (info.location != m_draggingLocation) m_dragTime = now();
    m_draggingLocation = info.location;
    if (now() - m_dragTime > kDragRest || m_animationDuration == 0) {
        setDropTrackingIndex(index);
        m_dragTime = now();
    }
    return dragOperationForPasteboard(info.pasteboard);
}

void NSItemBar::draggingExited(const NSDraggingInfo& info) {
    if (!QRectF(rect()).contains(info.location)) setDropTrackingIndex(kNoDropIndex);
}

void NSItemBar::stopDragTimer() {
    Scheduler::shared().cancelPrevious(this, kDragTimerKey);
    m_dragTimer = false;
}

void NSItemBar::draggingEnded() {
    stopDragTimer();
    m_trackingDrag = false;
    arrangeItems();
}

bool NSItemBar::takePasteboardItem(const QMimeData* pasteboard, qint32 dropIndex) {
    NSBarItem* dragged = BarItemPasteboard::read(pasteboard);
    if (dragged && dragged->itemBar() == this && m_items.contains(dragged)) {
        if (m_delegate) m_delegate->willMoveItemToIndex(this, dragged, dropIndex);
        moveItemToIndex(dragged, ItemBarLayout::moveIndex(dropIndex, dragged->itemIndex()));
        if (m_delegate) m_delegate->didMoveItemToIndex(this, dragged, dropIndex);
        return true;
    }
    if (m_delegate) {
        if (NSBarItem* item = m_delegate->addItemForPasteboardItem(this, pasteboard)) {
            insertItemAtIndex(item, dropIndex);
            return true;
        }
    }
    if (m_dataSource) {
        const qint64 index =
            dropIndex == kNoDropIndex ? m_items.size() : std::clamp<qint64>(dropIndex, 0, m_items.size());
        if (!m_dataSource->insertObjectForPasteboardItem(this, pasteboard, index)) return false;
        NSBarItem* item = m_dataSource->itemBarCreateItemForIndex(this, static_cast<qint32>(index));
        if (!item) return false;
        insertItemAtIndex(item, index);
        return true;
    }
    return false;
}

bool NSItemBar::performDragOperation(const NSDraggingInfo& info) {
    // A drop before the pointer rested lands where it was dropped, not at the end.
    qint32 index = m_dropTrackingIndex;
    if (index == kNoDropIndex) index = dropIndexForDrag(info);
    const bool taken = info.pasteboard && takePasteboardItem(info.pasteboard, index);
    m_dropTrackingIndex = kNoDropIndex;
    m_arrangeTime = 0;
    arrangeItems();
    return taken;
}

void NSItemBar::itemDraggingWillBegin(NSBarItem* item, const QPointF& point) {
    item->setParent(nullptr);
    m_trackingDrag = true;
    arrangeItems();
    if (m_delegate) m_delegate->draggingItemWillBeginAtPoint(this, item, &NSDraggingSession::shared(), point);
}

void NSItemBar::itemDraggingMoved(NSBarItem* item, const QPointF& point) {
    if (m_delegate && m_delegate->draggingItemMovedToPoint(this, item, &NSDraggingSession::shared(), point))
        return;
    const bool outside = !QRectF(rect()).contains(mapFromGlobal(point.toPoint()));
    QGuiApplication::changeOverrideCursor(outside && m_arrangingAllowsRemoval ? Qt::ForbiddenCursor
                                                                              : Qt::ArrowCursor);
}

void NSItemBar::itemDraggingEnded(NSBarItem* item, const QPointF& point, quint64 operation) {
    m_trackingDrag = false;
    if (m_delegate &&
        m_delegate->draggingItemEndedAtPoint(this, item, &NSDraggingSession::shared(), point, operation))
        return;
    const bool removes =
        m_arrangingAllowsRemoval && (operation == NSDragOperationNone || operation == NSDragOperationDelete);
    if (removes) {
        removeItem(item);
    } else if (!item->hasSuperview() && m_items.contains(item)) {
        // Dropped elsewhere or refused: the item goes back to its place.
        item->setParent(this);
        item->show();
    }
    arrangeItems();
}

std::unique_ptr<QMenu> NSItemBar::contextualMenu() {
    auto menu = std::make_unique<QMenu>();
    menu->setFont(contextualMenuFont());
    if (m_delegate && !m_delegate->willPopupContextualMenu(this, menu.get())) return nullptr;
    if (m_dataSource && m_dataSource->canInsertObjectForIdentifier(this, QStringLiteral("---"))) {
        if (!menu->isEmpty()) menu->addSeparator();
        menu->addAction(QStringLiteral("Add Separator"), this, [this] { addSeparatorItem(); });
    }
    if (menu->isEmpty()) return nullptr;
    return menu;
}

void NSItemBar::popupContextualMenu(const QPoint& globalPoint) {
    std::unique_ptr<QMenu> menu = contextualMenu();
    if (!menu) return;
    QMenu* shown = menu.release();
    shown->setAttribute(Qt::WA_DeleteOnClose);
    shown->popup(globalPoint);
    emit contextualMenuShown(shown);
}

void NSItemBar::addSeparatorItem() {
    if (!m_dataSource ||
        !m_dataSource->insertObjectForIdentifier(this, QStringLiteral("---"), m_items.size()))
        return;
    addItem(NSSeparatorBarItem::separatorItem());
    arrangeItems();
}

void NSItemBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton ||
        (event->button() == Qt::LeftButton && EventUtilities::isControlKeyDown(event)))
        popupContextualMenu(event->globalPosition().toPoint());
    QWidget::mousePressEvent(event);
}

void NSItemBar::dragEnterEvent(QDragEnterEvent* event) {
    const quint64 operation = draggingEntered({event->mimeData(), event->position()});
    event->setDropAction(dropAction(operation));
    event->accept();
}

void NSItemBar::dragMoveEvent(QDragMoveEvent* event) {
    const quint64 operation = draggingUpdated({event->mimeData(), event->position()});
    event->setDropAction(dropAction(operation));
    if (operation == NSDragOperationNone)
        event->ignore();
    else
        event->accept();
}

void NSItemBar::dragLeaveEvent(QDragLeaveEvent*) {
    draggingExited({nullptr, mapFromGlobal(QCursor::pos())});
    draggingEnded();
}

void NSItemBar::dropEvent(QDropEvent* event) {
    const bool taken = performDragOperation({event->mimeData(), event->position()});
    if (taken) {
        event->setDropAction(dropAction(dragOperationForPasteboard(event->mimeData())));
        event->accept();
    } else {
        event->ignore();
    }
    draggingEnded();
}
