#include "app/DockMenu.h"
#include "model/Globals.h"
#include "model/ModelObject.h"
#include "model/SheetManager.h"
#include "model/Task.h"
#include "platform/Diagnostics.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "platform/calendar/FakeEventStore.h"
#include "utilities/Clock.h"

#include <QAction>
#include <QMenu>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class RecordingDockHost : public DockMenuHost {
public:
    void newDocument() override { calls << QStringLiteral("newDocument"); }
    QList<QAction*> sheetsMenuItems(QObject* parent) override {
        return {new QAction(QStringLiteral("Sheet A"), parent)};
    }
    void gotoEvent(const QString& identifier) override { calls << QStringLiteral("gotoEvent ") + identifier; }
    QStringList calls;
};

QStringList titles(const QMenu* menu) {
    QStringList out;
    for (QAction* action : menu->actions())
        out << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return out;
}

class DockMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterModelClasses();
        Clock::setShared(&clock);
        UserDefaults::setStandardUserDefaults(&defaults);
        SetEventStore(store);
    }
    void TearDown() override {
        TSheetManager::SharedManager()->UnregisterAllSheets();
        SetEventStore(nullptr);
        UserDefaults::setStandardUserDefaults(nullptr);
        Clock::setShared(nullptr);
    }
    // A sheet on disk with one task card; each task is due at its date (none: no event).
    void writeSheet(const QString& name, const QList<std::pair<QString, QDateTime>>& tasks) {
        Ref<TSheet> sheet = Ref<TSheet>::adopt(TSheet::Create(dir.filePath(name + ".qxsheet")));
        TJobslate* card = TJobslate::Create(name);
        for (const auto& [text, due] : tasks) {
            TTask* task = TTask::Create(text);
            card->GetRoot()->AddChild(task);
            task->Release();
            if (due.isValid()) {
                task->SetDueDate(due);
                ASSERT_TRUE(task->SaveEvent());
            }
        }
        sheet->AddCard(card);
        card->Release();
        ASSERT_TRUE(sheet->Save()); // the manager reads the folder again
    }
    void registerSheets() {
        for (const QString& name : {QStringLiteral("a"), QStringLiteral("b")})
            ASSERT_NE(TSheetManager::SharedManager()->RegisterSheet(dir.filePath(name + ".qxsheet")),
                      nullptr);
    }
    // 2026-01-01 09:00 UTC. A task due earlier today is overdue.
    ScopedManualScheduler scheduler;
    ManualClock clock{scheduler.scheduler.now(), QTimeZone::utc()};
    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath("defaults.plist")};
    std::shared_ptr<FakeEventStore> store = FakeEventStore::create();
    RecordingDockHost host;
    Diagnostics::Capture capture;
};

TEST_F(DockMenuTest, OverdueAndDueSoonOverEverySheetLoadedOnce) {
    const QDateTime now = clock.now();
    writeSheet("a", {{"Late one", now.addDays(-2)},
                     {"Late three", now.addDays(-1)},
                     {"Earlier today", now.addSecs(-3600)},
                     {"Later today", now.addSecs(3600)},
                     {"In two days", now.addDays(2)}});
    writeSheet("b", {{"Late two", now.addDays(-1)}, {"Tomorrow", now.addDays(1)}, {"No date", {}}});
    registerSheets();

    TDockBadge badge(&host);
    badge.taskManagerTimerFired();
    EXPECT_EQ(badge.badgeLabel(), "4");

    auto* sheet = static_cast<TSheet*>(TSheetManager::SharedManager()->GetSheets()->GetObjectValue(1));
    EXPECT_TRUE(sheet->IsLoaded());
    TObject* firstCard = sheet->GetCards()->GetObjectValue(0);
    const DockMenu::TaskLists lists = DockMenu::CollectTasks();
    EXPECT_EQ(sheet->GetCards()->GetObjectValue(0), firstCard); // not read again

    QStringList overdue, soon;
    for (TTask* task : lists.overdue) overdue << task->GetTitle();
    for (TTask* task : lists.dueSoon) soon << task->GetTitle();
    EXPECT_EQ(overdue, (QStringList{"Late one", "Late three", "Earlier today", "Late two"}));
    EXPECT_EQ(soon, (QStringList{"Later today", "Tomorrow"}));

    TSheetManager::SharedManager()->Open(sheet); // New Card goes into it
    std::unique_ptr<QMenu> menu(badge.applicationDockMenu());
    EXPECT_EQ(titles(menu.get()),
              (QStringList{"New Card...", "-", "Sheet A", "-", "Overdue (4)", "Due Soon (2)"}));
    QMenu* dueSoon = menu->actions().last()->menu();
    ASSERT_NE(dueSoon, nullptr);
    EXPECT_TRUE(dueSoon->actions().first()->text().startsWith("Later today (Today "));
    EXPECT_TRUE(dueSoon->actions().last()->text().startsWith("Tomorrow (Tomorrow "));
    dueSoon->actions().first()->trigger();
    menu->actions().first()->trigger();
    EXPECT_EQ(host.calls,
              (QStringList{"gotoEvent " + lists.dueSoon.first()->GetEventIdenfitier(), "newDocument"}));
    TSheetManager::SharedManager()->Close();
}

TEST_F(DockMenuTest, NothingOverdueShowsNoCountAndNoOverdueMenu) {
    writeSheet("a", {{"In two days", clock.now().addDays(2)}});
    writeSheet("b", {});
    registerSheets();
    TDockBadge badge(&host);
    badge.start();
    badge.taskManagerTimerFired();
    EXPECT_EQ(badge.badgeLabel(), "");
    std::unique_ptr<QMenu> menu(badge.applicationDockMenu());
    EXPECT_EQ(titles(menu.get()), (QStringList{"New Card...", "-", "Sheet A", "-"}));
    // New Card goes into the active sheet: offered only while there is one.
    EXPECT_FALSE(menu->actions().first()->isEnabled());
    TSheetManager::SharedManager()->Open(
        TSheetManager::SharedManager()->FindSheet(dir.filePath("a.qxsheet")));
    menu.reset(badge.applicationDockMenu());
    EXPECT_TRUE(menu->actions().first()->isEnabled());
    TSheetManager::SharedManager()->Close();
}

// The real clock's time, in UTC: the count and the scheduler see one time.
class SchedulerClock : public Clock {
public:
    QDateTime now() const override { return Scheduler::shared().now(); }
    QTimeZone timeZone() const override { return QTimeZone::utc(); }
};

TEST_F(DockMenuTest, TheCountFollowsATaskThatFallsOverdueWithoutCountingInBetween) {
    SchedulerClock following;
    Clock::setShared(&following);
    const QDateTime due = clock.now().addDays(2); // 2026-01-03 09:00
    writeSheet("a", {{"In two days", due}});
    writeSheet("b", {});
    registerSheets();
    TDockBadge badge(&host);
    badge.start();
    badge.taskManagerTimerFired();
    EXPECT_EQ(badge.badgeLabel(), "");
    const QString recount = QStringLiteral("taskManagerTimerFired");
    EXPECT_TRUE(scheduler.scheduler.isPending(&badge, recount)); // the moment it may fall overdue

    scheduler.scheduler.advance(clock.now().secsTo(due) - 1);
    EXPECT_EQ(badge.badgeLabel(), "");
    // Overdue from its time or from the end of its day: by the next morning at the latest.
    scheduler.scheduler.advance(24 * 3600);
    EXPECT_EQ(badge.badgeLabel(), "1");
    EXPECT_FALSE(scheduler.scheduler.isPending(&badge, recount)); // no other task to wait for
}

TEST_F(DockMenuTest, AChangedTaskIsCountedAMomentLater) {
    writeSheet("a", {{"In two days", clock.now().addDays(2)}});
    writeSheet("b", {});
    registerSheets();
    TDockBadge badge(&host);
    badge.start();
    badge.taskManagerTimerFired();
    ASSERT_EQ(badge.badgeLabel(), "");

    auto* sheet = static_cast<TSheet*>(TSheetManager::SharedManager()->GetSheets()->GetObjectValue(0));
    TTask* task = static_cast<TJobslate*>(sheet->GetAllCards()->GetObjectValue(0))->GetEvents().value(0);
    ASSERT_NE(task, nullptr);
    task->SetDueDate(clock.now().addDays(-2));
    EXPECT_EQ(badge.badgeLabel(), "");
    scheduler.scheduler.advance(1);
    EXPECT_EQ(badge.badgeLabel(), "1");
}

TEST_F(DockMenuTest, ASheetRegisteredOrUnregisteredIsCountedAMomentLater) {
    writeSheet("a", {{"Yesterday", clock.now().addDays(-1)}});
    TSheetManager* manager = TSheetManager::SharedManager();
    TDockBadge badge(&host);
    badge.start();
    badge.taskManagerTimerFired();
    ASSERT_EQ(badge.badgeLabel(), "");

    TSheet* sheet = manager->RegisterSheet(dir.filePath("a.qxsheet"));
    ASSERT_NE(sheet, nullptr);
    scheduler.scheduler.advance(1);
    EXPECT_EQ(badge.badgeLabel(), "1");
    sheet = manager->Reload(sheet);
    ASSERT_NE(sheet, nullptr);
    scheduler.scheduler.advance(1);
    EXPECT_EQ(badge.badgeLabel(), "1");
    manager->UnregisterSheet(sheet);
    scheduler.scheduler.advance(1);
    EXPECT_EQ(badge.badgeLabel(), "");
}

TEST(DockMenu, NextOverdueTimeIsTheFirstEdgeAhead) {
    const QDateTime now(QDate(2026, 1, 1), QTime(9, 0), Qt::UTC);
    const QTimeZone plusTen(10 * 3600);
    const QDateTime midnight(QDate(2026, 1, 2), QTime(0, 0), Qt::UTC);
    struct Case {
        const char* what;
        QList<QDateTime> due;
        QTimeZone zone;
        QDateTime next;
    };
    const QList<Case> cases{
        {"no task", {}, QTimeZone::utc(), {}},
        {"no date", {QDateTime()}, QTimeZone::utc(), {}},
        {"later today: a second after its time", {now.addSecs(7200)}, QTimeZone::utc(), now.addSecs(7201)},
        {"earlier today: at the end of its day", {now.addSecs(-3600)}, QTimeZone::utc(), midnight},
        {"yesterday: already overdue", {now.addDays(-1)}, QTimeZone::utc(), {}},
        {"the first of several",
         {now.addDays(3), now.addSecs(-60), now.addDays(1)},
         QTimeZone::utc(),
         midnight},
        // 18:00 at +10 is past; its local day ends at 14:00 UTC.
        {"the day of the zone",
         {now.addSecs(-3600)},
         plusTen,
         QDateTime(QDate(2026, 1, 1), QTime(14, 0), Qt::UTC)},
    };
    for (const Case& c : cases) EXPECT_EQ(DockMenu::NextOverdueTime(c.due, now, c.zone), c.next) << c.what;
}

} // namespace
