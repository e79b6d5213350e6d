#pragma once

#include "foundation/Object.h"
#include "foundation/TreeNode.h"

#include <QAbstractItemModel>
#include <QObject>
#include <QPointer>
#include <QTreeView>
#include <memory>

class SheetFolderWatcher;
class TDashboardCellViewController;
class TDashboardViewController;
class TSheetBrowserWindowController;

// One row of the dashboard: a tree node holding the cell controller that draws it (owned, deleted
// with the row). Rows live only in memory.
class TDashboardRowItem : public TTreeNode {
    T_OBJECT(TDashboardRowItem, TTreeNode)
public:
    // A row for the controller, which the row takes over.
    static TDashboardRowItem* Create(TDashboardCellViewController* controller);
    using TTreeNode::Create;
    void Initialize() override;
    bool AllowArchiving() const override { return false; }

    TDashboardCellViewController* GetViewRepresentation() const { return m_viewRepresentation; }
    // The title of the nearest group row at or above the row; empty without one.
    virtual QString GetMembership() const;

protected:
    TDashboardRowItem() = default;
    void Deallocate() override;
    void SetViewRepresentation(TDashboardCellViewController* controller) {
        m_viewRepresentation = controller;
    }

private:
    TDashboardCellViewController* m_viewRepresentation = nullptr;
};

// A group header ("Favorites", "Sheets", ...), with its group cell.
class TDashboardGroupRowItem : public TDashboardRowItem {
    T_OBJECT(TDashboardGroupRowItem, TDashboardRowItem)
public:
    static TDashboardGroupRowItem* Create(const QString& title);
    using TDashboardRowItem::Create;
    void Initialize() override;

    QString GetTitle() const { return m_title; }
    QString GetMembership() const override { return m_title; }

protected:
    TDashboardGroupRowItem() = default;

private:
    QString m_title;
};

// The dashboard's rows as an item model: one column, the row item as each index's internal
// pointer. Rebuilding a group is announced as a removal of its rows and an insertion of the new
// ones. Folder rows are dragged inside their group with a "DashboardItem" payload (this process's
// token and the row's serial, never its address). Owned by the dashboard controller.
class TDashboardOutlineModel : public QAbstractItemModel {
    Q_OBJECT
public:
    static inline const QString kDashboardItemType = QStringLiteral("DashboardItem");

    explicit TDashboardOutlineModel(TDashboardViewController* controller);

    TDashboardRowItem* itemForIndex(const QModelIndex& index) const;
    QModelIndex indexForItem(const TTreeNode* item) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    QStringList mimeTypes() const override;
    // Only when the last row is draggable (folder rows); null otherwise.
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

    // Brackets for the controller's rebuilding of one row's children.
    void beginReplaceChildren(TTreeNode* parent);
    void endReplaceChildren(TTreeNode* parent, qint64 added);

private:
    friend class TDashboardViewController;
    TDashboardRowItem* draggedItem(const QMimeData* data) const;

    TDashboardViewController* m_controller;
};

// The outline view of the dashboard: cells are the rows' controllers' views; nothing is selected;
// a click activates text fields at once; scrolling never gives a cell the focus.
class TDashboardOutlineView : public QTreeView {
    Q_OBJECT
public:
    explicit TDashboardOutlineView(QWidget* parent = nullptr);

    TDashboardOutlineModel* dashboardModel() const;
    bool isItemExpanded(const TTreeNode* item) const;
    void expandItem(const TTreeNode* item);
    void collapseItem(const TTreeNode* item);
    // Gives each row below parent its cell's view, in a host widget the view owns.
    void installCells(const QModelIndex& parent);

protected:
    void dropEvent(QDropEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void hostCell(const QModelIndex& index, TDashboardCellViewController* cell);
};

// The dashboard inside the sheet browser: under six fixed groups, the favourite sheets, the sheet
// folder as a tree, the dated tasks and the attachments of every registered sheet. Rebuilds the
// "Overview" group when a task changes (coalesced to one rebuild per turn of the scheduler) and
// everything when the sheet folder changes on disk (following "sheetFolder"). Cards already loaded
// are not loaded again. Made by the sheet browser, which owns it; the browser is not owned.
// The registered sheets belong to the shared TSheetManager. Diagnostics go to Diagnostics::line.
// Main thread only.
class TDashboardViewController : public QObject {
    Q_OBJECT
public:
    static inline const QString kFavorites = QStringLiteral("Favorites");
    static inline const QString kSheets = QStringLiteral("Sheets");
    static inline const QString kArchive = QStringLiteral("Archive");
    static inline const QString kOverview = QStringLiteral("Overview");
    static inline const QString kAttachments = QStringLiteral("Attachments");
    static inline const QString kImportant = QStringLiteral("Important");

    explicit TDashboardViewController(QObject* parent = nullptr);
    ~TDashboardViewController() override;

    // The controller made last that still lives; null without one.
    static TDashboardViewController* sharedController();

    TDashboardOutlineModel* model() const { return m_model.get(); }
    // The outline view (made on first call; owned by the caller once it has a parent widget).
    TDashboardOutlineView* browser();
    TTreeNode* root() const { return m_root.get(); }
    // The sheet browser; when none is set, the model's one (ModelContracts::sheetBrowser).
    TSheetBrowserWindowController* sheetBrowser() const;
    void setSheetBrowser(TSheetBrowserWindowController* browser) { m_sheetBrowser = browser; }
    QString sheetFolderPath() const;
    SheetFolderWatcher* directoryMonitor() const { return m_watcher.get(); }

    // Starts: watches the folder, observes task changes, builds the rows.
    void awakeFromNib();
    void reload();
    void reloadGroup(const QString& name);
    // The same, on the next turn of the scheduler (cells ask this, as a rebuild deletes them).
    void reloadGroupLater(const QString& name);
    void reloadLater();
    TDashboardGroupRowItem* findGroup(const QString& name) const;
    void syncSheetsFromFolder(const QString& folder, TTreeNode* parent);
    void taskChanged();
    void reloadBrowser();
    void reloadDataIfNeeded();
    void setNeedsReloadData(bool needs) { m_needsReloadData = needs; }
    void reloadDirectoryMonitor();

    // Called by the outline view on expansion changes (cells update their bars).
    void itemDidExpand(TTreeNode* item);
    void itemDidCollapse(TTreeNode* item);

private:
    void fillGroup(TDashboardGroupRowItem* group, const QString& name);
    // The same, skipping folders already on the way down (canonical paths in visiting).
    void syncSheetsFromFolder(const QString& folder, TTreeNode* parent, QStringList& visiting);
    void addRow(TTreeNode* parent, TDashboardCellViewController* controller);
    void defaultsChanged(const QString& key);

    Ref<TTreeNode> m_root;
    std::unique_ptr<TDashboardOutlineModel> m_model;
    QPointer<TDashboardOutlineView> m_browser;
    TSheetBrowserWindowController* m_sheetBrowser = nullptr;
    std::unique_ptr<SheetFolderWatcher> m_watcher;
    bool m_needsReloadData = false;
};
