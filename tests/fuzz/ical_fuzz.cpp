// libFuzzer harness: the iCalendar reader takes any bytes and gives an event or a clean error. An
// event it reads expands into occurrences, writes back unchanged as text that reads as the same
// event, and takes an edit.
#include "platform/calendar/ICalendarCodec.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Floating times and dates then meet clock changes.
    setenv("TZ", "Europe/Berlin", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    ICalendarCodec::ParsedEvent event;
    QString reason;
    switch (ICalendarCodec::parse(bytes, &event, &reason)) {
    case ICalendarCodec::ParseResult::Malformed:
        if (reason.isEmpty()) __builtin_trap();
        return 0;
    case ICalendarCodec::ParseResult::NotAnEvent:
        return 0;
    case ICalendarCodec::ParseResult::Event:
        break;
    }
    int count = 0;
    ICalendarCodec::forEachOccurrence(event, [&](const QDateTime& start) {
        if (!start.isValid()) __builtin_trap();
        return ++count < 200;
    });

    const QDateTime now(QDate(2026, 1, 1), QTime(9, 0), Qt::UTC);
    const EKEventData read = event.data;
    ICalendarCodec::ParsedEvent again;
    if (ICalendarCodec::parse(ICalendarCodec::encodeChanges(event, read, now), &again, &reason) !=
            ICalendarCodec::ParseResult::Event ||
        !(again.data == read) || again.changedOccurrences.size() != event.changedOccurrences.size())
        __builtin_trap();

    EKEventData edited = again.data;
    edited.title = QStringLiteral("Edited");
    edited.startDate = edited.startDate.addDays(1);
    edited.endDate = edited.endDate.addDays(1);
    edited.alarms.append(EKAlarm::alarmWithRelativeOffset(-600));
    const QByteArray text = ICalendarCodec::encodeChanges(again, edited, now, &reason);
    ICalendarCodec::ParsedEvent third;
    if (!text.isEmpty() &&
        (ICalendarCodec::parse(text, &third, &reason) != ICalendarCodec::ParseResult::Event ||
         third.data.title != edited.title))
        __builtin_trap();
    return 0;
}
