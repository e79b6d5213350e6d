#include "SheetOutlineView.h"

#include "SheetBrowserRows.h"
#include "SheetBrowserWindowController.h"
#include "model/SheetManager.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>

namespace {

void appendVisible(const TSheetManagerItem* parent, QList<TSheetManagerItem*>& into) {
    for (qint64 i = 0; i < parent->ChildCount(); ++i) {
        auto* child = static_cast<TSheetManagerItem*>(parent->GetChild(i));
        into.append(child);
        if (child->IsExpanded() && child->HasChildren()) appendVisible(child, into);
    }
}

int depthOf(const TSheetManagerItem* item) {
    int depth = 0;
    for (const TTreeNode* node = item->GetParent(); node && node->GetParent(); node = node->GetParent())
        ++depth;
    return depth;
}

void filterAll(QWidget* widget, QObject* filter) {
    widget->installEventFilter(filter);
    for (QWidget* child : widget->findChildren<QWidget*>()) child->installEventFilter(filter);
}

} // namespace

TSheetOutlineView::TSheetOutlineView(SheetBrowserWindowController* browser, QWidget* parent)
    : QScrollArea(parent), m_browser(browser), m_container(new QWidget) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(false);
    setWidget(m_container);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    m_container->setAutoFillBackground(false);
    viewport()->setAcceptDrops(true);
    setAcceptDrops(true);
    // Present but invisible.
    verticalScrollBar()->setStyleSheet(QStringLiteral("QScrollBar { background: transparent; width: 0px; }"));
}

TSheetOutlineView::~TSheetOutlineView() {
    clearRows();
}

TSheetManagerItem* TSheetOutlineView::itemAtRow(qint64 row) const {
    return row >= 0 && row < m_items.size() ? m_items[row] : nullptr;
}

qint64 TSheetOutlineView::rowForItem(const TSheetManagerItem* item) const {
    return m_items.indexOf(const_cast<TSheetManagerItem*>(item));
}

TSheetTableRowView* TSheetOutlineView::rowViewAtRow(qint64 row) const {
    return row >= 0 && row < m_rowViews.size() ? m_rowViews[row] : nullptr;
}

qint64 TSheetOutlineView::rowAtPoint(const QPoint& point) const {
    const QPoint inContainer = m_container->mapFrom(viewport(), point);
    for (qint64 row = 0; row < m_rowViews.size(); ++row)
        if (m_rowViews[row]->geometry().contains(inContainer)) return row;
    return -1;
}

double TSheetOutlineView::totalRowHeight() const {
    double total = 0;
    for (TSheetTableRowView* view : m_rowViews) total += view->height();
    return total;
}

// The controllers' views go back to their controllers before the row views go.
void TSheetOutlineView::clearRows() {
    for (TSheetTableRowView* view : m_rowViews) {
        if (QWidget* content = view->content()) {
            content->hide();
            content->setParent(nullptr);
        }
        // The row may be the one whose click is being handled.
        view->removeEventFilter(this);
        view->hide();
        view->deleteLater();
    }
    m_rowViews.clear();
    m_items.clear();
}

void TSheetOutlineView::reloadData() {
    TSheetManagerItem* selected = itemAtRow(m_selectedRow);
    clearRows();
    m_dropRow = -1;
    m_clickedRow = -1;
    if (m_browser && m_browser->root()) appendVisible(m_browser->root(), m_items);
    for (TSheetManagerItem* item : m_items) {
        TSheetTableRowView* view = TSheetTableRowView::viewWithMode(
            m_browser->isList() ? TSheetTableRowView::List : TSheetTableRowView::Cells, m_container);
        const double height = m_browser->heightOfRowByItem(item);
        view->setContent(m_browser->rowControllerForItem(item)->view());
        view->resize(view->width(), int(height));
        filterAll(view, this);
        m_rowViews.append(view);
    }
    m_selectedRow = selected ? rowForItem(selected) : -1;
    for (qint64 row = 0; row < m_rowViews.size(); ++row) m_rowViews[row]->setSelected(row == m_selectedRow);
    layoutRows();
    if (m_browser) m_browser->rowViewsChanged();
}

void TSheetOutlineView::layoutRows() {
    const int width = viewport()->width();
    int y = 0;
    for (qint64 row = 0; row < m_rowViews.size(); ++row) {
        const int indent = depthOf(m_items[row]);
        m_rowViews[row]->setGeometry(indent, y, width - indent, m_rowViews[row]->height());
        m_rowViews[row]->show();
        y += m_rowViews[row]->height();
    }
    m_container->resize(width, y);
}

// Rows made before the view had its width take the width it gets.
void TSheetOutlineView::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    layoutRows();
}

void TSheetOutlineView::selectRow(qint64 row) {
    if (row < -1 || row >= m_items.size()) row = -1;
    if (row == m_selectedRow) return;
    m_selectedRow = row;
    for (qint64 r = 0; r < m_rowViews.size(); ++r) m_rowViews[r]->setSelected(r == row);
    if (m_browser) m_browser->outlineViewSelectionDidChange();
}

bool TSheetOutlineView::isItemExpanded(const TSheetManagerItem* item) const {
    return item && item->IsExpanded();
}

void TSheetOutlineView::expandItem(TSheetManagerItem* item) {
    if (!item || item->IsExpanded() || !m_browser) return;
    m_browser->itemDidExpand(item);
}

void TSheetOutlineView::collapseItem(TSheetManagerItem* item) {
    if (!item || !item->IsExpanded() || !m_browser || !m_browser->shouldCollapseItem(item)) return;
    m_browser->itemDidCollapse(item);
}

void TSheetOutlineView::scrollRowToVisible(qint64 row) {
    if (TSheetTableRowView* view = rowViewAtRow(row)) ensureWidgetVisible(view, 0, 0);
}

void TSheetOutlineView::mousePressEvent(QMouseEvent* event) {
    QScrollArea::mousePressEvent(event);
}

void TSheetOutlineView::mouseMoveEvent(QMouseEvent* event) {
    QScrollArea::mouseMoveEvent(event);
}

bool TSheetOutlineView::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || !m_browser) return false;
    const auto rowOf = [&] {
        for (qint64 row = 0; row < m_rowViews.size(); ++row)
            if (m_rowViews[row] == widget || m_rowViews[row]->isAncestorOf(widget)) return row;
        return qint64(-1);
    };
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) return false;
        const qint64 row = rowOf();
        TSheetManagerItem* item = itemAtRow(row);
        if (!item) return false;
        m_pressedRow = row;
        m_pressPosition = mouse->globalPosition().toPoint();
        // A group's row opens and closes; other rows are chosen.
        if (MemberOfClass(item, TSheetManagerGroupItem::StaticClass())) {
            if (item->HasChildren()) {
                if (item->IsExpanded())
                    collapseItem(item);
                else
                    expandItem(item);
            }
            return true;
        }
        if (m_browser->shouldSelectItem(item)) selectRow(row);
        return false;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        m_pressedRow = -1;
        return false;
    }
    if (event->type() == QEvent::MouseMove) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        TSheetManagerItem* item = itemAtRow(m_pressedRow);
        if (!item || !(mouse->buttons() & Qt::LeftButton) ||
            (mouse->globalPosition().toPoint() - m_pressPosition).manhattanLength() <
                QApplication::startDragDistance())
            return false;
        m_pressedRow = -1;
        auto* drag = new QDrag(this);
        drag->setMimeData(m_browser->writeItems({item}));
        if (TSheetTableRowView* view = rowViewAtRow(rowForItem(item))) drag->setPixmap(view->grab());
        drag->exec(Qt::MoveAction);
        return true;
    }
    return false;
}

void TSheetOutlineView::contextMenuEvent(QContextMenuEvent* event) {
    if (!m_browser || !m_browser->contextMenu()) return;
    m_clickedRow = rowAtPoint(viewport()->mapFromGlobal(event->globalPos()));
    m_browser->contextMenu()->exec(event->globalPos());
    m_clickedRow = -1;
}

TSheetOutlineView::Proposal TSheetOutlineView::proposalAt(const QPoint& viewportPoint) const {
    Proposal proposal;
    const qint64 row = rowAtPoint(viewportPoint);
    TSheetManagerItem* item = itemAtRow(row);
    if (!item) {
        proposal.index = m_browser && m_browser->root() ? m_browser->root()->ChildCount() : -1;
        return proposal;
    }
    const QRect bounds = m_rowViews[row]->geometry();
    const double y = m_container->mapFrom(viewport(), viewportPoint).y() - bounds.top();
    auto* parent = static_cast<TSheetManagerItem*>(item->GetParent());
    const TSheetManagerItem* top = m_browser ? m_browser->root() : nullptr;
    proposal.item = parent == top ? nullptr : parent;
    proposal.index = item->GetIndex() + (y > bounds.height() / 2.0 ? 1 : 0);
    proposal.row = -1;
    return proposal;
}

void TSheetOutlineView::setDropRow(qint64 row) {
    if (TSheetTableRowView* old = rowViewAtRow(m_dropRow)) old->setDropTarget(false);
    m_dropRow = row;
    if (TSheetTableRowView* now = rowViewAtRow(row)) now->setDropTarget(true);
}

void TSheetOutlineView::dragEnterEvent(QDragEnterEvent* event) {
    event->acceptProposedAction();
}

void TSheetOutlineView::dragMoveEvent(QDragMoveEvent* event) {
    if (!m_browser) return event->ignore();
    const QPoint point = event->position().toPoint();
    const qint64 row = rowAtPoint(point);
    // Onto the row's item when that is allowed, else between rows.
    if (TSheetManagerItem* item = itemAtRow(row);
        item && m_browser->validateDrop(event->mimeData(), item) !=
                    SheetBrowserWindowController::NSDragOperationNone) {
        setDropRow(row);
        return event->acceptProposedAction();
    }
    setDropRow(-1);
    const Proposal proposal = proposalAt(point);
    if (m_browser->validateDrop(event->mimeData(), proposal.item) !=
        SheetBrowserWindowController::NSDragOperationNone)
        return event->acceptProposedAction();
    event->ignore();
}

void TSheetOutlineView::dragLeaveEvent(QDragLeaveEvent*) {
    setDropRow(-1);
}

void TSheetOutlineView::dropEvent(QDropEvent* event) {
    const qint64 target = m_dropRow;
    setDropRow(-1);
    if (!m_browser) return;
    const QMimeData* data = event->mimeData();
    bool accepted;
    if (TSheetManagerItem* item = itemAtRow(target)) {
        accepted = m_browser->acceptDrop(data, item, -1);
    } else {
        const Proposal proposal = proposalAt(event->position().toPoint());
        accepted = m_browser->validateDrop(data, proposal.item) !=
                       SheetBrowserWindowController::NSDragOperationNone &&
                   m_browser->acceptDrop(data, proposal.item, proposal.index);
    }
    if (accepted)
        event->acceptProposedAction();
    else
        event->ignore();
}
