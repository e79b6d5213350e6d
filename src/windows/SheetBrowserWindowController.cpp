#include "SheetBrowserWindowController.h"

#include "SheetBrowserRows.h"
#include "SheetBrowserViews.h"
#include "SheetOutlineView.h"
#include "SheetTree.h"
#include "WindowLevel.h"
#include "model/Globals.h"
#include "model/Preferences.h"
#include "platform/Diagnostics.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "platform/calendar/DesktopNotifier.h"
#include "toolkit/ScreenProvider.h"

#include <QApplication>
#include <QCursor>
#include <QFileInfo>
#include <QMenu>
#include <QSet>

namespace {

SheetBrowserWindowController* g_shared = nullptr;
const QString kAdjustHeightKey = QStringLiteral("adjustBrowserHeight");
const QString kSlideBackKey = QStringLiteral("slideBack");

TSheetManager* manager() {
    return TSheetManager::SharedManager();
}

UserDefaults& defaults() {
    return UserDefaults::standardUserDefaults();
}

bool isGroup(const TSheetManagerItem* item) {
    return SheetTree::isGroupItem(item);
}

bool isSeparator(const TSheetManagerItem* item) {
    return SheetTree::isSeparatorItem(item);
}

QList<TSheetManagerItem*> descendants(const TSheetManagerItem* root) {
    return SheetTree::descendants(root);
}

} // namespace

SheetBrowserWindowController* SheetBrowserWindowController::sharedController() {
    if (isMini()) return nullptr;
    if (!g_shared) {
        g_shared = new SheetBrowserWindowController;
        ModelContracts::setSheetBrowser(g_shared);
    }
    return g_shared;
}

SheetBrowserWindowController::SheetBrowserWindowController()
    : NSSlideWindowController(new TSheetBrowserWindow), m_tree(std::make_unique<SheetTree>(this)) {
    m_window = static_cast<TSheetBrowserWindow*>(window());
    m_window->setController(this);
    m_window->setWindowTitle(QStringLiteral("Sheets"));
    WindowLevel::showOnAllDesktops(m_window);
    // The views lie on a background that slides with the window and brings it out of the edge.
    auto* background = new NSSlideWindowBackgroundView;
    setContentView(background);
    m_contentView = new TSheetBrowserContentView(this, background);
    m_shadowView = new TSheetBrowserShadowView(this, background);
    m_browser = new TSheetOutlineView(this, m_contentView);
    m_contentView->resize(int(kWidth - kShadowWidth), m_window->height());
    m_shadowView->resize(int(kShadowWidth), m_window->height());

    setExposedEdge(kShadowWidth);
    setSlidingEnabled(defaults().boolForKey(kPreferenceKeyAutoHideSheetBrowser), false, false);
    setAnimationDuration(0.2);
    buildContextMenu();
    setDrawerMode(defaults().boolForKey(kPreferenceKeyShowSheetsAsDrawer));

    connect(&ScreenProvider::shared(), &ScreenProvider::screensChanged, this,
            &SheetBrowserWindowController::screenParametersChanged);
    connect(&defaults(), &UserDefaults::changed, this, &SheetBrowserWindowController::preferenceChanged);
    m_tree->setSheetFolderPath(sheetFolderPath());
    update();
}

SheetBrowserWindowController::~SheetBrowserWindowController() {
    Diagnostics::line(QStringLiteral("TSheetBrowserWindowController.dealloc"));
    Scheduler::shared().cancelAll(this);
    if (g_shared == this) g_shared = nullptr;
    if (ModelContracts::sheetBrowser() == this) ModelContracts::setSheetBrowser(nullptr);
    // The rows' views go with the window; the controllers and the items' links go here.
    delete m_browser;
    m_browser = nullptr;
    for (Row& row : m_rows) {
        row.item->SetViewRepresentation(nullptr);
        delete row.controller;
    }
    m_rows.clear();
}

void SheetBrowserWindowController::setDashboard(QWidget* view) {
    m_dashboard = view;
    if (view) {
        view->setParent(m_contentView);
        view->show();
    }
    reposition();
}

void SheetBrowserWindowController::buildContextMenu() {
    m_menu = new QMenu(m_window);
    const auto add = [this](const QString& title, void (SheetBrowserWindowController::*action)()) {
        QAction* item = m_menu->addAction(title);
        connect(item, &QAction::triggered, this, action);
    };
    add(QStringLiteral("Edit Title"), &SheetBrowserWindowController::editTitle);
    add(QStringLiteral("Show in File Manager"), &SheetBrowserWindowController::revealSheetInFinder);
    m_menu->addSeparator();
    add(QStringLiteral("Delete"), &SheetBrowserWindowController::deleteSheet);
    m_menu->addSeparator();
    add(QStringLiteral("Add Sheet"), &SheetBrowserWindowController::addSheet);
    add(QStringLiteral("Add Group"), &SheetBrowserWindowController::addGroup);
    // The pointer may have left the window while the menu held it out.
    connect(m_menu, &QMenu::aboutToHide, this, [this] {
        Scheduler::shared().performAfterDelay(this, kSlideBackKey, 0.0, [this] { slideBackWhenLeft(); });
    });
    connect(m_menu, &QMenu::aboutToShow, this, [this] {
        for (QAction* action : m_menu->actions())
            if (!action->isSeparator()) action->setEnabled(validateMenuItem(action->text()));
    });
}

// Window

void SheetBrowserWindowController::showWindow() {
    if (m_window) m_window->show();
    reposition();
}

void SheetBrowserWindowController::reposition() {
    // The slide controller places the window before this controller has made its views.
    if (!m_browser) return NSSlideWindowController::reposition();
    setSlideEdge(qint32(defaults().integerForKey(kPreferenceKeySheetBrowserSide)) == SlideGeometry::Right
                     ? SlideGeometry::Right
                     : SlideGeometry::Left);
    const QRect screen = ScreenProvider::shared().availableGeometry(m_window);
    const double height = screen.height() - kMenuBarHeight;
    const int contentWidth = int(kWidth - kShadowWidth);
    if (slideEdge() == SlideGeometry::Left) {
        m_shadowView->setGeometry(contentWidth, 0, int(kShadowWidth), int(height));
        m_contentView->setGeometry(0, 0, contentWidth, int(height));
    } else {
        m_shadowView->setGeometry(0, 0, int(kShadowWidth), int(height));
        m_contentView->setGeometry(int(kShadowWidth), 0, contentWidth, int(height));
    }
    m_browser->setGeometry(0, 0, contentWidth, m_browser->height() > 0 ? m_browser->height() : int(height));
    adjustBrowserHeight();
    if (windowSize() != QSizeF(kWidth, height)) {
        setWindowSize(QSizeF(kWidth, height)); // places the window again
        return;
    }
    if (defaults().boolForKey(kPreferenceKeyShowSheetBrowser))
        m_window->show();
    else
        m_window->hide();
    NSSlideWindowController::reposition();
}

bool SheetBrowserWindowController::shouldClose() {
    if (QApplication::activePopupWidget() || m_window->canBecomeKeyWindow()) return false;
    return NSSlideWindowController::shouldClose();
}

void SheetBrowserWindowController::slideBackWhenLeft() {
    auto* background = qobject_cast<NSSlideWindowBackgroundView*>(NSSlideWindowController::contentView());
    if (background && isExpanded() && !m_window->frameGeometry().contains(QCursor::pos()))
        background->mouseExited();
}

bool SheetBrowserWindowController::hidesWhileInactive() const {
    return !manager()->GetControllers().isEmpty();
}

void SheetBrowserWindowController::adjustBrowserHeight() {
    if (!m_browser) return;
    double total = 0;
    for (qint64 row = 0; row < m_browser->numberOfRows(); ++row)
        total += heightOfRowByItem(m_browser->itemAtRow(row));
    const double visible = ScreenProvider::shared().availableGeometry(m_window).height();
    total = std::min(total, visible);
    const double h = total + 4;
    QWidget* superview = m_browser->parentWidget();
    // The list hangs from the top; with the dashboard below it, it takes at most half the height.
    const double room = m_dashboard ? superview->height() / 2.0 : superview->height();
    m_browser->setGeometry(m_browser->x(), 0, m_browser->width(), int(std::min(h, room)));
    if (m_dashboard)
        m_dashboard->setGeometry(0, m_browser->height(), int(kDashboardWidth),
                                 std::max(0, superview->height() - m_browser->height()));
}

void SheetBrowserWindowController::preferenceChanged(const QString& key) {
    if (key == kPreferenceKeySheetFolder) {
        m_tree->setSheetFolderPath(sheetFolderPath());
        update();
    } else if (key == kPreferenceKeyDrawerBackgroundColor) {
        m_contentView->QWidget::update();
    } else if (key == kPreferenceKeySheetBrowserSide) {
        reposition();
    } else if (key == kPreferenceKeyAutoHideSheetBrowser) {
        const bool value = defaults().boolForKey(key);
        if (isSlidingEnabled() != value)
            setSlidingEnabled(value, true, false);
        else
            update();
    } else if (key == kPreferenceKeyShowSheetsAsDrawer) {
        const bool value = defaults().boolForKey(key);
        if (isDrawer() != value)
            setDrawerMode(value);
        else
            update();
    } else if (key == kPreferenceKeyShowSheetsAsList || key == kPreferenceKeyShowGroupRowsInBrowser ||
               key == kPreferenceKeySheetBrowserWidth) {
        update();
    }
}

// State

bool SheetBrowserWindowController::isAvailable() const {
    const QString folder = sheetFolderPath();
    return !folder.isEmpty() && QFileInfo::exists(folder);
}

void SheetBrowserWindowController::setDrawerMode(bool drawer) {
    m_drawerMode = drawer;
    reloadBrowser();
    m_contentView->QWidget::update();
    m_shadowView->QWidget::update();
    reposition();
}

bool SheetBrowserWindowController::isList() const {
    return defaults().boolForKey(kPreferenceKeyShowSheetsAsList);
}

QString SheetBrowserWindowController::sheetFolderPath() const {
    return defaults().stringForKey(kPreferenceKeySheetFolder);
}

QString SheetBrowserWindowController::sheetItemsPath() const {
    return sheetFolderPath() + QStringLiteral("/SheetItems.plist");
}

TSheetManagerItem* SheetBrowserWindowController::selectedItem() const {
    return m_browser ? m_browser->itemAtRow(m_browser->selectedRow()) : nullptr;
}

TSheetManagerItem* SheetBrowserWindowController::clickedItem() const {
    return m_browser ? m_browser->itemAtRow(m_browser->clickedRow()) : nullptr;
}

TSheetTableRowView* SheetBrowserWindowController::selectedRowView() const {
    return m_browser ? m_browser->rowViewAtRow(m_browser->selectedRow()) : nullptr;
}

// Selection

void SheetBrowserWindowController::selectRowForSheet(TSheet* sheet) {
    if (!root()) return;
    TSheetManagerItem* found = nullptr;
    if (sheet)
        for (TSheetManagerItem* item : descendants(root()))
            if (item->GetSheet() == sheet) {
                found = item;
                break;
            }
    if (!found) {
        Diagnostics::line(QStringLiteral("no item found for selection, deselect all"));
        m_browser->deselectAll();
        return;
    }
    // Every group above the row opens, so the row is shown.
    QList<TSheetManagerItem*> above;
    for (TTreeNode* node = found->GetParent(); node && node != root(); node = node->GetParent())
        above.prepend(static_cast<TSheetManagerItem*>(node));
    for (TSheetManagerItem* group : above) m_browser->expandItem(group);
    const qint64 row = m_browser->rowForItem(found);
    m_browser->selectRow(row);
    m_browser->scrollRowToVisible(row);
}

void SheetBrowserWindowController::restoreSelection() {
    if (TSheet* active = manager()->GetActiveSheet()) selectRowForSheet(active);
}

// Both walks stop once they come back to a row they already passed over: a tree without sheets
// has nothing to select.
void SheetBrowserWindowController::nextSheet() {
    if (!m_browser) return;
    qint64 row = m_browser->selectedRow() + 1;
    QSet<TSheetManagerItem*> passed;
    for (;;) {
        if (row >= m_browser->numberOfRows()) row = 0;
        TSheetManagerItem* item = m_browser->itemAtRow(row);
        if (!item) return;
        if (!item->IsExpanded() && item->HasChildren()) {
            m_browser->expandItem(item);
            if (!item->IsExpanded()) return;
            continue;
        }
        if (isGroup(item) || isSeparator(item) || !item->GetSheet()) {
            if (passed.contains(item)) return;
            passed.insert(item);
            ++row;
            continue;
        }
        m_browser->selectRow(row);
        return;
    }
}

void SheetBrowserWindowController::previousSheet() {
    if (!m_browser) return;
    qint64 row = m_browser->selectedRow() - 1;
    QSet<TSheetManagerItem*> passed;
    const auto wrap = [this](qint64 r) { return r < 0 ? m_browser->numberOfRows() - 1 : r; };
    row = wrap(row);
    for (;;) {
        TSheetManagerItem* item = m_browser->itemAtRow(row);
        if (!item) return;
        if (!item->IsExpanded() && item->HasChildren()) {
            m_browser->expandItem(item);
            if (!item->IsExpanded()) return;
            row += item->ChildCount();
            continue;
        }
        if (isGroup(item) || isSeparator(item) || !item->GetSheet()) {
            if (passed.contains(item)) return;
            passed.insert(item);
            row = wrap(row - 1);
            continue;
        }
        m_browser->selectRow(row);
        return;
    }
}

void SheetBrowserWindowController::outlineViewSelectionDidChange() {
    if (m_reloadingBrowser) return;
    TSheetManagerItem* item = selectedItem();
    if (!item || (item->GetSheet() && item->GetSheet() == manager()->GetActiveSheet())) return;
    const QString path = item->GetPath();
    if (path.isEmpty() || (QFileInfo(path).isDir() && !SheetTree::isSheetBundle(path))) return;
    TSheet* sheet = manager()->RegisterSheet(path);
    if (!sheet) return;
    Diagnostics::line(QStringLiteral("open sheet file ") + QFileInfo(path).fileName());
    manager()->Close();
    manager()->Open(sheet);
}

// Refreshing

TSheetManagerItem* SheetBrowserWindowController::root() const {
    return m_tree->root();
}

void SheetBrowserWindowController::reload() {
    m_tree->reload();
}

bool SheetBrowserWindowController::containsSheet(TSheet* sheet) const {
    return m_tree->containsSheet(sheet);
}

void SheetBrowserWindowController::reloadPreview(TSheet* sheet) {
    m_tree->reloadPreview(sheet);
}

void SheetBrowserWindowController::reloadBrowser() {
    if (!m_browser) return;
    m_reloadingBrowser = true;
    pruneRowControllers();
    m_browser->reloadData();
    restoreSelection();
    adjustBrowserHeight();
    m_reloadingBrowser = false;
}

void SheetBrowserWindowController::reloadDataIfNeeded() {
    if (!m_needsReloadData) return;
    reloadBrowser();
    m_needsReloadData = false;
}

void SheetBrowserWindowController::update() {
    reload();
    reloadBrowser();
}

void SheetBrowserWindowController::sheetsChanged() {
    m_tree->saveStateInBackground();
    reloadBrowser();
    if (m_browser->selectedRow() < 0) nextSheet();
}

// The folder is read on a worker thread; the tree is redisplayed when what it read is applied.
void SheetBrowserWindowController::directoryChanged() {
    m_tree->reloadInBackground();
}

void SheetBrowserWindowController::reloadedInBackground() {
    if (applicationIsActive())
        reloadBrowser();
    else
        m_needsReloadData = true;
}

bool SheetBrowserWindowController::applicationIsActive() const {
    if (m_isActive) return m_isActive();
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

void SheetBrowserWindowController::setPreviewImage(TSheetManagerItem* item, const QImage& image) {
    if (auto* controller = static_cast<TSheetCellViewController*>(item->GetViewRepresentation()))
        controller->setPreviewImage(image);
}

void SheetBrowserWindowController::notify(const QString& title, const QString& body) {
    if (m_notifier)
        m_notifier->notify(title, body);
    else
        Diagnostics::line(title + QStringLiteral(": ") + body);
}

// Outline data source and delegate

qint64 SheetBrowserWindowController::numberOfChildrenOfItem(TSheetManagerItem* item) const {
    if (!root()) return 0;
    return (item ? item : root())->ChildCount();
}

TSheetManagerItem* SheetBrowserWindowController::childOfItem(TSheetManagerItem* item, qint64 index) const {
    TSheetManagerItem* parent = item ? item : root();
    return parent ? static_cast<TSheetManagerItem*>(parent->GetChild(index)) : nullptr;
}

bool SheetBrowserWindowController::isItemExpandable(TSheetManagerItem* item) const {
    return item && item->HasChildren();
}

TSheetCellViewController* SheetBrowserWindowController::rowControllerForItem(TSheetManagerItem* item) {
    auto found = m_rows.find(item);
    if (found != m_rows.end()) return found->controller;
    Row row{Ref<TSheetManagerItem>::retain(item), makeSheetRowController(item, isList(), this)};
    item->SetViewRepresentation(row.controller);
    m_rows.insert(item, row);
    return row.controller;
}

double SheetBrowserWindowController::heightOfRowByItem(TSheetManagerItem* item) {
    return item ? rowControllerForItem(item)->rowHeight() : 0;
}

bool SheetBrowserWindowController::shouldSelectItem(TSheetManagerItem* item) const {
    return item && !isGroup(item) && !isSeparator(item);
}

bool SheetBrowserWindowController::shouldCollapseItem(TSheetManagerItem* item) const {
    const TSheetManagerItem* selected = selectedItem();
    return !selected || selected->GetParent() != item;
}

void SheetBrowserWindowController::itemDidExpand(TSheetManagerItem* item) {
    if (!item->IsExpanded()) {
        item->SetExpanded(true);
        m_tree->saveState();
    }
    reloadRows();
    if (m_browser->selectedRow() < 0) selectRowForSheet(manager()->GetActiveSheet());
}

void SheetBrowserWindowController::itemDidCollapse(TSheetManagerItem* item) {
    if (item->IsExpanded()) {
        item->SetExpanded(false);
        m_tree->saveState();
    }
    reloadRows();
}

// The rows again after an item opened or closed; the selection stays, no sheet opens.
void SheetBrowserWindowController::reloadRows() {
    const bool reloading = m_reloadingBrowser;
    m_reloadingBrowser = true;
    m_browser->reloadData();
    m_reloadingBrowser = reloading;
}

void SheetBrowserWindowController::rowViewsChanged() {
    Scheduler::shared().performAfterDelay(this, kAdjustHeightKey, 0.0, [this] { adjustBrowserHeight(); });
}

bool SheetBrowserWindowController::isCellBelowMouseDown(const QPoint& globalPosition) const {
    return m_browser && m_browser->rowAtPoint(m_browser->viewport()->mapFromGlobal(globalPosition)) >= 0;
}

TSheetManagerItem* SheetBrowserWindowController::itemForRowView(const QWidget* view) const {
    for (TSheetManagerItem* item : descendants(root())) {
        const auto* controller = static_cast<TSheetCellViewController*>(item->GetViewRepresentation());
        if (controller && controller->isViewLoaded() && controller->cellView() == view) return item;
    }
    return nullptr;
}

// Controllers of items that left the tree go, and their items with them.
void SheetBrowserWindowController::pruneRowControllers() {
    const QList<TSheetManagerItem*> all = descendants(root());
    const QSet<TSheetManagerItem*> live(all.begin(), all.end());
    for (auto it = m_rows.begin(); it != m_rows.end();) {
        if (live.contains(it.key())) {
            ++it;
            continue;
        }
        if (QWidget* view = it->controller->isViewLoaded() ? it->controller->view() : nullptr) {
            view->hide();
            view->setParent(nullptr);
        }
        it->item->SetViewRepresentation(nullptr);
        it->controller->detach();
        it->controller->deleteLater();
        it = m_rows.erase(it);
    }
}
