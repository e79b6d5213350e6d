// Behaviour both stores share: the model's tests rely on the fake behaving as the store on disk.
#include "CalendarTestSupport.h"

#include "platform/Scheduler.h"
#include "platform/calendar/FakeEventStore.h"
#include "platform/calendar/VdirEventStore.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct StoreFactory {
    const char* name;
    std::function<std::shared_ptr<EKEventStore>(const QString& root)> make;
};

class EventStoreContract : public ::testing::TestWithParam<StoreFactory> {
protected:
    void SetUp() override { store = GetParam().make(dir.path()); }
    void TearDown() override { store.reset(); }

    std::shared_ptr<EKEvent> savedEvent(const QString& title) {
        auto event = store->newEvent();
        event->setTitle(title);
        event->setCalendar(store->defaultCalendarForNewEvents());
        event->setStartDate(QDateTime(QDate(2026, 2, 3), QTime(14, 0), berlin()));
        event->setEndDate(event->startDate());
        QString error;
        EXPECT_TRUE(store->saveEvent(event, EKSpanFutureEvents, true, &error)) << error.toStdString();
        return event;
    }

    ScopedManualScheduler clock;
    QTemporaryDir dir;
    std::shared_ptr<EKEventStore> store;
};

TEST_P(EventStoreContract, SaveFindModifyRemove) {
    ChangeCounter changes(store.get());
    auto event = store->newEvent();
    const QString external = event->calendarItemExternalIdentifier();
    EXPECT_FALSE(external.isEmpty());
    EXPECT_TRUE(event->eventIdentifier().isEmpty());

    event->setTitle("Pay rent");
    event->setNotes("Second line\nwith ü");
    event->setCalendar(store->defaultCalendarForNewEvents());
    event->setStartDate(QDateTime(QDate(2026, 2, 3), QTime(14, 0), berlin()));
    event->setEndDate(event->startDate());
    event->addAlarm(EKAlarm::alarmWithRelativeOffset(-300));
    event->addAlarm(EKAlarm::alarmWithAbsoluteDate(QDateTime(QDate(2026, 2, 1), QTime(8, 0), Qt::UTC)));
    event->addRecurrenceRule(EKRecurrenceRule(EKRecurrenceFrequencyMonthly, 2,
                                              EKRecurrenceEnd::recurrenceEndWithOccurrenceCount(6)));
    QString error;
    ASSERT_TRUE(store->saveEvent(event, EKSpanFutureEvents, true, &error)) << error.toStdString();
    EXPECT_FALSE(event->eventIdentifier().isEmpty());
    EXPECT_EQ(event->calendarItemExternalIdentifier(), external);
    EXPECT_FALSE(event->hasChanges());

    clock.scheduler.advance(0);
    EXPECT_EQ(changes.count, 1) << "one notice for a burst of changes";

    auto byId = store->eventWithIdentifier(event->eventIdentifier());
    ASSERT_TRUE(byId);
    const QList<std::shared_ptr<EKEvent>> byExternal = store->calendarItemsWithExternalIdentifier(external);
    ASSERT_EQ(byExternal.size(), 1);
    for (const auto& found : {byId, byExternal.first()}) {
        EXPECT_EQ(found->title(), "Pay rent");
        EXPECT_EQ(found->notes(), "Second line\nwith ü");
        EXPECT_EQ(found->startDate(), event->startDate());
        EXPECT_EQ(found->endDate(), event->startDate());
        EXPECT_FALSE(found->isAllDay());
        EXPECT_EQ(found->calendar()->calendarIdentifier(),
                  store->defaultCalendarForNewEvents()->calendarIdentifier());
        EXPECT_EQ(found->alarms(), event->alarms());
        EXPECT_EQ(found->recurrenceRules(), event->recurrenceRules());
    }

    byId->setTitle("Pay the rent");
    byId->setAlarms({});
    ASSERT_TRUE(store->saveEvent(byId, EKSpanFutureEvents, true, &error)) << error.toStdString();
    auto again = store->eventWithIdentifier(event->eventIdentifier());
    EXPECT_EQ(again->title(), "Pay the rent");
    EXPECT_FALSE(again->hasAlarms());
    EXPECT_TRUE(again->hasRecurrenceRules());

    ASSERT_TRUE(store->removeEvent(again, EKSpanFutureEvents, true, &error)) << error.toStdString();
    EXPECT_FALSE(store->eventWithIdentifier(event->eventIdentifier()));
    EXPECT_TRUE(store->calendarItemsWithExternalIdentifier(external).isEmpty());
    EXPECT_FALSE(event->refresh()) << "the event is gone";
    clock.scheduler.advance(0);
    EXPECT_EQ(changes.count, 2);
}

TEST_P(EventStoreContract, ConcurrentEditsOfOneEventAreMerged) {
    auto first = savedEvent("Original");
    auto second = store->eventWithIdentifier(first->eventIdentifier());
    first->setTitle("Renamed");
    second->setNotes("Notes from elsewhere");
    QString error;
    ASSERT_TRUE(store->saveEvent(first, EKSpanFutureEvents, true, &error));
    ASSERT_TRUE(store->saveEvent(second, EKSpanFutureEvents, true, &error)) << error.toStdString();
    EXPECT_EQ(second->title(), "Renamed") << "a field the second object did not change is not reverted";
    auto stored = store->eventWithIdentifier(first->eventIdentifier());
    EXPECT_EQ(stored->title(), "Renamed");
    EXPECT_EQ(stored->notes(), "Notes from elsewhere");

    // refresh takes in stored changes and keeps unsaved ones; reset drops them.
    first->setLocation("Unsaved place");
    EXPECT_TRUE(first->refresh());
    EXPECT_EQ(first->notes(), "Notes from elsewhere");
    EXPECT_EQ(first->location(), "Unsaved place");
    first->reset();
    EXPECT_EQ(first->location(), "");
    EXPECT_FALSE(first->hasChanges());
}

TEST_P(EventStoreContract, RefusedSavesAndRemovals) {
    auto saved = savedEvent("Repeats");
    saved->addRecurrenceRule(EKRecurrenceRule(EKRecurrenceFrequencyDaily, 1));
    QString error;
    ASSERT_TRUE(store->saveEvent(saved, EKSpanFutureEvents, true, &error));

    struct Case {
        const char* what;
        std::function<bool()> attempt;
    };
    const QDateTime when(QDate(2026, 3, 1), QTime(10, 0), Qt::UTC);
    const std::vector<Case> cases = {
        {"no calendar",
         [&] {
             auto e = store->newEvent();
             e->setStartDate(when);
             e->setEndDate(when);
             return store->saveEvent(e, EKSpanFutureEvents, true, &error);
         }},
        {"no start date",
         [&] {
             auto e = store->newEvent();
             e->setCalendar(store->defaultCalendarForNewEvents());
             return store->saveEvent(e, EKSpanFutureEvents, true, &error);
         }},
        {"end before start",
         [&] {
             auto e = store->newEvent();
             e->setCalendar(store->defaultCalendarForNewEvents());
             e->setStartDate(when);
             e->setEndDate(when.addSecs(-60));
             return store->saveEvent(e, EKSpanFutureEvents, true, &error);
         }},
        {"one occurrence of a series",
         [&] { return store->saveEvent(saved, EKSpanThisEvent, true, &error); }},
        {"removing one occurrence of a series",
         [&] { return store->removeEvent(saved, EKSpanThisEvent, true, &error); }},
        {"removing an event never saved",
         [&] { return store->removeEvent(store->newEvent(), EKSpanFutureEvents, true, &error); }},
    };
    for (const Case& c : cases) {
        error.clear();
        EXPECT_FALSE(c.attempt()) << c.what;
        EXPECT_FALSE(error.isEmpty()) << c.what;
    }
    EXPECT_TRUE(store->eventWithIdentifier(saved->eventIdentifier())) << "the series is still there";
}

TEST_P(EventStoreContract, SavesWaitForCommit) {
    ChangeCounter changes(store.get());
    auto event = store->newEvent();
    event->setCalendar(store->defaultCalendarForNewEvents());
    event->setStartDate(QDateTime(QDate(2026, 3, 1), QTime(10, 0), Qt::UTC));
    event->setEndDate(event->startDate());
    clock.scheduler.advance(0);
    changes.count = 0;
    ASSERT_TRUE(store->saveEvent(event, EKSpanFutureEvents, false));
    EXPECT_TRUE(
        store->calendarItemsWithExternalIdentifier(event->calendarItemExternalIdentifier()).isEmpty());
    ASSERT_TRUE(store->commit());
    EXPECT_EQ(store->calendarItemsWithExternalIdentifier(event->calendarItemExternalIdentifier()).size(), 1);
    clock.scheduler.advance(0);
    EXPECT_EQ(changes.count, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Stores, EventStoreContract,
    ::testing::Values(StoreFactory{"Vdir", [](const QString& root) { return VdirEventStore::create(root); }},
                      StoreFactory{"Fake", [](const QString&) { return FakeEventStore::create(); }}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
