#pragma once

#include <QList>
#include <QPointer>
#include <QScrollArea>

class SheetBrowserWindowController;
class TSheetManagerItem;
class TSheetTableRowView;

// The sheet browser's outline: the visible rows of the tree (the children of expanded items below
// their parent), one row view each around the item's row controller view, one selected row at most.
// A click on a group row toggles it, a click on another row selects it when the browser allows it;
// rows are dragged and dropped through the browser's drag calls; the wheel only scrolls. Asks its
// browser (not owned) for everything about the items. Owned by the browser's window. Main thread
// only.
class TSheetOutlineView : public QScrollArea {
    Q_OBJECT
public:
    explicit TSheetOutlineView(SheetBrowserWindowController* browser, QWidget* parent = nullptr);
    ~TSheetOutlineView() override;

    // The visible rows again from the tree; the selection follows its item when it is still shown.
    void reloadData();
    qint64 numberOfRows() const { return m_items.size(); }
    // Null outside the rows.
    TSheetManagerItem* itemAtRow(qint64 row) const;
    qint64 rowForItem(const TSheetManagerItem* item) const;
    TSheetTableRowView* rowViewAtRow(qint64 row) const;
    // The row at a point of the outline's viewport; -1 when none.
    qint64 rowAtPoint(const QPoint& point) const;
    double totalRowHeight() const;

    qint64 selectedRow() const { return m_selectedRow; }
    // Selects the row alone (-1: none) and tells the browser when the selection changed.
    void selectRow(qint64 row);
    void deselectAll() { selectRow(-1); }
    qint64 clickedRow() const { return m_clickedRow; }
    void setClickedRow(qint64 row) { m_clickedRow = row; }

    bool isItemExpanded(const TSheetManagerItem* item) const;
    void expandItem(TSheetManagerItem* item);
    void collapseItem(TSheetManagerItem* item);
    void scrollRowToVisible(qint64 row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Proposal {
        TSheetManagerItem* item = nullptr; // null: the top level
        qint64 index = -1;                 // -1: onto the item
        qint64 row = -1;                   // the row drawn as the target
    };
    Proposal proposalAt(const QPoint& viewportPoint) const;
    void setDropRow(qint64 row);
    void layoutRows();
    void clearRows();

    QPointer<SheetBrowserWindowController> m_browser;
    QWidget* m_container;
    QList<TSheetManagerItem*> m_items; // in the tree, kept alive by the browser's rows
    QList<TSheetTableRowView*> m_rowViews;
    qint64 m_selectedRow = -1;
    qint64 m_clickedRow = -1;
    qint64 m_dropRow = -1;
    qint64 m_pressedRow = -1;
    QPoint m_pressPosition;
};
