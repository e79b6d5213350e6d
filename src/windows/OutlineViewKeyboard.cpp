// The outline controller's commands, menu validation and the keys of its rows.

#include "windows/OutlineViewController.h"

#include "model/Card.h"
#include "model/CardItems.h"
#include "model/Globals.h"
#include "model/ListCard.h"
#include "model/Preferences.h"
#include "model/Task.h"
#include "platform/Diagnostics.h"
#include "platform/UserDefaults.h"
#include "windows/CardItemRowViewController.h"
#include "windows/CardTextView.h"
#include "windows/ChoiceDialogs.h"
#include "windows/TaskRowViewController.h"
#include "windows/TextItemViewController.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QHash>
#include <QMimeData>
#include <QPointer>
#include <QTextBlock>
#include <QTextLayout>

namespace {

const QString kLinkNameType = QStringLiteral("card.linkname");

} // namespace

bool TOutlineViewController::refuseWhenNotEditable() const {
    if (isBrowserEditable()) return false;
    QApplication::beep();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Row factories

QString TOutlineViewController::defaultItemClass() const {
    qint32 kind = jobslate() ? jobslate()->GetDefaultItem() : kItemKindList;
    if (kind == kItemKindPreference) kind = qint32(NSPrefs().integerForKey(kPreferenceKeyDefaultNewItemKind));
    return kind == kItemKindTask ? QStringLiteral("TTask") : QStringLiteral("TListItem");
}

TCardItem* TOutlineViewController::defaultNewItem() const {
    if (defaultItemClass() == QLatin1String("TTask")) return TTask::Create(QString());
    return TListItem::Create(QString());
}

// ---------------------------------------------------------------------------------------------
// Commands

void TOutlineViewController::addRow() {
    if (refuseWhenNotEditable()) return;
    Ref<TCardItem> item = Ref<TCardItem>::adopt(defaultNewItem());
    insertItem(item.get(), insertionParent(), insertionIndex() + 1);
}

void TOutlineViewController::addRowInside() {
    if (refuseWhenNotEditable()) return;
    Ref<TCardItem> item = Ref<TCardItem>::adopt(defaultNewItem());
    insertItem(item.get(), itemForFirstResponder(), -1);
}

void TOutlineViewController::addRowOutside() {
    if (refuseWhenNotEditable()) return;
    Ref<TCardItem> item = Ref<TCardItem>::adopt(defaultNewItem());
    TCardItem* parent = insertionParent();
    if (!parent) {
        insertItem(item.get(), nullptr, -1);
        return;
    }
    auto* grandparent = static_cast<TCardItem*>(parent->GetParent());
    insertItem(item.get(), grandparent == root() ? nullptr : grandparent, parent->GetIndex() + 1);
}

void TOutlineViewController::addSeperator() {
    if (refuseWhenNotEditable()) return;
    Ref<TCardItem> item = Ref<TCardItem>::adopt(TSeperatorItem::Create());
    insertItem(item.get(), insertionParent(), insertionIndex() + 1);
}

void TOutlineViewController::indentRowRight() {
    if (TCardItem* item = itemForFirstResponder()) indentRow(browser()->rowForItem(item));
}

void TOutlineViewController::indentRowLeft() {
    if (refuseWhenNotEditable()) return;
    TCardItem* item = itemForFirstResponder();
    TCardItem* parent = insertionParent();
    // A top row has no outer level to step out to.
    if (!item || !parent) {
        QApplication::beep();
        return;
    }
    auto* grandparent = static_cast<TCardItem*>(parent->GetParent());
    moveItem(item, grandparent == root() ? nullptr : grandparent, parent->GetIndex() + 1);
}

void TOutlineViewController::moveRowUp() {
    if (refuseWhenNotEditable()) return;
    if (TCardItem* item = itemForFirstResponder()) moveItem(item, insertionParent(), insertionIndex() - 1);
}

void TOutlineViewController::moveRowDown() {
    if (refuseWhenNotEditable()) return;
    if (TCardItem* item = itemForFirstResponder()) moveItem(item, insertionParent(), insertionIndex() + 1);
}

void TOutlineViewController::groupRows() {
    if (refuseWhenNotEditable()) return;
    QList<TCardItem*> selected;
    for (qint32 row : browser()->selectedRows()) selected << m_browser->itemAtRow(row);
    if (selected.isEmpty()) return;
    TCardItem* first = selected.first();
    TCardItem* parent = m_browser->parentForItem(first);
    const qint64 index = first->GetIndex();
    Ref<TCardItem> group = Ref<TCardItem>::adopt(defaultNewItem());
    insertItem(group.get(), parent, index);
    for (TCardItem* item : selected) moveItem(item, group.get(), -1);
    m_browser->expandItem(group.get());
    makeItemFirstResponder(group.get());
}

void TOutlineViewController::expandRow() {
    if (TCardItem* item = itemForFirstResponder()) expandItem(item);
}

void TOutlineViewController::collapseRow() {
    if (TCardItem* item = itemForFirstResponder()) collapseItem(item);
}

void TOutlineViewController::expandAllRows() {
    bool expanded = true;
    while (expanded) {
        expanded = false;
        const qint32 count = browser()->numberOfRows();
        for (qint32 row = 0; row < count; ++row) {
            TCardItem* item = m_browser->itemAtRow(row);
            if (item && isItemExpandable(item) && !m_browser->isItemExpanded(item)) {
                expandItem(item);
                expanded = true;
            }
        }
    }
    recalculateRows();
}

void TOutlineViewController::collapseAllRows() {
    qint32 before = -1;
    while (before != browser()->numberOfRows()) {
        before = m_browser->numberOfRows();
        for (qint32 row = before - 1; row >= 0; --row) {
            TCardItem* item = m_browser->itemAtRow(row);
            if (item && item->IsExpanded()) collapseItem(item);
        }
    }
    recalculateRows();
}

void TOutlineViewController::selectActiveRow() {
    TCardItem* item = itemForFirstResponder();
    if (!item) return;
    // The text gives up the focus first: its caret leaving would clear the selection.
    m_browser->setFocus(Qt::OtherFocusReason);
    m_browser->selectRow(m_browser->rowForItem(item), true);
}

void TOutlineViewController::deselectActiveRow() {
    TCardItem* item = itemForFirstResponder();
    if (!item) return;
    m_browser->deselectRow(m_browser->rowForItem(item));
    makeItemFirstResponder(item);
}

void TOutlineViewController::removeCompletedTasks() {
    if (refuseWhenNotEditable() || !root()) return;
    QList<TTask*> tasks;
    CollectTasks(root(), false, tasks);
    QList<TTask*> completed;
    for (TTask* task : tasks)
        if (task->IsCompleted()) completed << task;
    // A task inside a completed task leaves with it: removing it too would take it out twice.
    for (TTask* task : completed) {
        bool insideRemoved = false;
        for (TTask* other : completed)
            if (other != task && other->ContainsChild(task, true)) insideRemoved = true;
        if (!insideRemoved) removeItemFromParent(task);
    }
}

void TOutlineViewController::rowNumberingChanged(qint32 numbering) {
    const qint32 selected = browser()->selectedRow();
    auto* target = dynamic_cast<TListItem*>(selected >= 0 ? m_browser->itemAtRow(selected) : root());
    if (!target) return;
    Diagnostics::line(
        QStringLiteral("row numbering changed to %1 from %2").arg(numbering).arg(target->GetRowNumbering()));
    for (TObject* object : *target->GetAllChildrenIncludingSelf()) {
        auto* list = dynamic_cast<TListItem*>(object);
        if (list && (list->HasChildren() || list == root())) list->SetRowNumbering(numbering);
    }
    updateMarkers(target);
    if (card()) card()->SetModified(true);
}

void TOutlineViewController::defaultItemChanged(qint32 kind) {
    if (TJobslate* card = jobslate()) card->SetDefaultItem(kind);
}

void TOutlineViewController::copyLinkAddress() {
    auto* data = new QMimeData;
    if (TCardItem* item = itemForFirstResponder()) {
        data->setText(URISchemeProtocol() + QStringLiteral("goto?item=%1").arg(item->GetUUID()));
        if (auto* text = dynamic_cast<TTextItem*>(item))
            data->setData(kLinkNameType, text->GetText().string().toUtf8());
    } else if (card()) {
        data->setText(URISchemeProtocol() + QStringLiteral("goto?card=%1").arg(card()->GetUUID()));
        data->setData(kLinkNameType, card()->GetTitle().toUtf8());
    }
    QApplication::clipboard()->setMimeData(data);
}

void TOutlineViewController::pasteAsItems() {
    if (refuseWhenNotEditable()) return;
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data || !data->hasText()) return;
    QList<Ref<TCardItem>> made;
    for (const QString& line : data->text().split(QLatin1Char('\n'))) {
        if (line.isEmpty()) continue;
        auto* item = static_cast<TTextItem*>(defaultNewItem());
        item->SetText(line.trimmed());
        made << Ref<TCardItem>::adopt(item);
    }
    QList<TCardItem*> items;
    for (const Ref<TCardItem>& item : made) items << item.get();
    insertItems(items, insertionParent(), insertionIndex() + 1);
}

namespace {

using Command = void (TOutlineViewController::*)();

// The commands taken by name (the card window forwards them).
const QHash<QString, Command>& commandTable() {
    static const QHash<QString, Command> commands = {
        {QStringLiteral("addRow"), &TOutlineViewController::addRow},
        {QStringLiteral("addRowInside"), &TOutlineViewController::addRowInside},
        {QStringLiteral("addRowOutside"), &TOutlineViewController::addRowOutside},
        {QStringLiteral("addSeperator"), &TOutlineViewController::addSeperator},
        {QStringLiteral("indentRowRight"), &TOutlineViewController::indentRowRight},
        {QStringLiteral("indentRowLeft"), &TOutlineViewController::indentRowLeft},
        {QStringLiteral("moveRowUp"), &TOutlineViewController::moveRowUp},
        {QStringLiteral("moveRowDown"), &TOutlineViewController::moveRowDown},
        {QStringLiteral("groupRows"), &TOutlineViewController::groupRows},
        {QStringLiteral("expandRow"), &TOutlineViewController::expandRow},
        {QStringLiteral("collapseRow"), &TOutlineViewController::collapseRow},
        {QStringLiteral("expandAllRows"), &TOutlineViewController::expandAllRows},
        {QStringLiteral("collapseAllRows"), &TOutlineViewController::collapseAllRows},
        {QStringLiteral("selectActiveRow"), &TOutlineViewController::selectActiveRow},
        {QStringLiteral("deselectActiveRow"), &TOutlineViewController::deselectActiveRow},
        {QStringLiteral("removeCompletedTasks"), &TOutlineViewController::removeCompletedTasks},
        {QStringLiteral("copyLinkAddress"), &TOutlineViewController::copyLinkAddress},
        {QStringLiteral("pasteAsItems"), &TOutlineViewController::pasteAsItems},
        {QStringLiteral("addFile"), &TOutlineViewController::addFile},
        {QStringLiteral("addImage"), &TOutlineViewController::addImage},
        {QStringLiteral("addURL"), &TOutlineViewController::addURL},
        {QStringLiteral("copyFont"), &TOutlineViewController::copyFont},
        {QStringLiteral("pasteFont"), &TOutlineViewController::pasteFont},
        {QStringLiteral("underline"), &TOutlineViewController::underline},
        {QStringLiteral("changeCardColor"), &TOutlineViewController::changeCardColor},
    };
    return commands;
}

} // namespace

bool TOutlineViewController::performCommand(const QString& action, const QVariant& argument) {
    if (action == QLatin1String("rowNumberingChanged")) {
        rowNumberingChanged(argument.toInt());
        return true;
    }
    if (action == QLatin1String("defaultItemChanged")) {
        defaultItemChanged(argument.toInt());
        return true;
    }
    if (action == QLatin1String("changeFont")) {
        toggleFontTrait(argument.toInt());
        return true;
    }
    if (action == QLatin1String("showInCalendar") || action == QLatin1String("showInfo")) {
        TCardItem* item = itemForFirstResponder();
        TCardItemRowViewController* row = item ? browser()->controllerForItem(item) : nullptr;
        if (auto* task = dynamic_cast<TTaskViewController*>(row);
            task && action == QLatin1String("showInCalendar"))
            task->showInCalendar();
        else if (row && action == QLatin1String("showInfo"))
            row->showInfo();
        return true;
    }
    if (action == QLatin1String("orderFrontFontPanel")) {
        orderFrontFontPanel();
        return true;
    }
    if (action == QLatin1String("orderFrontColorPanel")) {
        // The text of the selected rows or of the row typed in (taken now: the dialog takes the focus),
        // with neither the card's colour; the rows are kept while the dialog runs.
        QList<Ref<TCardItem>> items;
        for (TCardItem* item : styledItems()) items << Ref<TCardItem>::retain(item);
        TTextItemViewController* first = items.isEmpty() ? nullptr : textControllerFor(items.first().get());
        const QColor current = first    ? first->editor()->textColor()
                               : card() ? card()->GetColor()
                                        : QColor(Qt::black);
        const QPointer<TOutlineViewController> self(this);
        const std::optional<QColor> colour = ChoiceDialogs::chooseColor(current, view());
        if (!colour || !self) return true;
        if (items.isEmpty()) changeColor(*colour);
        for (const Ref<TCardItem>& item : items) changeColor(*colour, item.get());
        return true;
    }
    const QHash<QString, Command>& commands = commandTable();
    const auto found = commands.constFind(action);
    if (found == commands.constEnd()) return false;
    (this->*(*found))();
    return true;
}

bool TOutlineViewController::validateMenuItem(MenuItemState& item) {
    static const QStringList rowCommands = {QStringLiteral("indentRowLeft"), QStringLiteral("indentRowRight"),
                                            QStringLiteral("moveRowUp"), QStringLiteral("moveRowDown")};
    static const QStringList insertions = {QStringLiteral("addFile"),       QStringLiteral("addImage"),
                                           QStringLiteral("addURL"),        QStringLiteral("addSeperator"),
                                           QStringLiteral("addRow"),        QStringLiteral("addRowInside"),
                                           QStringLiteral("addRowOutside"), QStringLiteral("pasteAsItems")};
    static const QStringList focusCommands = {
        QStringLiteral("expandRow"),         QStringLiteral("collapseRow"), QStringLiteral("selectActiveRow"),
        QStringLiteral("deselectActiveRow"), QStringLiteral("showInfo"),    QStringLiteral("copyFont")};
    TCardItem* focused = itemForFirstResponder();
    const bool editable = isBrowserEditable();
    if (item.action == QLatin1String("changeCardColor") && card())
        item.representedObject = ColorWellImage(card()->GetColor());
    if (item.action == QLatin1String("removeCompletedTasks")) return jobslate() && editable;
    if (item.action == QLatin1String("defaultItemChanged")) {
        item.checked = jobslate() && jobslate()->GetDefaultItem() == item.representedObject.toInt();
        return true;
    }
    if (rowCommands.contains(item.action)) return editable && focused;
    if (insertions.contains(item.action)) return editable;
    if (focusCommands.contains(item.action)) return focused != nullptr;
    if (item.action == QLatin1String("groupRows")) return editable && browser()->selectedRows().size() > 1;
    if (item.action == QLatin1String("showInCalendar")) {
        auto* task = dynamic_cast<TTask*>(focused);
        return task && task->HasEvent();
    }
    if (item.action == QLatin1String("rowNumberingChanged")) {
        const qint32 tag = item.representedObject.toInt();
        if (focused) {
            auto* list = dynamic_cast<TListItem*>(focused);
            item.checked = list && !dynamic_cast<TTask*>(focused) && list->GetRowNumbering() == tag;
            return list && !dynamic_cast<TTask*>(focused);
        }
        const bool available =
            browser()->selectedRows().isEmpty() && card() && card()->IsRowNumberingAvailable() && root();
        item.checked = available && root()->GetRowNumbering() == tag;
        return available;
    }
    // The font and colour panels' changes.
    if (item.action == QLatin1String("changeFont") || item.action == QLatin1String("changeColor") ||
        item.action == QLatin1String("orderFrontFontPanel") ||
        item.action == QLatin1String("orderFrontColorPanel"))
        return true;
    return commandTable().contains(item.action);
}

// ---------------------------------------------------------------------------------------------
// The keys of the rows

void TOutlineViewController::insertItemAtRow(qint32 row) {
    if (refuseWhenNotEditable()) return;
    Ref<TCardItem> item = Ref<TCardItem>::adopt(defaultNewItem());
    TCardItem* at = browser()->itemAtRow(row);
    if (!at) {
        insertItem(item.get(), nullptr, -1);
    } else if (m_browser->isItemExpanded(at)) {
        insertItem(item.get(), at, 0);
    } else {
        insertItem(item.get(), m_browser->parentForItem(at), at->GetIndex() + 1);
    }
}

void TOutlineViewController::insertItemInside(TCardItem* item) {
    if (refuseWhenNotEditable() || !item) return;
    Ref<TCardItem> made = Ref<TCardItem>::adopt(defaultNewItem());
    insertItem(made.get(), item, -1);
}

void TOutlineViewController::insertItemOutside(TCardItem* item) {
    if (refuseWhenNotEditable() || !item) return;
    TCardItem* parent = browser()->parentForItem(item);
    if (!parent) {
        QApplication::beep();
        return;
    }
    Ref<TCardItem> made = Ref<TCardItem>::adopt(defaultNewItem());
    insertItem(made.get(), m_browser->parentForItem(parent), parent->GetIndex() + 1);
}

void TOutlineViewController::indentRow(qint32 row) {
    TCardItem* item = browser()->itemAtRow(row);
    TCardItem* above = m_browser->itemAtRow(row - 1);
    if (!isBrowserEditable() || !item || !above) {
        QApplication::beep();
        return;
    }
    moveItem(item, above, -1);
}

void TOutlineViewController::outdentRow(qint32 row) {
    TCardItem* item = browser()->itemAtRow(row);
    TCardItem* parent = m_browser->parentForItem(item);
    if (!isBrowserEditable() || !item || !parent) {
        QApplication::beep();
        return;
    }
    moveItem(item, m_browser->parentForItem(parent), parent->GetIndex() + 1);
}

void TOutlineViewController::removeSelectedRows() {
    if (refuseWhenNotEditable()) return;
    const QList<qint32> rows = browser()->selectedRows();
    if (rows.isEmpty()) return;
    const qint32 first = *std::min_element(rows.begin(), rows.end());
    QList<Ref<TCardItem>> items;
    for (qint32 row : rows) items << Ref<TCardItem>::retain(m_browser->itemAtRow(row));
    for (const Ref<TCardItem>& item : items)
        if (item->GetParent()) removeItemFromParent(item.get());
    if (first - 1 >= 0) m_browser->selectRow(first - 1, false);
}

void TOutlineViewController::removeItemAtRow(qint32 row) {
    if (refuseWhenNotEditable()) return;
    TCardItem* item = browser()->itemAtRow(row);
    if (!item) return;
    removeItemFromParent(item);
    TCardItem* above = m_browser->itemAtRow(row - 1);
    if (!above) return;
    makeItemFirstResponder(above);
    if (auto* text = dynamic_cast<TKeyboardTextNavigationProtocol*>(m_browser->controllerForItem(above)))
        text->setSelectedRange(INT_MAX, INT_MAX);
}

void TOutlineViewController::setInsertion(qint64 location, qint32 row) {
    TCardItem* item = browser()->itemAtRow(row);
    if (!item) return;
    TCardItemRowViewController* controller = m_browser->ensureController(item);
    auto* text = dynamic_cast<TKeyboardTextNavigationProtocol*>(controller);
    if (text && text->isSelectable()) {
        m_browser->deselectAll();
        controller->makeFirstResponder();
        text->setSelectedRange(location, 0);
        return;
    }
    m_browser->setFocus(Qt::OtherFocusReason);
    m_browser->selectRow(row, false);
    m_browser->scrollRowToVisible(row);
}

void TOutlineViewController::setInsertionWithColumn(const QRectF& rect, bool startFromEnd, qint32 row) {
    TCardItem* item = browser()->itemAtRow(row);
    if (!item) return;
    TCardItemRowViewController* controller = m_browser->ensureController(item);
    auto* text = dynamic_cast<TTextItemViewController*>(controller);
    if (!text || !text->isSelectable()) {
        m_browser->setFocus(Qt::OtherFocusReason);
        m_browser->selectRow(row, false);
        m_browser->scrollRowToVisible(row);
        return;
    }
    m_browser->deselectAll();
    controller->makeFirstResponder();
    TCardTextView* editor = text->editor();
    QTextDocument* document = editor->document();
    if (document->isEmpty()) return;
    // The column as an x in the text view; the line is the first one going down, the last going up.
    const QPoint origin = editor->viewport()->mapFrom(m_browser->viewport(), rect.topRight().toPoint());
    const double x = origin.x();
    double y = 0.0;
    if (startFromEnd) {
        const QTextBlock last = document->lastBlock();
        const QRectF block = document->documentLayout()->blockBoundingRect(last);
        const QTextLayout* layout = last.layout();
        y = block.top() + (layout && layout->lineCount() > 0
                               ? layout->lineAt(layout->lineCount() - 1).rect().center().y()
                               : block.height() / 2);
    } else {
        const QTextBlock first = document->firstBlock();
        const QTextLayout* layout = first.layout();
        y = layout && layout->lineCount() > 0 ? layout->lineAt(0).rect().center().y() : 1.0;
    }
    const int position = document->documentLayout()->hitTest(QPointF(x, y), Qt::FuzzyHit);
    text->setSelectedRange(position < 0 ? INT_MAX : position, 0);
}
