#include "KeyboardDeletable.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>

namespace KeyboardDeletable {

bool handleKey(QAbstractItemView* view, const QKeyEvent* event, bool editing, const Action& deleteAction,
               const Action& addAction) {
    const int key = event->key();
    if ((key == Qt::Key_Delete || key == Qt::Key_Backspace) && deleteAction) {
        const QItemSelectionModel* selection = view->selectionModel();
        if (!selection || !selection->hasSelection()) {
            QApplication::beep();
            return false;
        }
        if (editing) return false;
        deleteAction(view);
        return true;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && addAction) {
        if (editing) return false;
        addAction(view);
        return true;
    }
    return false;
}

} // namespace KeyboardDeletable
