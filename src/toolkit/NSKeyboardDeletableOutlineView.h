#pragma once

#include "toolkit/KeyboardDeletable.h"

#include <QTreeView>

// An outline (tree) view whose Delete and Return keys send its delete and add actions (KeyboardDeletable).
// Owned by its parent widget; main thread only.
class NSKeyboardDeletableOutlineView : public KeyboardDeletable::View<QTreeView> {
    Q_OBJECT
public:
    using View::View;
};
