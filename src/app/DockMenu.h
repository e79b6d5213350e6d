#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QTimeZone;
class TTask;

// Tasks over every registered sheet, for the launcher count and the tray menu. A sheet whose cards
// are not loaded yet is loaded once; later walks reuse its cards.
namespace DockMenu {

struct TaskLists {
    QList<TTask*> overdue;
    QList<TTask*> dueSoon; // due today or tomorrow, overdue ones left out
    QDateTime nextOverdue; // when a task may next fall overdue; invalid: none will
};

// One walk over the sheets in order.
TaskLists CollectTasks();
// The first time after now at which a task due at one of the dates may fall overdue: a second after
// its due time, and at the start of the day after its due day in the zone (a day-long task is due
// all its day). Invalid when no such time is ahead.
QDateTime NextOverdueTime(const QList<QDateTime>& dueDates, const QDateTime& now, const QTimeZone& zone);
// "Today"/"Tomorrow" with the short time, else the locale's short date.
QString DueDateText(const QDateTime& due);
// "<title> (<due date>)".
QString TaskMenuTitle(const TTask* task);

} // namespace DockMenu

// What the tray menu's items do; the application delegate answers.
class DockMenuHost {
public:
    virtual ~DockMenuHost() = default;
    virtual void newDocument() = 0;
    // One item per registered sheet, owned by parent.
    virtual QList<QAction*> sheetsMenuItems(QObject* parent) = 0;
    // Opens the task's sheet and card and focuses its row.
    virtual void gotoEvent(const QString& eventIdentifier) = 0;
};

// The tray icon and the launcher's count: the overdue tasks of all sheets, recounted when asked, a
// second after a task or card changes, and when the next task may fall overdue (nothing runs in
// between); the menu is built afresh each time it opens.
class TDockBadge : public QObject {
    Q_OBJECT
public:
    explicit TDockBadge(DockMenuHost* host, QObject* parent = nullptr);
    ~TDockBadge() override;

    // Shows the tray icon where the desktop has a tray and follows the changes of tasks and cards.
    void start();
    // Recounts the overdue tasks, updates the count (empty label: no count shown) and waits for the
    // next task to fall overdue.
    void taskManagerTimerFired();
    QString badgeLabel() const { return m_label; }

    // A new menu, owned by the caller: "New Card...", the sheets, "Overdue (n)", "Due Soon (n)".
    QMenu* applicationDockMenu();
    // Menus and commands the tray menu shows below its own items (not owned).
    void setMainMenu(const QList<QMenu*>& menus, const QList<QAction*>& actions);
    QMenu* trayMenu() const { return m_trayMenu; }
    // What a click on the tray icon does (the program comes forward).
    void setActivationHandler(std::function<void()> handler) { m_activated = std::move(handler); }

private:
    void publishCount(qint64 count);
    void updateToolTip();
    QMenu* taskSubmenu(const QString& title, const QList<TTask*>& tasks, QMenu* parent);

    DockMenuHost* m_host;
    QString m_label;
    QSystemTrayIcon* m_tray = nullptr;
    QList<QPointer<QMenu>> m_mainMenus;
    QList<QPointer<QAction>> m_mainActions;
    QMenu* m_trayMenu = nullptr;
    std::function<void()> m_activated;
};
