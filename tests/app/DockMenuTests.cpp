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
}

TEST_F(DockMenuTest, NothingOverdueShowsNoCountAndNoOverdueMenu) {
    writeSheet("a", {{"In two days", clock.now().addDays(2)}});
    writeSheet("b", {});
    registerSheets();
    TDockBadge badge(&host);
    badge.start();
    EXPECT_EQ(badge.badgeLabel(), "");
    std::unique_ptr<QMenu> menu(badge.applicationDockMenu());
    EXPECT_EQ(titles(menu.get()), (QStringList{"New Card...", "-", "Sheet A", "-"}));

    // The periodic count follows a task that falls due.
    clock.setNow(clock.now().addDays(3));
    scheduler.scheduler.advance(30);
    EXPECT_EQ(badge.badgeLabel(), "1");
}

} // namespace
