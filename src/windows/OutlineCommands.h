#pragma once

#include "foundation/Object.h"
#include "platform/calendar/EKEvent.h"
#include "platform/text/AttributedString.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QUndoCommand>

class TCardItem;
class TOutlineViewController;

// The undo steps of the outline editor, one per structural edit and one per run of typing in a row. Each
// holds its rows (retained), so a removed row lives on for undo; the controller it acts through outlives it
// (the controller clears its undo stack's steps when it goes). The first redo makes the change. Main thread
// only.
namespace OutlineCommands {

// "Add Item": the rows go into the parent at the index in their order (an index out of range
// appends); undo takes them out again.
class InsertItems : public QUndoCommand {
public:
    InsertItems(TOutlineViewController* controller, const QList<TCardItem*>& items, TCardItem* parent,
                qint64 index);
    void redo() override;
    void undo() override;

private:
    TOutlineViewController* m_controller;
    QList<Ref<TCardItem>> m_items;
    Ref<TCardItem> m_parent;
    qint64 m_index;
};

// "Remove Item": takes the row out of its parent; undo puts it back at its former index, focused.
class RemoveItem : public QUndoCommand {
public:
    RemoveItem(TOutlineViewController* controller, TCardItem* item, TCardItem* parent);
    void redo() override;
    void undo() override;

private:
    TOutlineViewController* m_controller;
    Ref<TCardItem> m_item;
    Ref<TCardItem> m_parent;
    qint64 m_index;
    // Taking a task out deletes its calendar event; undo makes it again from these fields.
    struct SavedEvent {
        Ref<TCardItem> task;
        EKEventData data;
    };
    QList<SavedEvent> m_events;
};

// "Move Item": the row goes to the index of the new parent (counted without the row; out of range
// appends); undo returns it to its former parent and index.
class MoveItem : public QUndoCommand {
public:
    MoveItem(TOutlineViewController* controller, TCardItem* item, TCardItem* parent, qint64 index);
    void redo() override;
    void undo() override;

private:
    TOutlineViewController* m_controller;
    Ref<TCardItem> m_item;
    Ref<TCardItem> m_parent;
    qint64 m_index;
    Ref<TCardItem> m_oldParent;
    qint64 m_oldIndex = -1;
};

// "Expand Item" / "Collapse Item".
class ExpandItem : public QUndoCommand {
public:
    ExpandItem(TOutlineViewController* controller, TCardItem* item, bool expand);
    void redo() override;
    void undo() override;

private:
    TOutlineViewController* m_controller;
    Ref<TCardItem> m_item;
    bool m_expand;
};

// "Change Color" / "Change Font": the whole text of a text row; undo restores the former one.
class ChangeTextStyle : public QUndoCommand {
public:
    ChangeTextStyle(TOutlineViewController* controller, TCardItem* item, const QColor& color);
    ChangeTextStyle(TOutlineViewController* controller, TCardItem* item, const QFont& font);
    void redo() override;
    void undo() override;

private:
    void apply(bool redoing);

    TOutlineViewController* m_controller;
    Ref<TCardItem> m_item;
    bool m_isFont;
    QColor m_color, m_oldColor;
    QFont m_font, m_oldFont;
};

// "Typing": a row's text as the person changed it; undo puts back the former text and caret, in
// the row's text view when it has one. Typing that goes on in the same row where the step left
// off joins the step. The first redo only stores the text: the text view shows it already.
class EditText : public QUndoCommand {
public:
    struct Edit {
        AttributedString before, after;
        qint64 caretBefore = 0, caretAfter = 0;
        bool typing = false;
    };
    EditText(TOutlineViewController* controller, TCardItem* item, Edit edit);
    void redo() override;
    void undo() override;
    int id() const override { return 1; }
    bool mergeWith(const QUndoCommand* other) override;

private:
    void show(const AttributedString& text, qint64 caret);

    TOutlineViewController* m_controller;
    Ref<TCardItem> m_item;
    Edit m_edit;
    bool m_shown = false;
};

} // namespace OutlineCommands
