#pragma once

#include <QAbstractItemView>
#include <functional>

class QKeyEvent;

// The keys of the keyboard-deletable table and outline views: Delete (or Backspace) sends the
// delete action and Return or Enter the add action, each with the view. Delete with no row
// selected beeps and leaves the key to the view; while a cell is being edited, and without the
// action, the keys go to the view as usual.
namespace KeyboardDeletable {

using Action = std::function<void(QAbstractItemView* view)>;

// Handles the key for the view (editing: a cell of it is being edited); false when the view should
// handle it itself.
bool handleKey(QAbstractItemView* view, const QKeyEvent* event, bool editing, const Action& deleteAction,
               const Action& addAction);

// An item view of the class Base with the two actions.
template <class Base> class View : public Base {
public:
    using Base::Base;
    void setDeleteAction(Action action) { m_deleteAction = std::move(action); }
    void setAddAction(Action action) { m_addAction = std::move(action); }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (!handleKey(this, event, this->state() == QAbstractItemView::EditingState, m_deleteAction,
                       m_addAction))
            Base::keyPressEvent(event);
    }

private:
    Action m_deleteAction;
    Action m_addAction;
};

} // namespace KeyboardDeletable
