#pragma once

#include <functional>

class QAbstractItemView;
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
} // namespace KeyboardDeletable
