#include "DashboardViewController.h"

#include "DashboardCells.h"
#include "SheetFolderWatcher.h"
#include "SheetTree.h"
#include "model/CardItems.h"
#include "model/ListCard.h"
#include "model/ModelContracts.h"
#include "model/Preferences.h"
#include "model/SheetManager.h"
#include "model/Task.h"
#include "platform/Diagnostics.h"
#include "platform/NotificationCenter.h"
#include "platform/ProcessMemory.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "utilities/FileObjectUtilities.h"
#include "utilities/PasteboardUtilities.h"

#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {
TDashboardViewController* gShared = nullptr;
} // namespace

// Rows.

TDashboardRowItem* TDashboardRowItem::Create(TDashboardCellViewController* controller) {
    TDashboardRowItem* item = Allocate();
    item->m_viewRepresentation = controller;
    item->Initialize();
    return item;
}

void TDashboardRowItem::Initialize() {
    TTreeNode::Initialize();
    SetMaintainCocoaObject(true);
    if (m_viewRepresentation) m_viewRepresentation->setRowItem(this);
}

void TDashboardRowItem::Deallocate() {
    delete m_viewRepresentation;
    m_viewRepresentation = nullptr;
    TTreeNode::Deallocate();
}

QString TDashboardRowItem::GetMembership() const {
    for (const TTreeNode* node = GetParent(); node; node = node->GetParent())
        if (node->IsMember(TDashboardGroupRowItem::StaticClass()))
            return static_cast<const TDashboardGroupRowItem*>(node)->GetTitle();
    return {};
}

TDashboardGroupRowItem* TDashboardGroupRowItem::Create(const QString& title) {
    TDashboardGroupRowItem* item = Allocate();
    item->m_title = title;
    item->Initialize();
    return item;
}

void TDashboardGroupRowItem::Initialize() {
    SetViewRepresentation(new TDashboardGroupCellViewController(this));
    TDashboardRowItem::Initialize();
}

// The model.

TDashboardOutlineModel::TDashboardOutlineModel(TDashboardViewController* controller)
    : m_controller(controller) {}

TDashboardRowItem* TDashboardOutlineModel::itemForIndex(const QModelIndex& index) const {
    return index.isValid() ? static_cast<TDashboardRowItem*>(index.internalPointer()) : nullptr;
}

QModelIndex TDashboardOutlineModel::indexForItem(const TTreeNode* item) const {
    if (!item || item == m_controller->root() || !item->GetParent()) return {};
    return createIndex(int(item->GetIndex()), 0, const_cast<TTreeNode*>(item));
}

QModelIndex TDashboardOutlineModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || !hasIndex(row, column, parent)) return {};
    TTreeNode* node = parent.isValid() ? itemForIndex(parent) : m_controller->root();
    return createIndex(row, 0, node->GetChild(row));
}

QModelIndex TDashboardOutlineModel::parent(const QModelIndex& child) const {
    TDashboardRowItem* item = itemForIndex(child);
    return item ? indexForItem(item->GetParent()) : QModelIndex();
}

int TDashboardOutlineModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) return 0;
    const TTreeNode* node = parent.isValid() ? itemForIndex(parent) : m_controller->root();
    return node ? int(node->ChildCount()) : 0;
}

int TDashboardOutlineModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant TDashboardOutlineModel::data(const QModelIndex& index, int role) const {
    TDashboardRowItem* item = itemForIndex(index);
    if (!item) return {};
    if (role == Qt::SizeHintRole) {
        TDashboardCellViewController* cell = item->GetViewRepresentation();
        return QSize(-1, cell ? cell->rowHeight() : TDashboardCellViewController::kRowHeight);
    }
    if (role == Qt::AccessibleTextRole && item->GetViewRepresentation())
        return item->GetViewRepresentation()->accessibleText();
    return {};
}

Qt::ItemFlags TDashboardOutlineModel::flags(const QModelIndex& index) const {
    TDashboardRowItem* item = itemForIndex(index);
    if (!item) return Qt::ItemIsDropEnabled;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsDropEnabled;
    if (item->GetViewRepresentation() && item->GetViewRepresentation()->isDraggable())
        flags |= Qt::ItemIsDragEnabled;
    return flags;
}

QStringList TDashboardOutlineModel::mimeTypes() const {
    return {PasteboardUtilities::mimeTypeForType(kDashboardItemType)};
}

QMimeData* TDashboardOutlineModel::mimeData(const QModelIndexList& indexes) const {
    TDashboardRowItem* last = indexes.isEmpty() ? nullptr : itemForIndex(indexes.last());
    if (!last || !last->GetViewRepresentation() || !last->GetViewRepresentation()->isDraggable())
        return nullptr;
    auto* data = new QMimeData;
    PasteboardCommonTypes::setPointerAddressType(*data, last, kDashboardItemType);
    return data;
}

TDashboardRowItem* TDashboardOutlineModel::draggedItem(const QMimeData* data) const {
    TObject* object = nullptr;
    if (!data || !PasteboardCommonTypes::getPointerForType(*data, &object, kDashboardItemType))
        return nullptr;
    if (!object || !object->IsMember(TDashboardRowItem::StaticClass())) return nullptr;
    auto* item = static_cast<TDashboardRowItem*>(object);
    // Only rows of this dashboard move.
    return m_controller->root() && item->GetRoot() == m_controller->root() ? item : nullptr;
}

bool TDashboardOutlineModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int row, int,
                                             const QModelIndex& parent) const {
    TDashboardRowItem* target = itemForIndex(parent);
    TDashboardRowItem* item = draggedItem(data);
    if (!target || !item) return false;
    // Never into itself or a row below it.
    if (item == target || item->ContainsChild(target, true)) return false;
    return item->GetMembership() == target->GetMembership() && row > 0;
}

bool TDashboardOutlineModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                          const QModelIndex& parent) {
    if (!canDropMimeData(data, action, row, column, parent)) return false;
    TDashboardRowItem* target = itemForIndex(parent);
    TDashboardRowItem* item = draggedItem(data);
    TTreeNode* from = item->GetParent();
    const int fromRow = int(item->GetIndex());
    const int toRow = std::min(row, int(target->ChildCount()));
    // The drop index counts the row itself while it is still in place.
    if (from == target && (toRow == fromRow || toRow == fromRow + 1)) return true;
    if (!beginMoveRows(indexForItem(from), fromRow, fromRow, parent, toRow)) return false;
    Ref<TDashboardRowItem> keep = Ref<TDashboardRowItem>::retain(item);
    item->RemoveFromParent();
    target->InsertChild(item, from == target && fromRow < toRow ? toRow - 1 : toRow, true);
    endMoveRows();
    return true;
}

void TDashboardOutlineModel::beginReplaceChildren(TTreeNode* parent) {
    if (parent->ChildCount() > 0) {
        beginRemoveRows(indexForItem(parent), 0, int(parent->ChildCount()) - 1);
        parent->RemoveAllChildren();
        endRemoveRows();
    }
}

void TDashboardOutlineModel::endReplaceChildren(TTreeNode* parent, qint64 added) {
    if (added <= 0) return;
    // The rows were added out of sight; announce them now.
    const qint64 total = parent->ChildCount();
    QList<Ref<TTreeNode>> rows;
    for (qint64 i = total - added; i < total; ++i) rows.append(Ref<TTreeNode>::retain(parent->GetChild(i)));
    for (const Ref<TTreeNode>& row : rows) row->RemoveFromParent();
    beginInsertRows(indexForItem(parent), int(total - added), int(total - 1));
    for (const Ref<TTreeNode>& row : rows) parent->AddChild(row.get());
    endInsertRows();
}

// The outline view.

TDashboardOutlineView::TDashboardOutlineView(QWidget* parent) : QTreeView(parent) {
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::NoSelection);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setFrameShape(QFrame::NoFrame);
    setAttribute(Qt::WA_AcceptTouchEvents, false);
    // The browser's window may be see-through: the rows lie on the palette's window colour, the
    // one their text is drawn for.
    viewport()->setBackgroundRole(QPalette::Window);
    viewport()->setAutoFillBackground(true);
}

TDashboardOutlineModel* TDashboardOutlineView::dashboardModel() const {
    return qobject_cast<TDashboardOutlineModel*>(model());
}

bool TDashboardOutlineView::isItemExpanded(const TTreeNode* item) const {
    return dashboardModel() && isExpanded(dashboardModel()->indexForItem(item));
}

void TDashboardOutlineView::expandItem(const TTreeNode* item) {
    if (dashboardModel()) expand(dashboardModel()->indexForItem(item));
}

void TDashboardOutlineView::collapseItem(const TTreeNode* item) {
    if (dashboardModel()) collapse(dashboardModel()->indexForItem(item));
}

void TDashboardOutlineView::installCells(const QModelIndex& parent) {
    TDashboardOutlineModel* model = dashboardModel();
    if (!model) return;
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        TDashboardRowItem* item = model->itemForIndex(index);
        if (TDashboardCellViewController* cell = item ? item->GetViewRepresentation() : nullptr) {
            cell->setOutlineView(this);
            QWidget* cellView = cell->view();
            if (!indexWidget(index) || cellView->parentWidget() != indexWidget(index)) hostCell(index, cell);
        }
        installCells(index);
    }
}

void TDashboardOutlineView::hostCell(const QModelIndex& index, TDashboardCellViewController* cell) {
    QWidget* cellView = cell->view();
    // The view deletes the widgets it was given (later, when rows go or the model resets), so it
    // gets a host of its own and the cell, which belongs to its row, only lies in it.
    if (QWidget* old = indexWidget(index))
        for (QWidget* other : old->findChildren<TDashboardCellView*>(Qt::FindDirectChildrenOnly))
            other->setParent(nullptr);
    auto* host = new QWidget;
    host->setObjectName(QStringLiteral("DashboardCellHost"));
    // The row is as high as its cell.
    host->setFixedHeight(cell->rowHeight());
    auto* layout = new QVBoxLayout(host);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(cellView);
    cellView->show();
    setIndexWidget(index, host);
}

void TDashboardOutlineView::dropEvent(QDropEvent* event) {
    QTreeView::dropEvent(event);
    // The model moved the row itself: the drag source must not remove it again.
    if (event->isAccepted()) event->setDropAction(Qt::CopyAction);
}

void TDashboardOutlineView::wheelEvent(QWheelEvent* event) {
    // Scrolling only scrolls: no cell takes the focus.
    verticalScrollBar()->event(event);
}

// The controller.

TDashboardViewController::TDashboardViewController(QObject* parent)
    : QObject(parent), m_model(std::make_unique<TDashboardOutlineModel>(this)) {}

TDashboardViewController::~TDashboardViewController() {
    NotificationCenter::defaultCenter().removeObserver(this);
    Scheduler::shared().cancelAll(this);
    if (gShared == this) gShared = nullptr;
    if (m_browser) m_browser->setModel(nullptr);
    m_watcher.reset();
    m_root = Ref<TTreeNode>();
}

TDashboardViewController* TDashboardViewController::sharedController() {
    return gShared;
}

TDashboardOutlineView* TDashboardViewController::browser() {
    if (!m_browser) {
        m_browser = new TDashboardOutlineView;
        m_browser->setModel(m_model.get());
        connect(m_browser, &QTreeView::expanded, this,
                [this](const QModelIndex& index) { itemDidExpand(m_model->itemForIndex(index)); });
        connect(m_browser, &QTreeView::collapsed, this,
                [this](const QModelIndex& index) { itemDidCollapse(m_model->itemForIndex(index)); });
        connect(m_model.get(), &QAbstractItemModel::rowsInserted, m_browser,
                [this](const QModelIndex& parent) { m_browser->installCells(parent); });
        connect(m_model.get(), &QAbstractItemModel::rowsMoved, m_browser,
                [this] { m_browser->installCells({}); });
        connect(m_model.get(), &QAbstractItemModel::modelReset, m_browser,
                [this] { m_browser->installCells({}); });
        m_browser->installCells({});
    }
    return m_browser;
}

TSheetBrowserWindowController* TDashboardViewController::sheetBrowser() const {
    return m_sheetBrowser ? m_sheetBrowser : ModelContracts::sheetBrowser();
}

QString TDashboardViewController::sheetFolderPath() const {
    return UserDefaults::standardUserDefaults().stringForKey(kPreferenceKeySheetFolder);
}

void TDashboardViewController::awakeFromNib() {
    gShared = this;
    NotificationCenter::defaultCenter().addObserver(this, kTaskChangedNotification, nullptr,
                                                    [this](const Notification&) { taskChanged(); });
    connect(&UserDefaults::standardUserDefaults(), &UserDefaults::changed, this,
            &TDashboardViewController::defaultsChanged);
    reloadDirectoryMonitor();
    reload();
    reloadBrowser();
}

void TDashboardViewController::defaultsChanged(const QString& key) {
    if (key != kPreferenceKeySheetFolder) return;
    reloadDirectoryMonitor();
    reloadLater();
}

void TDashboardViewController::reload() {
    Diagnostics::line(QStringLiteral("reload dashboard"));
    if (!m_root) {
        m_root = Ref<TTreeNode>::adopt(TTreeNode::Create());
    }
    for (const QString& name : {kFavorites, kSheets, kArchive, kOverview, kAttachments, kImportant})
        reloadGroup(name);
    // The rows of the groups were made afresh; the former ones, and any sheet read, are done with.
    ProcessMemory::releaseFreedWhenIdle();
}

void TDashboardViewController::reloadLater() {
    Scheduler::shared().performAfterDelay(this, QStringLiteral("reload"), 0, [this] { reload(); });
}

void TDashboardViewController::reloadGroupLater(const QString& name) {
    Scheduler::shared().performAfterDelay(this, QStringLiteral("reloadGroup:") + name, 0,
                                          [this, name] { reloadGroup(name); });
}

TDashboardGroupRowItem* TDashboardViewController::findGroup(const QString& name) const {
    if (!m_root) return nullptr;
    for (qint64 i = 0; i < m_root->ChildCount(); ++i) {
        auto* group = static_cast<TDashboardGroupRowItem*>(m_root->GetChild(i));
        if (group->GetTitle() == name) return group;
    }
    return nullptr;
}

void TDashboardViewController::reloadGroup(const QString& name) {
    if (!m_root) m_root = Ref<TTreeNode>::adopt(TTreeNode::Create());
    TDashboardGroupRowItem* group = findGroup(name);
    if (!group) {
        const int row = int(m_root->ChildCount());
        m_model->beginInsertRows({}, row, row);
        group = TDashboardGroupRowItem::Create(name);
        m_root->AddChild(group);
        group->Release();
        m_model->endInsertRows();
    }
    m_model->beginReplaceChildren(group);
    const qint64 before = group->ChildCount();
    fillGroup(group, name);
    m_model->endReplaceChildren(group, group->ChildCount() - before);
}

void TDashboardViewController::addRow(TTreeNode* parent, TDashboardCellViewController* controller) {
    TDashboardRowItem* row = TDashboardRowItem::Create(controller);
    parent->AddChild(row);
    row->Release();
}

void TDashboardViewController::fillGroup(TDashboardGroupRowItem* group, const QString& name) {
    TObjectArray* sheets = TSheetManager::SharedManager()->GetSheets();
    if (name == kFavorites) {
        for (TObject* object : *sheets) {
            auto* sheet = static_cast<TSheet*>(object);
            if (sheet->IsFavorite()) addRow(group, new TDashboardSheetCellViewController(sheet));
        }
    } else if (name == kSheets) {
        syncSheetsFromFolder(sheetFolderPath(), group);
    } else if (name == kOverview) {
        for (TObject* object : *sheets) {
            auto* sheet = static_cast<TSheet*>(object);
            if (!sheet->IsLoaded()) sheet->LoadCards();
            for (TObject* card : *sheet->GetAllCards()) {
                if (!card->IsMember(TJobslate::StaticClass())) continue;
                auto* jobslate = static_cast<TJobslate*>(card);
                for (TTask* task : jobslate->GetEvents())
                    addRow(group, new TDashboardTaskCellViewController(task, jobslate));
            }
        }
    } else if (name == kAttachments) {
        addRow(group, new TDashboardFilterCellViewController);
        for (TObject* object : *sheets) {
            auto* sheet = static_cast<TSheet*>(object);
            if (!sheet->IsLoaded()) sheet->LoadCards();
            for (TObject* card : *sheet->GetAllCards()) {
                if (!card->IsMember(TListCard::StaticClass())) continue;
                for (TObject* row : *static_cast<TListCard*>(card)->GetAllItems())
                    if (row->IsMember(TAttachment::StaticClass()))
                        addRow(group,
                               new TDashboardAttachmentCellViewController(static_cast<TAttachment*>(row)));
            }
        }
    }
}

void TDashboardViewController::syncSheetsFromFolder(const QString& folder, TTreeNode* parent) {
    QStringList visiting;
    syncSheetsFromFolder(folder, parent, visiting);
}

void TDashboardViewController::syncSheetsFromFolder(const QString& folder, TTreeNode* parent,
                                                    QStringList& visiting) {
    if (folder.isEmpty()) return;
    // A link back to a folder on the way down would be read without end.
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty() || visiting.contains(canonical)) return;
    visiting.append(canonical);
    const QStringList entries =
        QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString& entry : entries) {
        const QString path = QDir(folder).filePath(entry);
        if (StringFileObjectUtilities::isHidden(path)) continue;
        if (SheetTree::isSheetBundle(path)) {
            if (TSheet* sheet = TSheetManager::SharedManager()->RegisterSheet(path))
                addRow(parent, new TDashboardSheetCellViewController(sheet));
        } else if (QFileInfo(path).isDir()) {
            if (visiting.contains(QFileInfo(path).canonicalFilePath())) continue;
            TDashboardRowItem* row = TDashboardRowItem::Create(new TDashboardFolderCellViewController(path));
            parent->AddChild(row);
            row->Release();
            syncSheetsFromFolder(path, row, visiting);
        }
    }
    visiting.removeLast();
}

void TDashboardViewController::taskChanged() {
    // A burst of task changes rebuilds the overview once.
    Scheduler::shared().performAfterDelay(this, QStringLiteral("taskChanged"), 0, [this] {
        Diagnostics::line(QStringLiteral("reload dashboard overview"));
        reloadGroup(kOverview);
    });
}

void TDashboardViewController::reloadBrowser() {
    // A reset forgets which rows were open; the rows themselves stay.
    QList<TTreeNode*> expanded;
    if (m_browser && m_root)
        for (TObject* node : *m_root->GetAllChildren())
            if (m_browser->isItemExpanded(static_cast<TTreeNode*>(node)))
                expanded.append(static_cast<TTreeNode*>(node));
    m_model->beginResetModel();
    m_model->endResetModel();
    if (!m_browser) return;
    for (TTreeNode* node : expanded) m_browser->expandItem(node);
}

void TDashboardViewController::reloadDataIfNeeded() {
    if (!m_needsReloadData) return;
    reloadBrowser();
    m_needsReloadData = false;
}

void TDashboardViewController::reloadDirectoryMonitor() {
    const QString folder = sheetFolderPath();
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        Diagnostics::line(QStringLiteral("sheet folder path is invalid."));
        return;
    }
    if (!m_watcher) m_watcher = std::make_unique<SheetFolderWatcher>([this] { reload(); });
    m_watcher->setFolder(folder);
}

void TDashboardViewController::itemDidExpand(TTreeNode* item) {
    auto* row = static_cast<TDashboardRowItem*>(item);
    if (row && row->GetViewRepresentation()) row->GetViewRepresentation()->itemDidExpand();
}

void TDashboardViewController::itemDidCollapse(TTreeNode* item) {
    auto* row = static_cast<TDashboardRowItem*>(item);
    if (row && row->GetViewRepresentation()) row->GetViewRepresentation()->itemDidCollapse();
}
