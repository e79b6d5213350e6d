#include "Launcher.h"

#include "AppController.h"
#include "DisplayLoss.h"
#include "MainMenu.h"
#include "ShellWindows.h"
#include "SignalQuit.h"
#include "SingleInstance.h"

#include "model/Globals.h"
#include "model/ModelObject.h"
#include "model/SheetManager.h"
#include "model/ui/ModelWidgets.h"
#include "platform/Diagnostics.h"
#include "platform/ProcessMemory.h"
#include "platform/Questions.h"
#include "platform/Workspace.h"
#include "platform/app/FileDialogPanelPresenter.h"
#include "platform/app/MessageBoxAlertPresenter.h"
#include "utilities/widgets/CaretBlink.h"
#include "windows/MemoleafViewController.h"
#include "windows/OutlineViewController.h"
#include "windows/RowControllers.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QTimer>

namespace {

// Task and list cards get the outline editor.
void registerOutlineEditor() {
    TOutlineViewController::registerForListCards();
}

// The content views of the card kinds.
void registerCardViews() {
    RowControllers::registerItemRows();
    TMemoleafViewController::registerForMemoleafCards();
    registerOutlineEditor();
}

} // namespace

Launcher::Launcher(QObject* parent) : QObject(parent) {}

Launcher::~Launcher() {
    DisplayLoss::uninstall();
    // The windows of the shell go first: they hold the sheets and cards they show.
    m_shell.reset();
    // The open sheet is saved and let go, and the calendar store with it: its alarms run on the
    // scheduler, which ends with the program.
    if (m_controller) {
        // Without the delegate, which would forget the active sheet the next start reopens.
        TSheetManager::SharedManager()->SetDelegate(nullptr);
        TSheetManager::SharedManager()->Close();
        TSheetManager::SharedManager()->UnregisterAllSheets();
    }
    SetEventStore(nullptr);
    if (m_controller) {
        AlertPresenter::setShared(nullptr);
        PanelPresenter::setShared(nullptr);
        ApplicationActivation::setShared(nullptr);
    }
}

std::optional<int> Launcher::start(const QStringList& arguments, const QString& workingFolder,
                                   QString* error) {
    m_instance = new SingleInstance(SingleInstance::socketName(URISchemeBundle()), this);
    if (m_instance->forward(QStringList{workingFolder} + arguments)) {
        Diagnostics::line(QStringLiteral("Handed the arguments to the running %1.").arg(NSBundleName()));
        return 0;
    }
    QString listenError;
    if (!m_instance->listen(&listenError)) {
        // Never beside a running instance: both would write the same sheets.
        if (m_instance->anotherInstanceRunning()) {
            if (m_instance->forward(QStringList{workingFolder} + arguments)) return 0;
            if (error)
                *error = QStringLiteral("another %1 is running but does not answer").arg(NSBundleName());
            return 1;
        }
        Diagnostics::warning(QStringLiteral("Later starts can't reach this one: ") + listenError);
    }
    connect(m_instance, &SingleInstance::argumentsReceived, this, &Launcher::received);

    Questions::reset();
    RegisterModelClasses();
    registerCardViews();
    m_alerts = std::make_unique<MessageBoxAlertPresenter>();
    m_panels = std::make_unique<FileDialogPanelPresenter>();
    AlertPresenter::setShared(m_alerts.get());
    PanelPresenter::setShared(m_panels.get());
    m_activation = std::make_unique<ModelWidgets::WidgetApplicationActivation>();
    ApplicationActivation::setShared(m_activation.get());

    SetResetPreferencesFromArguments(QStringList{QString()} + arguments);
    m_controller = std::make_unique<AppController>();
    m_controller->applicationWillFinishLaunching();
    // Before the windows: the dashboard reads every sheet's cards, and a task finds its event as it is read.
    if (!isMemoleaf()) RequestEventStoreAccess(m_eventStoreMaker);
    m_shell = std::make_unique<ShellWindows>(*m_controller);
    m_shell->install();
    if (!m_controller->applicationDidFinishLaunching(error)) return 1;
    m_shell->launched();
    m_menu = std::make_unique<MainMenu>(*m_controller, m_shell.get());
    AppController* controller = m_controller.get();

    // Everything that ends the program saves first.
    connect(qApp, &QCoreApplication::aboutToQuit, controller,
            [controller] { controller->applicationWillTerminate(); });
    // Never inside a question: the save that asks it would run again from within it.
    connect(qGuiApp, &QGuiApplication::commitDataRequest, controller, [controller](QSessionManager&) {
        if (!Questions::isOpen()) controller->saveActiveSheet();
    });
    m_signals = new SignalQuit([controller](int) { Launcher::quitOnSignal(*controller); }, this);
    // So does a display that went away, without asking anything: there is no screen to ask on.
    // The workspace the save moves files to the Trash with is made first, to outlive the save.
    Workspace::shared();
    DisplayLoss::install([controller] {
        Questions::requestQuit();
        controller->saveActiveSheet();
    });
    // A caret left alone stops blinking, so an idle program sleeps.
    new CaretBlink(this);
    // After the reopening of the last sheet, which the workspace delivers on the event loop.
    QTimer::singleShot(0, controller, [controller, arguments, workingFolder] {
        controller->handleArguments(arguments, workingFolder);
        // What reading the sheets and making the windows needed only meanwhile.
        ProcessMemory::releaseFreedWhenIdle();
    });
    return std::nullopt;
}

void Launcher::quitOnSignal(AppController& controller) {
    const bool asking = Questions::isOpen();
    if (asking || Questions::quitRequested())
        Questions::requestQuit();
    else
        controller.saveActiveSheet();
    // Not quit(): that closes each window first, and closing a card window deletes its card.
    QCoreApplication::exit(0);
}

void Launcher::received(const QStringList& message) {
    if (message.isEmpty() || !m_controller) return;
    // A start without arguments asks for the program itself.
    if (message.size() == 1 && m_shell) m_shell->reopen();
    m_controller->handleArguments(message.mid(1), message.first());
}
