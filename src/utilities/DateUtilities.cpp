#include "DateUtilities.h"

#include "Clock.h"

#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <limits>

namespace DateUtilities {

namespace {

QTimeZone zone() {
    return Clock::shared().timeZone();
}

QDateTime now() {
    return Clock::shared().now();
}

QDateTime local(const QDateTime& date) {
    return date.toTimeZone(zone());
}

// Beyond 32 bits (dates thousands of years away) the nearest limit.
qint32 roundedToEven(double value) {
    if (std::isnan(value)) return 0;
    return static_cast<qint32>(std::clamp(std::nearbyint(value), double(std::numeric_limits<qint32>::min()),
                                          double(std::numeric_limits<qint32>::max())));
}

// The difference from earlier to a later (or equal) date, largest units first.
GregorianUnits forwardDifference(const QDateTime& earlier, const QDateTime& later) {
    GregorianUnits units;
    QDateTime from = local(earlier);
    const QDateTime to = local(later);
    qint32 years = to.date().year() - from.date().year();
    while (years > 0 && from.addYears(years) > to) --years;
    from = from.addYears(years);
    qint32 months = (to.date().year() - from.date().year()) * 12 + to.date().month() - from.date().month();
    while (months > 0 && from.addMonths(months) > to) --months;
    from = from.addMonths(months);
    qint64 days = from.date().daysTo(to.date());
    while (days > 0 && from.addDays(days) > to) --days;
    from = from.addDays(days);
    const qint64 ms = from.msecsTo(to);
    units.years = years;
    units.months = months;
    units.days = static_cast<qint32>(days);
    units.hours = static_cast<qint32>(ms / 3600000);
    units.minutes = static_cast<qint32>(ms % 3600000 / 60000);
    units.seconds = static_cast<double>(ms % 60000) / 1000.0;
    return units;
}

// A date format without its weekday field and the separator after it.
QString withoutWeekday(QString format) {
    static const QRegularExpression weekday(QStringLiteral("(?<!d)d{3,4}(?!d)[,.]?\\s*"));
    format.remove(weekday);
    while (!format.isEmpty() && (format.endsWith(QLatin1Char(' ')) || format.endsWith(QLatin1Char(','))))
        format.chop(1);
    return format;
}

QString dateFormat(DateStyle style, const QLocale& locale) {
    switch (style) {
    case kShortStyle:
        return locale.dateFormat(QLocale::ShortFormat);
    case kMediumStyle: {
        QString format = withoutWeekday(locale.dateFormat(QLocale::LongFormat));
        static const QRegularExpression fullMonth(QStringLiteral("(?<!M)MMMM(?!M)"));
        return format.replace(fullMonth, QStringLiteral("MMM"));
    }
    case kLongStyle:
        return withoutWeekday(locale.dateFormat(QLocale::LongFormat));
    case kFullStyle:
        return locale.dateFormat(QLocale::LongFormat);
    default:
        return QString();
    }
}

QString timeFormat(DateStyle style, const QLocale& locale) {
    switch (style) {
    case kShortStyle:
        return shortTimeFormat(locale);
    case kMediumStyle: {
        // The short form with seconds, after the minutes and with their separator.
        QString format = shortTimeFormat(locale);
        if (format.contains(QLatin1Char('s'))) return format;
        const qsizetype minutes = format.indexOf(QLatin1String("mm"));
        if (minutes < 0) return locale.timeFormat(QLocale::LongFormat);
        const QChar separator =
            minutes > 0 && !format.at(minutes - 1).isLetter() ? format.at(minutes - 1) : QLatin1Char(':');
        return format.insert(minutes + 2, separator + QStringLiteral("ss"));
    }
    case kLongStyle:
    case kFullStyle:
        return locale.timeFormat(QLocale::LongFormat);
    default:
        return QString();
    }
}

QString relativeDayWord(const QDateTime& date) {
    if (!date.isValid()) return QString();
    switch (daysFromToday(date)) {
    case -1:
        return QStringLiteral("Yesterday");
    case 0:
        return QStringLiteral("Today");
    case 1:
        return QStringLiteral("Tomorrow");
    default:
        return QString();
    }
}

} // namespace

QString shortTimeFormat(const QLocale& locale) {
    // Some locales (C among them) put seconds in their short form.
    QString format = locale.timeFormat(QLocale::ShortFormat);
    format.remove(QRegularExpression(QStringLiteral("[:.]?s+")));
    return format.trimmed();
}

QDateTime midnight() {
    const QTimeZone z = zone();
    return now().toTimeZone(z).date().startOfDay(z);
}

qint64 daysFromToday(const QDateTime& date) {
    return local(now()).date().daysTo(local(date).date());
}

bool isToday(const QDateTime& date) {
    return date.isValid() && daysFromToday(date) == 0;
}

bool isTomorrow(const QDateTime& date) {
    return date.isValid() && daysFromToday(date) == 1;
}

bool isYesterday(const QDateTime& date) {
    return date.isValid() && daysFromToday(date) == -1;
}

bool occurredAlready(const QDateTime& date) {
    const QDateTime current = now();
    return occurredBefore(date, current) || occurredOn(date, current);
}

bool isLaterThanDate(const QDateTime& date, const QDateTime& other) {
    return date > other;
}

bool isEarlierThanDate(const QDateTime& date, const QDateTime& other) {
    return date < other;
}

bool isMonthEqual(const QDateTime& date, const QDateTime& other) {
    const QDate a = local(date).date(), b = local(other).date();
    return a.year() == b.year() && a.month() == b.month();
}

bool isYearEqual(const QDateTime& date, const QDateTime& other) {
    return local(date).date().year() == local(other).date().year();
}

bool occursInFuture(const QDateTime& date) {
    return occurredAfter(date, now());
}

bool occurredAfter(const QDateTime& date, const QDateTime& other) {
    return date.isValid() && other.isValid() && date > other;
}

bool occurredBefore(const QDateTime& date, const QDateTime& other) {
    return date.isValid() && other.isValid() && date < other;
}

bool occurredOn(const QDateTime& date, const QDateTime& other) {
    return date.isValid() && other.isValid() && date == other;
}

bool occurredMinutesFromDate(const QDateTime& date, qint32 minutes, const QDateTime& other) {
    const qint32 m = roundedToEven(static_cast<double>(other.msecsTo(date)) / 60000.0);
    return m <= 0 && -static_cast<qint64>(m) <= minutes;
}

QDateTime dateWithZeroSeconds(const QDateTime& date) {
    const QDateTime d = local(date);
    return d.addMSecs(-(d.time().second() * 1000 + d.time().msec()));
}

QDateTime dateWithoutTime(const QDateTime& date) {
    const QTimeZone z = zone();
    return date.toTimeZone(z).date().startOfDay(z);
}

QDateTime dateByAddingMinutes(const QDateTime& date, qint32 count) {
    return local(date).addSecs(qint64(count) * 60);
}

QDateTime dateByAddingHours(const QDateTime& date, qint32 count) {
    return local(date).addSecs(qint64(count) * 3600);
}

QDateTime dateByAddingDays(const QDateTime& date, qint32 count) {
    return local(date).addDays(count);
}

QDateTime dateByAddingWeeks(const QDateTime& date, qint32 count) {
    return local(date).addDays(qint64(count) * 7);
}

QDateTime dateByAddingMonths(const QDateTime& date, qint32 count) {
    return local(date).addMonths(count);
}

QDateTime dateByAddingYears(const QDateTime& date, qint32 count) {
    return local(date).addYears(count);
}

GregorianDate gregorianDate(const QDateTime& date) {
    const QDateTime d = local(date);
    GregorianDate result;
    result.year = d.date().year();
    result.month = static_cast<qint8>(d.date().month());
    result.day = static_cast<qint8>(d.date().day());
    result.hour = static_cast<qint8>(d.time().hour());
    result.minute = static_cast<qint8>(d.time().minute());
    result.second = d.time().second() + d.time().msec() / 1000.0;
    return result;
}

GregorianUnits differenceAsGregorianUnits(const QDateTime& date, const QDateTime& other) {
    if (date >= other) return forwardDifference(other, date);
    GregorianUnits units = forwardDifference(date, other);
    units.years = -units.years;
    units.months = -units.months;
    units.days = -units.days;
    units.hours = -units.hours;
    units.minutes = -units.minutes;
    units.seconds = -units.seconds;
    return units;
}

qint32 dayOfWeek(const QDateTime& date) {
    return local(date).date().dayOfWeek();
}

qint32 dayOfYear(const QDateTime& date) {
    return local(date).date().dayOfYear();
}

RelativeUnits unitsRelativeToDate(const QDateTime& date) {
    const double seconds = static_cast<double>(now().msecsTo(date)) / 1000.0;
    RelativeUnits units;
    units.days = static_cast<qint32>(daysFromToday(date));
    units.hours = roundedToEven(seconds / 3600.0);
    units.minutes = roundedToEven(seconds / 60.0);
    return units;
}

QString dateString(const QDateTime& date, DateStyle dateStyle, DateStyle timeStyle, bool relative) {
    const QLocale locale;
    const QDateTime d = local(date);
    const QString time =
        timeStyle == kNoStyle ? QString() : locale.toString(d.time(), timeFormat(timeStyle, locale));
    if (dateStyle == kNoStyle) return time;
    const QString word = relative ? relativeDayWord(date) : QString();
    const QString day = word.isEmpty() ? locale.toString(d.date(), dateFormat(dateStyle, locale)) : word;
    if (time.isEmpty()) return day;
    return day + (word.isEmpty() ? QStringLiteral(", ") : QStringLiteral(" at ")) + time;
}

QString shortDateString(const QDateTime& date, bool relative) {
    return dateString(date, kShortStyle, kShortStyle, relative);
}

QString mediumDateString(const QDateTime& date, bool relative) {
    return dateString(date, kMediumStyle, kShortStyle, relative);
}

QString longDateString(const QDateTime& date, bool relative) {
    return dateString(date, kLongStyle, kShortStyle, relative);
}

QString fullDateString(const QDateTime& date, bool relative) {
    return dateString(date, kMediumStyle, kMediumStyle, relative);
}

QString relativeDateString(const QDateTime& date, bool suffix) {
    const QDateTime current = now();
    const qint64 ms = date.msecsTo(current);
    if (ms < 0) return QString();
    const qint64 s = ms / 1000;
    auto count = [](qint64 n, const char* unit) {
        return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(unit));
    };
    QString text;
    if (s < 60)
        text = s == 1 ? QStringLiteral("one second") : count(s, "seconds");
    else if (s < 120)
        text = QStringLiteral("1 minute");
    else if (s < 2700)
        text = count(s / 60, "minutes");
    else if (s < 5400)
        text = QStringLiteral("1 hour");
    else if (s < 86400)
        text = s < 7200 ? QStringLiteral("1 hour") : count(s / 3600, "hours");
    else if (s < 172800)
        return QStringLiteral("yesterday");
    else if (s < 2592000)
        text = count(s / 86400, "days");
    else {
        const GregorianUnits units = forwardDifference(date, current);
        const qint64 months = qint64(units.years) * 12 + units.months;
        if (s < 31104000)
            text = months <= 1 ? QStringLiteral("1 month") : count(months, "months");
        else
            text = units.years <= 1 ? QStringLiteral("one year") : count(units.years, "years");
    }
    return suffix ? text + QStringLiteral(" ago") : text;
}

} // namespace DateUtilities
