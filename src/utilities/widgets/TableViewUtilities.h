#pragma once

#include <QList>
#include <QModelIndexList>

class QAbstractItemView;
class QTreeView;

// Helpers on list views. Stateless. Rows are counted as the user sees them, from the top: a table
// view's rows in the order of its vertical header (moved sections included), a tree view's visible
// rows (children of expanded items included), other views' rows in the order of their model.
namespace TableViewUtilities {

// Selects exactly the row (all its columns), replacing the selection, and makes it current. A row
// outside the view changes nothing.
void selectRow(QAbstractItemView* view, int row);
// The selected rows in ascending order; empty when nothing is selected. A row counts as selected when
// any of its cells is.
QList<qint32> selectedRows(const QAbstractItemView* view);
// Scrolls the last selected row into view: the current one when it is selected, else the lowest.
void scrollSelectedRowToVisible(QAbstractItemView* view);

} // namespace TableViewUtilities

namespace OutlineViewUtilities {

// The items (first-column indexes) of the selected rows, from the top; empty when nothing is
// selected. Items under collapsed parents are not shown, so they are not counted.
QModelIndexList selectedItems(const QTreeView* view);

} // namespace OutlineViewUtilities
