#include "platform/calendar/ICalendarCodec.h"

#include "platform/calendar/ICalendarDocument.h"
#include "platform/calendar/ICalendarRecurrence.h"

#include <QSet>
#include <algorithm>
#include <climits>
#include <cmath>
#include <deque>
#include <limits>
#include <map>
#include <optional>
#include <vector>

namespace ICalendarCodec {
namespace {

// A repeating event is never expanded further than this.
constexpr int kMaxOccurrences = 100000;

QString text(const char* s) {
    return s ? QString::fromUtf8(s) : QString();
}

QByteArray utf8(const QString& s) {
    return s.toUtf8();
}

// --- time zones ---

bool isUtcZone(const QTimeZone& zone) {
    if (!zone.isValid()) return true;
    const QByteArray id = zone.id();
    if (id == "UTC" || id == "Etc/UTC" || id == "Etc/GMT" || id == "GMT" || id == "Etc/Universal" ||
        id == "Universal" || id == "Zulu" || id == "Etc/Zulu")
        return true;
    return false;
}

// TZIDs from other programs often carry a vendor prefix ("/example.org/2005/Europe/Berlin") or a
// Windows name; find the zone Qt knows under it.
QTimeZone qtZoneForTzid(const QByteArray& tzid) {
    QByteArray candidate = tzid;
    while (!candidate.isEmpty()) {
        if (QTimeZone::isTimeZoneIdAvailable(candidate)) return QTimeZone(candidate);
        const int slash = candidate.indexOf('/');
        if (slash < 0) break;
        candidate = candidate.mid(slash + 1);
    }
    const QByteArray iana = QTimeZone::windowsIdToDefaultIanaId(tzid);
    if (!iana.isEmpty() && QTimeZone::isTimeZoneIdAvailable(iana)) return QTimeZone(iana);
    return QTimeZone();
}

TimeZoneRef zoneOf(icalproperty* p, const ICalendarDocument& document, const icaltimetype& t) {
    TimeZoneRef ref;
    if (icaltime_is_utc(t)) {
        ref.kind = TimeZoneRef::Utc;
        return ref;
    }
    icalparameter* param = icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER);
    if (!param) return ref; // floating
    const char* tzid = icalparameter_get_tzid(param);
    if (!tzid) return ref;
    QTimeZone zone = qtZoneForTzid(QByteArray(tzid));
    if (zone.isValid()) {
        ref.kind = TimeZoneRef::Zone;
        ref.zone = zone;
    } else if (icaltimezone* z = document.timezone(tzid)) {
        ref.kind = TimeZoneRef::Embedded;
        ref.ical = z;
    }
    return ref;
}

// The instant of a wall-clock time, given as seconds since 1970 as if it were UTC, in a zone whose
// offset from UTC at an instant offsetAt gives. As RFC 5545 (3.3.5) reads it: a time the clocks skip
// counts with the offset from before the skip, a time they pass twice means its first pass.
template <typename OffsetAt> qint64 instantOfWallTime(qint64 wall, const OffsetAt& offsetAt) {
    const int before = offsetAt(wall - 86400);
    const int here = offsetAt(wall);
    const int after = offsetAt(wall + 86400);
    if (before == here && here == after) return wall - here;
    std::optional<qint64> first;
    for (const int offset : {before, here, after}) {
        const qint64 t = wall - offset;
        if (offsetAt(t) == offset && (!first || t < *first)) first = t;
    }
    return first ? *first : wall - before;
}

// Offsets from UTC at an instant (seconds since 1970).

// Qt works a zone's rule out afresh for each question about a date past the zone's table, which
// for most zones is every date since their last rule change: the offsets are kept by the stretch
// of time in which each holds.
int offsetInZone(const QTimeZone& zone, qint64 at) {
    struct Stretch {
        qint64 from;
        qint64 to;
        int offset;
    };
    constexpr size_t kKept = 64;
    thread_local std::map<QByteArray, std::deque<Stretch>> known;
    std::deque<Stretch>& stretches = known[zone.id()];
    for (const Stretch& s : stretches) {
        if (at >= s.from && at < s.to) return s.offset;
    }
    const QDateTime t = QDateTime::fromSecsSinceEpoch(at, Qt::UTC);
    const QTimeZone::OffsetData before = zone.previousTransition(t.addMSecs(1));
    const QTimeZone::OffsetData after = zone.nextTransition(t);
    const Stretch s{
        before.atUtc.isValid() ? before.atUtc.toSecsSinceEpoch() : std::numeric_limits<qint64>::min(),
        after.atUtc.isValid() ? after.atUtc.toSecsSinceEpoch() : std::numeric_limits<qint64>::max(),
        zone.offsetFromUtc(t)};
    if (stretches.size() == kKept) stretches.pop_front();
    stretches.push_back(s);
    return s.offset;
}

int offsetInEmbeddedZone(icaltimezone* zone, qint64 at) {
    icaltimetype utc =
        icaltime_from_timet_with_zone(static_cast<time_t>(at), 0, icaltimezone_get_utc_timezone());
    return icaltimezone_get_utc_offset_of_utc_time(zone, &utc, nullptr);
}

int offsetOfThisMachine(qint64 at) {
    return QDateTime::fromSecsSinceEpoch(at, Qt::LocalTime).offsetFromUtc();
}

QDateTime toDateTime(const icaltimetype& t, const TimeZoneRef& zone) {
    const QDate date(t.year, t.month, t.day);
    const QTime time = t.is_date ? QTime(0, 0) : QTime(t.hour, t.minute, t.second);
    const QDateTime asUtc(date, time, Qt::UTC);
    if (!asUtc.isValid()) return {};
    const qint64 wall = asUtc.toSecsSinceEpoch();
    if (!t.is_date && zone.kind == TimeZoneRef::Utc) return asUtc;
    if (!t.is_date && zone.kind == TimeZoneRef::Zone) {
        const qint64 at = instantOfWallTime(wall, [&](qint64 s) { return offsetInZone(zone.zone, s); });
        return QDateTime::fromSecsSinceEpoch(at, zone.zone);
    }
    if (!t.is_date && zone.kind == TimeZoneRef::Embedded) {
        const qint64 at =
            instantOfWallTime(wall, [&](qint64 s) { return offsetInEmbeddedZone(zone.ical, s); });
        return QDateTime::fromSecsSinceEpoch(at, Qt::UTC);
    }
    // Dates and floating times: the wall clock of this machine.
    return QDateTime::fromSecsSinceEpoch(instantOfWallTime(wall, offsetOfThisMachine), Qt::LocalTime);
}

icaltimetype timeValue(icalproperty* p) {
    return icalvalue_get_datetime(icalproperty_get_value(p));
}

QDateTime readTime(icalproperty* p, const ICalendarDocument& document) {
    const icaltimetype t = timeValue(p);
    return toDateTime(t, zoneOf(p, document, t));
}

icaltimetype wallTime(const QDateTime& dt) {
    icaltimetype t = icaltime_null_time();
    t.year = dt.date().year();
    t.month = dt.date().month();
    t.day = dt.date().day();
    t.hour = dt.time().hour();
    t.minute = dt.time().minute();
    t.second = dt.time().second();
    return t;
}

icaltimetype utcTime(const QDateTime& dt) {
    icaltimetype t = wallTime(dt.toUTC());
    t.zone = icaltimezone_get_utc_timezone();
    return t;
}

icaltimetype dateValue(const QDate& d) {
    icaltimetype t = icaltime_null_date();
    t.year = d.year();
    t.month = d.month();
    t.day = d.day();
    return t;
}

// Adds the zone's VTIMEZONE to the calendar unless it has one. False when libical lacks the zone.
bool ensureTimezone(icalcomponent* calendar, const QByteArray& id) {
    for (icalcomponent* tz = icalcomponent_get_first_component(calendar, ICAL_VTIMEZONE_COMPONENT); tz;
         tz = icalcomponent_get_next_component(calendar, ICAL_VTIMEZONE_COMPONENT)) {
        icalproperty* p = icalcomponent_get_first_property(tz, ICAL_TZID_PROPERTY);
        if (p && id == icalproperty_get_tzid(p)) return true;
    }
    icaltimezone* builtin = icaltimezone_get_builtin_timezone(id.constData());
    if (!builtin) return false;
    icalcomponent* source = icaltimezone_get_component(builtin);
    if (!source) return false;
    icalcomponent* tz = icalcomponent_new_clone(source);
    if (icalproperty* tzid = icalcomponent_get_first_property(tz, ICAL_TZID_PROPERTY))
        icalproperty_set_tzid(tzid, id.constData());
    else
        icalcomponent_add_property(tz, icalproperty_new_tzid(id.constData()));
    icalcomponent_add_component(calendar, tz);
    return true;
}

// DTSTART or DTEND: a date for all-day events, else the wall time in the date's own zone (with its
// VTIMEZONE) or UTC.
icalproperty* makeTimeProperty(icalcomponent* calendar, icalproperty_kind kind, const QDateTime& dt,
                               bool allDay, const QDate& date) {
    icalproperty* p = icalproperty_new(kind);
    if (allDay) {
        icalproperty_set_value(p, icalvalue_new_date(dateValue(date)));
        return p;
    }
    QTimeZone zone;
    if (dt.timeSpec() == Qt::LocalTime)
        zone = QTimeZone::systemTimeZone();
    else if (dt.timeSpec() == Qt::TimeZone)
        zone = dt.timeZone();
    if (!isUtcZone(zone)) {
        // The second pass of a repeated hour cannot be written as wall time: it goes in UTC.
        const icaltimetype wall = wallTime(dt.toTimeZone(zone));
        const TimeZoneRef ref{TimeZoneRef::Zone, zone, nullptr};
        if (toDateTime(wall, ref).toSecsSinceEpoch() == dt.toSecsSinceEpoch() &&
            ensureTimezone(calendar, zone.id())) {
            icalproperty_set_value(p, icalvalue_new_datetime(wall));
            icalproperty_add_parameter(p, icalparameter_new_tzid(zone.id().constData()));
            return p;
        }
    }
    icalproperty_set_value(p, icalvalue_new_datetime(utcTime(dt)));
    return p;
}

void setTextProperty(ICalendarDocument& document, icalcomponent* event, icalproperty_kind kind,
                     const QString& value) {
    document.removeProperties(event, kind);
    if (value.isEmpty()) return;
    icalproperty* p = icalproperty_new(kind);
    icalproperty_set_value(p, icalvalue_new_text(utf8(value).constData()));
    icalcomponent_add_property(event, p);
}

void setUtcStamp(ICalendarDocument& document, icalcomponent* event, icalproperty_kind kind,
                 const QDateTime& now) {
    document.removeProperties(event, kind);
    icalproperty* p = icalproperty_new(kind);
    icalproperty_set_value(p, icalvalue_new_datetime(utcTime(now)));
    icalcomponent_add_property(event, p);
}

// --- reading the fields ---

QList<EKAlarm> readAlarms(icalcomponent* event, const ICalendarDocument& document, const EKEventData& data) {
    QList<EKAlarm> alarms;
    for (icalcomponent* a = icalcomponent_get_first_component(event, ICAL_VALARM_COMPONENT); a;
         a = icalcomponent_get_next_component(event, ICAL_VALARM_COMPONENT)) {
        icalproperty* p = icalcomponent_get_first_property(a, ICAL_TRIGGER_PROPERTY);
        if (!p) continue;
        const icaltriggertype trigger = icalproperty_get_trigger(p);
        if (!icaltime_is_null_time(trigger.time)) {
            alarms.append(
                EKAlarm::alarmWithAbsoluteDate(toDateTime(trigger.time, zoneOf(p, document, trigger.time))));
            continue;
        }
        double offset = icaldurationtype_as_int(trigger.duration);
        icalparameter* related = icalproperty_get_first_parameter(p, ICAL_RELATED_PARAMETER);
        if (related && icalparameter_get_related(related) == ICAL_RELATED_END)
            offset += static_cast<double>(data.startDate.secsTo(data.endDate));
        alarms.append(EKAlarm::alarmWithRelativeOffset(offset));
    }
    return alarms;
}

QList<EKRecurrenceRule> readRules(icalcomponent* event, const TimeZoneRef& zone) {
    QList<EKRecurrenceRule> rules;
    for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY); p;
         p = icalcomponent_get_next_property(event, ICAL_RRULE_PROPERTY)) {
        const icalrecurrencetype r = icalproperty_get_rrule(p);
        EKRecurrenceFrequency frequency;
        switch (r.freq) {
        case ICAL_DAILY_RECURRENCE:
            frequency = EKRecurrenceFrequencyDaily;
            break;
        case ICAL_WEEKLY_RECURRENCE:
            frequency = EKRecurrenceFrequencyWeekly;
            break;
        case ICAL_MONTHLY_RECURRENCE:
            frequency = EKRecurrenceFrequencyMonthly;
            break;
        case ICAL_YEARLY_RECURRENCE:
            frequency = EKRecurrenceFrequencyYearly;
            break;
        default:
            continue; // kept in the file, not shown
        }
        std::optional<EKRecurrenceEnd> end;
        if (r.count > 0)
            end = EKRecurrenceEnd::recurrenceEndWithOccurrenceCount(r.count);
        else if (!icaltime_is_null_time(r.until))
            end = EKRecurrenceEnd::recurrenceEndWithEndDate(toDateTime(
                r.until, icaltime_is_utc(r.until) ? TimeZoneRef{TimeZoneRef::Utc, {}, nullptr} : zone));
        rules.append(EKRecurrenceRule(frequency, r.interval, end));
    }
    return rules;
}

// The fields of a VEVENT that has a DTSTART.
void readFields(const ICalendarDocument& document, icalcomponent* ev, EKEventData* out,
                TimeZoneRef* startZone) {
    EKEventData& d = *out;
    d.title = text(icalcomponent_get_summary(ev));
    d.notes = text(icalcomponent_get_description(ev));
    d.location = text(icalcomponent_get_location(ev));
    if (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_URL_PROPERTY))
        d.url = QUrl(text(icalproperty_get_url(p)));

    icalproperty* start = icalcomponent_get_first_property(ev, ICAL_DTSTART_PROPERTY);
    const icaltimetype startTime = timeValue(start);
    *startZone = zoneOf(start, document, startTime);
    d.allDay = startTime.is_date;
    d.startDate = toDateTime(startTime, *startZone);
    if (icalproperty* end = icalcomponent_get_first_property(ev, ICAL_DTEND_PROPERTY)) {
        d.endDate = readTime(end, document);
    } else if (icalcomponent_get_first_property(ev, ICAL_DURATION_PROPERTY)) {
        // Days and weeks keep the wall-clock time across a change of UTC offset.
        const icaldurationtype duration = icalcomponent_get_duration(ev);
        const int sign = duration.is_neg ? -1 : 1;
        const qint64 days = qint64(duration.days) + 7 * qint64(duration.weeks);
        const qint64 seconds =
            qint64(duration.hours) * 3600 + qint64(duration.minutes) * 60 + qint64(duration.seconds);
        d.endDate = d.startDate.addDays(sign * days).addSecs(sign * seconds);
    } else {
        d.endDate = d.allDay ? d.startDate.addDays(1) : d.startDate;
    }
    // Alarms related to the end count from the end the file holds.
    d.alarms = readAlarms(ev, document, d);
    // All-day events end at the last moment of their last day (the file holds the next day).
    if (d.allDay) d.endDate = std::max(d.startDate, d.endDate.addSecs(-1));

    d.recurrenceRules = readRules(ev, *startZone);
    for (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_ATTENDEE_PROPERTY); p;
         p = icalcomponent_get_next_property(ev, ICAL_ATTENDEE_PROPERTY))
        d.attendees.append(text(icalproperty_get_attendee(p)));
}

std::vector<icalcomponent*> eventsOf(icalcomponent* calendar) {
    std::vector<icalcomponent*> events;
    for (icalcomponent* c = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); c;
         c = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT))
        events.push_back(c);
    return events;
}

// The VEVENTs with the series' UID and a readable RECURRENCE-ID.
QList<ChangedOccurrence> readChangedOccurrences(const ParsedEvent& series) {
    QList<ChangedOccurrence> list;
    const ICalendarDocument& document = *series.document;
    for (icalcomponent* ev : eventsOf(document.root())) {
        icalproperty* id = icalcomponent_get_first_property(ev, ICAL_RECURRENCEID_PROPERTY);
        if (!id || ev == series.master || text(icalcomponent_get_uid(ev)) != series.uid) continue;
        ChangedOccurrence changed;
        changed.occurrence = readTime(id, document);
        if (!changed.occurrence.isValid()) continue;
        changed.cancelled = icalcomponent_get_status(ev) == ICAL_STATUS_CANCELLED;
        if (icalcomponent_get_first_property(ev, ICAL_DTSTART_PROPERTY)) {
            TimeZoneRef zone;
            readFields(document, ev, &changed.data, &zone);
        }
        if (!changed.data.startDate.isValid()) {
            changed.data.startDate = changed.occurrence;
            changed.data.endDate =
                changed.occurrence.addSecs(series.data.startDate.secsTo(series.data.endDate));
        }
        if (!icalcomponent_get_first_property(ev, ICAL_SUMMARY_PROPERTY))
            changed.data.title = series.data.title;
        list.append(changed);
    }
    return list;
}

// --- writing the fields ---

void writeTimes(ICalendarDocument& document, icalcomponent* ev, const EKEventData& d) {
    icalcomponent* calendar = document.root();
    document.removeProperties(ev, ICAL_DTSTART_PROPERTY);
    document.removeProperties(ev, ICAL_DTEND_PROPERTY);
    document.removeProperties(ev, ICAL_DURATION_PROPERTY);
    const QDate startDay = d.startDate.toLocalTime().date();
    const QDate lastDay = std::max(startDay, d.endDate.toLocalTime().date());
    icalcomponent_add_property(
        ev, makeTimeProperty(calendar, ICAL_DTSTART_PROPERTY, d.startDate, d.allDay, startDay));
    // An event without duration says so: RFC 5545 forbids a DTEND equal to DTSTART, and a reader
    // given neither takes a default length.
    if (d.allDay || d.endDate.toSecsSinceEpoch() != d.startDate.toSecsSinceEpoch())
        icalcomponent_add_property(
            ev, makeTimeProperty(calendar, ICAL_DTEND_PROPERTY, d.endDate, d.allDay, lastDay.addDays(1)));
    else
        icalcomponent_add_property(ev, icalproperty_new_duration(icaldurationtype_null_duration()));
}

// Alarm texts that repeat the event's title follow it.
void retitleAlarms(ICalendarDocument& document, icalcomponent* ev, const QString& from, const QString& to) {
    const QByteArray oldText = utf8(from.isEmpty() ? QStringLiteral("Reminder") : from);
    const QByteArray newText = utf8(to.isEmpty() ? QStringLiteral("Reminder") : to);
    for (icalcomponent* a = icalcomponent_get_first_component(ev, ICAL_VALARM_COMPONENT); a;
         a = icalcomponent_get_next_component(ev, ICAL_VALARM_COMPONENT)) {
        icalproperty* p = icalcomponent_get_first_property(a, ICAL_DESCRIPTION_PROPERTY);
        if (p && oldText == icalproperty_get_description(p)) {
            document.forget(p);
            icalproperty_set_description(p, newText.constData());
        }
    }
}

bool isEndRelated(icalcomponent* alarm) {
    icalproperty* p = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
    icalparameter* related = p ? icalproperty_get_first_parameter(p, ICAL_RELATED_PARAMETER) : nullptr;
    return related && icalparameter_get_related(related) == ICAL_RELATED_END;
}

bool hasEndRelatedAlarm(icalcomponent* ev) {
    for (icalcomponent* a = icalcomponent_get_first_component(ev, ICAL_VALARM_COMPONENT); a;
         a = icalcomponent_get_next_component(ev, ICAL_VALARM_COMPONENT)) {
        if (isEndRelated(a)) return true;
    }
    return false;
}

icalproperty* makeTrigger(const EKAlarm& alarm) {
    icaltriggertype trigger;
    trigger.time = icaltime_null_time();
    trigger.duration = icaldurationtype_null_duration();
    if (alarm.hasAbsoluteDate()) {
        trigger.time = utcTime(alarm.absoluteDate());
    } else {
        const double offset =
            std::clamp(std::trunc(alarm.relativeOffset()), double(-INT_MAX), double(INT_MAX));
        trigger.duration = icaldurationtype_from_int(static_cast<int>(offset));
    }
    icalproperty* p = icalproperty_new_trigger(trigger);
    if (alarm.hasAbsoluteDate()) icalproperty_add_parameter(p, icalparameter_new_value(ICAL_VALUE_DATETIME));
    return p;
}

// `old` holds the alarms read from the VALARMs with a trigger, in their order. A VALARM that still
// stands for one of d's alarms is kept with all it holds (an end-related trigger is made relative
// to the start when the times changed); the others are dropped and new ones made.
void writeAlarms(ICalendarDocument& document, icalcomponent* ev, const EKEventData& old, const EKEventData& d,
                 bool timesChanged) {
    struct Existing {
        icalcomponent* component;
        std::optional<EKAlarm> alarm;
    };
    std::vector<Existing> existing;
    qsizetype index = 0;
    while (icalcomponent* a = icalcomponent_get_first_component(ev, ICAL_VALARM_COMPONENT)) {
        icalcomponent_remove_component(ev, a);
        std::optional<EKAlarm> alarm;
        if (icalcomponent_get_first_property(a, ICAL_TRIGGER_PROPERTY) && index < old.alarms.size())
            alarm = old.alarms[index++];
        existing.push_back({a, alarm});
    }
    for (const EKAlarm& alarm : d.alarms) {
        auto match = std::find_if(existing.begin(), existing.end(),
                                  [&](const Existing& e) { return e.component && e.alarm == alarm; });
        if (match != existing.end()) {
            icalcomponent* a = match->component;
            match->component = nullptr;
            if (timesChanged && isEndRelated(a)) {
                document.removeProperties(a, ICAL_TRIGGER_PROPERTY);
                icalcomponent_add_property(a, makeTrigger(alarm));
            }
            icalcomponent_add_component(ev, a);
            continue;
        }
        icalcomponent* a = icalcomponent_new(ICAL_VALARM_COMPONENT);
        icalcomponent_add_property(a, icalproperty_new_action(ICAL_ACTION_DISPLAY));
        const QString description = d.title.isEmpty() ? QStringLiteral("Reminder") : d.title;
        icalcomponent_add_property(a, icalproperty_new_description(utf8(description).constData()));
        icalcomponent_add_property(a, makeTrigger(alarm));
        icalcomponent_add_component(ev, a);
    }
    // VALARMs without a trigger are not read: they stay.
    for (const Existing& e : existing) {
        if (!e.component) continue;
        if (e.alarm) {
            document.forgetComponent(e.component);
            icalcomponent_free(e.component);
        } else {
            icalcomponent_add_component(ev, e.component);
        }
    }
}

void writeRules(ICalendarDocument& document, icalcomponent* ev, const EKEventData& d) {
    document.removeProperties(ev, ICAL_RRULE_PROPERTY);
    for (const EKRecurrenceRule& rule : d.recurrenceRules) {
        icalrecurrencetype r;
        icalrecurrencetype_clear(&r);
        switch (rule.frequency()) {
        case EKRecurrenceFrequencyDaily:
            r.freq = ICAL_DAILY_RECURRENCE;
            break;
        case EKRecurrenceFrequencyWeekly:
            r.freq = ICAL_WEEKLY_RECURRENCE;
            break;
        case EKRecurrenceFrequencyMonthly:
            r.freq = ICAL_MONTHLY_RECURRENCE;
            break;
        case EKRecurrenceFrequencyYearly:
            r.freq = ICAL_YEARLY_RECURRENCE;
            break;
        }
        r.interval = static_cast<short>(std::clamp(rule.interval(), 1, 32767));
        if (auto end = rule.recurrenceEnd()) {
            if (end->occurrenceCount() > 0)
                r.count = end->occurrenceCount();
            else if (end->endDate().isValid())
                r.until = d.allDay ? dateValue(end->endDate().toLocalTime().date()) : utcTime(end->endDate());
        }
        icalcomponent_add_property(ev, icalproperty_new_rrule(r));
    }
}

// The iterator over the wall-clock starts of the series' RRULE; null without one, or for one that
// libical cannot expand in bounded time (the series then starts once).
icalrecur_iterator* seriesIterator(const ParsedEvent& event) {
    icalcomponent* ev = event.master;
    icalproperty* rrule = icalcomponent_get_first_property(ev, ICAL_RRULE_PROPERTY);
    if (!rrule) return nullptr;
    icalproperty* start = icalcomponent_get_first_property(ev, ICAL_DTSTART_PROPERTY);
    icaltimetype first = timeValue(start);
    first.zone = nullptr; // iterate wall-clock times, then place each one in the event's zone
    // The iterator compares UNTIL with the wall-clock times: a UTC UNTIL becomes the start's wall time.
    icalrecurrencetype rule = icalproperty_get_rrule(rrule);
    if (!first.is_date && !icaltime_is_null_time(rule.until) && icaltime_is_utc(rule.until) &&
        event.startZone.kind != TimeZoneRef::Utc) {
        const QDateTime until = toDateTime(rule.until, TimeZoneRef{TimeZoneRef::Utc, {}, nullptr});
        switch (event.startZone.kind) {
        case TimeZoneRef::Zone:
            rule.until = wallTime(until.toTimeZone(event.startZone.zone));
            break;
        case TimeZoneRef::Embedded:
            icaltimezone_convert_time(&rule.until, icaltimezone_get_utc_timezone(), event.startZone.ical);
            rule.until.zone = nullptr;
            break;
        default:
            rule.until = wallTime(until.toLocalTime());
            break;
        }
    }
    return ICalendarRecurrence::canExpand(rule, first) ? icalrecur_iterator_new(rule, first) : nullptr;
}

} // namespace

ParseResult parse(const QByteArray& bytes, ParsedEvent* out, QString* reason) {
    std::shared_ptr<ICalendarDocument> document = ICalendarDocument::read(bytes, reason);
    if (!document) return ParseResult::Malformed;
    icalcomponent* calendar = document->root();
    if (icalcomponent_isa(calendar) != ICAL_VCALENDAR_COMPONENT) {
        *reason = QStringLiteral("no VCALENDAR");
        return ParseResult::Malformed;
    }
    const std::vector<icalcomponent*> events = eventsOf(calendar);
    if (events.empty()) return ParseResult::NotAnEvent;
    auto master = std::find_if(events.begin(), events.end(), [&](icalcomponent* c) {
        return !document->hasProperty(c, ICAL_RECURRENCEID_PROPERTY);
    });
    if (master == events.end()) {
        *reason = QStringLiteral("only changed occurrences, no event");
        return ParseResult::Malformed;
    }
    const QString uid = text(icalcomponent_get_uid(*master));
    if (uid.isEmpty()) {
        *reason = QStringLiteral("event without UID");
        return ParseResult::Malformed;
    }
    if (!icalcomponent_get_first_property(*master, ICAL_DTSTART_PROPERTY)) {
        *reason = QStringLiteral("event without a readable DTSTART");
        return ParseResult::Malformed;
    }
    out->document = document;
    out->master = *master;
    out->uid = uid;
    out->data = EKEventData();
    readFields(*document, *master, &out->data, &out->startZone);
    if (!out->data.startDate.isValid()) {
        *reason = QStringLiteral("invalid DTSTART");
        return ParseResult::Malformed;
    }
    out->changedOccurrences = readChangedOccurrences(*out);
    return ParseResult::Event;
}

QByteArray encodeNew(const QString& uid, const EKEventData& data, const QDateTime& now, QString* error) {
    icalcomponent* root = icalcomponent_new(ICAL_VCALENDAR_COMPONENT);
    icalcomponent_add_property(root, icalproperty_new_version("2.0"));
    icalcomponent_add_property(root, icalproperty_new_prodid("-//Jobslate//Calendar store//EN"));
    icalcomponent* ev = icalcomponent_new(ICAL_VEVENT_COMPONENT);
    icalcomponent_add_property(ev, icalproperty_new_uid(utf8(uid).constData()));
    icalcomponent_add_component(root, ev);
    ParsedEvent event;
    event.document = std::make_shared<ICalendarDocument>(root);
    event.master = ev;
    event.uid = uid;
    setUtcStamp(*event.document, ev, ICAL_CREATED_PROPERTY, now);
    // Every field differs from this blank: all of them are written.
    event.data.startDate = QDateTime();
    event.data.allDay = !data.allDay;
    return encodeChanges(event, data, now, error);
}

QByteArray encodeChanges(ParsedEvent& event, const EKEventData& d, const QDateTime& now, QString* error) {
    ICalendarDocument& document = *event.document;
    icalcomponent* ev = event.master;
    const EKEventData& old = event.data;
    if (d.title != old.title) {
        setTextProperty(document, ev, ICAL_SUMMARY_PROPERTY, d.title);
        retitleAlarms(document, ev, old.title, d.title);
    }
    if (d.notes != old.notes) setTextProperty(document, ev, ICAL_DESCRIPTION_PROPERTY, d.notes);
    if (d.location != old.location) setTextProperty(document, ev, ICAL_LOCATION_PROPERTY, d.location);
    if (d.url != old.url) {
        document.removeProperties(ev, ICAL_URL_PROPERTY);
        if (!d.url.isEmpty())
            icalcomponent_add_property(ev, icalproperty_new_url(utf8(d.url.toString()).constData()));
    }
    const bool timesChanged =
        d.startDate != old.startDate || d.endDate != old.endDate || d.allDay != old.allDay;
    if (timesChanged) writeTimes(document, ev, d);
    // Alarms of a file may count from the end: a new start or end rewrites those.
    if (d.alarms != old.alarms || (timesChanged && hasEndRelatedAlarm(ev)))
        writeAlarms(document, ev, old, d, timesChanged);
    if (d.recurrenceRules != old.recurrenceRules || (timesChanged && d.allDay != old.allDay))
        writeRules(document, ev, d);
    setUtcStamp(document, ev, ICAL_DTSTAMP_PROPERTY, now);
    setUtcStamp(document, ev, ICAL_LASTMODIFIED_PROPERTY, now);
    return document.text(error);
}

QByteArray encodeWithout(ParsedEvent& event) {
    icalcomponent* calendar = event.document->root();
    std::vector<icalcomponent*> drop;
    bool others = false;
    for (icalcomponent* c = icalcomponent_get_first_component(calendar, ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(calendar, ICAL_ANY_COMPONENT)) {
        const icalcomponent_kind kind = icalcomponent_isa(c);
        if (kind == ICAL_VEVENT_COMPONENT && text(icalcomponent_get_uid(c)) == event.uid)
            drop.push_back(c);
        else if (kind != ICAL_VTIMEZONE_COMPONENT)
            others = true;
    }
    if (!others) return {};
    for (icalcomponent* c : drop) event.document->removeComponent(calendar, c);
    event.master = nullptr;
    event.changedOccurrences.clear();
    return event.document->text();
}

void forEachOccurrence(const ParsedEvent& event, const std::function<bool(const QDateTime&)>& visit) {
    const ICalendarDocument& document = *event.document;
    icalcomponent* ev = event.master;
    // Excluded, or standing for themselves as changed occurrences.
    QSet<qint64> skipped;
    for (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_EXDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(ev, ICAL_EXDATE_PROPERTY)) {
        const QDateTime ex = readTime(p, document);
        if (ex.isValid()) skipped.insert(ex.toMSecsSinceEpoch());
    }
    for (const ChangedOccurrence& changed : event.changedOccurrences)
        skipped.insert(changed.occurrence.toMSecsSinceEpoch());
    std::vector<QDateTime> added;
    for (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_RDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(ev, ICAL_RDATE_PROPERTY)) {
        const icaldatetimeperiodtype rdate = icalproperty_get_rdate(p);
        const icaltimetype t = icaltime_is_null_time(rdate.time) ? rdate.period.start : rdate.time;
        const QDateTime when = toDateTime(t, zoneOf(p, document, t));
        if (when.isValid()) added.push_back(when);
    }
    std::sort(added.begin(), added.end());

    // Merges the RDATEs into the rule's occurrences; false once visit asked to stop.
    size_t nextAdded = 0;
    QDateTime last;
    auto give = [&](const QDateTime& when) {
        if (last.isValid() && when == last) return true;
        last = when;
        return skipped.contains(when.toMSecsSinceEpoch()) || visit(when);
    };
    auto giveAddedUntil = [&](const QDateTime& limit) {
        while (nextAdded < added.size() && (!limit.isValid() || added[nextAdded] <= limit)) {
            if (!give(added[nextAdded++])) return false;
        }
        return true;
    };

    icalrecur_iterator* it = seriesIterator(event);
    if (!it) {
        if (giveAddedUntil(event.data.startDate) && give(event.data.startDate)) giveAddedUntil(QDateTime());
        return;
    }
    bool going = true;
    for (int i = 0; going && i < kMaxOccurrences; ++i) {
        const icaltimetype t = icalrecur_iterator_next(it);
        if (icaltime_is_null_time(t)) break;
        const QDateTime when = toDateTime(t, event.startZone);
        if (when.isValid()) going = giveAddedUntil(when) && give(when);
    }
    icalrecur_iterator_free(it);
    if (going) giveAddedUntil(QDateTime());
}

} // namespace ICalendarCodec
