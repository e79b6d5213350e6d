#pragma once

#include "SheetTreeHost.h"
#include "foundation/Object.h"
#include "model/ModelContracts.h"
#include "toolkit/NSSlideWindowController.h"

#include <QHash>
#include <QMimeData>
#include <QPointer>
#include <functional>
#include <memory>

class DesktopNotifier;
class SheetTree;
class TSheet;
class TSheetManagerItem;
class QMenu;
class TSheetBrowserContentView;
class TSheetBrowserShadowView;
class TSheetBrowserWindow;
class TSheetCellViewController;
class TSheetOutlineView;
class TSheetTableRowView;

// The sheet browser: a side window at the left or right screen edge that slides out of it and
// shows the sheet folder as a tree of groups, sheets and separators (SheetTree), opens the sheet
// the user selects, steps from sheet to sheet, and edits the tree: drags, renames, deletes to the
// Trash, new groups. It follows the browser preferences of the standard UserDefaults.
//
// One shared controller (sharedController), made on first use and kept until the process ends; the
// "Jobslate Mini" edition has none. Tests make their own. The controller owns its window, its
// tree and the row controllers of the tree's items. Alerts go through the shared AlertPresenter,
// the Trash and file-manager requests through the shared Workspace. Writes its diagnostics on
// Diagnostics::line. Main thread only.
class SheetBrowserWindowController : public NSSlideWindowController,
                                     public TSheetBrowserWindowController,
                                     public SheetTreeHost {
    Q_OBJECT
public:
    static constexpr double kWidth = 228;
    static constexpr double kMenuBarHeight = 22;
    static constexpr double kShadowWidth = 20;
    static constexpr double kDashboardWidth = 208;
    // Drag operations: none or generic.
    enum DragOperation : int { NSDragOperationNone = 0, NSDragOperationGeneric = 4 };
    static inline const QString kItemPasteboardType = QStringLiteral("SheetManagerItemType");

    // The shared browser; null in the "Jobslate Mini" edition. Owned by the process.
    static SheetBrowserWindowController* sharedController();

    SheetBrowserWindowController();
    ~SheetBrowserWindowController() override;

    // Window parts (owned by the window).
    TSheetBrowserWindow* browserWindow() const { return m_window; }
    TSheetOutlineView* browser() const { return m_browser; }
    TSheetBrowserShadowView* shadowView() const { return m_shadowView; }
    TSheetBrowserContentView* contentView() const { return m_contentView; }
    // The dashboard's view below the tree, shown with it (owned by the window once set); null
    // while none is set.
    QWidget* dashboard() const { return m_dashboard; }
    void setDashboard(QWidget* view);
    QMenu* contextMenu() const { return m_menu; }
    SheetTree& tree() { return *m_tree; }
    // Where user notifications go (not owned); null: a diagnostic line.
    void setNotifier(DesktopNotifier* notifier) { m_notifier = notifier; }
    // What "Add Sheet" asks for (the application's new-sheet command).
    void setNewSheetHandler(std::function<void()> handler) { m_newSheet = std::move(handler); }
    // Whether the program is active (folder changes wait for it); the application's state by default.
    void setApplicationActiveTest(std::function<bool()> test) { m_isActive = std::move(test); }

    // Window.
    void showWindow();
    void reposition() override;
    void adjustBrowserHeight();
    void screenParametersChanged() { reposition(); }
    void preferenceChanged(const QString& key);
    // Not while one of its menus is open or a title is edited.
    bool shouldClose() override;
    // Slides the window back when the pointer is no longer over it (a menu or an edit ended).
    void slideBackWhenLeft();

    // State.
    bool isAvailable() const;
    bool isDrawer() const { return m_drawerMode; }
    void setDrawerMode(bool drawer);
    bool isList() const;
    QString sheetFolderPath() const;
    QString sheetItemsPath() const;
    TSheetManagerItem* root() const;
    // Not owned; null when there is none.
    TSheetManagerItem* selectedItem() const;
    TSheetManagerItem* clickedItem() const;
    TSheetTableRowView* selectedRowView() const;
    bool needsReloadData() const { return m_needsReloadData; }

    // Selection.
    void selectRowForSheet(TSheet* sheet) override;
    void restoreSelection();
    void nextSheet() override;
    void previousSheet();
    // The outline's selection changed: opens the selected sheet.
    void outlineViewSelectionDidChange();

    // Refreshing.
    void reload() override;
    void reloadBrowser();
    void reloadDataIfNeeded();
    void update() override;
    void sheetsChanged();
    void directoryChanged() override;
    void reloadedInBackground() override;
    bool containsSheet(TSheet* sheet) const override;
    void reloadPreview(TSheet* sheet) override;
    void setPreviewImage(TSheetManagerItem* item, const QImage& image) override;
    void notify(const QString& title, const QString& body) override;

    // Outline data source and delegate.
    qint64 numberOfChildrenOfItem(TSheetManagerItem* item) const;
    TSheetManagerItem* childOfItem(TSheetManagerItem* item, qint64 index) const;
    bool isItemExpandable(TSheetManagerItem* item) const;
    // The item's row controller, made on first need (owned by the browser).
    TSheetCellViewController* rowControllerForItem(TSheetManagerItem* item);
    double heightOfRowByItem(TSheetManagerItem* item);
    bool shouldSelectItem(TSheetManagerItem* item) const;
    bool shouldCollapseItem(TSheetManagerItem* item) const;
    void itemDidExpand(TSheetManagerItem* item);
    void itemDidCollapse(TSheetManagerItem* item);
    // A row came or went: one height adjustment after the burst.
    void rowViewsChanged();
    bool isCellBelowMouseDown(const QPoint& globalPosition) const;
    TSheetManagerItem* itemForRowView(const QWidget* view) const;

    // Drag and drop. A drag of rows carries this process's token and the items' identities.
    QMimeData* writeItems(const QList<TSheetManagerItem*>& items) const; // owned by the caller
    // The items a drag carries: this outline's rows, then new items (held by the list) for sheet
    // bundles from the file manager.
    QList<Ref<TSheetManagerItem>> itemsForPasteboard(const QMimeData* pasteboard) const;
    int validateDrop(const QMimeData* pasteboard, TSheetManagerItem* proposedItem) const;
    // index counts the target's children as shown, the dragged rows included; -1 drops onto it.
    bool acceptDrop(const QMimeData* pasteboard, TSheetManagerItem* item, qint64 childIndex);

    // Item commands; each acts on the clicked item, else the selected one.
    bool validateMenuItem(const QString& title) const;
    void editTitle();
    void revealSheetInFinder();
    void deleteSheet();
    void addSheet();
    void addGroup();
    // Renames the item's file to the title (a sheet keeps its extension). False, with an alert,
    // when the name can't be used or the move fails.
    bool renameItem(TSheetManagerItem* item, const QString& title);
    // Moves the folder at the path (titled so in the alert) to the Trash, closing the active sheet
    // among the sheets without writing it first; only then the sheets drop their events and leave
    // the manager. False, with an alert, when the Trash refused (an active sheet opens again).
    static bool trashSheets(const QString& path, const QString& title, const QList<TSheet*>& sheets);

protected:
    // Only while a card window is open: without one the browser is the way back into the program.
    bool hidesWhileInactive() const override;

private:
    TSheetManagerItem* commandItem() const;
    bool acceptCardDrop(const QMimeData* pasteboard, TSheetManagerItem* target);
    bool trashItem(TSheetManagerItem* item);
    void pruneRowControllers();
    void reloadRows();
    bool applicationIsActive() const;
    void buildContextMenu();

    TSheetBrowserWindow* m_window = nullptr;
    TSheetOutlineView* m_browser = nullptr;
    TSheetBrowserShadowView* m_shadowView = nullptr;
    TSheetBrowserContentView* m_contentView = nullptr;
    QPointer<QWidget> m_dashboard;
    QMenu* m_menu = nullptr;
    std::unique_ptr<SheetTree> m_tree;
    bool m_drawerMode = false;
    bool m_needsReloadData = false;
    bool m_reloadingBrowser = false;
    DesktopNotifier* m_notifier = nullptr;
    std::function<void()> m_newSheet;
    std::function<bool()> m_isActive;
    struct Row {
        Ref<TSheetManagerItem> item;
        TSheetCellViewController* controller = nullptr; // owned
    };
    QHash<TSheetManagerItem*, Row> m_rows;
};
