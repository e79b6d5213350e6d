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

namespace {

QString utc(const QDateTime& t) {
    return t.toUTC().toString(Qt::ISODate);
}

ICalendarCodec::ParsedEvent parseCase(const char* file) {
    ICalendarCodec::ParsedEvent event;
    QString reason;
    EXPECT_EQ(ICalendarCodec::parse(calendarCase(file), &event, &reason), ICalendarCodec::ParseResult::Event)
        << file << ": " << reason.toStdString();
    return event;
}

QStringList occurrenceTimes(const ICalendarCodec::ParsedEvent& event) {
    QStringList list;
    for (const QDateTime& t : occurrences(event)) list.append(utc(t));
    return list;
}

QByteArrayList contentLines(const QByteArray& text) {
    QByteArrayList lines = QByteArray(text).replace("\r\n", "\n").split('\n');
    lines.removeAll(QByteArray());
    return lines;
}

struct Case {
    const char* file;
    const char* intent;
    const char* start; // UTC; empty: not checked
    const char* end;
    QStringList occurrences;
};

const std::vector<Case>& cases() {
    static const std::vector<Case> list = {
        {"zero-length.ics",
         "a timed start without an end lasts no time",
         "2026-03-10T08:00:00Z",
         "2026-03-10T08:00:00Z",
         {"2026-03-10T08:00:00Z"}},
        {"zero-duration.ics",
         "a zero DURATION lasts no time",
         "2026-03-10T08:00:00Z",
         "2026-03-10T08:00:00Z",
         {"2026-03-10T08:00:00Z"}},
        {"gap-start.ics",
         "a start in the spring-forward gap counts with the offset from before it",
         "2026-03-29T01:30:00Z",
         "2026-03-29T02:00:00Z",
         {"2026-03-29T01:30:00Z"}},
        {"repeated-start.ics",
         "a start in the repeated hour is its first occurrence",
         "2026-10-25T00:30:00Z",
         "2026-10-25T02:15:00Z",
         {"2026-10-25T00:30:00Z"}},
        {"gap-daily.ics",
         "a daily series keeps its occurrence in the gap",
         "2026-03-28T01:30:00Z",
         "2026-03-28T01:45:00Z",
         {"2026-03-28T01:30:00Z", "2026-03-29T01:30:00Z", "2026-03-30T00:30:00Z"}},
        {"repeated-daily.ics",
         "a daily series takes the first of the repeated hour",
         "2026-10-24T00:30:00Z",
         "2026-10-24T00:45:00Z",
         {"2026-10-24T00:30:00Z", "2026-10-25T00:30:00Z", "2026-10-26T01:30:00Z"}},
        {"embedded-zone-dates.ics",
         "a zone only the file defines: gap start, repeated-hour RDATE",
         "2026-03-29T01:30:00Z",
         "2026-03-29T02:00:00Z",
         {"2026-03-29T01:30:00Z", "2026-10-25T00:30:00Z"}},
        {"empty-description.ics",
         "empty DESCRIPTION and LOCATION are no notes and no place",
         "2026-03-10T09:00:00Z",
         "2026-03-10T10:00:00Z",
         {"2026-03-10T09:00:00Z"}},
        {"bad-rdate.ics",
         "an unreadable RDATE adds nothing, the readable one an occurrence",
         "2026-03-10T09:00:00Z",
         "2026-03-10T10:00:00Z",
         {"2026-03-10T09:00:00Z", "2026-03-17T09:00:00Z"}},
        {"date-only-created.ics",
         "a date-only CREATED is no obstacle",
         "2026-03-10T09:00:00Z",
         "2026-03-10T10:00:00Z",
         {"2026-03-10T09:00:00Z"}},
        {"x-components.ics",
         "X- components in the calendar and in the event",
         "2026-03-10T09:00:00Z",
         "2026-03-10T10:00:00Z",
         {"2026-03-10T09:00:00Z"}},
        {"vlocation.ics",
         "VLOCATION and PARTICIPANT components",
         "2026-03-10T09:00:00Z",
         "2026-03-10T10:00:00Z",
         {"2026-03-10T09:00:00Z"}},
        {"broken-offset.ics", "a VTIMEZONE with broken offsets still gives an event", "", "", {}},
        {"old-zone-start.ics",
         "a zone of the file whose rules start in 1601 still gives this year's offsets",
         "2026-03-28T08:00:00Z",
         "2026-03-28T08:15:00Z",
         {"2026-03-28T08:00:00Z", "2026-03-29T07:00:00Z"}},
        {"moved-occurrence.ics",
         "the moved occurrence is not in the series at its old time",
         "2026-03-10T08:00:00Z",
         "2026-03-10T08:15:00Z",
         {"2026-03-10T08:00:00Z", "2026-03-12T08:00:00Z"}},
        {"cancelled-occurrence.ics",
         "neither the cancelled nor the excluded occurrence is in the series",
         "2026-03-10T08:00:00Z",
         "2026-03-10T08:15:00Z",
         {"2026-03-10T08:00:00Z", "2026-03-13T08:00:00Z"}},
    };
    return list;
}

TEST(ICalendarCodec, ReadsEachCaseAtItsInstants) {
    for (const Case& c : cases()) {
        const ICalendarCodec::ParsedEvent event = parseCase(c.file);
        if (*c.start) {
            EXPECT_EQ(utc(event.data.startDate), c.start) << c.file << ": " << c.intent;
            EXPECT_EQ(utc(event.data.endDate), c.end) << c.file << ": " << c.intent;
            EXPECT_EQ(occurrenceTimes(event), c.occurrences) << c.file << ": " << c.intent;
        }
        EXPECT_TRUE(event.data.notes.isEmpty()) << c.file;
        EXPECT_FALSE(event.data.title.isEmpty()) << c.file;
    }
}

TEST(ICalendarCodec, ChangedAndCancelledOccurrencesAreReadWithTheirOwnFields) {
    const ICalendarCodec::ParsedEvent moved = parseCase("moved-occurrence.ics");
    ASSERT_EQ(moved.changedOccurrences.size(), 1);
    const ICalendarCodec::ChangedOccurrence& afternoon = moved.changedOccurrences.first();
    EXPECT_EQ(utc(afternoon.occurrence), "2026-03-11T08:00:00Z");
    EXPECT_FALSE(afternoon.cancelled);
    EXPECT_EQ(afternoon.data.title, "Stand-up (afternoon)");
    EXPECT_EQ(utc(afternoon.data.startDate), "2026-03-11T13:00:00Z");
    EXPECT_EQ(afternoon.data.alarms, QList<EKAlarm>{EKAlarm::alarmWithRelativeOffset(-900)});

    const ICalendarCodec::ParsedEvent cancelled = parseCase("cancelled-occurrence.ics");
    ASSERT_EQ(cancelled.changedOccurrences.size(), 1);
    EXPECT_TRUE(cancelled.changedOccurrences.first().cancelled);
}

// What a title edit may change: the title, its echo in alarm texts, and the stamps.
bool changedByATitleEdit(const QByteArray& line, const QString& title) {
    return line.startsWith("SUMMARY:") || line.startsWith("DTSTAMP:") || line.startsWith("LAST-MODIFIED:") ||
           line == "DESCRIPTION:" + title.toUtf8();
}

TEST(ICalendarCodec, ATitleEditKeepsEveryOtherLineAsTheFileHeldIt) {
    const QDateTime now(QDate(2026, 2, 1), QTime(12, 0), Qt::UTC);
    for (const Case& c : cases()) {
        ICalendarCodec::ParsedEvent event = parseCase(c.file);
        const EKEventData before = event.data;
        const QList<QDateTime> startsBefore = occurrences(event);
        EKEventData edited = before;
        edited.title = QStringLiteral("Renamed");
        const QByteArray text = ICalendarCodec::encodeChanges(event, edited, now);

        EXPECT_EQ(text.count('\n'), text.count("\r\n")) << c.file << ": lines end in CRLF";
        const QByteArrayList written = contentLines(text);
        for (const QByteArray& line : contentLines(calendarCase(c.file))) {
            if (changedByATitleEdit(line, before.title)) continue;
            EXPECT_TRUE(written.contains(line))
                << c.file << " (" << c.intent << ") lost " << line.constData() << "\n"
                << text.constData();
        }
        ICalendarCodec::ParsedEvent again;
        QString reason;
        ASSERT_EQ(ICalendarCodec::parse(text, &again, &reason), ICalendarCodec::ParseResult::Event)
            << c.file << ": " << reason.toStdString() << "\n"
            << text.constData();
        edited.alarms = again.data.alarms; // nothing else may differ
        EXPECT_EQ(again.data, edited) << c.file;
        EXPECT_EQ(again.data.alarms, before.alarms) << c.file;
        EXPECT_EQ(occurrences(again), startsBefore) << c.file;
        EXPECT_EQ(again.changedOccurrences.size(), event.changedOccurrences.size()) << c.file;
    }
}

TEST(ICalendarCodec, SettingAFieldReplacesItsUnreadableLine) {
    ICalendarCodec::ParsedEvent event = parseCase("empty-description.ics");
    EKEventData edited = event.data;
    edited.notes = QStringLiteral("Agenda");
    edited.location = QStringLiteral("Room 5");
    const QByteArray text = ICalendarCodec::encodeChanges(event, edited, QDateTime::currentDateTimeUtc());
    EXPECT_EQ(text.count("\nDESCRIPTION"), 1) << text.constData();
    EXPECT_EQ(text.count("\nLOCATION"), 1) << text.constData();
    ICalendarCodec::ParsedEvent again;
    QString reason;
    ASSERT_EQ(ICalendarCodec::parse(text, &again, &reason), ICalendarCodec::ParseResult::Event);
    EXPECT_EQ(again.data.notes, "Agenda");
    EXPECT_EQ(again.data.location, "Room 5");
}

TEST(ICalendarCodec, AnEventWithoutDurationIsWrittenWithAZeroDuration) {
    const QDateTime now(QDate(2026, 2, 1), QTime(12, 0), Qt::UTC);
    EKEventData data;
    data.title = QStringLiteral("Deadline");
    data.startDate = QDateTime(QDate(2026, 3, 10), QTime(9, 0), berlin());
    data.endDate = data.startDate;
    struct Written {
        const char* what;
        QByteArray text;
    };
    ICalendarCodec::ParsedEvent shortened = parseCase("date-only-created.ics");
    EKEventData edited = shortened.data;
    edited.endDate = edited.startDate;
    const std::vector<Written> written = {
        {"a new event", ICalendarCodec::encodeNew(QStringLiteral("new"), data, now)},
        {"an event of an hour shortened to none", ICalendarCodec::encodeChanges(shortened, edited, now)},
    };
    for (const Written& w : written) {
        EXPECT_FALSE(w.text.contains("DTEND")) << w.what << "\n" << w.text.constData();
        EXPECT_EQ(w.text.count("DURATION:PT0S\r\n"), 1) << w.what;
        ICalendarCodec::ParsedEvent again;
        QString reason;
        ASSERT_EQ(ICalendarCodec::parse(w.text, &again, &reason), ICalendarCodec::ParseResult::Event)
            << w.what;
        EXPECT_EQ(again.data.endDate, again.data.startDate) << w.what;
    }
}

TEST(ICalendarCodec, TimesAroundClockChangesAreWrittenSoThatTheyReadBackAtTheSameInstant) {
    const QDateTime now(QDate(2026, 2, 1), QTime(12, 0), Qt::UTC);
    struct Case {
        const char* what;
        QDateTime start;
        const char* line;
    };
    const auto at = [](const char* utc) {
        return QDateTime::fromString(QString::fromLatin1(utc), Qt::ISODate).toTimeZone(berlin());
    };
    const std::vector<Case> cases = {
        {"summer time", at("2026-07-01T07:00:00Z"), "DTSTART;TZID=Europe/Berlin:20260701T090000"},
        {"just after the clocks went forward", at("2026-03-29T01:30:00Z"),
         "DTSTART;TZID=Europe/Berlin:20260329T033000"},
        {"first pass of the repeated hour", at("2026-10-25T00:30:00Z"),
         "DTSTART;TZID=Europe/Berlin:20261025T023000"},
        {"second pass of the repeated hour, only UTC tells it", at("2026-10-25T01:30:00Z"),
         "DTSTART:20261025T013000Z"},
    };
    for (const Case& c : cases) {
        EKEventData data;
        data.startDate = c.start;
        data.endDate = c.start.addSecs(3600);
        const QByteArray text = ICalendarCodec::encodeNew(QStringLiteral("u"), data, now);
        EXPECT_TRUE(contentLines(text).contains(c.line)) << c.what << "\n" << text.constData();
        ICalendarCodec::ParsedEvent again;
        QString reason;
        ASSERT_EQ(ICalendarCodec::parse(text, &again, &reason), ICalendarCodec::ParseResult::Event) << c.what;
        EXPECT_EQ(utc(again.data.startDate), utc(c.start)) << c.what;
        EXPECT_EQ(utc(again.data.endDate), utc(data.endDate)) << c.what;
    }
}

TEST(ICalendarCodec, RulesLibicalCannotExpandInBoundedTimeStartOnce) {
    struct Case {
        const char* rule;
        const char* intent;
        int occurrences; // of the first five
    };
    const std::vector<Case> cases = {
        {"FREQ=MONTHLY;BYMONTH=2;BYMONTHDAY=30", "no month has the day", 1},
        {"FREQ=YEARLY;INTERVAL=4;BYMONTH=2;BYMONTHDAY=29", "every fourth year from 2025 is no leap year", 1},
        {"FREQ=DAILY;BYDAY=2MO", "a daily rule matches no ordinal weekday", 1},
        {"FREQ=MONTHLY;BYDAY=MO;BYMONTHDAY=1,2,3;BYSETPOS=2", "at most one day a month for the second", 1},
        {"FREQ=SECONDLY;BYMONTH=2", "a second-by-second search for February", 1},
        {"FREQ=HOURLY;BYMONTHDAY=1", "an hour-by-hour search for the first of the month", 1},
        {"FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=29;BYDAY=SU", "a leap day on a Sunday: 2032, 2060, ...", 5},
        {"FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1", "the last working day of each month", 5},
        {"FREQ=HOURLY;BYDAY=SA", "every hour on Saturdays", 5},
        {"FREQ=MINUTELY;INTERVAL=15", "every quarter of an hour", 5},
    };
    for (const Case& c : cases) {
        ICalendarCodec::ParsedEvent event;
        QString reason;
        ASSERT_EQ(ICalendarCodec::parse(calendarText("BEGIN:VEVENT\r\nUID:u\r\nDTSTART:20250101T090000Z\r\n"
                                                     "RRULE:" +
                                                     QByteArray(c.rule) + "\r\nEND:VEVENT\r\n"),
                                        &event, &reason),
                  ICalendarCodec::ParseResult::Event)
            << c.rule;
        int count = 0;
        ICalendarCodec::forEachOccurrence(event, [&](const QDateTime&) { return ++count < 5; });
        EXPECT_EQ(count, c.occurrences) << c.rule << ": " << c.intent;
    }
}

} // namespace
