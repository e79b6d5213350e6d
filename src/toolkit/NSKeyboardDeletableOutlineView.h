#pragma once

#include "toolkit/KeyboardDeletable.h"

#include <QTreeView>

// An outline (tree) view whose Delete and Return keys send its delete and add actions (KeyboardDeletable).
// Owned by its parent widget; main thread only.
class NSKeyboardDeletableOutlineView : public QTreeView {
    Q_OBJECT
public:
    using QTreeView::QTreeView;
    void setDeleteAction(KeyboardDeletable::Action action) { m_deleteAction = std::move(action); }
    void setAddAction(KeyboardDeletable::Action action) { m_addAction = std::move(action); }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    KeyboardDeletable::Action m_deleteAction;
    KeyboardDeletable::Action m_addAction;
};
