#include "utilities/widgets/TableViewUtilities.h"
#include "utilities/widgets/TextViewUtilities.h"

#include <QHeaderView>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QTextCursor>
#include <QTextEdit>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

// "ab" bold, "c" italic, a paragraph end, "d" underlined, "e" struck out.
void fillStyled(QTextEdit& edit) {
    QTextCursor cursor(edit.document());
    const auto insert = [&](const QString& text, QTextFormat::Property property) {
        QTextCharFormat format;
        format.setProperty(property, true);
        cursor.insertText(text, format);
    };
    insert("ab", QTextFormat::FontWeight);
    insert("c", QTextFormat::FontItalic);
    cursor.insertBlock();
    insert("d", QTextFormat::TextUnderlineStyle);
    insert("e", QTextFormat::FontStrikeOut);
}

TEST(TextViewUtilities, AttributesAtTheSelectionsStartOrTheLastCharacter) {
    QTextEdit edit;
    fillStyled(edit);
    struct Case {
        int anchor, position;
        QTextFormat::Property expected;
    };
    const Case cases[] = {
        {0, 0, QTextFormat::FontWeight},         // insertion point at the start
        {0, 2, QTextFormat::FontWeight},         // selection from the start
        {2, 2, QTextFormat::FontItalic},         // insertion point in the middle
        {4, 2, QTextFormat::FontItalic},         // backward selection: its start counts
        {3, 3, QTextFormat::FontItalic},         // a paragraph end: its last character
        {4, 5, QTextFormat::TextUnderlineStyle}, // the second paragraph's first character
        {6, 6, QTextFormat::FontStrikeOut},      // insertion point at the end: the last character
        {5, 6, QTextFormat::FontStrikeOut},      // selection to the end
    };
    for (const Case& c : cases) {
        QTextCursor cursor(edit.document());
        cursor.setPosition(c.anchor);
        cursor.setPosition(c.position, QTextCursor::KeepAnchor);
        edit.setTextCursor(cursor);
        const QTextCharFormat format = TextViewUtilities::textAttributesForSelection(&edit);
        EXPECT_TRUE(format.hasProperty(c.expected)) << c.anchor << "-" << c.position;
        EXPECT_EQ(format.properties().size(), 1) << c.anchor << "-" << c.position;
    }
    EXPECT_EQ(TextViewUtilities::entireRange(&edit), (CocoaUtilities::NSRange{0, 6}));

    QTextEdit empty;
    EXPECT_TRUE(TextViewUtilities::textAttributesForSelection(&empty).properties().isEmpty());
    EXPECT_EQ(TextViewUtilities::entireRange(&empty), (CocoaUtilities::NSRange{0, 0}));
    EXPECT_TRUE(TextViewUtilities::textAttributesForSelection(nullptr).properties().isEmpty());
}

TEST(TextViewUtilities, TextSizeCoversTheInsertionPointsOfTheLaidOutText) {
    QTextEdit edit;
    edit.resize(400, 300);
    const QSizeF empty = TextViewUtilities::textSize(&edit);
    EXPECT_GT(empty.height(), 0); // the insertion point's line alone
    EXPECT_GT(empty.width(), 0);  // after the document's margin

    edit.setPlainText("A short title");
    const QSizeF line = TextViewUtilities::textSize(&edit);
    EXPECT_GT(line.width(), empty.width() + 40);
    EXPECT_NEAR(line.height(), empty.height(), 2);

    edit.setPlainText("A short title\nand a wider second line of text\n");
    const QSizeF three = TextViewUtilities::textSize(&edit);
    EXPECT_GT(three.width(), line.width());
    EXPECT_GT(three.height(), line.height() * 2.5); // the empty last line counts
    EXPECT_EQ(TextViewUtilities::textWidth(&edit), three.width());
    EXPECT_EQ(TextViewUtilities::textHeight(&edit), three.height());
}

QStandardItemModel* lettersModel(QObject* parent, const QStringList& letters) {
    auto* model = new QStandardItemModel(parent);
    for (const QString& letter : letters)
        model->appendRow({new QStandardItem(letter), new QStandardItem("x")});
    return model;
}

QStringList texts(const QModelIndexList& items) {
    QStringList result;
    for (const QModelIndex& item : items) result << item.data().toString();
    return result;
}

TEST(TableViewUtilities, SelectedRowsFollowTheRowsAsShown) {
    QTableView table;
    table.setModel(lettersModel(&table, {"a", "b", "c", "d", "e"}));
    EXPECT_TRUE(TableViewUtilities::selectedRows(&table).isEmpty());

    QItemSelectionModel* selection = table.selectionModel();
    selection->select(table.model()->index(3, 1), QItemSelectionModel::Select); // one cell selects its row
    selection->select(table.model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_EQ(TableViewUtilities::selectedRows(&table), (QList<qint32>{1, 3}));

    // Row 3 moved to the top: it is shown first, and the others move down.
    table.verticalHeader()->setSectionsMovable(true);
    table.verticalHeader()->moveSection(3, 0);
    EXPECT_EQ(TableViewUtilities::selectedRows(&table), (QList<qint32>{0, 2}));

    TableViewUtilities::selectRow(&table, 4);
    EXPECT_EQ(TableViewUtilities::selectedRows(&table), (QList<qint32>{4}));
    EXPECT_EQ(table.currentIndex().row(), 4);
    TableViewUtilities::selectRow(&table, 0); // the moved row, as shown
    EXPECT_EQ(texts(selection->selectedRows()), QStringList{"d"});
    TableViewUtilities::selectRow(&table, 9);
    TableViewUtilities::selectRow(&table, -1);
    EXPECT_EQ(TableViewUtilities::selectedRows(&table), (QList<qint32>{0}));
    TableViewUtilities::scrollSelectedRowToVisible(&table);
}

TEST(OutlineViewUtilities, SelectedItemsInTheOrderShown) {
    QTreeView tree;
    auto* model = lettersModel(&tree, {"c", "a", "b"});
    model->item(0)->appendRow(new QStandardItem("c1"));
    model->item(0)->appendRow(new QStandardItem("c2"));
    auto* sorted = new QSortFilterProxyModel(&tree);
    sorted->setSourceModel(model);
    tree.setModel(sorted);
    tree.setSelectionMode(QAbstractItemView::ExtendedSelection);
    EXPECT_TRUE(OutlineViewUtilities::selectedItems(&tree).isEmpty());

    tree.expandAll();
    QItemSelectionModel* selection = tree.selectionModel();
    const QModelIndex c = sorted->index(0, 0);
    selection->select(sorted->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);    // b
    selection->select(sorted->index(1, 0, c), QItemSelectionModel::Select | QItemSelectionModel::Rows); // c2
    selection->select(c, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    // Shown: c, c1, c2, a, b.
    EXPECT_EQ(texts(OutlineViewUtilities::selectedItems(&tree)), (QStringList{"c", "c2", "b"}));
    EXPECT_EQ(TableViewUtilities::selectedRows(&tree), (QList<qint32>{0, 2, 4}));

    tree.sortByColumn(0, Qt::AscendingOrder); // a, b, c, c1, c2
    EXPECT_EQ(texts(OutlineViewUtilities::selectedItems(&tree)), (QStringList{"b", "c", "c2"}));
    EXPECT_EQ(TableViewUtilities::selectedRows(&tree), (QList<qint32>{1, 2, 4}));
    tree.sortByColumn(0, Qt::DescendingOrder); // c, c2, c1, b, a
    EXPECT_EQ(texts(OutlineViewUtilities::selectedItems(&tree)), (QStringList{"c", "c2", "b"}));

    tree.collapseAll(); // c, b, a: c2 is not shown
    EXPECT_EQ(texts(OutlineViewUtilities::selectedItems(&tree)), (QStringList{"c", "b"}));
    TableViewUtilities::selectRow(&tree, 2);
    EXPECT_EQ(texts(OutlineViewUtilities::selectedItems(&tree)), QStringList{"a"});
}

} // namespace
