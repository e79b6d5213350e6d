#pragma once

#include <QDateTime>
#include <QString>

// Date questions on QDateTime instants, asked against Clock::shared(): "now" is its instant and
// days are calendar days in its time zone, so a date belongs to today, tomorrow or yesterday by
// the day it falls on there, also near midnight and on days with a clock change. Results that
// are dates come back in the clock's zone.
namespace DateUtilities {

// Calendar fields of a date in the clock's zone.
struct GregorianDate {
    qint32 year = 0;
    qint8 month = 0;
    qint8 day = 0;
    qint8 hour = 0;
    qint8 minute = 0;
    double second = 0;
    friend bool operator==(const GregorianDate&, const GregorianDate&) = default;
};

// A difference in calendar units, each the largest that fits after the ones before it; all
// negative when the difference is.
struct GregorianUnits {
    qint32 years = 0;
    qint32 months = 0;
    qint32 days = 0;
    qint32 hours = 0;
    qint32 minutes = 0;
    double seconds = 0;
    friend bool operator==(const GregorianUnits&, const GregorianUnits&) = default;
};

// Where a date stands from now: days are calendar days from today, hours and minutes rounded
// (halves to even). years and months are not filled.
struct RelativeUnits {
    qint32 years = 0;
    qint32 months = 0;
    qint32 days = 0;
    qint32 hours = 0;
    qint32 minutes = 0;
    friend bool operator==(const RelativeUnits&, const RelativeUnits&) = default;
};

// Date and time styles of the date texts; kNoStyle leaves that half out.
enum DateStyle : qint32 { kNoStyle = 0, kShortStyle = 1, kMediumStyle = 2, kLongStyle = 3, kFullStyle = 4 };

// Today at 00:00 (the day's first instant where a clock change skips midnight).
QDateTime midnight();
// Calendar days from today to the date's day.
qint64 daysFromToday(const QDateTime& date);
bool isToday(const QDateTime& date);
bool isTomorrow(const QDateTime& date);
bool isYesterday(const QDateTime& date);
bool occurredAlready(const QDateTime& date); // before now or exactly now

bool isLaterThanDate(const QDateTime& date, const QDateTime& other);
bool isEarlierThanDate(const QDateTime& date, const QDateTime& other);
bool isMonthEqual(const QDateTime& date, const QDateTime& other); // same month of the same year
bool isYearEqual(const QDateTime& date, const QDateTime& other);
bool occursInFuture(const QDateTime& date);
bool occurredAfter(const QDateTime& date, const QDateTime& other); // instants, not days
bool occurredBefore(const QDateTime& date, const QDateTime& other);
bool occurredOn(const QDateTime& date, const QDateTime& other);
// The date lies at most minutes (rounded) before the other date, or at it.
bool occurredMinutesFromDate(const QDateTime& date, qint32 minutes, const QDateTime& other);

QDateTime dateWithZeroSeconds(const QDateTime& date);
QDateTime dateWithoutTime(const QDateTime& date); // the start of its day
// Minutes and hours are elapsed time; days and longer keep the time of day.
QDateTime dateByAddingMinutes(const QDateTime& date, qint32 count);
QDateTime dateByAddingHours(const QDateTime& date, qint32 count);
QDateTime dateByAddingDays(const QDateTime& date, qint32 count);
QDateTime dateByAddingWeeks(const QDateTime& date, qint32 count);
QDateTime dateByAddingMonths(const QDateTime& date, qint32 count);
QDateTime dateByAddingYears(const QDateTime& date, qint32 count);

GregorianDate gregorianDate(const QDateTime& date);
// date minus other.
GregorianUnits differenceAsGregorianUnits(const QDateTime& date, const QDateTime& other);
qint32 dayOfWeek(const QDateTime& date); // 1 Monday .. 7 Sunday
qint32 dayOfYear(const QDateTime& date);
RelativeUnits unitsRelativeToDate(const QDateTime& date);

// The date and time in the default locale and the clock's zone. With relative, "Today",
// "Yesterday" or "Tomorrow" stands for the date of those days ("Today at 3:04 PM").
QString dateString(const QDateTime& date, DateStyle dateStyle, DateStyle timeStyle, bool relative);
// The locale's short time format, always without seconds.
QString shortTimeFormat(const QLocale& locale);
QString shortDateString(const QDateTime& date, bool relative);  // short date, short time
QString mediumDateString(const QDateTime& date, bool relative); // medium date, short time
QString longDateString(const QDateTime& date, bool relative);   // long date, short time
QString fullDateString(const QDateTime& date, bool relative);   // medium date, medium time
// How long ago: "one second", "%d seconds", "1 minute", "%d minutes", "1 hour", "%d hours",
// "yesterday", "%d days", "1 month", "%d months", "one year", "%d years"; with suffix " ago"
// follows all but "yesterday". Null for a date in the future.
QString relativeDateString(const QDateTime& date, bool suffix);

} // namespace DateUtilities
