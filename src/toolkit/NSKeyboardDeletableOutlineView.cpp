#include "NSKeyboardDeletableOutlineView.h"

void NSKeyboardDeletableOutlineView::keyPressEvent(QKeyEvent* event) {
    if (!KeyboardDeletable::handleKey(this, event, state() == EditingState, m_deleteAction, m_addAction))
        QTreeView::keyPressEvent(event);
}
