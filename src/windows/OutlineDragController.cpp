#include "windows/OutlineDragController.h"

#include "model/Card.h"
#include "model/CardItems.h"
#include "model/ListCard.h"
#include "windows/OutlineView.h"
#include "windows/OutlineViewController.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QUndoStack>

OutlineDragController::OutlineDragController(TOutlineViewController* controller, TCardOutlineView* outline)
    : QObject(outline), m_controller(controller), m_outline(outline) {
    outline->viewport()->setAcceptDrops(true);
    outline->viewport()->installEventFilter(this);
}

OutlineDragController::DropTarget OutlineDragController::dropTargetAt(const QPoint& viewportPoint) const {
    const qint64 row = m_outline->rowAtPoint(viewportPoint);
    TCardItem* item = row >= 0 ? m_outline->itemAtRow(qint32(row)) : nullptr;
    if (!item) return {};
    const QRectF rect = m_outline->rectOfRow(qint32(row));
    const double y = viewportPoint.y() + m_outline->verticalScrollBar()->value();
    const double fraction = rect.height() > 0 ? (y - rect.top()) / rect.height() : 0.5;
    if (fraction < 0.25) return {m_outline->parentForItem(item), item->GetIndex()};
    if (fraction <= 0.75) return {item, -1};
    if (m_outline->isItemExpanded(item) && item->HasChildren()) return {item, 0};
    return {m_outline->parentForItem(item), item->GetIndex() + 1};
}

TListCard* OutlineDragController::dropCard() const {
    return dynamic_cast<TListCard*>(m_controller->card());
}

bool OutlineDragController::isFiltered() const {
    return !m_controller->isBrowserEditable();
}

void OutlineDragController::insertDroppedItem(TCardItem* item, TTreeNode* parent, qint64 index) {
    m_controller->insertItem(item, dynamic_cast<TCardItem*>(parent), index);
}

void OutlineDragController::moveDroppedItem(TCardItem* item, TTreeNode* parent, qint64 index) {
    m_controller->moveItem(item, dynamic_cast<TCardItem*>(parent), index);
}

QString OutlineDragController::dropItemClass() const {
    return m_controller->defaultItemClass();
}

void OutlineDragController::reloadAfterDrop() {
    m_outline->reloadData();
}

void OutlineDragController::clearUndoHistory(TCard* card) {
    if (!card) return;
    if (card == m_controller->card()) {
        m_controller->undoStack()->clear();
    } else if (auto* other = dynamic_cast<TOutlineViewController*>(card->GetViewRepresentation())) {
        other->undoStack()->clear();
    }
}

QObject* OutlineDragController::alertWindow() const {
    return m_outline->window();
}

void OutlineDragController::startDrag() {
    TCardItem* pressed = m_outline->itemAtRow(qint32(m_pressRow));
    m_pressRow = -1;
    if (!pressed) return;
    QList<TCardItem*> items;
    if (m_outline->isRowSelected(m_outline->rowForItem(pressed)))
        for (qint32 row : m_outline->selectedRows()) items << m_outline->itemAtRow(row);
    else
        items << pressed;
    auto* data = new QMimeData;
    if (!OutlineDragDrop::writeItems(items, isFiltered(), *data)) {
        delete data;
        return;
    }
    auto* drag = new QDrag(m_outline->viewport());
    drag->setMimeData(data);
    drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
}

bool OutlineDragController::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        m_pressPoint = mouse->position().toPoint();
        m_pressRow = mouse->button() == Qt::LeftButton ? m_outline->rowAtPoint(m_pressPoint) : -1;
        break;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (m_pressRow >= 0 && (mouse->buttons() & Qt::LeftButton) &&
            (mouse->position().toPoint() - m_pressPoint).manhattanLength() >=
                QApplication::startDragDistance()) {
            startDrag();
            return true;
        }
        break;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        const DropTarget target = dropTargetAt(drag->position().toPoint());
        const auto operation = OutlineDragDrop::validateDrop(*drag->mimeData(), target.parent, isFiltered(),
                                                             drag->modifiers() & Qt::AltModifier);
        if (operation == OutlineDragDrop::kDragOperationNone) {
            drag->ignore();
        } else {
            drag->setDropAction(operation == OutlineDragDrop::kDragOperationCopy ? Qt::CopyAction
                                                                                 : Qt::MoveAction);
            drag->accept();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const DropTarget target = dropTargetAt(drop->position().toPoint());
        // Alt narrows the drag to a copy, as a source offering nothing else does.
        const bool copy = drop->possibleActions() == Qt::CopyAction || (drop->modifiers() & Qt::AltModifier);
        if (OutlineDragDrop::acceptDrop(*this, *drop->mimeData(), target.parent, target.index, copy)) {
            drop->setDropAction(copy ? Qt::CopyAction : Qt::MoveAction);
            drop->accept();
        } else {
            drop->ignore();
        }
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
