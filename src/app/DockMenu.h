#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <functional>

class QAction;
class QMenu;
class QSystemTrayIcon;
class TTask;

// Tasks over every registered sheet, for the launcher count and the tray menu. A sheet whose cards
// are not loaded yet is loaded once; later walks reuse its cards.
namespace DockMenu {

struct TaskLists {
    QList<TTask*> overdue;
    QList<TTask*> dueSoon; // due today or tomorrow, overdue ones left out
};

// One walk over the sheets in order; due-soon tasks only when asked for.
TaskLists CollectTasks(bool withDueSoon = true);
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

// The tray icon and the launcher's count: the overdue tasks of all sheets, recounted every 30
// seconds and when asked, and the menu built afresh each time it opens.
class TDockBadge : public QObject {
    Q_OBJECT
public:
    explicit TDockBadge(DockMenuHost* host, QObject* parent = nullptr);
    ~TDockBadge() override;

    // Counts once now, then every 30 seconds on the scheduler; shows the tray icon where the desktop
    // has a tray.
    void start();
    // Recounts the overdue tasks and updates the count (empty label: no count shown).
    void taskManagerTimerFired();
    QString badgeLabel() const { return m_label; }

    // A new menu, owned by the caller: "New Card...", the sheets, "Overdue (n)", "Due Soon (n)".
    QMenu* applicationDockMenu();
    // What a click on the tray icon does (the program comes forward).
    void setActivationHandler(std::function<void()> handler) { m_activated = std::move(handler); }

private:
    void publishCount(qint64 count);
    QMenu* taskSubmenu(const QString& title, const QList<TTask*>& tasks, QMenu* parent);

    DockMenuHost* m_host;
    QString m_label;
    QSystemTrayIcon* m_tray = nullptr;
    QMenu* m_trayMenu = nullptr;
    std::function<void()> m_activated;
};
