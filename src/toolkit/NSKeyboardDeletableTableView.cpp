#include "NSKeyboardDeletableTableView.h"

void NSKeyboardDeletableTableView::keyPressEvent(QKeyEvent* event) {
    if (!KeyboardDeletable::handleKey(this, event, state() == EditingState, m_deleteAction, m_addAction))
        QTableView::keyPressEvent(event);
}
