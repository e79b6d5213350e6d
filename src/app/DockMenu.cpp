#include "DockMenu.h"

#include "model/Globals.h"
#include "model/SheetManager.h"
#include "model/Task.h"
#include "platform/Scheduler.h"
#include "utilities/Clock.h"
#include "utilities/DateUtilities.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QLocale>
#include <QMenu>
#include <QSystemTrayIcon>

namespace DockMenu {

TaskLists CollectTasks(bool withDueSoon) {
    TaskLists lists;
    QList<TTask*> events;
    TObjectArray* sheets = TSheetManager::SharedManager()->GetSheets();
    for (qint64 i = 0; sheets && i < sheets->Count(); ++i) {
        auto* sheet = static_cast<TSheet*>(sheets->GetObjectValue(i));
        if (!sheet->IsLoaded()) sheet->LoadCards();
        TObjectArray* cards = sheet->GetAllCards();
        for (qint64 j = 0; j < cards->Count(); ++j) {
            auto* card = dynamic_cast<TJobslate*>(cards->GetObjectValue(j));
            if (!card) continue;
            lists.overdue += card->GetOverdueTasks();
            if (withDueSoon) events += card->GetEvents();
        }
    }
    for (TTask* task : events) {
        const QDateTime due = task->GetDueDate();
        if ((DateUtilities::isToday(due) || DateUtilities::isTomorrow(due)) && !lists.overdue.contains(task))
            lists.dueSoon += task;
    }
    return lists;
}

QString DueDateText(const QDateTime& due) {
    const QLocale locale;
    const QDateTime local = due.toTimeZone(Clock::shared().timeZone());
    const QString time = locale.toString(local.time(), QLocale::ShortFormat);
    if (DateUtilities::isToday(due))
        return QCoreApplication::translate("DockMenu", "Today") + QLatin1Char(' ') + time;
    if (DateUtilities::isTomorrow(due))
        return QCoreApplication::translate("DockMenu", "Tomorrow") + QLatin1Char(' ') + time;
    return locale.toString(local.date(), QLocale::ShortFormat);
}

QString TaskMenuTitle(const TTask* task) {
    return QStringLiteral("%1 (%2)").arg(task->GetTitle(), DueDateText(task->GetDueDate()));
}

} // namespace DockMenu

TDockBadge::TDockBadge(DockMenuHost* host, QObject* parent) : QObject(parent), m_host(host) {}

TDockBadge::~TDockBadge() {
    Scheduler::shared().cancelAll(this);
    delete m_trayMenu;
}

void TDockBadge::start() {
    if (QSystemTrayIcon::isSystemTrayAvailable() && !m_tray) {
        m_tray = new QSystemTrayIcon(QGuiApplication::windowIcon(), this);
        m_trayMenu = new QMenu;
        // Built afresh each time the tray opens it.
        connect(m_trayMenu, &QMenu::aboutToShow, this, [this] {
            m_trayMenu->clear();
            // The submenus of the last opening go with their items.
            qDeleteAll(m_trayMenu->findChildren<QMenu*>(Qt::FindDirectChildrenOnly));
            QMenu* fresh = applicationDockMenu();
            for (QAction* action : fresh->actions()) {
                action->setParent(m_trayMenu);
                m_trayMenu->addAction(action);
            }
            for (QMenu* submenu : fresh->findChildren<QMenu*>(Qt::FindDirectChildrenOnly))
                submenu->setParent(m_trayMenu, submenu->windowFlags());
            delete fresh;
        });
        m_tray->setContextMenu(m_trayMenu);
        connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger && m_activated) m_activated();
        });
        m_tray->show();
    }
    taskManagerTimerFired();
    Scheduler::shared().scheduleRepeating(this, QStringLiteral("taskManagerTimerFired"), 30.0,
                                          [this] { taskManagerTimerFired(); });
}

void TDockBadge::taskManagerTimerFired() {
    const qint64 count = DockMenu::CollectTasks(false).overdue.size();
    m_label = count > 0 ? QString::number(count) : QString();
    publishCount(count);
}

void TDockBadge::publishCount(qint64 count) {
    if (m_tray)
        m_tray->setToolTip(m_label.isEmpty()
                               ? NSBundleName()
                               : NSBundleName() + QStringLiteral(" (") + m_label + QLatin1Char(')'));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    QString desktopFile = QGuiApplication::desktopFileName();
    if (desktopFile.isEmpty())
        desktopFile = NSBundleName().toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
    if (!desktopFile.endsWith(QLatin1String(".desktop"))) desktopFile += QLatin1String(".desktop");
    QDBusMessage signal = QDBusMessage::createSignal(
        QStringLiteral("/"), QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
    signal << QStringLiteral("application://") + desktopFile
           << QVariantMap{{QStringLiteral("count"), count}, {QStringLiteral("count-visible"), count > 0}};
    bus.send(signal);
}

QMenu* TDockBadge::taskSubmenu(const QString& title, const QList<TTask*>& tasks, QMenu* parent) {
    QMenu* submenu = parent->addMenu(title);
    for (TTask* task : tasks) {
        QAction* item = submenu->addAction(DockMenu::TaskMenuTitle(task));
        const QString identifier = task->GetEventIdenfitier();
        item->setData(identifier);
        connect(item, &QAction::triggered, this, [this, identifier] { m_host->gotoEvent(identifier); });
    }
    return submenu;
}

QMenu* TDockBadge::applicationDockMenu() {
    auto* menu = new QMenu;
    QAction* newCard = menu->addAction(QCoreApplication::translate("DockMenu", "New Card..."));
    connect(newCard, &QAction::triggered, this, [this] { m_host->newDocument(); });
    menu->addSeparator();
    menu->addActions(m_host->sheetsMenuItems(menu));
    menu->addSeparator();
    const DockMenu::TaskLists lists = DockMenu::CollectTasks();
    if (!lists.overdue.isEmpty())
        taskSubmenu(QStringLiteral("Overdue (%1)").arg(lists.overdue.size()), lists.overdue, menu);
    if (!lists.dueSoon.isEmpty())
        taskSubmenu(QStringLiteral("Due Soon (%1)").arg(lists.dueSoon.size()), lists.dueSoon, menu);
    return menu;
}
