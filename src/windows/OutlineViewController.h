#pragma once

#include "foundation/Object.h"
#include "model/ModelContracts.h"
#include "windows/CardViewController.h"
#include "windows/OutlineView.h"
#include "windows/QuickLookPreview.h"
#include "windows/RowProtocols.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QPointer>
#include <functional>
#include <memory>

class OutlineFilter;
struct OpenPanel;
class QUndoStack;
class TJobslate;
class TListItem;
class TTextItemViewController;

// The content of a list card: the card's rows in one outline (TCardOutlineView), the outline's
// delegate, the editing operations every change of the rows passes through (each one undo step on
// the card window's undo stack, named "Add Item", "Remove Item", "Move Item", "Expand Item",
// "Collapse Item", "Change Color", "Change Font"), the outline's commands and the keys of its
// rows. A filter root (a tree of its own) may stand in for the card's root; while it does, nothing
// can be edited. Made by CardViewControllers for list cards; owned by the card window, which deletes
// it. Refusals beep (QApplication::beep). Main thread only.
class TOutlineViewController : public TCardContentViewController,
                               public TJobslateViewController,
                               public TCardOutlineViewDelegate,
                               public TListKeyboardProtocol,
                               public TRowMarkers,
                               public QuickLookDataSource {
    Q_OBJECT
public:
    explicit TOutlineViewController(TCard* card, QObject* parent = nullptr);
    ~TOutlineViewController() override;

    // Makes this the content controller of list cards (and of their subclasses).
    static void registerForListCards();

    TCardControllerProtocol* owner() const override { return TCardContentViewController::owner(); }
    TCardOutlineView* browser();
    TJobslate* jobslate() const;
    TListItem* root() const;
    // The root the outline shows: the filter while one is set, else the card's root.
    TCardItem* dataSource() const;
    TCardItem* filter() const { return m_filter.get(); }
    // Shows a filter tree (retained) in place of the card's rows; null goes back to them.
    void setFilter(TCardItem* filterRoot, qint32 kind);
    // Shows the card's tasks filtered (TFilterKind: the forecast or the important ones) in a view of
    // their own that follows the card; 0 goes back to the card's rows.
    void applyFilter(qint32 kind);
    const OutlineFilter* outlineFilter() const override { return m_taskFilter.get(); }
    qint32 filterKind() const override { return m_filterKind; }
    bool isBrowserEditable() const { return !m_filter; }
    // The card window's undo stack (a child of the window controller, made on first use); the
    // controller's own while its view is in no card window. Not owned by the caller.
    QUndoStack* undoStack();

    // The row commands act on: the selected row when exactly one is, else the row whose text has
    // the focus; null with several rows selected or none focused.
    TCardItem* itemForFirstResponder() const;
    // Where commands put new rows: just after that row in its parent (null: the root), or at the
    // top of the root (index -1 + 1) without one.
    TCardItem* insertionParent() const;
    qint64 insertionIndex() const;

    // Selection and focus.
    void selectItem(TCardItem* item);
    void makeItemFirstResponder(TCardItem* item);
    void makeItemAtRowFirstResponder(qint32 row);
    // A link's target: opens its ancestors and focuses its row (making the row when it had none).
    void focusItem(TCardItem* item);
    void makePrimaryInputFirstResponder() override;

    // Editing operations (one undo step each). A null parent is the root.
    void insertItems(const QList<TCardItem*>& items, TCardItem* parent, qint64 index);
    void insertItem(TCardItem* item, TCardItem* parent, qint64 index);
    void removeItem(TCardItem* item, TCardItem* parent);
    void removeItemFromParent(TCardItem* item);
    // False (and nothing changes) when the new parent is the row itself or lies inside it.
    bool moveItem(TCardItem* item, TCardItem* parent, qint64 index);
    void expandItem(TCardItem* item);
    void collapseItem(TCardItem* item);
    void changeColor(const QColor& color, TCardItem* item);
    void changeFont(const QFont& font, TCardItem* item);

    // Commands.
    QString defaultItemClass() const override;
    // A new empty row of the default class (owned by the caller).
    TCardItem* defaultNewItem() const;
    void addRow();
    void addRowInside();
    void addRowOutside();
    void addSeperator();
    void indentRowRight();
    void indentRowLeft();
    void moveRowUp();
    void moveRowDown();
    void groupRows();
    void expandRow();
    void collapseRow();
    void expandAllRows();
    void collapseAllRows();
    void selectActiveRow();
    void deselectActiveRow();
    void removeCompletedTasks();
    void rowNumberingChanged(qint32 numbering);
    void defaultItemChanged(qint32 kind);
    void copyLinkAddress();
    void pasteAsItems();
    // Files, pictures and links from the open panel (the platform's presenter), each after the row
    // before; a picture that does not load is skipped.
    void addFile();
    void addImage();
    // A link row with a placeholder address, selected, its info popover opened on the next turn.
    void addURL();
    // Fonts and colours of the selected rows, or of the row being typed in when none is selected
    // (copyFont: the focused row), each one undo step.
    void copyFont();
    void pasteFont();
    // Underlines every selected row, or clears it when its first character is underlined.
    void underline();
    // The font panel's change: a trait tag of the font manager (1 italic, 2 bold) toggles that trait
    // in the first selected row, every other row (and any other tag) takes the panel's font.
    void changeFont(const QFont& panelFont);
    // Bold (2) or italic (1) toggled in each selected row's own font.
    void toggleFontTrait(qint32 trait);
    // A font panel on the focused row's font; its choice goes to changeFont.
    void orderFrontFontPanel();
    // The colour panel's colour: the selected rows' text, or the card's colour with none selected.
    void changeColor(const QColor& color);
    // Opens a colour panel on the card's colour (rows deselected first).
    void changeCardColor();
    // Space on the outline: previews the selected attachment rows.
    void previewSelectedRows() override;
    bool performCommand(const QString& action, const QVariant& argument = {}) override;
    bool validateMenuItem(MenuItemState& item) override;

    // Geometry.
    bool respondsToRecalculateRows() const override { return true; }
    void recalculateRows() override;
    void updateMarkers(TCardItem* item) override;

    // TJobslateViewController
    void moveItem(TCardItem* item, TTreeNode* parent, qint64 index) override;
    double heightOfRowByItem(TCardItem* item) override;

    // TListKeyboardProtocol
    void setInsertion(qint64 location, qint32 row) override;
    void setInsertionWithColumn(const QRectF& rect, bool startFromEnd, qint32 row) override;
    void indentRow(qint32 row) override;
    void insertItemAtRow(qint32 row) override;
    void insertItemInside(TCardItem* item) override;
    void insertItemOutside(TCardItem* item) override;
    void removeItemAtRow(qint32 row) override;
    void removeSelectedRows() override;
    bool recordTextEdit(TCardItem* item, const AttributedString& before, const AttributedString& after,
                        qint64 caretBefore, qint64 caretAfter, bool typing) override;

    // TCardOutlineViewDelegate
    TCardItem* outlineRoot() const override { return dataSource(); }
    bool isItemExpandable(TCardItem* item) const override;
    TCardItemRowViewController* makeRowController(TCardItem* item) override;
    void outlineItemWillExpand(TCardItem* item) override;
    void outlineItemWillCollapse(TCardItem* item) override;
    void outlineSelectionDidChange() override { setUINeedsDisplay(); }
    void outlineDidAddRow(TCardItem* item) override;
    void outlineDidRemoveRow(TCardItem* item) override;
    void outdentRow(qint32 row) override;
    TListKeyboardProtocol* outlineKeyboard() override { return this; }

    // QuickLookDataSource: the selected attachment rows.
    qint64 numberOfPreviewItems() override;
    QUrl previewItemURL(qint64 index) override;

    // What the undo steps call: the change is made; the outline follows.
    TCardItem* resolved(TCardItem* parent) const;
    void didInsertItems(const QList<TCardItem*>& items, TCardItem* parent);
    void didChangeRows(TCardItem* parent);
    TTextItemViewController* textControllerFor(TCardItem* item);

protected:
    QWidget* loadView() override;

private:
    bool refuseWhenNotEditable() const;
    QList<TCardItem*> selectedItems();
    // The rows the font and text colour commands act on: the selected ones, else the focused one.
    QList<TCardItem*> styledItems();
    // Each chosen path made into a row by make (null skips it), inserted after the row before.
    void insertChosenPaths(OpenPanel& panel, const std::function<TCardItem*(const QString&)>& make);

    QPointer<TCardOutlineView> m_browser;   // owned by the view
    QUndoStack* m_ownUndoStack = nullptr;   // owned by this
    QPointer<QUndoStack> m_windowUndoStack; // the window's, once used
    Ref<TCardItem> m_filter;
    std::unique_ptr<OutlineFilter> m_taskFilter;
    qint32 m_filterKind = 0;
};
