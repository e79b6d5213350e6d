#pragma once

#include "platform/calendar/EKEvent.h"

#include <QByteArray>
#include <QDateTime>
#include <QTimeZone>
#include <functional>
#include <memory>

struct icalcomponent_impl;
struct _icaltimezone;
class ICalendarDocument;

// Reading and writing events as iCalendar text (a VCALENDAR holding a VEVENT) with libical. What the
// program does not change is written back as the file held it (see ICalendarDocument).
namespace ICalendarCodec {

// How the wall-clock times of an event map to instants.
struct TimeZoneRef {
    enum Kind { Utc, Floating, Zone, Embedded } kind = Floating;
    QTimeZone zone;                       // Zone
    struct _icaltimezone* ical = nullptr; // Embedded: a VTIMEZONE of the file Qt does not know
};

// A VEVENT with a RECURRENCE-ID: one occurrence of the series changed or cancelled.
struct ChangedOccurrence {
    QDateTime occurrence; // the start it replaces
    bool cancelled = false;
    EKEventData data; // its own fields; the series' title when it has none
};

struct ParsedEvent {
    std::shared_ptr<ICalendarDocument> document; // the whole VCALENDAR
    icalcomponent_impl* master = nullptr;        // its VEVENT without RECURRENCE-ID
    QString uid;
    EKEventData data; // calendarIdentifier left empty
    TimeZoneRef startZone;
    QList<ChangedOccurrence> changedOccurrences;
};

enum class ParseResult { Event, NotAnEvent, Malformed };

// Text that is no VCALENDAR, or whose components do not nest, or an event without UID or readable
// start, is Malformed. A property libical cannot read is absent for the fields and kept in the file.
ParseResult parse(const QByteArray& text, ParsedEvent* event, QString* reason);

// A new calendar text holding one event. Empty, with the reason, when a field cannot be written
// readably (as for the two below).
QByteArray encodeNew(const QString& uid, const EKEventData& data, const QDateTime& now,
                     QString* error = nullptr);

// Writes into the parsed event the fields where `data` differs from event.data (the others stay as
// they are, with everything this program does not read) and gives the file text.
QByteArray encodeChanges(ParsedEvent& event, const EKEventData& data, const QDateTime& now,
                         QString* error = nullptr);

// The calendar text without the event's VEVENTs; empty when nothing but time zones would remain.
QByteArray encodeWithout(ParsedEvent& event);

// Calls visit with the start of each occurrence of the series, in order, until it returns false:
// DTSTART, the RRULE's and the RDATEs' occurrences, without those excluded by EXDATE and those a
// changed occurrence replaces (which stand for themselves in changedOccurrences).
void forEachOccurrence(const ParsedEvent& event, const std::function<bool(const QDateTime&)>& visit);

} // namespace ICalendarCodec
