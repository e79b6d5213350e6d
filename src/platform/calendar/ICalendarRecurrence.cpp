#include "platform/calendar/ICalendarRecurrence.h"

#include <QDate>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace ICalendarRecurrence {
namespace {

// libical returns nothing after this year.
constexpr int kLastYear = 2582;
// The Gregorian calendar repeats every 400 years: 146097 days, 4800 months, 20871 weeks.
constexpr int kCycleYears = 400;
constexpr qint64 kCycleDays = 146097;
constexpr int kCycleMonths = 4800;
constexpr int kCycleWeeks = 20871;

template <size_t N> std::vector<int> partValues(const short (&part)[N]) {
    std::vector<int> values;
    for (size_t i = 0; i < N && part[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) values.push_back(part[i]);
    return values;
}

bool contains(const std::vector<int>& values, int v) {
    return std::find(values.begin(), values.end(), v) != values.end();
}

// The day parts of a rule, taken as filters on single days. BYWEEKNO lets every day through, so a
// day that passes may still not occur; one that fails never occurs.
struct DayFilter {
    explicit DayFilter(const icalrecurrencetype& rule)
        : frequency(rule.freq), months(partValues(rule.by_month)), monthDays(partValues(rule.by_month_day)),
          yearDays(partValues(rule.by_year_day)), days(partValues(rule.by_day)) {
        for (int& month : months) month = icalrecurrencetype_month_month(static_cast<short>(month));
        // Ordinal weekdays count within the month in monthly rules and in yearly rules with BYMONTH.
        ordinalsInMonth = frequency == ICAL_MONTHLY_RECURRENCE || !months.empty();
    }

    bool passes(const QDate& d) const {
        if (!months.empty() && !contains(months, d.month())) return false;
        if (!monthDays.empty() && !contains(monthDays, d.day()) &&
            !contains(monthDays, d.day() - d.daysInMonth() - 1))
            return false;
        const int dayOfYear = d.dayOfYear();
        if (!yearDays.empty() && !contains(yearDays, dayOfYear) &&
            !contains(yearDays, dayOfYear - d.daysInYear() - 1))
            return false;
        return days.empty() || passesWeekday(d, dayOfYear);
    }

    bool passesWeekday(const QDate& d, int dayOfYear) const {
        const int weekday = d.dayOfWeek() % 7 + 1; // libical counts from Sunday = 1
        const bool ordinals = frequency == ICAL_MONTHLY_RECURRENCE || frequency == ICAL_YEARLY_RECURRENCE;
        const int index = ordinalsInMonth ? d.day() : dayOfYear;
        const int length = ordinalsInMonth ? d.daysInMonth() : d.daysInYear();
        for (int value : days) {
            if (icalrecurrencetype_day_day_of_week(static_cast<short>(value)) != weekday) continue;
            const int position = icalrecurrencetype_day_position(static_cast<short>(value));
            // Elsewhere libical matches a weekday with an ordinal to no day.
            if (position == 0) return true;
            if (ordinals && (position == (index - 1) / 7 + 1 || position == -((length - index) / 7 + 1)))
                return true;
        }
        return false;
    }

    icalrecurrencetype_frequency frequency;
    std::vector<int> months;
    std::vector<int> monthDays;
    std::vector<int> yearDays;
    std::vector<int> days;
    bool ordinalsInMonth = false;
};

// Days from first to last (inclusive) that pass the filter.
int countPassing(const DayFilter& filter, const QDate& first, const QDate& last, int enough) {
    int count = 0;
    for (QDate d = first; d <= last && count < enough; d = d.addDays(1)) {
        if (filter.passes(d)) ++count;
    }
    return count;
}

bool hasDayParts(const icalrecurrencetype& rule) {
    return rule.by_month[0] != ICAL_RECURRENCE_ARRAY_MAX ||
           rule.by_month_day[0] != ICAL_RECURRENCE_ARRAY_MAX ||
           rule.by_year_day[0] != ICAL_RECURRENCE_ARRAY_MAX ||
           rule.by_week_no[0] != ICAL_RECURRENCE_ARRAY_MAX || rule.by_day[0] != ICAL_RECURRENCE_ARRAY_MAX ||
           rule.by_set_pos[0] != ICAL_RECURRENCE_ARRAY_MAX;
}

bool hasTimeParts(const icalrecurrencetype& rule) {
    return rule.by_second[0] != ICAL_RECURRENCE_ARRAY_MAX || rule.by_minute[0] != ICAL_RECURRENCE_ARRAY_MAX ||
           rule.by_hour[0] != ICAL_RECURRENCE_ARRAY_MAX;
}

// Whether an hourly rule skips no more than the days of the week.
bool onlyWeekdays(const icalrecurrencetype& rule) {
    for (int value : partValues(rule.by_day)) {
        if (icalrecurrencetype_day_position(static_cast<short>(value)) != 0) return false;
    }
    return rule.by_month[0] == ICAL_RECURRENCE_ARRAY_MAX &&
           rule.by_month_day[0] == ICAL_RECURRENCE_ARRAY_MAX &&
           rule.by_year_day[0] == ICAL_RECURRENCE_ARRAY_MAX &&
           rule.by_week_no[0] == ICAL_RECURRENCE_ARRAY_MAX && rule.by_set_pos[0] == ICAL_RECURRENCE_ARRAY_MAX;
}

// Whether the day parts let some day through in the periods the rule visits from start, within one
// cycle of the calendar and before libical's last year.
bool someDayPasses(const icalrecurrencetype& rule, const QDate& start) {
    const DayFilter filter(rule);
    const int interval = std::max<int>(1, rule.interval);
    // BYSETPOS picks from each period's set: the set must be large enough for the smallest position.
    int needed = 1;
    const std::vector<int> positions = partValues(rule.by_set_pos);
    if (!positions.empty()) {
        needed = std::abs(positions.front());
        for (int p : positions) needed = std::min(needed, std::abs(p));
        const int times = std::max<size_t>(1, partValues(rule.by_hour).size()) *
                          std::max<size_t>(1, partValues(rule.by_minute).size()) *
                          std::max<size_t>(1, partValues(rule.by_second).size());
        needed = (needed + times - 1) / times;
    }
    switch (rule.freq) {
    case ICAL_YEARLY_RECURRENCE:
        for (int k = 0; k < kCycleYears; ++k) {
            const int year = start.year() + k * interval;
            if (year > kLastYear) break;
            if (countPassing(filter, QDate(year, 1, 1), QDate(year, 12, 31), needed) >= needed) return true;
        }
        return false;
    case ICAL_MONTHLY_RECURRENCE:
        for (int k = 0; k < kCycleMonths; ++k) {
            const QDate first = QDate(start.year(), start.month(), 1).addMonths(k * interval);
            if (!first.isValid() || first.year() > kLastYear) break;
            if (countPassing(filter, first, first.addMonths(1).addDays(-1), needed) >= needed) return true;
        }
        return false;
    case ICAL_WEEKLY_RECURRENCE: {
        const int weekStart = rule.week_start == ICAL_NO_WEEKDAY ? 2 : rule.week_start; // Sunday = 1
        const int back = ((start.dayOfWeek() % 7 + 1) - weekStart + 7) % 7;
        const QDate firstWeek = start.addDays(-back);
        for (int k = 0; k < kCycleWeeks; ++k) {
            const QDate first = firstWeek.addDays(qint64(7) * k * interval);
            if (first.year() > kLastYear) break;
            if (countPassing(filter, first, first.addDays(6), 1) > 0) return true;
        }
        return false;
    }
    case ICAL_DAILY_RECURRENCE:
        for (qint64 k = 0; k < kCycleDays; ++k) {
            const QDate d = start.addDays(k * interval);
            if (d.year() > kLastYear) break;
            if (filter.passes(d)) return true;
        }
        return false;
    default: // finer than daily: every day may be visited
        for (qint64 k = 0; k < kCycleDays; ++k) {
            const QDate d = start.addDays(k);
            if (d.year() > kLastYear) break;
            if (filter.passes(d)) return true;
        }
        return false;
    }
}

bool isGregorian(const icalrecurrencetype& rule) {
    return !rule.rscale || qstricmp(rule.rscale, "GREGORIAN") == 0;
}

// At most one onset a year: a month and a day within it.
bool isPlainYearly(const icalrecurrencetype& rule) {
    if (rule.freq != ICAL_YEARLY_RECURRENCE || rule.interval > 1 || !isGregorian(rule) ||
        hasTimeParts(rule) || rule.by_week_no[0] != ICAL_RECURRENCE_ARRAY_MAX ||
        rule.by_set_pos[0] != ICAL_RECURRENCE_ARRAY_MAX)
        return false;
    const size_t days = partValues(rule.by_day).size();
    const size_t monthDays = partValues(rule.by_month_day).size();
    return partValues(rule.by_month).size() <= 1 && partValues(rule.by_year_day).size() <= 1 && days <= 1 &&
           (monthDays <= 1 || (days == 1 && monthDays <= 7));
}

} // namespace

bool canExpand(const icalrecurrencetype& rule, const icaltimetype& start) {
    switch (rule.freq) {
    case ICAL_SECONDLY_RECURRENCE:
    case ICAL_MINUTELY_RECURRENCE:
        if (hasDayParts(rule) || hasTimeParts(rule)) return false;
        break;
    case ICAL_HOURLY_RECURRENCE:
        if (!onlyWeekdays(rule)) return false;
        break;
    case ICAL_DAILY_RECURRENCE:
    case ICAL_WEEKLY_RECURRENCE:
    case ICAL_MONTHLY_RECURRENCE:
    case ICAL_YEARLY_RECURRENCE:
        break;
    default:
        return false;
    }
    if (!hasDayParts(rule) || !isGregorian(rule)) return true;
    const QDate day(start.year, start.month, start.day);
    return day.isValid() && someDayPasses(rule, day);
}

icalcomponent* boundedTimezone(icalcomponent* vtimezone) {
    icalcomponent* copy = icalcomponent_new_clone(vtimezone);
    std::vector<icalcomponent*> dropped;
    int kept = 0;
    for (icalcomponent* c = icalcomponent_get_first_component(copy, ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(copy, ICAL_ANY_COMPONENT)) {
        const icalcomponent_kind kind = icalcomponent_isa(c);
        if (kind != ICAL_XSTANDARD_COMPONENT && kind != ICAL_XDAYLIGHT_COMPONENT) continue;
        icalproperty* start = icalcomponent_get_first_property(c, ICAL_DTSTART_PROPERTY);
        bool bounded = start != nullptr;
        bool endsBefore1900 = false;
        for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY); p && bounded;
             p = icalcomponent_get_next_property(c, ICAL_RRULE_PROPERTY)) {
            const icalrecurrencetype rule = icalproperty_get_rrule(p);
            bounded = isPlainYearly(rule) && canExpand(rule, icalproperty_get_dtstart(start));
            if (!icaltime_is_null_time(rule.until) && rule.until.year < 1900) endsBefore1900 = true;
        }
        // libical expands every onset from the first: centuries of them in files that start in 1601.
        if (bounded && !endsBefore1900 && icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY)) {
            icaltimetype t = icalproperty_get_dtstart(start);
            if (t.year < 1900) {
                t.year = t.month == 2 && t.day == 29 ? 1904 : 1900;
                icalproperty_set_dtstart(start, t);
            }
        }
        if (bounded)
            ++kept;
        else
            dropped.push_back(c);
    }
    for (icalcomponent* c : dropped) {
        icalcomponent_remove_component(copy, c);
        icalcomponent_free(c);
    }
    if (kept > 0) return copy;
    icalcomponent_free(copy);
    return nullptr;
}

} // namespace ICalendarRecurrence
