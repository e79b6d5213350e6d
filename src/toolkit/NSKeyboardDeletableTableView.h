#pragma once

#include "toolkit/KeyboardDeletable.h"

#include <QTableView>

// A table view whose Delete and Return keys send its delete and add actions (KeyboardDeletable).
// Owned by its parent widget; main thread only.
class NSKeyboardDeletableTableView : public QTableView {
    Q_OBJECT
public:
    using QTableView::QTableView;
    void setDeleteAction(KeyboardDeletable::Action action) { m_deleteAction = std::move(action); }
    void setAddAction(KeyboardDeletable::Action action) { m_addAction = std::move(action); }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    KeyboardDeletable::Action m_deleteAction;
    KeyboardDeletable::Action m_addAction;
};
