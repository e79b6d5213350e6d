#pragma once

#include "model/Globals.h"

#include <QObject>
#include <QStringList>
#include <memory>
#include <optional>

class AppController;
class MainMenu;
class ShellWindows;
class SignalQuit;
class SingleInstance;
class AlertPresenter;
class PanelPresenter;
namespace ModelWidgets {
class WidgetApplicationActivation;
}

// Starts the program in a running application object: registers the classes and views, makes sure
// only one instance of the edition runs (a later start hands its arguments over and ends), installs
// the desktop's dialogs, runs the launch and hands the arguments to the delegate. Saves the active
// sheet when the program quits, when the session manager asks and on SIGTERM, SIGINT and SIGHUP.
// Made once by the entry point (or a test), which owns it. Main thread only.
class Launcher : public QObject {
    Q_OBJECT
public:
    explicit Launcher(QObject* parent = nullptr);
    ~Launcher() override;

    // arguments: without the program's name. Nothing when the program runs on, else the exit code
    // (0 when another instance took the arguments; 1, with the reason in error, when it can't start).
    std::optional<int> start(const QStringList& arguments, const QString& workingFolder,
                             QString* error = nullptr);

    // Tests: the calendar store the launch makes instead of the system's.
    void setEventStoreMaker(EventStoreMaker make) { m_eventStoreMaker = std::move(make); }

    AppController* controller() const { return m_controller.get(); }

    // What a stop asked for by the system (logout, shutdown, a signal) does. With a question open,
    // the question ends unanswered, its caller goes on with its cancel answer, and the save runs once
    // the program has left every loop (aboutToQuit), taking every question it would ask as
    // unanswered. Otherwise the active sheet is saved first. Then every event loop ends.
    static void quitOnSignal(AppController& controller);
    MainMenu* menu() const { return m_menu.get(); }

private:
    void received(const QStringList& message);
    std::unique_ptr<AlertPresenter> m_alerts;
    std::unique_ptr<PanelPresenter> m_panels;
    std::unique_ptr<ModelWidgets::WidgetApplicationActivation> m_activation;
    std::unique_ptr<AppController> m_controller;
    std::unique_ptr<MainMenu> m_menu;
    std::unique_ptr<ShellWindows> m_shell;
    SingleInstance* m_instance = nullptr;
    SignalQuit* m_signals = nullptr;
    EventStoreMaker m_eventStoreMaker;
};
