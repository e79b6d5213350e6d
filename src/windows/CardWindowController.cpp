#include "CardWindowController.h"

#include "CardSidebar.h"
#include "CardSplitView.h"
#include "CardTabs.h"
#include "CardThemedView.h"
#include "CardWindow.h"
#include "MainMenuButton.h"
#include "WindowLevel.h"
#include "model/Card.h"
#include "model/Globals.h"
#include "model/Preferences.h"
#include "model/SheetManager.h"
#include "model/Themes.h"
#include "platform/Diagnostics.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "toolkit/NSStandardWindowButton.h"
#include "utilities/ImageUtilities.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int kBottomBarHeight = 30;
constexpr int kBottomBarOverlap = 12;

QToolButton* toggleButton(QWidget* parent, const QString& name) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setCheckable(true);
    button->setAutoRaise(true);
    return button;
}

QImage glyph(const QString& name) {
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::black, 1.5));
    if (name == QLatin1String("SideBarTemplate")) {
        painter.drawRect(2, 3, 12, 10);
        painter.drawLine(6, 3, 6, 13);
    } else if (name == QLatin1String("ForecastTemplate")) {
        painter.drawRect(2, 3, 12, 11);
        painter.drawLine(2, 6, 14, 6);
    } else if (name == QLatin1String("ImportantTemplate")) {
        painter.drawLine(8, 2, 8, 10);
        painter.drawPoint(8, 13);
    } else if (name == QLatin1String("ListTemplate")) {
        for (int y : {4, 8, 12}) painter.drawLine(3, y, 13, y);
    } else if (name == QLatin1String("AddTemplate")) {
        painter.drawLine(8, 3, 8, 13);
        painter.drawLine(3, 8, 13, 8);
    } else if (name == QLatin1String("RemoveTemplate")) {
        painter.drawLine(3, 8, 13, 8);
    }
    return image;
}

// A bottom-bar glyph as an icon, dimmed while off when it toggles: drawn once for the process and
// shared by every card window (kept to the end, as pixmaps must not outlive the application object).
QIcon barIcon(const QString& name, bool dark, bool toggles) {
    static auto* icons = new QHash<QString, QIcon>;
    const QString key = name + (dark ? QStringLiteral("/dark") : QString()) +
                        (toggles ? QStringLiteral("/toggle") : QString());
    const auto cached = icons->constFind(key);
    if (cached != icons->constEnd()) return *cached;
    const QImage image = glyph(name);
    const QImage on = dark ? ImageUtilities::invertedImage(image) : image;
    QIcon icon;
    if (toggles) {
        icon.addPixmap(QPixmap::fromImage(ImageUtilities::imageWithTransparency(on, dark ? 0.25 : 0.15)),
                       QIcon::Normal, QIcon::Off);
        icon.addPixmap(QPixmap::fromImage(on), QIcon::Normal, QIcon::On);
    } else {
        icon.addPixmap(QPixmap::fromImage(on));
    }
    icons->insert(key, icon);
    return icon;
}
} // namespace

TCardWindowController::TCardWindowController(TCard* card) {
    setCard(card);
    buildWindow();
    setUp();
    restoreFrame();
}

TCardWindowController::~TCardWindowController() {
    // The sidebar lets go of its model first: a title still being edited is dropped, not committed
    // into a controller that is half gone.
    if (m_outlineView) m_outlineView->setModel(nullptr);
    // A deletion put off until a drag ended never runs on a controller deleted otherwise.
    if (m_retireAfterDrag) Scheduler::shared().cancelAll(static_cast<TCardControllerProtocol*>(this));
    delete m_contentTransition; // never finishes onto views that go below
    windowWillClose();
    NotificationCenter::defaultCenter().removeObserver(this);
    if (m_tabBar) {
        m_tabBar->setDelegate(nullptr);
        m_tabBar->setDataSource(nullptr);
    }
    if (card()) forgetControllers(card());
    qDeleteAll(m_rowControllers);
    m_rowControllers.clear();
}

TCardWindow* TCardWindowController::cardWindow() const {
    return static_cast<TCardWindow*>(window());
}

qint32 TCardWindowController::GetFloatingWindowLevel(const TCard* card) {
    return card && card->IsFloating() ? WindowLevel::kFloatingLevel : WindowLevel::kNormalLevel;
}

void TCardWindowController::buildWindow() {
    auto* window = new TCardWindow(this);
    setWindow(window);
    auto* outer = new QVBoxLayout(window);
    outer->setContentsMargins(0, 0, 0, 0);
    m_contentView = new CardThemedView(TCardTheme::Background, window);
    outer->addWidget(m_contentView);
    m_contentView->setAttribute(Qt::WA_TransparentForMouseEvents, false);

    auto* column = new QVBoxLayout(m_contentView);
    column->setContentsMargins(6, 4, 6, 4);
    column->setSpacing(2);
    auto* top = new QHBoxLayout;
    m_closeButton = new NSStandardWindowButton(NSStandardWindowButton::CloseButton, m_contentView);
    m_miniaturizeButton =
        new NSStandardWindowButton(NSStandardWindowButton::MiniaturizeButton, m_contentView);
    m_zoomButton = new NSStandardWindowButton(NSStandardWindowButton::ZoomButton, m_contentView);
    for (NSStandardWindowButton* button : {m_closeButton, m_miniaturizeButton, m_zoomButton})
        top->addWidget(button);
    m_tabBar = new NSTabbedBar(m_contentView);
    m_tabBar->setFixedHeight(24);
    top->addWidget(m_tabBar, 1);
    top->addWidget(MainMenuButton::make(m_contentView));
    column->addLayout(top);

    m_splitView = new TCardSplitView(m_contentView);
    m_sideBarContainer = new CardThemedView(TCardTheme::SidebarContainer, m_splitView);
    auto* sideLayout = new QVBoxLayout(m_sideBarContainer);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    m_outlineView = new CardSidebarView(m_sideBarContainer);
    sideLayout->addWidget(m_outlineView);
    m_cardContainer = new CardThemedView(TCardTheme::ContentContainer, m_splitView);
    m_splitView->addWidget(m_sideBarContainer);
    m_splitView->addWidget(m_cardContainer);
    m_splitView->setStretchFactor(0, 0);
    m_splitView->setStretchFactor(1, 1);
    column->addWidget(m_splitView, 1);

    m_bottomView = new QWidget(m_contentView);
    m_bottomView->setFixedHeight(kBottomBarHeight - kBottomBarOverlap);
    auto* bottom = new QHBoxLayout(m_bottomView);
    bottom->setContentsMargins(0, 0, 0, 0);
    m_addCardButton = new QToolButton(m_bottomView);
    m_addCardButton->setPopupMode(QToolButton::InstantPopup);
    m_addCardButton->setAutoRaise(true);
    m_removeCardButton = new QToolButton(m_bottomView);
    m_removeCardButton->setAutoRaise(true);
    m_toggleSideBarButton = toggleButton(m_bottomView, QStringLiteral("toggleSideBarButton"));
    m_toggleListButton = toggleButton(m_bottomView, QStringLiteral("toggleListButton"));
    m_toggleForecastButton = toggleButton(m_bottomView, QStringLiteral("toggleForecastButton"));
    m_toggleImportantButton = toggleButton(m_bottomView, QStringLiteral("toggleImportantButton"));
    for (QToolButton* button : {m_addCardButton, m_removeCardButton, m_toggleSideBarButton})
        bottom->addWidget(button);
    bottom->addStretch(1);
    for (QToolButton* button : {m_toggleListButton, m_toggleForecastButton, m_toggleImportantButton})
        bottom->addWidget(button);
    column->addWidget(m_bottomView);
}

void TCardWindowController::setUp() {
    TCard* own = card();
    if (!NSPrefs().boolForKey(kPreferenceKeyDashboardMode))
        WindowLevel::setLevel(window(), GetFloatingWindowLevel(own));

    m_tabBar->setDelegate(this);
    m_tabBar->setDataSource(this);
    m_tabBar->setArrangingRequiresEditMode(false);
    m_tabBar->setArrangingAllowsRemoval(false);
    m_tabBar->setResizeToWidth(false);
    m_tabBar->setAnimationDuration(0);
    m_tabBar->setCenterHorizontally(true);
    m_tabBar->setEdgeInset(-15);
    m_tabBar->setOverflowEnabled(true);
    if (TCardTheme* cardTheme = own->GetTheme();
        cardTheme && cardTheme->ContainsProperty(QStringLiteral("overflowButtonImage"))) {
        const QImage image = cardTheme->GetImage(QStringLiteral("overflowButtonImage"));
        m_tabBar->setOverflowButtonImage(own->IsDarkStyle() ? ImageUtilities::invertedImage(image) : image);
    }

    connect(m_closeButton, &QAbstractButton::clicked, this, [this] { performClose(); });
    connect(m_miniaturizeButton, &QAbstractButton::clicked, this,
            [this] { cardWindow()->performMiniaturize(); });
    connect(m_zoomButton, &QAbstractButton::clicked, this, [this] { toggleFullScreen(); });

    m_listModel = new CardListModel(this);
    m_outlineView->setModel(m_listModel);
    m_outlineView->setDeleteAction([this](QAbstractItemView*) { removeSelectedCard(); });
    connect(m_outlineView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { sidebarSelectionChanged(); });
    connect(m_outlineView->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            [this] { sidebarEditingEnded(); });
    connect(m_splitView, &QSplitter::splitterMoved, this, [this] { splitViewDidResizeSubviews(); });

    m_outlineView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_outlineView, &QWidget::customContextMenuRequested, this, [this](const QPoint& point) {
        m_clickedCard = m_listModel->cardAt(m_outlineView->indexAt(point));
        // The menu runs its own loop: the window may go before it ends.
        const QPointer<TCardWindowController> self(this);
        sidebarMenu()->exec(m_outlineView->viewport()->mapToGlobal(point));
        if (self) m_clickedCard = nullptr;
    });

    auto* addMenu = new QMenu(m_addCardButton);
    addMenu->addAction(QStringLiteral("List Card"), this, [this] { newCard(1); });
    addMenu->addAction(QStringLiteral("Jobslate"), this, [this] { newCard(3); });
    addMenu->addAction(QStringLiteral("Memoleaf"), this, [this] { newCard(2); });
    m_addCardButton->setMenu(addMenu);
    connect(m_removeCardButton, &QToolButton::clicked, this, [this] { removeSelectedCard(); });
    connect(m_toggleSideBarButton, &QToolButton::clicked, this, [this] { toggleSideBar(); });
    connect(m_toggleListButton, &QToolButton::clicked, this, [this] { showTasks(); });
    connect(m_toggleForecastButton, &QToolButton::clicked, this, [this] { showForecast(); });
    connect(m_toggleImportantButton, &QToolButton::clicked, this, [this] { showImportant(); });
    m_toggleListButton->setChecked(true);

    // The window's title is for the window manager's lists and the accessibility tree; the frame
    // draws the card's title in its tab.
    window()->setWindowTitle(own->GetTitle());
    reloadSidebar();
    reloadTabs();
    m_tabBar->selectItemWithIdentifier(own->GetSelectedTabIdentifier());
    if (!m_tabBar->selectedItem()) updateContentView();

    connect(&NSPrefs(), &UserDefaults::changed, this, [this](const QString& key) {
        if (key == kPreferenceKeyShowDatesInSideBar) showDatesChanged();
    });
    updateApperance();
}

void TCardWindowController::restoreFrame() {
    TCard* own = card();
    if (!hasScreen()) {
        Diagnostics::line(QStringLiteral("no screen available to restore frame"));
        return;
    }
    setStoredFrame(restoredFrame(own));
    window()->layout()->activate();
    m_splitView->setSliderPosition(own->GetSplitViewPosition());
    if (own->IsBottomBarHidden()) toggleBottomBar();
    setFrameDidRestore(true);
}

void TCardWindowController::screensAppeared() {
    restoreFrame();
}

TCardTheme* TCardWindowController::theme() const {
    TCard* selected = selectedCard();
    return selected ? selected->GetTheme() : nullptr;
}

bool TCardWindowController::isDarkStyle() const {
    TCard* selected = selectedCard();
    return selected && selected->IsDarkStyle();
}

void TCardWindowController::updateTheme() {
    TCard* selected = selectedCard();
    if (!selected) return;
    QVariantMap input{{QStringLiteral("color"), selected->GetColor()}};
    if (m_fullScreen) input.insert(QStringLiteral("fullscreen"), true);
    TCardTheme* cardTheme = selected->GetTheme();
    m_contentView->setTheme(cardTheme, input);
    m_cardContainer->setTheme(cardTheme, input);
    m_sideBarContainer->setTheme(cardTheme, input);
    if (cardTheme) {
        m_closeButton->setImage(cardTheme->GetStandardWindowButtonImage(TCardTheme::CloseButton));
        m_miniaturizeButton->setImage(cardTheme->GetStandardWindowButtonImage(TCardTheme::MiniaturizeButton));
        m_zoomButton->setImage(cardTheme->GetStandardWindowButtonImage(TCardTheme::ZoomButton));
    }
    m_outlineView->setProperty("themeName", card()->GetTheme() ? card()->GetTheme()->GetName() : QString());
    m_outlineView->setTheme(card()->GetTheme());
    window()->update();
}

void TCardWindowController::updateApperance() {
    if (!isBottomBarHidden()) updateBottomBar();
    CardTabs::updateStyles(m_tabBar);
    m_outlineView->viewport()->update();
    updateTheme();
}

void TCardWindowController::updateCardApperance(TCard* changed) {
    if (!changed) return;
    if (changed == card()) window()->setWindowTitle(changed->GetTitle());
    if (CardTabs::retitle(m_tabBar, changed->GetUUID(), changed->GetTitle())) m_tabBar->arrangeItems();
    const QModelIndex index = m_listModel->indexOfCard(changed);
    if (index.isValid()) emit m_listModel->dataChanged(index, index);
    setUINeedsDisplay();
}

QMenu* TCardWindowController::sidebarMenu() {
    // Made at the first opening: most windows never show it.
    if (m_sidebarMenu) return m_sidebarMenu;
    m_sidebarMenu = new QMenu(m_outlineView);
    // Each item carries its action's name for the validation at each opening.
    auto add = [this](const QString& title, const QString& action, auto slot) {
        m_sidebarMenu->addAction(title, this, slot)->setData(action);
    };
    const QString newCardAction = QStringLiteral("newCard");
    if (isMemoleaf()) {
        add(QStringLiteral("Add Card"), newCardAction, [this] { newCard(2); });
    } else {
        add(QStringLiteral("Add List Card"), newCardAction, [this] { newCard(1); });
        add(QStringLiteral("Add Jobslate"), newCardAction, [this] { newCard(3); });
        add(QStringLiteral("Add Memoleaf"), newCardAction, [this] { newCard(2); });
    }
    m_sidebarMenu->addSeparator();
    add(QStringLiteral("Detach"), QStringLiteral("contextualMenuDetach"), [this] { contextualMenuDetach(); });
    add(QStringLiteral("Duplicate"), QStringLiteral("contextualMenuDuplicate"),
        [this] { contextualMenuDuplicate(); });
    add(QStringLiteral("Remove..."), QStringLiteral("contextualMenuRemove"),
        [this] { contextualMenuRemove(); });
    connect(m_sidebarMenu, &QMenu::aboutToShow, this, [this] { validateSidebarMenu(); });
    return m_sidebarMenu;
}

void TCardWindowController::updateBottomBar() {
    const bool dark = isDarkStyle();
    m_addCardButton->setIcon(barIcon(QStringLiteral("AddTemplate"), dark, false));
    m_removeCardButton->setIcon(barIcon(QStringLiteral("RemoveTemplate"), dark, false));
    m_toggleSideBarButton->setIcon(barIcon(QStringLiteral("SideBarTemplate"), dark, true));
    m_toggleListButton->setIcon(barIcon(QStringLiteral("ListTemplate"), dark, true));
    m_toggleForecastButton->setIcon(barIcon(QStringLiteral("ForecastTemplate"), dark, true));
    m_toggleImportantButton->setIcon(barIcon(QStringLiteral("ImportantTemplate"), dark, true));
}

bool TCardWindowController::isBottomBarHidden() const {
    return m_bottomView->isHidden();
}

void TCardWindowController::toggleBottomBar() {
    // The layout gives the split view the bar's room (less the overlap) when the bar goes.
    if (isBottomBarHidden()) {
        m_bottomView->show();
        updateBottomBar();
    } else {
        m_bottomView->hide();
    }
    card()->SetBottomBarHidden(isBottomBarHidden());
}

void TCardWindowController::toggleFloating() {
    card()->SetFloating(!card()->IsFloating());
    WindowLevel::setLevel(window(), GetFloatingWindowLevel(card()));
}

void TCardWindowController::toggleFullScreen() {
    if (window()->isFullScreen())
        window()->showNormal();
    else
        window()->showFullScreen();
}

void TCardWindowController::windowStateChanged() {
    const bool fullScreen = window()->isFullScreen();
    if (fullScreen == m_fullScreen) return;
    m_fullScreen = fullScreen;
    m_closeButton->setEnabled(!fullScreen);
    m_miniaturizeButton->setEnabled(!fullScreen);
    if (fullScreen) {
        if (TCardContentViewController* content = contentControllerFor(selectedCard()))
            if (content->respondsToRecalculateRows()) content->recalculateRows();
    } else {
        m_tabBar->resetClipping();
        m_tabBar->arrangeItemsByIgnoringClippping();
    }
    updateTheme();
}

void TCardWindowController::windowDidResignKey() {
    NotificationCenter::defaultCenter().post(QStringLiteral("hideInfoButtons"), nullptr);
}

void TCardWindowController::windowWillClose() {
    Scheduler::shared().cancelAll(this);
    if (m_tabBar) m_tabBar->setDelegate(nullptr);
    if (!card()) return;
    for (TObject* object : *card()->GetAllChildrenIncludingSelf())
        if (auto* content = dynamic_cast<TCardContentViewController*>(
                static_cast<TCard*>(object)->GetViewRepresentation()))
            content->cardWillClose();
}
