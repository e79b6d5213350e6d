#pragma once

#include <libical/ical.h>

// Guards around libical's recurrence engine, which searches day by day (or second by second) for the
// next occurrence and only gives up in the year 2582, or 20000 when it sets up a yearly or monthly
// rule: a rule that can never match (FREQ=MONTHLY;BYMONTH=2;BYMONTHDAY=30), or one that matches
// rarely at a fine step (FREQ=MINUTELY;BYMONTH=2), keeps it busy for seconds to hours.
namespace ICalendarRecurrence {

// Whether libical finds each occurrence of the rule from `start` in bounded time: the rule's day
// parts (BYMONTH, BYMONTHDAY, BYYEARDAY, BYDAY with its ordinals, BYSETPOS) let through some day of
// the periods it visits within one 400-year cycle of the calendar, and a rule finer than daily has
// no part that makes it skip whole days (SECONDLY and MINUTELY none at all, HOURLY only weekdays).
bool canExpand(const icalrecurrencetype& rule, const icaltimetype& start);

// A copy of a VTIMEZONE for libical to compute offsets from: observances whose RRULE is not a
// plain yearly rule (one onset a year) are left out, and yearly rules that start before 1900 start
// then, so that libical does not expand centuries of onsets for each file. Null when no observance
// remains. The caller owns the copy.
icalcomponent* boundedTimezone(icalcomponent* vtimezone);

} // namespace ICalendarRecurrence
