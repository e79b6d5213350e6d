#include "CalendarTestSupport.h"

#include "platform/calendar/ICalendarCodec.h"

#include <gtest/gtest.h>
#include <time.h>

namespace {

QByteArray calendarText(const QByteArray& body) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\n" + body + "END:VCALENDAR\r\n";
}

QList<QDateTime> occurrences(const ICalendarCodec::ParsedEvent& event) {
    QList<QDateTime> list;
    ICalendarCodec::forEachOccurrence(event, [&](const QDateTime& start) {
        list.append(start.toUTC());
        return list.size() < 50;
    });
    return list;
}

TEST(ICalendarCodec, UtcUntilEndsTheSeriesAtThatInstantInEveryZone) {
    const QByteArray fixedZone = "BEGIN:VTIMEZONE\r\nTZID:Test/Plus Five\r\nBEGIN:STANDARD\r\n"
                                 "DTSTART:19700101T000000\r\nTZOFFSETFROM:+0500\r\nTZOFFSETTO:+0500\r\n"
                                 "END:STANDARD\r\nEND:VTIMEZONE\r\n";
    struct Case {
        const char* what;
        QByteArray zones;
        QByteArray start;
        QByteArray until;
        const char* last; // UTC
    };
    const std::vector<Case> cases = {
        {"east of UTC, the last start is the end",
         {},
         "DTSTART;TZID=Europe/Berlin:20260105T093000",
         "20260107T083000Z",
         "2026-01-07T08:30:00Z"},
        {"west of UTC, the wall time is before the end, the instant after",
         {},
         "DTSTART;TZID=America/New_York:20260105T010000",
         "20260107T030000Z",
         "2026-01-06T06:00:00Z"},
        {"a zone only the file knows", fixedZone, "DTSTART;TZID=Test/Plus Five:20260105T090000",
         "20260107T040000Z", "2026-01-07T04:00:00Z"},
        {"UTC", {}, "DTSTART:20260105T093000Z", "20260107T093000Z", "2026-01-07T09:30:00Z"},
    };
    for (const Case& c : cases) {
        ICalendarCodec::ParsedEvent event;
        QString reason;
        ASSERT_EQ(ICalendarCodec::parse(calendarText(c.zones +
                                                     "BEGIN:VEVENT\r\nUID:u\r\n"
                                                     "DTSTAMP:20260101T000000Z\r\n" +
                                                     c.start + "\r\nRRULE:FREQ=DAILY;UNTIL=" + c.until +
                                                     "\r\nEND:VEVENT\r\n"),
                                        &event, &reason),
                  ICalendarCodec::ParseResult::Event)
            << c.what << ": " << reason.toStdString();
        const QList<QDateTime> starts = occurrences(event);
        ASSERT_FALSE(starts.isEmpty()) << c.what;
        EXPECT_EQ(starts.last().toString(Qt::ISODate), c.last) << c.what;
        EXPECT_EQ(starts.size(), starts.first().daysTo(starts.last()) + 1) << c.what;
    }
}

} // namespace

namespace {

// Sets the system time zone for the scope.
struct ScopedSystemZone {
    explicit ScopedSystemZone(const QByteArray& zone)
        : previous(qgetenv("TZ")), hadPrevious(qEnvironmentVariableIsSet("TZ")) {
        qputenv("TZ", zone);
        tzset();
    }
    ~ScopedSystemZone() {
        if (hadPrevious)
            qputenv("TZ", previous);
        else
            qunsetenv("TZ");
        tzset();
    }
    QByteArray previous;
    bool hadPrevious;
};

TEST(ICalendarCodec, DaysOfADurationAndEndAlarmsOfAllDayEventsAcrossAClockChange) {
    ScopedSystemZone zone("Europe/Berlin");
    const QByteArray alarm =
        "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:x\r\nTRIGGER;RELATED=END:-PT1H\r\n"
        "END:VALARM\r\n";
    struct Case {
        const char* what;
        QByteArray times;
        QDateTime end;
        QDateTime alarmAt;
    };
    // The clocks go forward on 29 March 2026: that day has 23 hours.
    const QDateTime lastMoment(QDate(2026, 3, 29), QTime(23, 59, 59));
    const QDateTime lateEvening(QDate(2026, 3, 29), QTime(23, 0));
    const std::vector<Case> cases = {
        {"all day, DURATION", "DTSTART;VALUE=DATE:20260329\r\nDURATION:P1D\r\n", lastMoment, lateEvening},
        {"all day, DTEND", "DTSTART;VALUE=DATE:20260329\r\nDTEND;VALUE=DATE:20260330\r\n", lastMoment,
         lateEvening},
        {"all day, no end", "DTSTART;VALUE=DATE:20260329\r\n", lastMoment, lateEvening},
        {"timed, DURATION of a day and an hour",
         "DTSTART;TZID=Europe/Berlin:20260328T120000\r\nDURATION:P1DT1H\r\n",
         QDateTime(QDate(2026, 3, 29), QTime(13, 0), berlin()),
         QDateTime(QDate(2026, 3, 29), QTime(12, 0), berlin())},
    };
    for (const Case& c : cases) {
        ICalendarCodec::ParsedEvent event;
        QString reason;
        ASSERT_EQ(ICalendarCodec::parse(calendarText("BEGIN:VEVENT\r\nUID:u\r\nDTSTAMP:20260101T000000Z\r\n" +
                                                     c.times + alarm + "END:VEVENT\r\n"),
                                        &event, &reason),
                  ICalendarCodec::ParseResult::Event)
            << c.what << ": " << reason.toStdString();
        EXPECT_EQ(event.data.endDate, c.end) << c.what << " " << event.data.endDate.toString().toStdString();
        ASSERT_EQ(event.data.alarms.size(), 1) << c.what;
        EXPECT_EQ(event.data.startDate.addSecs(qint64(event.data.alarms.first().relativeOffset())), c.alarmAt)
            << c.what;

        // Moved by a day, it still lasts a day.
        EKEventData moved = event.data;
        moved.startDate = moved.startDate.addDays(1);
        moved.endDate = moved.endDate.addDays(1);
        ICalendarCodec::ParsedEvent written;
        ASSERT_EQ(
            ICalendarCodec::parse(ICalendarCodec::encodeChanges(event, moved, lastMoment), &written, &reason),
            ICalendarCodec::ParseResult::Event)
            << c.what;
        EXPECT_EQ(written.data.endDate, c.end.addDays(1)) << c.what;
    }
}

} // namespace
