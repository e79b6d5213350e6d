#include "windows/OutlineViewController.h"

#include "model/Card.h"
#include "model/CardItems.h"
#include "model/Globals.h"
#include "model/ListCard.h"
#include "model/Preferences.h"
#include "model/Task.h"
#include "model/Themes.h"
#include "platform/Diagnostics.h"
#include "platform/UserDefaults.h"
#include "windows/CardItemRowViewController.h"
#include "windows/CardTextView.h"
#include "windows/GenericCardWindowController.h"
#include "windows/OutlineCommands.h"
#include "windows/OutlineDragController.h"
#include "windows/OutlineFilter.h"
#include "windows/RowControllers.h"
#include "windows/TextItemViewController.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTextBlock>
#include <QTextLayout>
#include <QUndoStack>
#include <QVBoxLayout>

namespace {

// Opens the item's ancestors below top in the outline, outermost first.
void expandAncestors(TCardOutlineView* outline, TCardItem* item, TTreeNode* top) {
    QList<TTreeNode*> ancestors;
    for (TTreeNode* node = item->GetParent(); node && node != top; node = node->GetParent())
        ancestors.prepend(node);
    for (TTreeNode* node : ancestors) outline->expandItem(static_cast<TCardItem*>(node));
}

} // namespace

TOutlineViewController::TOutlineViewController(TCard* card, QObject* parent)
    : TCardContentViewController(card, parent) {}

TOutlineViewController::~TOutlineViewController() {
    // Steps of this outline would act on a controller that is gone.
    if (m_windowUndoStack) m_windowUndoStack->clear();
    delete m_ownUndoStack;
    if (isViewLoaded()) delete view();
}

void TOutlineViewController::registerForListCards() {
    RowControllers::registerItemRows();
    CardViewControllers::registerMaker(TListCard::StaticClass(),
                                       [](TCard* card) { return new TOutlineViewController(card); });
}

QWidget* TOutlineViewController::loadView() {
    auto* container = new QWidget;
    auto* layout = new QVBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    m_browser = new TCardOutlineView(this, container);
    if (card()) m_browser->setTheme(card()->GetTheme());
    layout->addWidget(m_browser);
    new OutlineDragController(this, m_browser);
    m_browser->reloadData();
    return container;
}

TCardOutlineView* TOutlineViewController::browser() {
    view();
    return m_browser;
}

TJobslate* TOutlineViewController::jobslate() const {
    return dynamic_cast<TJobslate*>(card());
}

TListItem* TOutlineViewController::root() const {
    auto* list = dynamic_cast<TListCard*>(card());
    return list ? list->GetRoot() : nullptr;
}

TCardItem* TOutlineViewController::dataSource() const {
    return m_filter ? m_filter.get() : root();
}

void TOutlineViewController::setFilter(TCardItem* filterRoot, qint32 kind) {
    m_filter = Ref<TCardItem>::retain(filterRoot);
    m_filterKind = filterRoot ? kind : 0;
    if (m_browser) m_browser->reloadData();
}

void TOutlineViewController::applyFilter(qint32 kind) {
    if (kind != kFilterKindForecast && kind != kFilterKindImportant) {
        m_taskFilter.reset();
        setFilter(nullptr, kind);
        return;
    }
    m_taskFilter = std::make_unique<OutlineFilter>(dynamic_cast<TListCard*>(card()), TFilterKind(kind));
    connect(m_taskFilter.get(), &OutlineFilter::changed, this, [this] {
        if (m_browser) m_browser->reloadData();
    });
    // An empty root of its own stands for the filter, so nothing can be edited while it shows.
    setFilter(Ref<TCardItem>::adopt(TCardItem::Create()).get(), kind);
}

QUndoStack* TOutlineViewController::undoStack() {
    if (auto* window = dynamic_cast<TGenericCardWindowController*>(owner())) {
        auto* stack = window->findChild<QUndoStack*>(QString(), Qt::FindDirectChildrenOnly);
        m_windowUndoStack = stack ? stack : new QUndoStack(window);
        return m_windowUndoStack;
    }
    if (!m_ownUndoStack) m_ownUndoStack = new QUndoStack;
    return m_ownUndoStack;
}

// ---------------------------------------------------------------------------------------------
// First responder and insertion point

TCardItem* TOutlineViewController::itemForFirstResponder() const {
    if (!m_browser) return nullptr;
    const QList<qint32> rows = m_browser->selectedRows();
    if (rows.size() == 1) return m_browser->itemAtRow(rows.first());
    if (rows.size() > 1) return nullptr;
    auto* text = qobject_cast<TCardTextView*>(QApplication::focusWidget());
    if (!text || !m_browser->isAncestorOf(text)) return nullptr;
    return text->cardItem();
}

TCardItem* TOutlineViewController::insertionParent() const {
    TCardItem* item = itemForFirstResponder();
    if (!item || item->GetParent() == root()) return nullptr;
    return static_cast<TCardItem*>(item->GetParent());
}

qint64 TOutlineViewController::insertionIndex() const {
    TCardItem* item = itemForFirstResponder();
    return item ? item->GetIndex() : -1;
}

// ---------------------------------------------------------------------------------------------
// Selection and focus

void TOutlineViewController::selectItem(TCardItem* item) {
    const qint32 row = browser()->rowForItem(item);
    if (row < 0) return;
    m_browser->selectRow(row, false);
    m_browser->scrollRowToVisible(row);
}

void TOutlineViewController::makeItemFirstResponder(TCardItem* item) {
    browser()->deselectAll();
    if (TCardItemRowViewController* controller = m_browser->ensureController(item))
        controller->makeFirstResponder();
}

void TOutlineViewController::makeItemAtRowFirstResponder(qint32 row) {
    if (TCardItem* item = browser()->itemAtRow(row)) makeItemFirstResponder(item);
}

void TOutlineViewController::focusItem(TCardItem* item) {
    if (!item) return;
    expandAncestors(browser(), item, dataSource());
    // A row inside a parent that was closed gets its controller now.
    TCardItemRowViewController* controller = m_browser->ensureController(item);
    if (!controller) {
        Diagnostics::line(QStringLiteral("item to focus has no view representation."));
        QApplication::beep();
        return;
    }
    makeItemFirstResponder(item);
    controller->focus();
}

void TOutlineViewController::makePrimaryInputFirstResponder() {
    browser()->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------------------------------------
// Editing operations

TCardItem* TOutlineViewController::resolved(TCardItem* parent) const {
    return parent ? parent : root();
}

void TOutlineViewController::insertItems(const QList<TCardItem*>& items, TCardItem* parent, qint64 index) {
    if (items.isEmpty()) return;
    undoStack()->push(new OutlineCommands::InsertItems(this, items, parent, index));
}

void TOutlineViewController::insertItem(TCardItem* item, TCardItem* parent, qint64 index) {
    insertItems({item}, parent, index);
}

void TOutlineViewController::removeItem(TCardItem* item, TCardItem* parent) {
    if (!item || !item->GetParent()) return;
    undoStack()->push(new OutlineCommands::RemoveItem(this, item, parent));
}

void TOutlineViewController::removeItemFromParent(TCardItem* item) {
    if (item) removeItem(item, static_cast<TCardItem*>(item->GetParent()));
}

bool TOutlineViewController::moveItem(TCardItem* item, TCardItem* parent, qint64 index) {
    TCardItem* target = resolved(parent);
    // A row cannot go into itself or one of its own rows.
    if (!item || !target || target == item || item->ContainsChild(target, true)) {
        QApplication::beep();
        return false;
    }
    Diagnostics::line(QStringLiteral("- moveItem at %1").arg(index));
    undoStack()->push(new OutlineCommands::MoveItem(this, item, parent, index));
    return true;
}

void TOutlineViewController::moveItem(TCardItem* item, TTreeNode* parent, qint64 index) {
    moveItem(item, dynamic_cast<TCardItem*>(parent), index);
}

void TOutlineViewController::expandItem(TCardItem* item) {
    if (item) undoStack()->push(new OutlineCommands::ExpandItem(this, item, true));
}

void TOutlineViewController::collapseItem(TCardItem* item) {
    if (item) undoStack()->push(new OutlineCommands::ExpandItem(this, item, false));
}

bool TOutlineViewController::recordTextEdit(TCardItem* item, const AttributedString& before,
                                            const AttributedString& after, qint64 caretBefore,
                                            qint64 caretAfter, bool typing) {
    if (!dynamic_cast<TTextItem*>(item)) return false;
    undoStack()->push(
        new OutlineCommands::EditText(this, item, {before, after, caretBefore, caretAfter, typing}));
    return true;
}

void TOutlineViewController::changeColor(const QColor& color, TCardItem* item) {
    if (textControllerFor(item)) undoStack()->push(new OutlineCommands::ChangeTextStyle(this, item, color));
}

void TOutlineViewController::changeFont(const QFont& font, TCardItem* item) {
    if (textControllerFor(item)) undoStack()->push(new OutlineCommands::ChangeTextStyle(this, item, font));
}

TTextItemViewController* TOutlineViewController::textControllerFor(TCardItem* item) {
    // A row closed away since (the row of an undo step) opens again, so its text takes the change.
    if (item && !m_filter && browser()->rowForItem(item) < 0 && item->GetRoot() == root())
        expandAncestors(m_browser, item, root());
    return dynamic_cast<TTextItemViewController*>(browser()->ensureController(item));
}

void TOutlineViewController::didInsertItems(const QList<TCardItem*>& items, TCardItem* parent) {
    if (parent != dataSource()) browser()->expandItem(parent);
    if (!items.isEmpty()) makeItemFirstResponder(items.last());
    updateMarkers(parent);
    setUINeedsDisplay();
}

void TOutlineViewController::didChangeRows(TCardItem* parent) {
    updateMarkers(parent);
    setUINeedsDisplay();
}

double TOutlineViewController::heightOfRowByItem(TCardItem* item) {
    TCardItemRowViewController* controller = browser()->ensureController(item);
    return controller ? controller->view()->height() : 0.0;
}

// ---------------------------------------------------------------------------------------------
// Outline delegate

bool TOutlineViewController::isItemExpandable(TCardItem* item) const {
    if (!item || !item->HasChildren()) return false;
    return !m_filter || item->IsGroup();
}

TCardItemRowViewController* TOutlineViewController::makeRowController(TCardItem* item) {
    return RowControllers::make(item, card());
}

void TOutlineViewController::outlineItemWillExpand(TCardItem* item) {
    if (auto* controller = browser()->controllerForItem(item)) controller->itemDidExpand(item);
    auto* list = dynamic_cast<TListItem*>(item);
    auto* parentList = list ? dynamic_cast<TListItem*>(list->GetParent()) : nullptr;
    if (parentList && parentList->GetRowNumbering() != 0 &&
        NSPrefs().boolForKey(kPreferenceKeyInheritRowNumbering))
        list->SetRowNumbering(parentList->GetRowNumbering());
    setUINeedsDisplay();
}

void TOutlineViewController::outlineItemWillCollapse(TCardItem* item) {
    if (auto* controller = browser()->controllerForItem(item)) controller->itemDidCollapse(item);
    setUINeedsDisplay();
}

void TOutlineViewController::outlineDidAddRow(TCardItem* item) {
    if (auto* controller = m_browser->controllerForItem(item)) controller->itemDidAddRow(item);
    if (auto* list = dynamic_cast<TListItemViewController*>(m_browser->controllerForItem(item)))
        list->updateMarker();
}

void TOutlineViewController::outlineDidRemoveRow(TCardItem* item) {
    if (auto* controller = m_browser->controllerForItem(item)) controller->itemDidRemoveRow(item);
}

void TOutlineViewController::updateMarkers(TCardItem* item) {
    TCardItem* top = item ? item : dataSource();
    if (!top || !m_browser) return;
    for (TObject* object : *top->GetAllChildrenIncludingSelf()) {
        auto* node = static_cast<TCardItem*>(object);
        if (auto* list = dynamic_cast<TListItemViewController*>(m_browser->controllerForItem(node)))
            list->updateMarker();
    }
}

void TOutlineViewController::recalculateRows() {
    if (!m_browser) return;
    for (qint32 row = 0; row < m_browser->numberOfRows(); ++row)
        if (auto* controller = m_browser->controllerForItem(m_browser->itemAtRow(row))) {
            QWidget* content = controller->view();
            content->resize(std::max(1, m_browser->viewport()->width() - content->x()), content->height());
            controller->recalculateRow();
        }
    setUINeedsDisplay();
}
