#pragma once

#include "toolkit/KeyboardDeletable.h"

#include <QTableView>

// A table view whose Delete and Return keys send its delete and add actions (KeyboardDeletable).
// Owned by its parent widget; main thread only.
class NSKeyboardDeletableTableView : public KeyboardDeletable::View<QTableView> {
    Q_OBJECT
public:
    using View::View;
};
