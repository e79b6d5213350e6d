#include "DockMenu.h"

#include "ApplicationIcon.h"

#include "model/Card.h"
#include "model/Globals.h"
#include "model/SheetManager.h"
#include "model/SheetNotifications.h"
#include "model/Task.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"
#include "utilities/Clock.h"
#include "utilities/DateUtilities.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>

namespace DockMenu {

TaskLists CollectTasks() {
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
            events += card->GetEvents();
        }
    }
    QList<QDateTime> dueDates;
    for (TTask* task : events) {
        const QDateTime due = task->GetDueDate();
        dueDates += due;
        if ((DateUtilities::isToday(due) || DateUtilities::isTomorrow(due)) && !lists.overdue.contains(task))
            lists.dueSoon += task;
    }
    lists.nextOverdue = NextOverdueTime(dueDates, Clock::shared().now(), Clock::shared().timeZone());
    return lists;
}

QDateTime NextOverdueTime(const QList<QDateTime>& dueDates, const QDateTime& now, const QTimeZone& zone) {
    QDateTime next;
    for (const QDateTime& due : dueDates) {
        if (!due.isValid()) continue;
        for (const QDateTime& edge :
             {due.addSecs(1), due.toTimeZone(zone).date().addDays(1).startOfDay(zone)})
            if (edge > now && (!next.isValid() || edge < next)) next = edge;
    }
    return next;
}

QString DueDateText(const QDateTime& due) {
    const QLocale locale;
    const QDateTime local = due.toTimeZone(Clock::shared().timeZone());
    const QString time = locale.toString(local.time(), DateUtilities::shortTimeFormat(locale));
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

namespace {

// The program's icon with the count in a red disc at its top right; the plain icon without one.
QIcon badgedIcon(const QString& label) {
    const QIcon base =
        QGuiApplication::windowIcon().isNull() ? ApplicationIcon() : QGuiApplication::windowIcon();
    if (label.isEmpty()) return base;
    constexpr int kSize = 64;
    QPixmap pixmap = base.pixmap(kSize, kSize);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF disc(kSize * 0.4, 0, kSize * 0.6, kSize * 0.6);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xd9, 0x2b, 0x2b));
    painter.drawEllipse(disc);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(label.size() > 2 ? kSize / 5 : kSize / 3);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(disc, Qt::AlignCenter, label);
    painter.end();
    return QIcon(pixmap);
}

} // namespace

TDockBadge::TDockBadge(DockMenuHost* host, QObject* parent) : QObject(parent), m_host(host) {}

TDockBadge::~TDockBadge() {
    NotificationCenter::defaultCenter().removeObserver(this);
    Scheduler::shared().cancelAll(this);
    delete m_trayMenu;
}

namespace {
const QString kRecountKey = QStringLiteral("taskManagerTimerFired");
}

void TDockBadge::start() {
    if (QSystemTrayIcon::isSystemTrayAvailable() && !m_tray) {
        m_tray = new QSystemTrayIcon(badgedIcon(QString()), this);
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
            m_trayMenu->addSeparator();
            for (QMenu* menu : m_mainMenus)
                if (menu) m_trayMenu->addMenu(menu);
            m_trayMenu->addSeparator();
            for (QAction* action : m_mainActions)
                if (action) m_trayMenu->addAction(action);
        });
        m_tray->setContextMenu(m_trayMenu);
        updateToolTip();
        connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger && m_activated) m_activated();
        });
        m_tray->show();
    }
    // A change that may make a task overdue or not (done, moved, given another date) is counted a
    // moment later, once for a burst of changes.
    const auto recountLater = [this](const Notification&) {
        Scheduler::shared().performAfterDelay(this, kRecountKey, 1.0, [this] { taskManagerTimerFired(); });
    };
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(this, kTaskChangedNotification, nullptr, recountLater);
    center.addObserver(this, kCardModifiedNotification, nullptr, recountLater);
    center.addObserver(this, kSheetsChangedNotification, nullptr, recountLater);
}

void TDockBadge::taskManagerTimerFired() {
    const DockMenu::TaskLists lists = DockMenu::CollectTasks();
    const qint64 count = lists.overdue.size();
    m_label = count > 0 ? QString::number(count) : QString();
    publishCount(count);
    if (lists.nextOverdue.isValid())
        Scheduler::shared().performAt(this, kRecountKey, lists.nextOverdue,
                                      [this] { taskManagerTimerFired(); });
    else
        Scheduler::shared().cancelPrevious(this, kRecountKey);
}

void TDockBadge::setMainMenu(const QList<QMenu*>& menus, const QList<QAction*>& actions) {
    m_mainMenus.clear();
    m_mainActions.clear();
    for (QMenu* menu : menus) m_mainMenus.append(menu);
    for (QAction* action : actions) m_mainActions.append(action);
}

void TDockBadge::updateToolTip() {
    if (m_tray) m_tray->setIcon(badgedIcon(m_label));
    if (m_tray)
        m_tray->setToolTip(m_label.isEmpty()
                               ? NSBundleName()
                               : NSBundleName() + QStringLiteral(" (") + m_label + QLatin1Char(')'));
}

void TDockBadge::publishCount(qint64 count) {
    updateToolTip();
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
    // A new card goes into the active sheet: without one the command has nothing to do.
    newCard->setEnabled(TSheetManager::SharedManager()->GetActiveSheet() != nullptr);
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
