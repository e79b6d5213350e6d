#include "AppController.h"

#include "model/Card.h"
#include "model/Globals.h"
#include "model/Preferences.h"
#include "model/SheetManager.h"
#include "model/Stack.h"
#include "model/Task.h"
#include "model/Themes.h"
#include "platform/AlertPresenter.h"
#include "platform/ApplicationInfo.h"
#include "platform/Diagnostics.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "platform/calendar/EKEventStore.h"
#include "utilities/SandboxUtilities.h"
#include "windows/CardWindowController.h"
#include "windows/GenericCardWindow.h"
#include "windows/StackWindowController.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QStandardPaths>

namespace {

const QString kSave = QStringLiteral("saveActiveSheet");
const QString kPreview = QStringLiteral("updateSheetPreview");
const QString kRecount = QStringLiteral("taskManagerTimerFired");
const QString kPortal = QStringLiteral("showUpdatePortal");
const QString kPortalTimer = QStringLiteral("showUpdatePortal.timer");

void call(const std::function<void()>& hook) {
    if (hook) hook();
}

} // namespace

AppController::AppController(QObject* parent) : QObject(parent) {
    ModelContracts::setApplicationDelegate(this);
}

AppController::~AppController() {
    Scheduler::shared().cancelAll(this);
    NotificationCenter::defaultCenter().removeObserver(this);
    if (TSheetManager::SharedManager()->GetDelegate() == this)
        TSheetManager::SharedManager()->SetDelegate(nullptr);
    if (ModelContracts::applicationDelegate() == this) ModelContracts::setApplicationDelegate(nullptr);
    if (m_launched) Workspace::setOpenFilesHandler({});
}

QString AppController::websiteURL() {
    return QStringLiteral("https://jobslate.example/redirect.php?where=home&sender=memoleaf");
}

QString AppController::defaultSheetFolder() {
    return ApplicationInfo::dataFolder() + QStringLiteral("/Sheets");
}

void AppController::applicationWillFinishLaunching() {
    if (!ResetPreferences()) return;
    Diagnostics::line(QStringLiteral("Resetting preferences ") + NSBundleName());
    NSPrefs().removePersistentDomain();
    SetResetPreferencesFromArguments({});
}

bool AppController::makeDefaultSheetFolder(QString* error) {
    const QString folder = defaultSheetFolder();
    if (!QDir().mkpath(folder)) {
        if (error) *error = QStringLiteral("The sheet folder %1 could not be created.").arg(folder);
        return false;
    }
    Diagnostics::line(folder);
    NSPrefs().setObjectForKey(folder, kPreferenceKeySheetFolder);
    return true;
}

bool AppController::applicationDidFinishLaunching(QString* error) {
    UserDefaults& prefs = NSPrefs();
    Diagnostics::line(ApplicationInfo::isSandboxed() ? QStringLiteral("Launched in sandbox")
                                                     : QStringLiteral("Not launched in sandbox"));
    Diagnostics::line(QStringLiteral("Qt Version: ") + QString::fromLatin1(qVersion()));
    Diagnostics::line(QStringLiteral("Bundle version: ") + ApplicationInfo::version());
    LoadStandardThemes(TCardTheme::StaticClass());
    SandboxUtilities::StartAccessingBookmarks();
    prefs.setObjectForKey(NSBundleName(), kPreferenceKeyBundleName);
    prefs.setObjectForKey(ApplicationInfo::version(), kPreferenceKeyBundleVersion);
    prefs.setObjectForKey(websiteURL(), kPreferenceKeyWebsiteURL);
    PopulateMandatoryPreferences();
    if (!prefs.boolForKey(kPreferenceKeyLaunchedFirstTime)) {
        Diagnostics::line(QStringLiteral("Launched first time."));
        PopulateDefaultPreferences();
        prefs.setBoolForKey(true, kPreferenceKeyLaunchedFirstTime);
    }
    if (!isMini() && prefs.stringForKey(kPreferenceKeySheetFolder).isEmpty()) {
        if (hooks.runWelcome)
            hooks.runWelcome();
        else if (!makeDefaultSheetFolder(error))
            return false;
        if (prefs.stringForKey(kPreferenceKeySheetFolder).isEmpty()) {
            if (error) *error = QStringLiteral("No sheet folder was chosen.");
            return false;
        }
    }
    if (isMemoleaf()) prefs.setIntegerForKey(2, kPreferenceKeyDefaultNewCardKind);
    Scheduler& scheduler = Scheduler::shared();
    scheduler.performAfterDelay(this, kPortal, 3.0, [this] { call(hooks.showUpdatePortal); });
    scheduler.scheduleRepeating(this, kPortalTimer, 28800, [this] { call(hooks.showUpdatePortal); });
    if (!isMemoleaf()) {
        RequestEventStoreAccess();
        if (!EventStore())
            AlertPresenter::shared().runModal(
                {QStringLiteral("Error"),
                 NSBundleName() +
                     QStringLiteral(" does not have access to your calendar so tasks will not be able "
                                    "to use events for due dates."),
                 {},
                 Alert::Style::Warning});
    }
    if (ApplicationInfo::isSandboxed() && !SandboxUtilities::RequestDirectoryAccessOutsideContainer(
                                              prefs.stringForKey(kPreferenceKeySheetFolder))) {
        const QString text =
            NSBundleName() +
            QStringLiteral(" does not have access to your sheet folder so it can not launch.");
        AlertPresenter::shared().runModal({QStringLiteral("Error"), text, {}, Alert::Style::Warning});
        if (error) *error = text;
        return false;
    }
    const QVariantMap hotKey = prefs.dictionaryForKey(kPreferenceKeyActivationHotKey);
    if (!hotKey.isEmpty())
        TGlobalHotKey::SharedHandler()->UpdateGlobalHotKey(TGlobalHotKey::kActivationHotKey, hotKey);
    TSheetManager::SharedManager()->SetDelegate(this);
    Workspace::setOpenFilesHandler([this](const QStringList& paths) { openFiles(paths); });
    m_launched = true;
    // Only a stored sheet that is still there is reopened; the flag is cleared when that fails.
    const QString activeSheet = prefs.stringForKey(kPreferenceKeyActiveSheet);
    if (!activeSheet.isEmpty() && QFileInfo(activeSheet).isDir()) {
        m_restoringPreviousSheet = true;
        if (!OpenSheetAsFile(activeSheet)) m_restoringPreviousSheet = false;
    }
    if (hooks.setDashboardModeEnabled)
        hooks.setDashboardModeEnabled(prefs.boolForKey(kPreferenceKeyDashboardMode));
    if (!isMini()) {
        call(hooks.repositionBrowser);
        call(hooks.showBrowser);
    } else {
        QString setupError;
        setupSheets(&setupError);
        if (!setupError.isEmpty()) {
            if (error) *error = setupError;
            return false;
        }
    }
    // Counted again on changes and when a task falls overdue (the badge knows when), not on a timer.
    call(hooks.taskManagerTimerFired);
    observeNotifications();
    auto screensChanged = [this](QScreen*) { applicationDidChangeScreenParameters(); };
    connect(qGuiApp, &QGuiApplication::screenAdded, this, screensChanged);
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, screensChanged);
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, screensChanged);
    return true;
}

void AppController::setupSheets(QString* error) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    Diagnostics::line(QStringLiteral("Jobslate Mini Sheet Directory: ") + folder);
    NSPrefs().setObjectForKey(folder, kPreferenceKeySheetFolder);
    const QString target = folder + QStringLiteral("/Default.qxsheet");
    if (!QFileInfo::exists(target)) {
        // The shipped sample when there is one, else a new empty sheet.
        const QString resource = ApplicationInfo::resourcePath(QStringLiteral("Sheets/Default.qxsheet"));
        if (!resource.isEmpty() && QFileInfo(resource).isDir()) {
            QDir().mkpath(target);
            for (const QFileInfo& entry : QDir(resource).entryInfoList(QDir::Files))
                QFile::copy(entry.filePath(), target + QLatin1Char('/') + entry.fileName());
            Diagnostics::line(QStringLiteral("Copied default sheet."));
        }
    }
    TSheetManager* manager = TSheetManager::SharedManager();
    TSheet* sheet = manager->RegisterSheet(target);
    if (!sheet) {
        *error = QStringLiteral("The sheet %1 could not be opened.").arg(target);
        return;
    }
    manager->Close();
    manager->Open(sheet);
    NSPrefs().removeObjectForKey(kPreferenceKeyActiveSheet);
}

void AppController::applicationWillTerminate() {
    saveActiveSheet();
}

void AppController::saveActiveSheet() {
    Scheduler::shared().cancelPrevious(this, kSave);
    TSheetManager::SharedManager()->Save();
    // A sheet renamed or moved in the sheet browser is reopened from where it is now.
    if (TSheet* sheet = TSheetManager::SharedManager()->GetActiveSheet();
        sheet && NSPrefs().stringForKey(kPreferenceKeyActiveSheet) != sheet->GetPath())
        NSPrefs().setObjectForKey(sheet->GetPath(), kPreferenceKeyActiveSheet);
    updateSheetPreview();
}

void AppController::reportSaveError(const QString& message) {
    Diagnostics::warning(message);
}

// The sheet manager's delegate.

TCardControllerProtocol* AppController::makeControllerForCard(TCard* card) {
    if (!card || card->IsMiniaturized()) return nullptr;
    // Stacks get their own window, which shows the stacked sheet's cards.
    if (card->IsMember(TStack::StaticClass()))
        return static_cast<TStackControllerProtocol*>(new TStackWindowController(static_cast<TStack*>(card)));
    return new TCardWindowController(card);
}

bool AppController::removeController(TCardControllerProtocol* controller) {
    if (controller) controller->close();
    return true;
}

QImage AppController::previewForController(TCardControllerProtocol* controller, QRectF* screenFrame) {
    if (!controller || !controller->card()) return {};
    TCard* card = controller->card();
    if (!card->HasPreviewImage()) controller->updatePreviewImage();
    if (screenFrame) *screenFrame = controller->windowFrame();
    return card->GetPreviewImage();
}

void AppController::activeSheetWillChange(TSheet* sheet) {
    Scheduler::shared().cancelPrevious(this, kSave);
    if (!sheet) return;
    TSheetBrowserWindowController* browser = ModelContracts::sheetBrowser();
    if (!browser || !browser->containsSheet(sheet)) TSheetManager::SharedManager()->UnregisterSheet(sheet);
}

void AppController::activeSheetDidChange(TSheet* sheet) {
    if (TDockWindowController* dock = ModelContracts::dockWindow()) dock->setSheet(sheet);
    if (!sheet) {
        NSPrefs().removeObjectForKey(kPreferenceKeyActiveSheet);
        return;
    }
    NSPrefs().setObjectForKey(sheet->GetPath(), kPreferenceKeyActiveSheet);
    if (TSheetBrowserWindowController* browser = ModelContracts::sheetBrowser())
        browser->selectRowForSheet(sheet);
}

// Deferred work.

void AppController::observeNotifications() {
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.removeObserver(this);
    center.addObserver(this, EKEventStoreChangedNotification, nullptr,
                       [this](const Notification&) { eventStoreChanged(); });
    center.addObserver(this, kCardModifiedNotification, nullptr,
                       [this](const Notification&) { cardModifiedNotification(); });
}

void AppController::cardModifiedNotification() {
    Scheduler::shared().performAfterDelay(this, kSave, 2.0, [this] { saveActiveSheet(); });
}

void AppController::eventStoreChanged() {
    Scheduler::shared().performAfterDelay(this, kRecount, 1.0, [this] { call(hooks.taskManagerTimerFired); });
}

void AppController::updateSheetPreviewAfterDelay() {
    Scheduler::shared().cancelPrevious(this, kPreview);
    if (!m_fullscreenMode)
        Scheduler::shared().performAfterDelay(this, kPreview, 1.0, [this] { updateSheetPreview(); });
}

void AppController::updateSheetPreview() {
    TSheetManager* manager = TSheetManager::SharedManager();
    TSheet* sheet = manager->GetActiveSheet();
    if (!sheet) return;
    sheet->SetPreviewImage(manager->GeneratePreviewImage());
    if (TSheetBrowserWindowController* browser = ModelContracts::sheetBrowser())
        browser->reloadPreview(sheet);
}

void AppController::displayMissingEventsNotice() {
    // Taken before the question: a notice due while it is open has nothing more to tell.
    const QStringList missing = TTask::MissingEventTitles();
    TTask::ClearMissingEvents();
    if (NSPrefs().boolForKey(kPreferenceKeyEventMissingNotifications)) {
        if (missing.size() == 1)
            AlertPresenter::shared().runModal(
                {QStringLiteral("Missing Calendar Event"),
                 QStringLiteral(
                     "The calendar event for \"%1\" can not be found. The event may have been removed in "
                     "the calendar or it does not exist on this device.")
                     .arg(missing.first()),
                 {},
                 Alert::Style::Warning});
        else if (missing.size() > 1)
            AlertPresenter::shared().runModal(
                {QStringLiteral("Missing Calendar Events"),
                 QStringLiteral(
                     "There are %1 calendar events which can not be found. They may have been removed in "
                     "the calendar or they do not exist on this device.")
                     .arg(missing.size()),
                 {},
                 Alert::Style::Warning});
    } else if (!missing.isEmpty()) {
        Diagnostics::line(QString::number(missing.size()) + QStringLiteral(" missing events."));
    }
}

void AppController::applicationDidChangeScreenParameters() {
    if (NSPrefs().boolForKey(kPreferenceKeyDashboardMode)) call(hooks.repositionDesktop);
    call(hooks.repositionDock);
}

void AppController::windowWillEnterFullScreen() {
    Scheduler::shared().cancelPrevious(this, kPreview);
    m_fullscreenMode = true;
}

void AppController::windowDidExitFullScreen() {
    Scheduler::shared().cancelPrevious(this, kPreview);
    m_fullscreenMode = false;
}

TCardWindowController* AppController::frontController() const {
    QWidget* active = QApplication::activeWindow();
    if (!active) return nullptr;
    for (TCardControllerProtocol* controller : TSheetManager::SharedManager()->GetControllers())
        if (auto* cardController = dynamic_cast<TCardWindowController*>(controller))
            if (static_cast<QWidget*>(cardController->window()) == active) return cardController;
    return nullptr;
}

TCard* AppController::frontCard() const {
    TCardWindowController* controller = frontController();
    return controller ? controller->card() : nullptr;
}

void AppController::advanceFirstResponder() {
    const QList<TCardControllerProtocol*> controllers = TSheetManager::SharedManager()->GetControllers();
    if (controllers.isEmpty()) return;
    controllers.last()->showWindow();
}
