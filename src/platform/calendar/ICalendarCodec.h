#pragma once

#include "platform/calendar/EKEvent.h"

#include <QByteArray>
#include <QDateTime>
#include <QTimeZone>
#include <functional>
#include <memory>

struct icalcomponent_impl;
struct _icaltimezone;

// Reading and writing events as iCalendar text (a VCALENDAR holding a VEVENT) with libical.
namespace ICalendarCodec {

// How the wall-clock times of an event map to instants.
struct TimeZoneRef {
    enum Kind { Utc, Floating, Zone, Embedded } kind = Floating;
    QTimeZone zone;                       // Zone
    struct _icaltimezone* ical = nullptr; // Embedded: a VTIMEZONE of the file Qt does not know
};

struct ParsedEvent {
    std::shared_ptr<icalcomponent_impl> calendar; // the whole VCALENDAR
    icalcomponent_impl* master = nullptr;         // its VEVENT without RECURRENCE-ID
    QString uid;
    EKEventData data; // calendarIdentifier left empty
    TimeZoneRef startZone;
};

enum class ParseResult { Event, NotAnEvent, Malformed };

// Anything libical reports as an error, or an event without UID or start, is Malformed.
ParseResult parse(const QByteArray& text, ParsedEvent* event, QString* reason);

// A new calendar text holding one event.
QByteArray encodeNew(const QString& uid, const EKEventData& data, const QDateTime& now);

// Writes into the parsed event the fields where `data` differs from event.data (the others stay as
// they are, with everything this program does not read) and gives the file text.
QByteArray encodeChanges(ParsedEvent& event, const EKEventData& data, const QDateTime& now);

// The calendar text without the event's VEVENTs; empty when nothing but time zones would remain.
QByteArray encodeWithout(ParsedEvent& event);

// Calls visit with the start of each occurrence, in order, until it returns false.
void forEachOccurrence(const ParsedEvent& event, const std::function<bool(const QDateTime&)>& visit);

} // namespace ICalendarCodec
