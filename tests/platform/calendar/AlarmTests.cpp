#include "CalendarTestSupport.h"

#include "platform/Scheduler.h"
#include "platform/calendar/VdirEventStore.h"

#include <QDBusConnection>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Records when each notification was shown, on the scheduler's clock.
struct TimedNotifier : DesktopNotifier {
    void notify(const QString& summary, const QString& body) override {
        shown.push_back({summary, body, Scheduler::shared().now()});
    }
    struct Shown {
        QString summary;
        QString body;
        QDateTime at;
    };
    std::vector<Shown> shown;
};

std::shared_ptr<EKEvent> makeEvent(EKEventStore& store, const QString& title, const QDateTime& start) {
    auto event = store.newEvent();
    event->setTitle(title);
    event->setCalendar(store.defaultCalendarForNewEvents());
    event->setStartDate(start);
    event->setEndDate(start);
    return event;
}

TEST(CalendarAlarms, WeeklyEventAlarmsFireOnEachOccurrenceInItsZone) {
    ScopedManualScheduler clock(QDateTime(QDate(2026, 3, 16), QTime(0, 0), Qt::UTC));
    QTemporaryDir dir;
    auto notifier = std::make_shared<TimedNotifier>();
    auto store = VdirEventStore::create(dir.path(), notifier);

    // Mondays at 09:00 in Berlin, three times; the clocks go forward on 29 March.
    auto weekly = makeEvent(*store, "Team meeting", QDateTime(QDate(2026, 3, 16), QTime(9, 0), berlin()));
    weekly->addAlarm(EKAlarm::alarmWithRelativeOffset(-900));
    weekly->addRecurrenceRule(EKRecurrenceRule(EKRecurrenceFrequencyWeekly, 1,
                                               EKRecurrenceEnd::recurrenceEndWithOccurrenceCount(3)));
    ASSERT_TRUE(store->saveEvent(weekly, EKSpanFutureEvents, true));
    // Removed before it is due: never shown.
    auto dropped = makeEvent(*store, "Dropped", QDateTime(QDate(2026, 3, 17), QTime(12, 0), Qt::UTC));
    dropped->addAlarm(EKAlarm::alarmWithRelativeOffset(0));
    ASSERT_TRUE(store->saveEvent(dropped, EKSpanFutureEvents, true));
    ASSERT_TRUE(store->removeEvent(dropped, EKSpanFutureEvents, true));

    clock.scheduler.advance(6 * 7 * 86400);
    ASSERT_EQ(notifier->shown.size(), 3u);
    const QDateTime expected[] = {QDateTime(QDate(2026, 3, 16), QTime(7, 45), Qt::UTC),
                                  QDateTime(QDate(2026, 3, 23), QTime(7, 45), Qt::UTC),
                                  QDateTime(QDate(2026, 3, 30), QTime(6, 45), Qt::UTC)};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(notifier->shown[i].at, expected[i]) << i;
        EXPECT_EQ(notifier->shown[i].summary, "Team meeting");
        EXPECT_FALSE(notifier->shown[i].body.isEmpty());
    }
}

TEST(CalendarAlarms, SeriesEndingAtADateAlarmsItsLastOccurrence) {
    ScopedManualScheduler clock(QDateTime(QDate(2026, 1, 5), QTime(0, 0), Qt::UTC));
    QTemporaryDir dir;
    auto notifier = std::make_shared<TimedNotifier>();
    auto store = VdirEventStore::create(dir.path(), notifier);

    // Daily at 09:30 in Berlin, the last time on 7 January.
    const QDateTime first(QDate(2026, 1, 5), QTime(9, 30), berlin());
    auto daily = makeEvent(*store, "Standing order", first);
    daily->addAlarm(EKAlarm::alarmWithRelativeOffset(-600));
    daily->addRecurrenceRule(EKRecurrenceRule(EKRecurrenceFrequencyDaily, 1,
                                              EKRecurrenceEnd::recurrenceEndWithEndDate(first.addDays(2))));
    ASSERT_TRUE(store->saveEvent(daily, EKSpanFutureEvents, true));

    clock.scheduler.advance(7 * 86400);
    ASSERT_EQ(notifier->shown.size(), 3u);
    EXPECT_EQ(notifier->shown[2].at, QDateTime(QDate(2026, 1, 7), QTime(8, 20), Qt::UTC));
}

TEST(CalendarAlarms, AlarmsMissedWhileClosedFireOnceAtTheNextStart) {
    ScopedManualScheduler clock;
    const QDateTime start = clock.scheduler.now();
    QTemporaryDir dir;
    auto notifier = std::make_shared<TimedNotifier>();
    {
        auto store = VdirEventStore::create(dir.path(), notifier);
        auto daily = makeEvent(*store, "Water the plants", start.addSecs(2 * 3600));
        daily->addAlarm(EKAlarm::alarmWithRelativeOffset(-3600));
        daily->addRecurrenceRule(EKRecurrenceRule(EKRecurrenceFrequencyDaily, 1));
        ASSERT_TRUE(store->saveEvent(daily, EKSpanFutureEvents, true));
        auto once = makeEvent(*store, "Call back", start.addSecs(4 * 3600));
        once->addAlarm(EKAlarm::alarmWithAbsoluteDate(start.addSecs(3 * 3600)));
        ASSERT_TRUE(store->saveEvent(once, EKSpanFutureEvents, true));
        clock.scheduler.advance(0);
    }
    EXPECT_TRUE(notifier->shown.empty());

    // Closed for three days: each alarm is shown once, the daily one for its latest occurrence.
    clock.scheduler.setNow(start.addDays(3));
    for (int run = 0; run < 2; ++run) {
        auto store = VdirEventStore::create(dir.path(), notifier);
        clock.scheduler.advance(0);
    }
    ASSERT_EQ(notifier->shown.size(), 2u);
    QStringList titles{notifier->shown[0].summary, notifier->shown[1].summary};
    titles.sort();
    EXPECT_EQ(titles, QStringList({"Call back", "Water the plants"}));
}

TEST(CalendarAlarms, AlarmOfAnEventWrittenFromOutsideFires) {
    ScopedManualScheduler clock;
    QTemporaryDir dir;
    auto notifier = std::make_shared<TimedNotifier>();
    auto store = VdirEventStore::create(dir.path(), notifier);
    store->defaultCalendarForNewEvents();
    clock.scheduler.advance(0);
    writeFile(dir.path() + "/default/outside.ics",
              "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\n"
              "BEGIN:VEVENT\r\nUID:outside-1\r\nDTSTAMP:20260101T000000Z\r\n"
              "DTSTART:20260101T100000Z\r\nSUMMARY:From outside\r\n"
              "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:x\r\n"
              "TRIGGER;VALUE=DATE-TIME:20260101T093000Z\r\nEND:VALARM\r\n"
              "END:VEVENT\r\nEND:VCALENDAR\r\n");
    store->rescan();
    clock.scheduler.advance(3600);
    ASSERT_EQ(notifier->shown.size(), 1u);
    EXPECT_EQ(notifier->shown[0].summary, "From outside");
    EXPECT_EQ(notifier->shown[0].at, QDateTime(QDate(2026, 1, 1), QTime(9, 30), Qt::UTC));
}

TEST(CalendarAlarms, OtherProgramsSeriesAlarmAtEachOccurrencesInstant) {
    struct Case {
        const char* file;
        const char* intent;
        QDateTime from;
        QStringList shownAt; // UTC
    };
    const std::vector<Case> cases = {
        {"gap-daily.ics",
         "the occurrence in the spring-forward gap alarms at its RFC 5545 instant",
         QDateTime(QDate(2026, 3, 27), QTime(0, 0), Qt::UTC),
         {"2026-03-28T01:20:00Z", "2026-03-29T01:20:00Z", "2026-03-30T00:20:00Z"}},
        {"repeated-daily.ics",
         "the occurrence in the repeated hour alarms before its first pass",
         QDateTime(QDate(2026, 10, 23), QTime(0, 0), Qt::UTC),
         {"2026-10-24T00:20:00Z", "2026-10-25T00:20:00Z", "2026-10-26T01:20:00Z"}},
        {"embedded-zone-dates.ics",
         "the file's own zone, gap start and repeated-hour RDATE",
         QDateTime(QDate(2026, 3, 28), QTime(0, 0), Qt::UTC),
         {"2026-03-29T01:20:00Z", "2026-10-25T00:20:00Z"}},
        {"moved-occurrence.ics",
         "a moved occurrence alarms at its new time, not its old one",
         QDateTime(QDate(2026, 3, 9), QTime(0, 0), Qt::UTC),
         {"2026-03-10T07:45:00Z", "2026-03-11T12:45:00Z", "2026-03-12T07:45:00Z"}},
        {"cancelled-occurrence.ics",
         "cancelled and excluded occurrences do not alarm",
         QDateTime(QDate(2026, 3, 9), QTime(0, 0), Qt::UTC),
         {"2026-03-10T07:45:00Z", "2026-03-13T07:45:00Z"}},
    };
    for (const Case& c : cases) {
        ScopedManualScheduler clock(c.from);
        QTemporaryDir dir;
        writeFile(dir.path() + "/default/" + c.file, calendarCase(c.file));
        auto notifier = std::make_shared<TimedNotifier>();
        auto store = VdirEventStore::create(dir.path(), notifier);
        clock.scheduler.advance(240 * 86400);
        QStringList shownAt;
        for (const TimedNotifier::Shown& shown : notifier->shown)
            shownAt.append(shown.at.toUTC().toString(Qt::ISODate));
        EXPECT_EQ(shownAt, c.shownAt) << c.file << ": " << c.intent;
    }
}

} // namespace

namespace {
TEST(CalendarAlarms, DBusNotifierWithoutSessionBusReportsOnce) {
    if (QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "a session bus is present";
    WarningCapture warnings;
    DBusDesktopNotifier notifier;
    notifier.notify("One", "body");
    notifier.notify("Two", "body");
    EXPECT_EQ(warnings.messages().size(), 1);
}
} // namespace
