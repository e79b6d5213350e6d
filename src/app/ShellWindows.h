#pragma once

#include "DashboardMode.h"

#include <QObject>
#include <memory>

class AppController;
class DesktopNotifier;
class SheetBrowserWindowController;
class TDashboardViewController;
class TDockBadge;

// Joins the windows of the shell to the application delegate: fills its hooks with the sheet browser
// (and the dashboard beside it), the dock of minimised cards, the desktop window and dashboard mode,
// the tray badge, preferences, the update portal, the welcome window and the outline editor's focus;
// sends links of the program's own scheme to the delegate and the browser's notices to the desktop.
// Made by the launcher before the launch runs and deleted before the delegate; it deletes the dock
// and the desktop window it made. The sheet browser stays with the process. Main thread only.
class ShellWindows : public QObject, public DashboardHost {
    Q_OBJECT
public:
    explicit ShellWindows(AppController& controller, QObject* parent = nullptr);
    ~ShellWindows() override;

    // Makes the windows (no sheet browser in the "Jobslate Mini" edition) and installs the hooks.
    void install();
    // Follows the program's activation once the launch is done.
    void launched();
    // Brings the program forward (a second start without arguments, a click on the tray icon): the
    // sheet browser, shown even when it was hidden, and the last card window.
    void reopen();

    SheetBrowserWindowController* browser() const { return m_browser; }
    DashboardMode* dashboardMode() const { return m_dashboardMode.get(); }
    TDockBadge* badge() const { return m_badge.get(); }

    // Dashboard host.
    QList<QPointer<QWidget>> cardWindows() const override;
    QWidget* desktopWindow() override;
    void repositionDesktop() override;
    qint32 floatingLevel(QWidget* window) const override;
    void hideApplication() override;
    void beep() override;
    void saveActiveSheet() override;
    void reloadDataIfNeeded() override;

private:
    void installBrowser();
    void applicationStateChanged(Qt::ApplicationState state);

    AppController& m_controller;
    SheetBrowserWindowController* m_browser = nullptr;
    TDashboardViewController* m_dashboard = nullptr; // a child of the browser
    std::unique_ptr<DashboardMode> m_dashboardMode;
    std::unique_ptr<TDockBadge> m_badge;
    std::unique_ptr<DesktopNotifier> m_notifier; // the sheet browser's "Sheet Modified" notices
    Qt::ApplicationState m_state = Qt::ApplicationInactive;
};
