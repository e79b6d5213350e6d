#include "CalendarTestSupport.h"

#include "platform/calendar/ICalendarCodec.h"

#include <gtest/gtest.h>

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
