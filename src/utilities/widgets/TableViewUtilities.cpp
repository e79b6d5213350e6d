#include "TableViewUtilities.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QSet>
#include <QTableView>
#include <QTreeView>

#include <algorithm>
#include <map>

namespace {

// Each selected row once, as its first-column index.
QList<QPersistentModelIndex> selectedRowIndexes(const QAbstractItemView* view) {
    QList<QPersistentModelIndex> rows;
    if (!view || !view->selectionModel()) return rows;
    QSet<QPersistentModelIndex> seen;
    for (const QModelIndex& index : view->selectionModel()->selectedIndexes()) {
        const QPersistentModelIndex row = index.siblingAtColumn(0);
        if (!seen.contains(row)) {
            seen.insert(row);
            rows.append(row);
        }
    }
    return rows;
}

// The selected rows by their place from the top.
std::map<int, QModelIndex> selectedByVisualRow(const QAbstractItemView* view) {
    std::map<int, QModelIndex> result;
    const QList<QPersistentModelIndex> rows = selectedRowIndexes(view);
    if (rows.isEmpty()) return result;
    if (const auto* tree = qobject_cast<const QTreeView*>(view)) {
        // Walk the visible rows until every selected one was met.
        QSet<QPersistentModelIndex> wanted(rows.begin(), rows.end());
        const QModelIndex root = tree->rootIndex();
        int row = 0;
        for (QModelIndex i = tree->model()->index(0, 0, root); i.isValid() && !wanted.isEmpty();
             i = tree->indexBelow(i), ++row) {
            if (wanted.remove(QPersistentModelIndex(i))) result.emplace(row, i);
        }
        return result;
    }
    const auto* table = qobject_cast<const QTableView*>(view);
    for (const QPersistentModelIndex& index : rows) {
        if (index.parent() != view->rootIndex()) continue;
        const int row = table ? table->verticalHeader()->visualIndex(index.row()) : index.row();
        if (row >= 0) result.emplace(row, index);
    }
    return result;
}

QModelIndex indexAtVisualRow(const QAbstractItemView* view, int row) {
    if (!view || !view->model() || row < 0) return {};
    const QModelIndex root = view->rootIndex();
    if (const auto* tree = qobject_cast<const QTreeView*>(view)) {
        QModelIndex i = tree->model()->index(0, 0, root);
        for (int n = 0; n < row && i.isValid(); ++n) i = tree->indexBelow(i);
        return i;
    }
    if (const auto* table = qobject_cast<const QTableView*>(view))
        return view->model()->index(table->verticalHeader()->logicalIndex(row), 0, root);
    return view->model()->index(row, 0, root);
}

} // namespace

namespace TableViewUtilities {

void selectRow(QAbstractItemView* view, int row) {
    const QModelIndex index = indexAtVisualRow(view, row);
    if (!index.isValid() || !view->selectionModel()) return;
    view->selectionModel()->setCurrentIndex(index,
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

QList<qint32> selectedRows(const QAbstractItemView* view) {
    QList<qint32> rows;
    for (const auto& [row, index] : selectedByVisualRow(view)) rows.append(row);
    return rows;
}

void scrollSelectedRowToVisible(QAbstractItemView* view) {
    const auto rows = selectedByVisualRow(view);
    if (rows.empty()) return;
    QModelIndex target = rows.rbegin()->second;
    const QModelIndex current = view->currentIndex().siblingAtColumn(0);
    for (const auto& [row, index] : rows)
        if (current.isValid() && index == current) target = current;
    view->scrollTo(target);
}

} // namespace TableViewUtilities

namespace OutlineViewUtilities {

QModelIndexList selectedItems(const QTreeView* view) {
    QModelIndexList items;
    for (const auto& [row, index] : selectedByVisualRow(view)) items.append(index);
    return items;
}

} // namespace OutlineViewUtilities
