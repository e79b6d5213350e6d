#include "windows/OutlineCommands.h"

#include "model/CardItems.h"
#include "model/Globals.h"
#include "model/Task.h"
#include "platform/calendar/EKCalendar.h"
#include "platform/calendar/EKEventStore.h"
#include "windows/CardTextView.h"
#include "windows/OutlineViewController.h"
#include "windows/TextItemViewController.h"

#include <QApplication>
#include <QTextCursor>

namespace OutlineCommands {

InsertItems::InsertItems(TOutlineViewController* controller, const QList<TCardItem*>& items,
                         TCardItem* parent, qint64 index)
    : QUndoCommand(QStringLiteral("Add Item")), m_controller(controller),
      m_parent(Ref<TCardItem>::retain(controller->resolved(parent))), m_index(index) {
    for (TCardItem* item : items) m_items << Ref<TCardItem>::retain(item);
}

void InsertItems::redo() {
    QList<TCardItem*> items;
    // Rows inserted at one index keep their order: each goes after the one before it.
    const bool append = m_index < 0 || m_index >= m_parent->ChildCount();
    qint64 at = m_index;
    for (const Ref<TCardItem>& item : m_items) {
        m_parent->InsertChild(item.get(), append ? -1 : at++);
        items << item.get();
    }
    m_controller->didInsertItems(items, m_parent.get());
}

void InsertItems::undo() {
    for (const Ref<TCardItem>& item : m_items) item->RemoveFromParent();
    m_controller->didChangeRows(m_parent.get());
    // The focus went with a row: the outline takes it, so the keys go on working in the card.
    if (!QApplication::focusWidget()) m_controller->makePrimaryInputFirstResponder();
}

RemoveItem::RemoveItem(TOutlineViewController* controller, TCardItem* item, TCardItem* parent)
    : QUndoCommand(QStringLiteral("Remove Item")), m_controller(controller),
      m_item(Ref<TCardItem>::retain(item)), m_parent(Ref<TCardItem>::retain(controller->resolved(parent))),
      m_index(item->GetIndex()) {}

void RemoveItem::redo() {
    m_events.clear();
    for (TObject* node : *m_item->GetAllChildrenIncludingSelf())
        if (auto* task = dynamic_cast<TTask*>(node); task && task->HasEvent())
            m_events.append({Ref<TCardItem>::retain(task), task->GetEvent()->data()});
    m_item->RemoveFromParent();
    m_controller->didChangeRows(m_parent.get());
}

void RemoveItem::undo() {
    m_parent->InsertChild(m_item.get(), m_index);
    for (const SavedEvent& saved : std::as_const(m_events)) {
        auto* task = static_cast<TTask*>(saved.task.get());
        std::shared_ptr<EKEvent> event = task->GetEvent();
        if (!event) continue; // no calendar store
        event->setTitle(saved.data.title);
        event->setNotes(saved.data.notes);
        event->setLocation(saved.data.location);
        event->setURL(saved.data.url);
        event->setStartDate(saved.data.startDate);
        event->setEndDate(saved.data.endDate);
        event->setAllDay(saved.data.allDay);
        event->setAlarms(saved.data.alarms);
        event->setRecurrenceRules(saved.data.recurrenceRules);
        if (std::shared_ptr<EKEventStore> store = EventStore())
            if (std::shared_ptr<EKCalendar> calendar =
                    store->calendarWithIdentifier(saved.data.calendarIdentifier))
                event->setCalendar(calendar);
        task->SaveEvent();
    }
    m_controller->didInsertItems({m_item.get()}, m_parent.get());
}

MoveItem::MoveItem(TOutlineViewController* controller, TCardItem* item, TCardItem* parent, qint64 index)
    : QUndoCommand(QStringLiteral("Move Item")), m_controller(controller),
      m_item(Ref<TCardItem>::retain(item)), m_parent(Ref<TCardItem>::retain(controller->resolved(parent))),
      m_index(index) {}

void MoveItem::redo() {
    m_oldParent = Ref<TCardItem>::retain(static_cast<TCardItem*>(m_item->GetParent()));
    m_oldIndex = m_item->GetIndex();
    // InsertChild takes the row from its old parent straight to the new one, so a task row never
    // stands without a parent and keeps its calendar event.
    m_parent->InsertChild(m_item.get(), m_index);
    m_controller->didInsertItems({m_item.get()}, m_parent.get());
    if (m_oldParent && m_oldParent.get() != m_parent.get()) m_controller->updateMarkers(m_oldParent.get());
}

void MoveItem::undo() {
    if (!m_oldParent) return;
    m_oldParent->InsertChild(m_item.get(), m_oldIndex);
    m_controller->didInsertItems({m_item.get()}, m_oldParent.get());
    if (m_oldParent.get() != m_parent.get()) m_controller->updateMarkers(m_parent.get());
}

ExpandItem::ExpandItem(TOutlineViewController* controller, TCardItem* item, bool expand)
    : QUndoCommand(expand ? QStringLiteral("Expand Item") : QStringLiteral("Collapse Item")),
      m_controller(controller), m_item(Ref<TCardItem>::retain(item)), m_expand(expand) {}

void ExpandItem::redo() {
    if (m_expand)
        m_controller->browser()->expandItem(m_item.get());
    else
        m_controller->browser()->collapseItem(m_item.get());
}

void ExpandItem::undo() {
    if (m_expand)
        m_controller->browser()->collapseItem(m_item.get());
    else
        m_controller->browser()->expandItem(m_item.get());
}

ChangeTextStyle::ChangeTextStyle(TOutlineViewController* controller, TCardItem* item, const QColor& color)
    : QUndoCommand(QStringLiteral("Change Color")), m_controller(controller),
      m_item(Ref<TCardItem>::retain(item)), m_isFont(false), m_color(color) {}

ChangeTextStyle::ChangeTextStyle(TOutlineViewController* controller, TCardItem* item, const QFont& font)
    : QUndoCommand(QStringLiteral("Change Font")), m_controller(controller),
      m_item(Ref<TCardItem>::retain(item)), m_isFont(true), m_font(font) {}

void ChangeTextStyle::apply(bool redoing) {
    TTextItemViewController* row = m_controller->textControllerFor(m_item.get());
    if (!row) return;
    TCardTextView* editor = row->editor();
    QTextCursor cursor(editor->document());
    if (redoing) {
        const QTextCharFormat current = cursor.charFormat();
        m_oldColor = editor->document()->isEmpty() ? editor->textColor() : current.foreground().color();
        m_oldFont = editor->document()->isEmpty() ? editor->currentFont() : current.font();
    }
    // This step is the undo of the change: the text view records no typing step of its own.
    row->changeTextWithoutUndoStep([&] {
        cursor.select(QTextCursor::Document);
        QTextCharFormat format;
        if (m_isFont)
            format.setFont(redoing ? m_font : m_oldFont);
        else
            format.setForeground(redoing ? m_color : m_oldColor);
        cursor.mergeCharFormat(format);
        if (m_isFont)
            editor->setCurrentFont(redoing ? m_font : m_oldFont);
        else
            editor->setTextColor(redoing ? m_color : m_oldColor);
    });
    row->recalculateRow();
}

void ChangeTextStyle::redo() {
    apply(true);
}

void ChangeTextStyle::undo() {
    apply(false);
}

EditText::EditText(TOutlineViewController* controller, TCardItem* item, Edit edit)
    : QUndoCommand(QStringLiteral("Typing")), m_controller(controller), m_item(Ref<TCardItem>::retain(item)),
      m_edit(std::move(edit)) {}

void EditText::redo() {
    if (m_shown) {
        show(m_edit.after, m_edit.caretAfter);
        return;
    }
    static_cast<TTextItem*>(m_item.get())->SetText(m_edit.after);
    m_shown = true;
}

void EditText::undo() {
    show(m_edit.before, m_edit.caretBefore);
}

bool EditText::mergeWith(const QUndoCommand* other) {
    const auto* next = static_cast<const EditText*>(other);
    if (next->m_item.get() != m_item.get() || !m_edit.typing || !next->m_edit.typing ||
        next->m_edit.caretBefore != m_edit.caretAfter)
        return false;
    m_edit.after = next->m_edit.after;
    m_edit.caretAfter = next->m_edit.caretAfter;
    return true;
}

void EditText::show(const AttributedString& text, qint64 caret) {
    auto* item = static_cast<TTextItem*>(m_item.get());
    TTextItemViewController* row = m_controller->textControllerFor(item);
    if (!row || !row->editor()) {
        item->SetText(text);
        return;
    }
    m_controller->makeItemFirstResponder(item);
    row->replaceText(text, caret);
}

} // namespace OutlineCommands
