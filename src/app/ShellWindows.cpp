#include "ShellWindows.h"

#include "AppController.h"
#include "DockMenu.h"
#include "PreferencesWindowController.h"
#include "UpdatePortal.h"
#include "WelcomeWindowController.h"

#include "model/Card.h"
#include "model/Globals.h"
#include "model/ModelContracts.h"
#include "model/Preferences.h"
#include "model/SheetManager.h"
#include "platform/Diagnostics.h"
#include "platform/UserDefaults.h"
#include "platform/calendar/DesktopNotifier.h"
#include "windows/CardWindowController.h"
#include "windows/DashboardViewController.h"
#include "windows/DesktopWindowController.h"
#include "windows/DockWindowController.h"
#include "windows/GenericCardWindow.h"
#include "windows/LinkURL.h"
#include "windows/OutlineViewController.h"
#include "windows/SheetBrowserWindowController.h"
#include "windows/WindowLevel.h"

#include <QApplication>
#include <QGuiApplication>
#include <QWindow>

namespace {

// A start without a desktop session (tests, scripted first starts) names the welcome window's
// location here ("Default", "Custom", ...) and the window is answered without being shown.
const char* const kWelcomeChoice = "JOBSLATE_WELCOME_CHOICE";

void runWelcome() {
    const QString choice = qEnvironmentVariable(kWelcomeChoice);
    if (choice.isEmpty()) {
        TWelcomeWindowController::beginModalSession();
        return;
    }
    auto* welcome = new TWelcomeWindowController;
    QPointer<QWidget> window = welcome->window();
    for (int row = 0; row < welcome->locations().size(); ++row)
        if (welcome->locations()[row].title == choice) welcome->selectRow(row);
    welcome->next();
    if (window) window->close();
}

TCardWindowController* cardController(TCard* card) {
    return dynamic_cast<TCardWindowController*>(TSheetManager::SharedManager()->GetController(card));
}

} // namespace

ShellWindows::ShellWindows(AppController& controller, QObject* parent)
    : QObject(parent), m_controller(controller) {}

ShellWindows::~ShellWindows() {
    TDesktopImageView::setDeactivateHandler({});
    LinkURL::setOwnLinkHandler({});
    if (TEffectsWindowController* effects = TEffectsWindowController::sharedController();
        effects->delegate() == m_dashboardMode.get())
        effects->setDelegate(nullptr);
    m_badge.reset();
    m_dashboardMode.reset();
    if (m_browser) {
        m_browser->setNewSheetHandler({});
        m_browser->setNotifier(nullptr);
        if (m_dashboard) m_dashboard->setSheetBrowser(nullptr);
    }
    TDockController::destroyShared();
    TDesktopWindowController::destroyShared();
}

void ShellWindows::install() {
    ShellHooks& hooks = m_controller.hooks;
    AppController* controller = &m_controller;
    installBrowser();

    TDockController* dock = TDockController::sharedController();
    dock->setSheetBrowser(m_browser);
    hooks.repositionDock = [] { TDockController::sharedController()->reposition(); };
    hooks.repositionDesktop = [] { TDesktopWindowController::sharedController()->reposition(); };

    m_dashboardMode = std::make_unique<DashboardMode>(this, TEffectsWindowController::sharedController());
    DashboardMode* mode = m_dashboardMode.get();
    hooks.setDashboardModeEnabled = [mode](bool enabled) { mode->setDashboardModeEnabled(enabled); };
    TDesktopImageView::setDeactivateHandler([mode] { mode->deactivate(); });

    hooks.showPreferences = [] { TPreferenceWindowController::sharedController()->showWindow(); };
    hooks.showUpdatePortal = [] { TWebPortalWindowController::showUpdatePortal(); };
    hooks.runWelcome = runWelcome;

    m_badge = std::make_unique<TDockBadge>(controller);
    TDockBadge* badge = m_badge.get();
    badge->setActivationHandler([this] { reopen(); });
    hooks.taskManagerTimerFired = [badge] { badge->taskManagerTimerFired(); };

    // Links of the program's own scheme, clicked in rows and cards, come back here.
    LinkURL::setOwnLinkHandler([controller](const QUrl& url) { controller->processURL(url); });
    if (m_browser) {
        m_notifier = std::make_unique<DBusDesktopNotifier>();
        m_browser->setNotifier(m_notifier.get());
    }

    hooks.focusItem = [](TCard* card, TCardItem* item) {
        TCardWindowController* owner = cardController(card);
        if (!owner) return;
        if (auto* outline = dynamic_cast<TOutlineViewController*>(owner->contentControllerFor(card)))
            outline->focusItem(item);
    };
}

void ShellWindows::installBrowser() {
    m_browser = SheetBrowserWindowController::sharedController();
    if (!m_browser) return; // the small edition has none
    ShellHooks& hooks = m_controller.hooks;
    SheetBrowserWindowController* browser = m_browser;
    AppController* controller = &m_controller;
    browser->setNewSheetHandler([controller] { controller->perform(QStringLiteral("newSheet")); });
    hooks.browserAvailable = [browser] { return browser->isAvailable(); };
    hooks.nextSheet = [browser] { browser->nextSheet(); };
    hooks.previousSheet = [browser] { browser->previousSheet(); };
    hooks.addGroup = [browser] { browser->addGroup(); };
    hooks.deleteSheet = [browser] { browser->deleteSheet(); };
    hooks.revealSheetInFinder = [browser] { browser->revealSheetInFinder(); };
    hooks.repositionBrowser = [browser] { browser->reposition(); };
    hooks.showBrowser = [browser] { browser->showWindow(); };

    // The dashboard lies in the browser's window, below the tree.
    m_dashboard = new TDashboardViewController(browser);
    m_dashboard->setSheetBrowser(browser);
    browser->setDashboard(m_dashboard->browser());
    m_dashboard->awakeFromNib();
}

void ShellWindows::launched() {
    m_badge->start();
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, &ShellWindows::applicationStateChanged);
    applicationStateChanged(QGuiApplication::applicationState());
    m_dashboardMode->followPreference();
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focused) {
        for (const QPointer<QWidget>& window : cardWindows())
            if (window && focused && window->windowHandle() == focused)
                m_dashboardMode->windowDidBecomeKey(window);
    });
}

void ShellWindows::reopen() {
    if (m_browser) {
        UserDefaults::standardUserDefaults().setBoolForKey(true, kPreferenceKeyShowSheetBrowser);
        m_browser->showWindow();
    }
    // The program becomes active through a card window, or the browser when there is none.
    const QList<QPointer<QWidget>> cards = cardWindows();
    QWidget* front = !cards.isEmpty() ? cards.last().data() : m_browser ? m_browser->window() : nullptr;
    if (!front) return;
    front->show();
    front->raise();
    front->activateWindow();
}

void ShellWindows::applicationStateChanged(Qt::ApplicationState state) {
    const bool wasActive = m_state == Qt::ApplicationActive;
    m_state = state;
    if (state == Qt::ApplicationActive && !wasActive) {
        m_dashboardMode->applicationWillBecomeActive();
        TDesktopWindowController::sharedController()->applicationWillBecomeActive();
        m_dashboardMode->applicationDidBecomeActive();
    } else if (state != Qt::ApplicationActive && wasActive) {
        m_dashboardMode->applicationWillResignActive();
        m_dashboardMode->applicationDidResignActive();
    }
}

// Dashboard host.

QList<QPointer<QWidget>> ShellWindows::cardWindows() const {
    QList<QPointer<QWidget>> windows;
    // A minimised card keeps its window, ordered out; it comes back through the dock only.
    for (TCardControllerProtocol* controller : TSheetManager::SharedManager()->GetControllers())
        if (auto* cardController = dynamic_cast<TGenericCardWindowController*>(controller);
            cardController && cardController->card() && !cardController->card()->IsMiniaturized())
            if (QWidget* window = static_cast<QWidget*>(cardController->window())) windows.append(window);
    return windows;
}

QWidget* ShellWindows::desktopWindow() {
    return TDesktopWindowController::sharedController()->window();
}

void ShellWindows::repositionDesktop() {
    TDesktopWindowController::sharedController()->reposition();
}

qint32 ShellWindows::floatingLevel(QWidget* window) const {
    for (TCardControllerProtocol* controller : TSheetManager::SharedManager()->GetControllers())
        if (auto* cardController = dynamic_cast<TGenericCardWindowController*>(controller))
            if (static_cast<QWidget*>(cardController->window()) == window)
                return TCardWindowController::GetFloatingWindowLevel(cardController->card());
    return WindowLevel::kNormalLevel;
}

void ShellWindows::hideApplication() {
    if (ApplicationActivation* activation = ApplicationActivation::shared()) activation->hide();
}

void ShellWindows::beep() {
    QApplication::beep();
}

void ShellWindows::saveActiveSheet() {
    m_controller.saveActiveSheet();
}

void ShellWindows::reloadDataIfNeeded() {
    if (m_browser) m_browser->reloadDataIfNeeded();
    if (m_dashboard) m_dashboard->reloadDataIfNeeded();
}
