#include "foundation/Archiver.h"
#include "foundation/NotificationCenter.h"
#include "model/Globals.h"
#include "model/Preferences.h"
#include "model/Task.h"
#include "platform/Diagnostics.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "platform/calendar/EKEventStore.h"
#include "platform/calendar/FakeEventStore.h"
#include "platform/calendar/VdirEventStore.h"
#include "utilities/Clock.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QVariantMap encode(TObject* object) {
    TArchiver* archiver = object->CopyArchive();
    const QVariantMap dictionary = archiver->CFType();
    archiver->Release();
    return dictionary;
}

template <class T> Ref<T> decode(const QVariantMap& dictionary) {
    TArchiver* archiver = TArchiver::CreateWithDictionary(dictionary);
    TObject* object = AllocateFromArchive(archiver, nullptr);
    archiver->Release();
    return Ref<T>::adopt(static_cast<T*>(object));
}

class TaskTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterModelClasses();
        UserDefaults::setStandardUserDefaults(&defaults);
        SetEventStore(store);
        TTask::ClearMissingEvents();
    }
    void TearDown() override {
        SetEventStore(nullptr);
        UserDefaults::setStandardUserDefaults(nullptr);
        TTask::ClearMissingEvents();
    }
    // A card with one task whose event is saved with a due date.
    Ref<TJobslate> cardWithTask(TTask** task) {
        Ref<TJobslate> card = Ref<TJobslate>::adopt(TJobslate::Create(QStringLiteral("Jobs")));
        *task = TTask::Create(QStringLiteral("File taxes"));
        card->GetRoot()->AddChild(*task);
        (*task)->Release();
        (*task)->SetDueDate(clock.scheduler.now().addDays(2));
        EXPECT_TRUE((*task)->SaveEvent());
        return card;
    }
    ScopedManualScheduler clock;
    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath("defaults.plist")};
    std::shared_ptr<FakeEventStore> store = FakeEventStore::create();
    Diagnostics::Capture capture;
};

TEST(TaskTables, RemindersBothWaysAndTexts) {
    for (qint32 choice = 1; choice <= 10; ++choice)
        EXPECT_EQ(ReminderForEventAlarm(EKAlarm::alarmWithRelativeOffset(TimeIntervalForReminder(choice))),
                  choice);
    EXPECT_EQ(TimeIntervalForReminder(0), -1.0);
    EXPECT_EQ(TimeIntervalForReminder(8), -18000);
    EXPECT_EQ(ReminderForEventAlarm(std::nullopt), 0);
    EXPECT_EQ(ReminderForEventAlarm(EKAlarm::alarmWithRelativeOffset(-18000.7)), 8); // truncated
    EXPECT_EQ(ReminderForEventAlarm(EKAlarm::alarmWithRelativeOffset(-2700)), -1);
    EXPECT_EQ(ReminderForEventAlarm(EKAlarm::alarmWithAbsoluteDate(QDateTime::currentDateTimeUtc())), -1);

    const std::pair<double, const char*> texts[] = {
        {-2700, "45 Minutes Before"}, {-3570, "Unknown"},      {-3600, "1 Hours Before"}, {-86399, "Unknown"},
        {-172800, "2 Days Before"},   {-59, "Unknown"},        {60, "1 Minutes After"},   {3541, "Unknown"},
        {82800, "23 Hours After"},    {86400, "1 Days After"}, {3e9, "Unknown"},          {-3e9, "Unknown"}};
    for (const auto& [offset, text] : texts)
        EXPECT_EQ(CustomReminderStringForAlarm(EKAlarm::alarmWithRelativeOffset(offset)),
                  QString::fromLatin1(text))
            << offset;
    EXPECT_FALSE(
        CustomReminderStringForAlarm(EKAlarm::alarmWithAbsoluteDate(QDateTime::currentDateTime())).isEmpty());
}

TEST_F(TaskTest, CompletingAndDeletingRemoveTheEventMovingKeepsIt) {
    TTask* task = nullptr;
    Ref<TJobslate> card = cardWithTask(&task);
    ASSERT_TRUE(task->HasEvent());
    EXPECT_EQ(store->records().size(), 1);
    EXPECT_EQ(card->GetEvents(), QList<TTask*>{task});

    // Moved under another row: the event stays.
    Ref<TTask> other = Ref<TTask>::adopt(TTask::Create(QStringLiteral("Other")));
    card->GetRoot()->AddChild(other.get());
    other->AddChild(task); // the tree moves it straight to its new parent
    EXPECT_EQ(task->GetParent(), other.get());
    EXPECT_TRUE(task->HasEvent());
    EXPECT_EQ(store->records().size(), 1);

    task->SetCompleted(true);
    EXPECT_FALSE(task->HasEvent());
    EXPECT_TRUE(store->records().isEmpty());
    task->SetCompleted(false);
    EXPECT_FALSE(task->HasEvent());

    TTask* second = nullptr;
    Ref<TJobslate> another = cardWithTask(&second);
    second->Retain();
    second->RemoveFromParent();
    EXPECT_FALSE(second->HasEvent());
    EXPECT_TRUE(store->records().isEmpty());
    second->Release();
}

TEST_F(TaskTest, CopiesGetTheirOwnEventsAndCloseRemovesAll) {
    TTask* task = nullptr;
    Ref<TJobslate> card = cardWithTask(&task);
    task->GetEvent()->setAlarms({EKAlarm::alarmWithRelativeOffset(-900)});
    ASSERT_TRUE(task->SaveEvent());
    Ref<TJobslate> copy = Ref<TJobslate>::adopt(static_cast<TJobslate*>(card->Copy()));
    auto* copied = static_cast<TTask*>(copy->GetRoot()->GetChild(0));
    ASSERT_TRUE(copied->HasEvent());
    EXPECT_NE(copied->GetEvent(), task->GetEvent());
    EXPECT_EQ(copied->GetDueDate(), task->GetDueDate());
    EXPECT_EQ(ReminderForEventAlarm(copied->GetFirstAlarm()), 4);
    const QVariantMap saved = encode(copy.get()); // saving the copy stores its event
    EXPECT_EQ(store->records().size(), 2);
    EXPECT_NE(copied->GetEventIdenfitier(), task->GetEventIdenfitier());
    EXPECT_EQ(
        saved["root"].toMap()["children"].toMap()["system.objects"].toList()[0].toMap()["eventIdentifier"],
        copied->GetEventIdenfitier());

    copied->SetCompleted(true);
    EXPECT_TRUE(task->HasEvent()); // the original keeps its due date
    card->PerformClose();
    EXPECT_FALSE(task->HasEvent());
    EXPECT_TRUE(store->records().isEmpty());
}

TEST_F(TaskTest, MissingEventsAreKeptListedOnceAndWrittenBack) {
    TTask* task = nullptr;
    Ref<TJobslate> card = cardWithTask(&task);
    QVariantMap archive = encode(card.get());
    QVariantMap root = archive["root"].toMap();
    QVariantMap children = root["children"].toMap();
    QVariantList rows = children["system.objects"].toList();
    QVariantMap row = rows[0].toMap();
    row["eventIdentifier"] = QStringLiteral("from-another-mac@example.org");
    rows[0] = row;
    children["system.objects"] = rows;
    root["children"] = children;
    archive["root"] = root;

    for (int i = 0; i < 2; ++i) {
        Ref<TJobslate> loaded = decode<TJobslate>(archive);
        auto* missing = static_cast<TTask*>(loaded->GetRoot()->GetChild(0));
        EXPECT_FALSE(missing->HasEvent());
        EXPECT_EQ(missing->GetEventIdenfitier(), "from-another-mac@example.org");
        EXPECT_FALSE(missing->HasEvent()) << "asking for the identifier makes no event";
        missing->SetText(QStringLiteral("Edited"));
        const QVariantMap saved = encode(loaded.get());
        EXPECT_EQ(saved["root"]
                      .toMap()["children"]
                      .toMap()["system.objects"]
                      .toList()[0]
                      .toMap()["eventIdentifier"],
                  "from-another-mac@example.org");
    }
    EXPECT_EQ(TTask::MissingEvents(), QStringList{"from-another-mac@example.org"});
    EXPECT_EQ(capture.count("The event from-another-mac@example.org can not be decoded."), 2);
}

TEST_F(TaskTest, StoreChangesReachTasksUnlessTheStoreIsHalfRead) {
    TTask* task = nullptr;
    Ref<TJobslate> card = cardWithTask(&task);
    int changed = 0;
    NotificationCenter::defaultCenter().addObserver(this, kTaskChangedNotification, nullptr,
                                                    [&](const Notification&) { ++changed; });
    const QString identifier = task->GetEvent()->eventIdentifier();
    store->eraseRecord(identifier);
    store->setComplete(false);
    NotificationCenter::defaultCenter().post(EKEventStoreChangedNotification, store.get());
    EXPECT_TRUE(task->HasEvent()) << "a store read in part drops nothing";
    store->setComplete(true);
    NotificationCenter::defaultCenter().post(EKEventStoreChangedNotification, store.get());
    EXPECT_FALSE(task->HasEvent());
    EXPECT_EQ(changed, 1);
    NotificationCenter::defaultCenter().removeObserver(this);
}

TEST_F(TaskTest, FailedSavesKeepTheDueDate) {
    TTask* task = nullptr;
    Ref<TJobslate> card = cardWithTask(&task);
    const QDateTime later = task->GetDueDate().addDays(5);
    task->SetDueDate(later);
    store->setFailure(QStringLiteral("disk full"));
    EXPECT_FALSE(task->SaveEvent());
    EXPECT_EQ(task->GetDueDate(), later);
    EXPECT_EQ(capture.count("error saving event: disk full"), 1);
    store->setFailure(QString());
    EXPECT_TRUE(task->SaveEvent());
}

TEST_F(TaskTest, OnlyStoredEventsAreNamedInTheFile) {
    const auto named = [](const QVariantMap& card) {
        const QVariantList rows = card["root"].toMap()["children"].toMap()["system.objects"].toList();
        QStringList identifiers;
        for (const QVariant& row : rows) identifiers << row.toMap().value("eventIdentifier").toString();
        return identifiers;
    };
    Ref<TJobslate> card = Ref<TJobslate>::adopt(TJobslate::Create(QStringLiteral("Jobs")));
    Ref<TTask> untouched = Ref<TTask>::adopt(TTask::Create(QStringLiteral("Event asked for, never saved")));
    Ref<TTask> failed = Ref<TTask>::adopt(TTask::Create(QStringLiteral("Save failed")));
    card->GetRoot()->AddChild(untouched.get());
    card->GetRoot()->AddChild(failed.get());
    ASSERT_TRUE(untouched->GetEvent());
    failed->SetDueDate(clock.scheduler.now().addDays(1));
    store->setFailure(QStringLiteral("disk full"));
    const QVariantMap saved = encode(card.get());
    EXPECT_EQ(named(saved), (QStringList{QString(), QString()}));
    EXPECT_EQ(failed->GetDueDate(), clock.scheduler.now().addDays(1)); // still in memory
    decode<TJobslate>(saved);
    EXPECT_TRUE(TTask::MissingEvents().isEmpty());

    // A kept identifier stays until an event of this store is saved in its place.
    QVariantMap kept = saved;
    QVariantMap root = kept["root"].toMap(), children = root["children"].toMap();
    QVariantList rows = children["system.objects"].toList();
    QVariantMap row = rows[0].toMap();
    row["eventIdentifier"] = QStringLiteral("from-another-mac@example.org");
    rows[0] = row;
    children["system.objects"] = rows;
    root["children"] = children;
    kept["root"] = root;
    Ref<TJobslate> loaded = decode<TJobslate>(kept);
    auto* task = static_cast<TTask*>(loaded->GetRoot()->GetChild(0));
    task->SetDueDate(clock.scheduler.now().addDays(3));
    EXPECT_EQ(named(encode(loaded.get()))[0], "from-another-mac@example.org");
    store->setFailure(QString());
    ASSERT_TRUE(task->SaveEvent());
    EXPECT_EQ(named(encode(loaded.get()))[0], task->GetEvent()->calendarItemExternalIdentifier());
}

TEST_F(TaskTest, TitlesDueDaysAndKinds) {
    TTask* task = nullptr;
    Ref<TJobslate> card = cardWithTask(&task);
    task->SetText(QString(200, QLatin1Char('x')));
    ASSERT_TRUE(task->SaveEvent());
    EXPECT_EQ(task->GetEvent()->title().size(), 127);
    EXPECT_EQ(task->GetTitle(), QString(100, QLatin1Char('x')) + "...");
    EXPECT_EQ(task->GetDaysUntilDue(), 2);
    EXPECT_FALSE(task->IsOverdue());
    task->SetDueDate(clock.scheduler.now().addDays(-1));
    EXPECT_TRUE(task->IsOverdue());
    EXPECT_EQ(card->GetOverdueTasks(), QList<TTask*>{task});

    Ref<TTask> plain = Ref<TTask>::adopt(TTask::Create(QStringLiteral("No date")));
    EXPECT_EQ(plain->GetDaysUntilDue(), 0);
    EXPECT_FALSE(plain->IsOverdue());
    plain->SetCompleted(true);
    EXPECT_EQ(plain->ExportText()->plainText(), QString::fromUtf8("\u221A No date"));

    EXPECT_EQ(card->GetDefaultItem(), kItemKindPreference);
    EXPECT_FALSE(card->IsRowNumberingAvailable());
    card->SetModified(false);
    card->SetDefaultItem(kItemKindPreference);
    EXPECT_FALSE(card->IsModified());
    card->SetDefaultItem(kItemKindList);
    EXPECT_TRUE(card->IsModified()) << "the card's next save writes the kind";
    EXPECT_TRUE(card->IsRowNumberingAvailable());
    defaults.setIntegerForKey(kItemKindTask, kPreferenceKeyDefaultNewItemKind);
    card->SetDefaultItem(kItemKindPreference);
    EXPECT_EQ(card->ResolvedItemKind(), kItemKindTask);

    // A new task's event goes to the preferred calendar.
    store->addCalendar(QStringLiteral("work"), QStringLiteral("Work"));
    defaults.setObjectForKey(QStringLiteral("work"), kPreferenceKeyDefaultCardCalendar);
    Ref<TTask> next = Ref<TTask>::adopt(TTask::Create(QStringLiteral("Next")));
    next->SetDueDate(clock.scheduler.now());
    EXPECT_EQ(next->GetEvent()->calendar()->calendarIdentifier(), "work");
}

TEST_F(TaskTest, OverdueOnceTheDueTimeHasPassedOrADayLongEventsDayHasEnded) {
    // 17:00 on a day in UTC.
    const QDateTime now(QDate(2026, 3, 10), QTime(17, 0), Qt::UTC);
    ManualClock wall(now, QTimeZone::utc());
    Clock::setShared(&wall);
    struct Case {
        const char* name;
        QDateTime due;
        bool allDay, overdue;
    };
    const Case cases[] = {
        {"09:00 today", QDateTime(now.date(), QTime(9, 0), Qt::UTC), false, true},
        {"a minute ago", now.addSecs(-60), false, true},
        {"now", now, false, false},
        {"in a minute", now.addSecs(60), false, false},
        {"yesterday", now.addDays(-1), false, true},
        {"all of today", QDateTime(now.date(), QTime(0, 0), Qt::UTC), true, false},
        {"all of yesterday", QDateTime(now.date().addDays(-1), QTime(0, 0), Qt::UTC), true, true},
        {"no date", {}, false, false},
    };
    for (const Case& c : cases) {
        Ref<TTask> task = Ref<TTask>::adopt(TTask::Create(QStringLiteral("Due")));
        if (c.due.isValid()) {
            task->SetDueDate(c.due);
            task->GetEvent()->setAllDay(c.allDay);
        }
        EXPECT_EQ(task->IsOverdue(), c.overdue) << c.name;
    }
    Clock::setShared(nullptr);
}

TEST_F(TaskTest, DueDatesReachTheCalendarFolderAndComeBack) {
    auto vdir = VdirEventStore::create(dir.filePath("calendars"));
    SetEventStore(vdir);
    Ref<TJobslate> card = Ref<TJobslate>::adopt(TJobslate::Create(QStringLiteral("Jobs")));
    TTask* task = TTask::Create(QStringLiteral("Dentist"));
    card->GetRoot()->AddChild(task);
    task->Release();
    task->SetDueDate(QDateTime(QDate(2026, 2, 3), QTime(14, 0), Qt::UTC));
    task->GetEvent()->setAlarms({EKAlarm::alarmWithRelativeOffset(TimeIntervalForReminder(6))});
    ASSERT_TRUE(task->SaveEvent());

    const QStringList files = QDir(vdir->rootPath() + "/default").entryList({"*.ics"}, QDir::Files);
    ASSERT_EQ(files.size(), 1);
    const QString path = vdir->rootPath() + "/default/" + files.first();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray text = file.readAll();
    file.close();
    for (const char* line : {"SUMMARY:Dentist", "DTSTART:20260203T140000Z", "BEGIN:VALARM", "TRIGGER:-PT1H"})
        EXPECT_TRUE(text.contains(line)) << line << "\n" << text.constData();

    // Another program moves the appointment.
    text.replace("DTSTART:20260203T140000Z", "DTSTART:20260204T090000Z");
    text.replace("DTEND:20260203T140000Z", "DTEND:20260204T090000Z");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
    file.close();
    vdir->rescan();
    clock.scheduler.advance(1);
    EXPECT_EQ(task->GetDueDate(), QDateTime(QDate(2026, 2, 4), QTime(9, 0), Qt::UTC));
    SetEventStore(store);
}

} // namespace
