#include "windows/OutlineView.h"

#include "foundation/TreeNode.h"
#include "model/CardItems.h"
#include "model/Task.h"
#include "platform/Scheduler.h"
#include "windows/CardItemRowViewController.h"
#include "windows/CardTextView.h"
#include "windows/DisclosureButton.h"
#include "windows/OutlineFilter.h"
#include "windows/TextItemViewController.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextEdit>

#include <algorithm>
#include <cmath>

namespace {

// A key that types a character (no command modifier).
bool startsText(const QKeyEvent* event) {
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    const QString text = event->text();
    return !text.isEmpty() && text.at(0).isPrint();
}

} // namespace

TCardItemTableRowView::TCardItemTableRowView(TCardItem* item, QWidget* parent)
    : TThemeTableRowView(parent), m_item(item) {}

TCardOutlineView::TCardOutlineView(TCardOutlineViewDelegate* delegate, QWidget* parent)
    : TThemeOutlineView(parent), m_delegate(delegate) {
    viewport()->setAutoFillBackground(false);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_tops.push_back(0.0);
}

TCardOutlineView::~TCardOutlineView() {
    Scheduler::shared().cancelAll(this);
    for (auto it = m_live.begin(); it != m_live.end(); ++it) {
        delete it->controller;
        delete it->rowView;
    }
    m_live.clear();
}

void TCardOutlineView::reloadData() {
    TCardItem* root = m_delegate->outlineRoot();
    if (root != m_observedRoot) {
        if (m_observedRoot) m_observedRoot->RemoveObserver(this);
        m_observedRoot = root;
        if (root) root->AddObserver(this);
    }
    structureChanged();
}

void TCardOutlineView::appendRows(TCardItem* parent, qint32 level) {
    const qint64 count = parent->ChildCount();
    for (qint64 i = 0; i < count; ++i) {
        auto* child = static_cast<TCardItem*>(parent->GetChild(i));
        m_rowOfItem.insert(child, qint32(m_rows.size()));
        m_rows.push_back({child, level});
        if (child->IsExpanded() && m_delegate->isItemExpandable(child)) appendRows(child, level + 1);
    }
}

void TCardOutlineView::rebuildRows() {
    m_rows.clear();
    m_rowOfItem.clear();
    if (const OutlineFilter* filter = m_delegate->outlineFilter()) {
        for (const OutlineFilter::Row& row : filter->rows()) {
            m_rowOfItem.insert(row.item, qint32(m_rows.size()));
            m_rows.push_back({row.item, row.level});
        }
    } else if (m_observedRoot) {
        appendRows(m_observedRoot, 0);
    }
    m_selection.erase(std::remove_if(m_selection.begin(), m_selection.end(),
                                     [this](TCardItem* item) { return !m_rowOfItem.contains(item); }),
                      m_selection.end());
    rebuildTops();
}

double TCardOutlineView::heightOf(TCardItem* item) const {
    return m_heights.value(item, kEstimatedRowHeight);
}

void TCardOutlineView::rebuildTops() {
    m_tops.assign(m_rows.size() + 1, 0.0);
    for (size_t i = 0; i < m_rows.size(); ++i) m_tops[i + 1] = m_tops[i] + heightOf(m_rows[i].item);
}

double TCardOutlineView::totalHeight() const {
    return m_tops.back();
}

void TCardOutlineView::structureChanged() {
    rebuildRows();
    // Rows no longer shown lose their widgets, unless they hold the focus.
    const QList<TCardItem*> live = m_live.keys();
    for (TCardItem* item : live)
        if (!m_rowOfItem.contains(item)) dropLive(item);
    layoutRows();
    emit rowsChanged();
}

TCardItem* TCardOutlineView::itemAtRow(qint32 row) const {
    return row >= 0 && row < numberOfRows() ? m_rows[size_t(row)].item : nullptr;
}

qint32 TCardOutlineView::rowForItem(TCardItem* item) const {
    return m_rowOfItem.value(item, -1);
}

qint32 TCardOutlineView::levelForRow(qint32 row) const {
    return row >= 0 && row < numberOfRows() ? m_rows[size_t(row)].level : -1;
}

TCardItem* TCardOutlineView::parentForItem(TCardItem* item) const {
    if (const OutlineFilter* filter = m_delegate->outlineFilter())
        return filter->groupOfTask(dynamic_cast<TTask*>(item));
    if (!item || item->GetParent() == m_observedRoot) return nullptr;
    return static_cast<TCardItem*>(item->GetParent());
}

bool TCardOutlineView::isItemExpanded(TCardItem* item) const {
    return item && item->IsExpanded() && m_delegate->isItemExpandable(item);
}

void TCardOutlineView::expandItem(TCardItem* item) {
    if (!item || !m_delegate->isItemExpandable(item) || isItemExpanded(item)) return;
    m_delegate->outlineItemWillExpand(item);
    item->SetExpanded(true);
}

void TCardOutlineView::collapseItem(TCardItem* item) {
    if (!item || !item->IsExpanded()) return;
    m_delegate->outlineItemWillCollapse(item);
    item->SetExpanded(false);
}

QRectF TCardOutlineView::rectOfRow(qint32 row) const {
    if (row < 0 || row >= numberOfRows()) return {};
    return QRectF(0, m_tops[size_t(row)], viewport()->width(), m_tops[size_t(row) + 1] - m_tops[size_t(row)]);
}

qint64 TCardOutlineView::rowAtPoint(const QPoint& viewportPoint) const {
    const double y = viewportPoint.y() + verticalScrollBar()->value();
    if (y < 0 || y >= totalHeight()) return -1;
    const auto found = std::upper_bound(m_tops.begin(), m_tops.end(), y);
    return qint64(found - m_tops.begin()) - 1;
}

QList<qint32> TCardOutlineView::selectedRows() const {
    QList<qint32> rows;
    for (TCardItem* item : m_selection) rows << rowForItem(item);
    return rows;
}

qint32 TCardOutlineView::selectedRow() const {
    return m_selection.size() == 1 ? rowForItem(m_selection.first()) : -1;
}

bool TCardOutlineView::isRowSelected(qint64 row) const {
    TCardItem* item = itemAtRow(qint32(row));
    return item && m_selection.contains(item);
}

void TCardOutlineView::selectRow(qint32 row, bool extend) {
    TCardItem* item = itemAtRow(row);
    if (!item) return;
    if (!extend) m_selection.clear();
    if (!m_selection.contains(item)) m_selection << item;
    for (auto it = m_live.begin(); it != m_live.end(); ++it)
        it->rowView->setSelected(m_selection.contains(it.key()));
    m_delegate->outlineSelectionDidChange();
}

void TCardOutlineView::deselectRow(qint32 row) {
    TCardItem* item = itemAtRow(row);
    if (!item || !m_selection.removeOne(item)) return;
    if (m_live.contains(item)) m_live[item].rowView->setSelected(false);
    m_delegate->outlineSelectionDidChange();
}

void TCardOutlineView::deselectAll() {
    if (m_selection.isEmpty()) return;
    m_selection.clear();
    for (auto it = m_live.begin(); it != m_live.end(); ++it) it->rowView->setSelected(false);
    m_delegate->outlineSelectionDidChange();
}

TCardItemRowViewController* TCardOutlineView::controllerForItem(TCardItem* item) const {
    const auto found = m_live.constFind(item);
    return found == m_live.constEnd() ? nullptr : found->controller;
}

TCardItemRowViewController* TCardOutlineView::ensureController(TCardItem* item) {
    const qint32 row = rowForItem(item);
    if (row < 0) return nullptr;
    scrollRowToVisible(row);
    if (!m_live.contains(item)) {
        placeRow(row, makeLive(item));
    }
    return m_live.value(item).controller;
}

TListKeyboardProtocol* TCardOutlineView::keyboardDelegate() const {
    return m_delegate->outlineKeyboard();
}

void TCardOutlineView::noteHeightOfRowChanged(qint32 row) {
    TCardItem* item = itemAtRow(row);
    if (!item || !m_live.contains(item)) return;
    const double height = m_live[item].controller->view()->height();
    if (m_heights.value(item, -1.0) == height) return;
    m_heights.insert(item, height);
    rebuildTops();
    layoutRows();
}

void TCardOutlineView::scrollRowToVisible(qint32 row) {
    if (row < 0 || row >= numberOfRows()) return;
    updateScrollBar();
    QScrollBar* bar = verticalScrollBar();
    const double top = m_tops[size_t(row)];
    const double bottom = m_tops[size_t(row) + 1];
    const int height = viewport()->height();
    if (top < bar->value())
        bar->setValue(int(std::floor(top)));
    else if (bottom > bar->value() + height)
        bar->setValue(int(std::ceil(bottom)) - height);
    layoutRows();
}

void TCardOutlineView::updateScrollBar() {
    QScrollBar* bar = verticalScrollBar();
    bar->setPageStep(viewport()->height());
    bar->setSingleStep(int(kEstimatedRowHeight));
    bar->setRange(0, std::max(0, int(std::ceil(totalHeight())) - viewport()->height()));
}

bool TCardOutlineView::holdsFocus(const LiveRow& live) const {
    QWidget* focus = QApplication::focusWidget();
    return focus && live.rowView->isAncestorOf(focus);
}

TCardOutlineView::LiveRow& TCardOutlineView::makeLive(TCardItem* item) {
    LiveRow live;
    live.rowView = new TCardItemTableRowView(item, viewport());
    live.rowView->setTheme(theme());
    live.rowView->setSelected(m_selection.contains(item));
    live.controller = m_delegate->makeRowController(item);
    QWidget* content = live.controller->view();
    content->setParent(live.rowView);
    if (auto* text = dynamic_cast<TTextItemViewController*>(live.controller)) {
        guardFirstResponder(text->editor());
        text->editor()->installEventFilter(this);
    }
    live.rowView->show();
    content->show();
    auto& stored = m_live[item];
    stored = live;
    m_delegate->outlineDidAddRow(item);
    return stored;
}

void TCardOutlineView::dropLive(TCardItem* item) {
    const auto found = m_live.find(item);
    if (found == m_live.end()) return;
    const LiveRow live = *found;
    m_live.erase(found);
    m_delegate->outlineDidRemoveRow(item);
    delete live.controller;
    delete live.rowView;
}

void TCardOutlineView::placeRow(qint32 row, LiveRow& live) {
    const int indent = (m_rows[size_t(row)].level + 1) * kIndentation;
    const int width = viewport()->width();
    TCardItem* item = m_rows[size_t(row)].item;
    QWidget* content = live.controller->view();
    if (content->width() != width - indent || !m_heights.contains(item)) {
        content->setGeometry(indent, 0, std::max(1, width - indent), content->height());
        live.controller->recalculateRow();
    } else {
        content->move(indent, 0);
    }
    const double height = content->height();
    if (m_heights.value(item, -1.0) != height) {
        m_heights.insert(item, height);
        rebuildTops();
        m_needsLayout = true;
    }
    const bool expandable = m_delegate->isItemExpandable(item);
    if (expandable && !live.disclosure) {
        live.disclosure = makeDisclosureButton(live.rowView);
        connect(live.disclosure, &QAbstractButton::clicked, this, [this, item](bool open) {
            if (open)
                expandItem(item);
            else
                collapseItem(item);
        });
    }
    if (live.disclosure) {
        live.disclosure->setVisible(expandable);
        live.disclosure->setChecked(isItemExpanded(item));
        live.disclosure->setGeometry(indent - kIndentation, 0, kIndentation, std::min(int(height), 20));
    }
    const int top = int(std::round(m_tops[size_t(row)])) - verticalScrollBar()->value();
    live.rowView->setGeometry(0, top, width, int(std::ceil(height)));
}

void TCardOutlineView::layoutRows() {
    if (m_inLayout) {
        m_needsLayout = true;
        return;
    }
    m_inLayout = true;
    int passes = 0;
    do {
        m_needsLayout = false;
        updateScrollBar();
        const int scroll = verticalScrollBar()->value();
        const double top = scroll;
        const double bottom = scroll + std::max(1, viewport()->height());
        qint32 first = qint32(std::upper_bound(m_tops.begin(), m_tops.end(), top) - m_tops.begin()) - 1;
        first = std::max(first, 0);
        QSet<TCardItem*> wanted;
        for (qint32 row = first; row < numberOfRows() && m_tops[size_t(row)] < bottom; ++row)
            wanted.insert(m_rows[size_t(row)].item);
        const QList<TCardItem*> live = m_live.keys();
        for (TCardItem* item : live)
            if (!wanted.contains(item) && !holdsFocus(m_live[item])) dropLive(item);
        for (qint32 row = first; row < numberOfRows() && m_tops[size_t(row)] < bottom; ++row) {
            TCardItem* item = m_rows[size_t(row)].item;
            LiveRow& liveRow = m_live.contains(item) ? m_live[item] : makeLive(item);
            placeRow(row, liveRow);
        }
        // A focused row out of view keeps its widgets, placed where the row is.
        for (auto it = m_live.begin(); it != m_live.end(); ++it)
            if (!wanted.contains(it.key())) placeRow(rowForItem(it.key()), *it);
    } while (m_needsLayout && ++passes < 4);
    m_inLayout = false;
    viewport()->update();
}

void TCardOutlineView::forgetSubtree(TCardItem* item) {
    for (TObject* object : *item->GetAllChildrenIncludingSelf()) {
        auto* each = static_cast<TCardItem*>(object);
        dropLive(each);
        m_heights.remove(each);
        m_selection.removeAll(each);
    }
}

void TCardOutlineView::WillRemoveChildren(TTreeNode* parent, qint64 first, qint64 last) {
    for (qint64 i = first; i <= last; ++i) forgetSubtree(static_cast<TCardItem*>(parent->GetChild(i)));
}

void TCardOutlineView::DidInsertChildren(TTreeNode*, qint64, qint64) {
    structureChanged();
}

void TCardOutlineView::DidRemoveChildren(TTreeNode*, qint64, qint64) {
    structureChanged();
}

void TCardOutlineView::DidMoveChild(TTreeNode*, qint64, TTreeNode*, qint64) {
    // The level of the moved rows may change, and with it their width.
    structureChanged();
}

void TCardOutlineView::DidChangeExpanded(TTreeNode*) {
    structureChanged();
}

void TCardOutlineView::ObservedNodeWillGoAway(TTreeNode* node) {
    if (node != m_observedRoot) return;
    m_observedRoot = nullptr;
    const QList<TCardItem*> live = m_live.keys();
    for (TCardItem* item : live) dropLive(item);
    m_rows.clear();
    m_rowOfItem.clear();
    m_selection.clear();
    m_heights.clear();
    rebuildTops();
}

void TCardOutlineView::keyPressEvent(QKeyEvent* event) {
    TListKeyboardProtocol* keyboard = m_delegate->outlineKeyboard();
    const qint32 selected = selectedRows().isEmpty() ? -1 : selectedRows().first();
    const bool alt = event->modifiers() & Qt::AltModifier;
    switch (event->key()) {
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        if (!m_selection.isEmpty() && keyboard) {
            keyboard->removeSelectedRows();
            return;
        }
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (keyboard) {
            keyboard->insertItemAtRow(m_selection.isEmpty() ? numberOfRows() - 1 : selected);
            return;
        }
        break;
    case Qt::Key_Right:
    case Qt::Key_Left:
        if (alt && selected >= 0 && keyboard) {
            keyboard->setInsertion(event->key() == Qt::Key_Right ? INT_MAX : 0, selected);
            return;
        }
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (selected >= 0) {
            const qint32 row = selected + (event->key() == Qt::Key_Up ? -1 : 1);
            if (row >= 0 && row < numberOfRows()) {
                selectRow(row, event->modifiers() & Qt::ShiftModifier);
                scrollRowToVisible(row);
            }
            return;
        }
        break;
    case Qt::Key_Space:
        m_delegate->previewSelectedRows();
        return;
    default:
        break;
    }
    if (numberOfRows() == 0 && keyboard && startsText(event)) {
        // Typing into an empty card starts its first row with the key typed.
        keyboard->insertItemAtRow(-1);
        QWidget* editor = QApplication::focusWidget();
        if (editor && editor != this && isAncestorOf(editor)) {
            QKeyEvent key(event->type(), event->key(), event->modifiers(), event->text(),
                          event->isAutoRepeat(), ushort(event->count()));
            QCoreApplication::sendEvent(editor, &key);
        }
        return;
    }
    TThemeOutlineView::keyPressEvent(event);
}

bool TCardOutlineView::validateProposedFirstResponder(QWidget* responder, const QEvent* event) const {
    if (event && event->type() == QEvent::Wheel) return false;
    if (!isMouseDown(event)) return true;
    if (const auto* text = qobject_cast<const QTextEdit*>(responder))
        return !text->isReadOnly() || (text->textInteractionFlags() & Qt::TextSelectableByMouse);
    return true;
}

void TCardOutlineView::mousePressEvent(QMouseEvent* event) {
    TThemeOutlineView::mousePressEvent(event);
}

bool TCardOutlineView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const qint64 row = rowAtPoint(mouse->position().toPoint());
        const bool extend = mouse->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier);
        setFocus(Qt::MouseFocusReason);
        if (row < 0) {
            if (!extend) deselectAll();
        } else if (extend && isRowSelected(row)) {
            deselectRow(qint32(row));
        } else {
            selectRow(qint32(row), extend);
        }
        return true;
    }
    return TThemeOutlineView::viewportEvent(event);
}

void TCardOutlineView::resizeEvent(QResizeEvent* event) {
    TThemeOutlineView::resizeEvent(event);
    layoutRows();
}

void TCardOutlineView::scrollContentsBy(int, int) {
    layoutRows();
    // When scrolling stops, the hover moves to the row now under a still pointer.
    Scheduler::shared().performAfterDelay(this, QStringLiteral("postScrollingChanges"), 0.1,
                                          [this] { postScrollingChanges(); });
}

void TCardOutlineView::postScrollingChanges() {
    const QList<TCardItem*> live = m_live.keys();
    for (TCardItem* item : live)
        if (m_live.contains(item)) m_live[item].controller->itemDidScroll(item);
    const QPoint pointer = viewport()->mapFromGlobal(QCursor::pos());
    if (!viewport()->rect().contains(pointer)) return;
    if (TCardItemRowViewController* controller = controllerForItem(itemAtRow(qint32(rowAtPoint(pointer)))))
        controller->mouseEntered(window()->mapFromGlobal(QCursor::pos()));
}

bool TCardOutlineView::eventFilter(QObject* watched, QEvent* event) {
    auto* text = qobject_cast<TCardTextView*>(watched);
    if (text && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const qint32 row = rowForItem(text->cardItem());
        if (row >= 0 && key->key() == Qt::Key_Backtab) {
            m_delegate->outdentRow(row);
            return true;
        }
        if (row >= 0 && key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            // Leaves the row's text; the row stays selected, so row commands and keys act on it.
            setFocus(Qt::OtherFocusReason);
            selectRow(row, false);
            scrollRowToVisible(row);
            return true;
        }
    }
    return TThemeOutlineView::eventFilter(watched, event);
}
