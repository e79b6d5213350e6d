#include "model/CardItems.h"
#include "model/Globals.h"
#include "model/ModelObject.h"
#include "model/Task.h"
#include "platform/AutoreleasePool.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "platform/calendar/FakeEventStore.h"
#include "utilities/Clock.h"
#include "windows/OutlineFilter.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class OutlineFilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterModelClasses();
        UserDefaults::setStandardUserDefaults(&defaults);
        SetEventStore(store);
        card = Ref<TJobslate>::adopt(TJobslate::Create(QStringLiteral("Jobs")));
    }
    void TearDown() override {
        SetEventStore(nullptr);
        UserDefaults::setStandardUserDefaults(nullptr);
    }
    // A task under parent, due at the clock's now plus the seconds unless undated.
    TTask* addTask(TTreeNode* parent, const char* text, std::optional<qint64> dueIn, bool important = false) {
        TTask* task = TTask::Create(QString::fromLatin1(text));
        parent->AddChild(task);
        task->Release();
        if (dueIn) {
            task->SetDueDate(clock.clock.now().addSecs(*dueIn));
            EXPECT_TRUE(task->SaveEvent());
        }
        if (important) task->SetImportant(true);
        return task;
    }
    static QStringList texts(const OutlineFilter& filter) {
        QStringList result;
        for (const OutlineFilter::Row& row : filter.rows())
            result << QString(row.level, QLatin1Char(' ')) +
                          static_cast<TTextItem*>(row.item)->GetPlainText();
        return result;
    }

    AutoreleasePool pool;
    ScopedManualScheduler scheduler;
    // 15:00 on a fixed day, in UTC.
    ScopedManualClock clock{QDateTime(QDate(2026, 3, 18), QTime(15, 0), QTimeZone::utc()), QTimeZone::utc()};
    QTemporaryDir folder;
    UserDefaults defaults{folder.filePath(QStringLiteral("defaults.plist"))};
    std::shared_ptr<FakeEventStore> store = FakeEventStore::create();
    Ref<TJobslate> card;
};

constexpr qint64 kHour = 3600;
constexpr qint64 kDay = 24 * kHour;

TEST_F(OutlineFilterTest, ForecastGroupsDatedTasksByDueDayWithoutMovingThem) {
    // GIVEN
    TListItem* root = card->GetRoot();
    TTask* today = addTask(root, "earlier today", -2 * kHour);
    TTask* nested = addTask(today, "nested today", 3 * kHour);
    addTask(root, "tomorrow", kDay);
    addTask(root, "yesterday", -kDay);
    addTask(root, "three days ago", -3 * kDay);
    addTask(root, "next week", 7 * kDay);
    addTask(root, "undated", std::nullopt);
    const qint64 rootChildren = root->ChildCount();

    // WHEN
    OutlineFilter filter(card.get(), kFilterKindForecast);

    // THEN
    EXPECT_EQ(texts(filter), QStringList({"Overdue", " three days ago", "Due Today", " earlier today",
                                          " nested today", "Due Tomorrow", " tomorrow", "Due Yesterday",
                                          " yesterday", "Due In The Future", " next week"}));
    for (const OutlineFilter::Group& group : filter.groups()) {
        EXPECT_TRUE(group.row->IsExpanded());
        EXPECT_TRUE(filter.isItemExpandable(group.row.get()));
        EXPECT_EQ(group.row->GetParent(), nullptr);
    }
    EXPECT_EQ(nested->GetParent(), today);
    EXPECT_EQ(today->GetParent(), root);
    EXPECT_EQ(root->ChildCount(), rootChildren);
    EXPECT_EQ(filter.groupOfTask(nested)->GetPlainText(), "Due Today");
    EXPECT_FALSE(filter.isItemExpandable(nested));
}

TEST_F(OutlineFilterTest, EmptyFiltersShowNoRows) {
    addTask(card->GetRoot(), "undated", std::nullopt);
    EXPECT_TRUE(OutlineFilter(card.get(), kFilterKindForecast).rows().isEmpty());
    EXPECT_TRUE(OutlineFilter(card.get(), kFilterKindImportant).rows().isEmpty());
    EXPECT_TRUE(OutlineFilter(card.get(), kFilterKindNone).rows().isEmpty());
}

TEST_F(OutlineFilterTest, ImportantTasksInOneFlatListThatFollowsTheCard) {
    // GIVEN
    TListItem* root = card->GetRoot();
    TTask* first = addTask(root, "first", std::nullopt, true);
    TTask* plain = addTask(first, "plain", std::nullopt);
    addTask(plain, "deep", std::nullopt, true);
    OutlineFilter filter(card.get(), kFilterKindImportant);
    QSignalSpy changed(&filter, &OutlineFilter::changed);
    EXPECT_EQ(texts(filter), QStringList({"first", "deep"}));

    // WHEN a task changes elsewhere, THEN the filter follows.
    plain->SetImportant(true);
    EXPECT_EQ(texts(filter), QStringList({"first", "plain", "deep"}));
    EXPECT_GE(changed.count(), 1);

    // A task leaving the card leaves the filter; one arriving joins it.
    plain->RemoveFromParent();
    EXPECT_EQ(texts(filter), QStringList({"first"}));
    addTask(root, "new", std::nullopt, true);
    EXPECT_EQ(texts(filter), QStringList({"first", "new"}));
}

TEST_F(OutlineFilterTest, CompletingATaskTakesItOutOfTheForecast) {
    TTask* task = addTask(card->GetRoot(), "due", kDay);
    OutlineFilter filter(card.get(), kFilterKindForecast);
    ASSERT_EQ(filter.tasks(), QList<TTask*>({task}));
    task->SetCompleted(true); // completing drops the event
    EXPECT_TRUE(filter.rows().isEmpty());
}

} // namespace
