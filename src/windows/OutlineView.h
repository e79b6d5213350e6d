#pragma once

#include "foundation/TreeNodeObserver.h"
#include "windows/RowProtocols.h"
#include "windows/ThemeOutlineView.h"
#include "windows/ThemeTableRowView.h"

#include <QHash>
#include <QList>
#include <vector>

class DisclosureButton;
class OutlineFilter;
class TCardItem;
class TCardItemRowViewController;

// What the outline asks of its controller: the rows, their controllers and the keys it passes on.
// Not owned by the outline; main thread only.
class TCardOutlineViewDelegate {
public:
    virtual ~TCardOutlineViewDelegate() = default;
    // The node whose children are the top rows (never shown itself).
    virtual TCardItem* outlineRoot() const = 0;
    // A filter whose rows the outline shows in place of the root's tree; null for none.
    virtual const OutlineFilter* outlineFilter() const { return nullptr; }
    virtual bool isItemExpandable(TCardItem* item) const = 0;
    // A new controller for the item (owned by the outline from then on).
    virtual TCardItemRowViewController* makeRowController(TCardItem* item) = 0;
    // The outline opens or closes a row (the disclosure button, expandItem): before the flag changes.
    virtual void outlineItemWillExpand(TCardItem* item) = 0;
    virtual void outlineItemWillCollapse(TCardItem* item) = 0;
    virtual void outlineSelectionDidChange() {}
    virtual void outlineDidAddRow(TCardItem* /*item*/) {}
    virtual void outlineDidRemoveRow(TCardItem* /*item*/) {}
    // Shift-Tab in a row's text.
    virtual void outdentRow(qint32 row) = 0;
    virtual TListKeyboardProtocol* outlineKeyboard() = 0;
    // Space with the outline itself focused.
    virtual void previewSelectedRows() {}
};

// One outline row: the row controller's view sits on it, indented by its level, after the row's
// disclosure button. Owned by the outline's viewport; main thread only.
class TCardItemTableRowView : public TThemeTableRowView {
    Q_OBJECT
public:
    TCardItemTableRowView(TCardItem* item, QWidget* parent);
    TCardItem* item() const { return m_item; }

private:
    TCardItem* m_item; // not retained; the outline drops the row before the item goes
};

// The outline of a list card: a scroll area over the flat list of visible rows (the data source's
// tree with its expanded flags), with cached row heights. Live row widgets exist only for the rows
// in view and the row holding the keyboard focus; a row's controller is made when the row comes
// into view and deleted when it leaves (its height stays cached). Follows the tree through its
// observer notices, so the model is changed only by the controller. Main thread only.
class TCardOutlineView : public TThemeOutlineView, public TRowBrowser, public TTreeNodeObserver {
    Q_OBJECT
public:
    static constexpr int kIndentation = 16;
    static constexpr double kEstimatedRowHeight = 19.0;

    explicit TCardOutlineView(TCardOutlineViewDelegate* delegate, QWidget* parent = nullptr);
    ~TCardOutlineView() override;

    // Reads the rows again from the delegate's root (and observes it).
    void reloadData();

    // Rows.
    qint32 numberOfRows() const { return qint32(m_rows.size()); }
    TCardItem* itemAtRow(qint32 row) const;
    qint32 rowForItem(TCardItem* item) const override;
    qint32 levelForRow(qint32 row) const;
    // The row's parent as the outline shows it: null for a top row.
    TCardItem* parentForItem(TCardItem* item) const;
    bool isItemExpanded(TCardItem* item) const;
    // Opens (closes) the row: the delegate hears it first, then the model's flag changes.
    void expandItem(TCardItem* item);
    void collapseItem(TCardItem* item);
    // The row's rectangle in content coordinates (y from the top of the first row).
    QRectF rectOfRow(qint32 row) const;
    qint64 rowAtPoint(const QPoint& viewportPoint) const override;
    double totalHeight() const;
    // A click puts the caret into a row's text at once, selected row or not, when the text can be
    // edited or selected; other widgets of a row take clicks; a wheel never moves the focus.
    bool validateProposedFirstResponder(QWidget* responder, const QEvent* event) const override;

    // Selection (rows in the order they were selected).
    QList<qint32> selectedRows() const;
    qint32 selectedRow() const; // -1 unless exactly one row is selected
    bool isRowSelected(qint64 row) const override;
    void selectRow(qint32 row, bool extend);
    void deselectRow(qint32 row);
    void deselectAll() override;

    // Live rows.
    // The controller of the row's item when its row is live (not owned); null otherwise.
    TCardItemRowViewController* controllerForItem(TCardItem* item) const;
    // Makes the row live (scrolling it into view) and answers its controller (not owned).
    TCardItemRowViewController* ensureController(TCardItem* item);
    qint32 liveRowCount() const { return qint32(m_live.size()); }
    // Tells the live rows of a scroll and gives the hover to the row under the pointer (0.1 s after
    // scrolling stops, on the shared scheduler).
    void postScrollingChanges();

    // TRowBrowser
    TListKeyboardProtocol* keyboardDelegate() const override;
    QWidget* browserWidget() override { return viewport(); }
    void noteHeightOfRowChanged(qint32 row) override;
    void scrollRowToVisible(qint32 row) override;

    // TTreeNodeObserver
    void WillRemoveChildren(TTreeNode* parent, qint64 first, qint64 last) override;
    void DidInsertChildren(TTreeNode* parent, qint64 first, qint64 last) override;
    void DidRemoveChildren(TTreeNode* parent, qint64 first, qint64 last) override;
    void DidMoveChild(TTreeNode* oldParent, qint64 oldRow, TTreeNode* newParent, qint64 newRow) override;
    void DidChangeExpanded(TTreeNode* node) override;
    void ObservedNodeWillGoAway(TTreeNode* node) override;

signals:
    void rowsChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    struct Row {
        TCardItem* item;
        qint32 level;
    };
    struct LiveRow {
        TCardItemTableRowView* rowView = nullptr;
        TCardItemRowViewController* controller = nullptr;
        DisclosureButton* disclosure = nullptr;
    };

    void rebuildRows();
    void appendRows(TCardItem* parent, qint32 level);
    void rebuildTops();
    double heightOf(TCardItem* item) const;
    // Places the live rows for the current scroll position, making and dropping them as needed.
    void layoutRows();
    LiveRow& makeLive(TCardItem* item);
    void dropLive(TCardItem* item);
    void placeRow(qint32 row, LiveRow& live);
    bool holdsFocus(const LiveRow& live) const;
    void updateScrollBar();
    void forgetSubtree(TCardItem* item);
    void structureChanged();

    TCardOutlineViewDelegate* m_delegate;
    TCardItem* m_observedRoot = nullptr;
    std::vector<Row> m_rows;
    QHash<TCardItem*, qint32> m_rowOfItem;
    std::vector<double> m_tops; // m_rows.size() + 1 entries
    QHash<TCardItem*, double> m_heights;
    QHash<TCardItem*, LiveRow> m_live;
    QList<TCardItem*> m_selection;
    bool m_inLayout = false;
    bool m_needsLayout = false;
};
