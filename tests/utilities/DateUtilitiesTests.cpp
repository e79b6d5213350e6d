#include "platform/Scheduler.h"
#include "utilities/Clock.h"
#include "utilities/DateUtilities.h"

#include <QLocale>
#include <gtest/gtest.h>
#include <limits>
#include <optional>

namespace {

using namespace DateUtilities;

// Berlin changes its clocks on 29 March 2026 (02:00 -> 03:00) and 25 October 2026 (03:00 -> 02:00).
class Dates : public ::testing::Test {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        at(2026, 3, 28, 15, 4, 5);
    }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }

    QDateTime berlin(int y, int m, int d, int h, int min, int s = 0) const {
        return QDateTime(QDate(y, m, d), QTime(h, min, s), zone);
    }
    void at(int y, int m, int d, int h, int min, int s = 0) {
        clock.emplace(berlin(y, m, d, h, min, s), zone);
    }
    ManualClock& now() { return clock->clock; }

    QTimeZone zone{"Europe/Berlin"};
    std::optional<ScopedManualClock> clock;
};

struct DayCase {
    QDateTime date;
    bool today, tomorrow, yesterday;
};

void expectDays(const DayCase& c) {
    const std::string at = c.date.toString(Qt::ISODate).toStdString();
    EXPECT_EQ(isToday(c.date), c.today) << at;
    EXPECT_EQ(isTomorrow(c.date), c.tomorrow) << at;
    EXPECT_EQ(isYesterday(c.date), c.yesterday) << at;
}

TEST_F(Dates, DaysAreCalendarDaysAroundMidnight) {
    at(2026, 3, 27, 23, 30);
    const DayCase cases[] = {
        {berlin(2026, 3, 27, 0, 0), true, false, false},   {berlin(2026, 3, 27, 23, 59), true, false, false},
        {berlin(2026, 3, 28, 0, 0), false, true, false},   {berlin(2026, 3, 28, 0, 30), false, true, false},
        {berlin(2026, 3, 26, 23, 30), false, false, true}, {berlin(2026, 3, 29, 0, 30), false, false, false},
        {berlin(2026, 3, 26, 0, 0), false, false, true},   {QDateTime(), false, false, false},
    };
    for (const DayCase& c : cases) expectDays(c);

    // A minute later it is the next day: the same dates move along.
    now().advance(31 * 60);
    expectDays({berlin(2026, 3, 27, 23, 30), false, false, true});
    expectDays({berlin(2026, 3, 28, 0, 30), true, false, false});
    expectDays({berlin(2026, 3, 29, 0, 0), false, true, false});
    EXPECT_EQ(midnight(), berlin(2026, 3, 28, 0, 0));
}

TEST(DatesOnTheSchedulersClock, TodayFollowsTheManualScheduler) {
    // Deferred work and date questions see the same time.
    ScopedManualScheduler time(QDateTime(QDate(2020, 5, 5), QTime(12, 0), Qt::UTC));
    const QDateTime now = Scheduler::shared().now();
    EXPECT_TRUE(isToday(now));
    EXPECT_FALSE(isToday(now.addDays(3)));
    EXPECT_TRUE(occurredAlready(now.addSecs(-1)));
    EXPECT_FALSE(occurredAlready(now.addSecs(1)));
    time.scheduler.advance(3 * 86400);
    EXPECT_TRUE(isToday(now.addDays(3)));
}

TEST_F(Dates, DaysAreCalendarDaysOnClockChanges) {
    at(2026, 3, 29, 12, 0); // 23 hours long
    expectDays({berlin(2026, 3, 30, 0, 30), false, true, false});
    expectDays({berlin(2026, 3, 29, 23, 59), true, false, false});
    expectDays({berlin(2026, 3, 28, 23, 30), false, false, true});
    EXPECT_EQ(midnight().msecsTo(berlin(2026, 3, 30, 0, 0)), 23 * 3600 * 1000);

    at(2026, 10, 25, 12, 0); // 25 hours long
    expectDays({berlin(2026, 10, 25, 23, 30), true, false, false});
    expectDays({berlin(2026, 10, 26, 0, 0), false, true, false});
    expectDays({berlin(2026, 10, 24, 0, 0), false, false, true});
    EXPECT_EQ(daysFromToday(berlin(2026, 10, 20, 12, 0)), -5);

    // Where the clock skips midnight, the day starts at 01:00.
    const QTimeZone santiago("America/Santiago");
    ScopedManualClock chile(QDateTime(QDate(2026, 9, 6), QTime(12, 0), santiago), santiago);
    EXPECT_EQ(midnight(), QDateTime(QDate(2026, 9, 6), QTime(1, 0), santiago));
    EXPECT_TRUE(isToday(midnight()));
    EXPECT_TRUE(isYesterday(midnight().addSecs(-1)));
}

TEST_F(Dates, OccurredAlreadyIsAboutInstants) {
    const QDateTime current = now().now();
    EXPECT_TRUE(occurredAlready(current.addSecs(-1)));
    EXPECT_TRUE(occurredAlready(current));
    EXPECT_FALSE(occurredAlready(current.addSecs(1)));
    EXPECT_FALSE(occurredAlready(berlin(2026, 3, 28, 23, 0))); // later today
    EXPECT_TRUE(occursInFuture(current.addSecs(1)));
    EXPECT_FALSE(occurredAlready(QDateTime()));

    EXPECT_TRUE(occurredMinutesFromDate(current.addSecs(-10 * 60), 15, current));
    EXPECT_TRUE(occurredMinutesFromDate(current, 0, current));
    EXPECT_FALSE(occurredMinutesFromDate(current.addSecs(-20 * 60), 15, current));
    EXPECT_FALSE(occurredMinutesFromDate(current.addSecs(60), 15, current));
    EXPECT_TRUE(isLaterThanDate(current, current.addSecs(-1)));
    EXPECT_TRUE(isEarlierThanDate(current.addSecs(-1), current));
}

TEST_F(Dates, CalendarArithmeticAndFields) {
    const QDateTime morning = berlin(2026, 3, 28, 9, 0);
    EXPECT_EQ(dateByAddingDays(morning, 1), berlin(2026, 3, 29, 9, 0)); // 23 hours later
    EXPECT_EQ(dateByAddingHours(morning, 24), berlin(2026, 3, 29, 10, 0));
    EXPECT_EQ(dateByAddingMinutes(morning, -90), berlin(2026, 3, 28, 7, 30));
    EXPECT_EQ(dateByAddingWeeks(morning, 2), berlin(2026, 4, 11, 9, 0));
    EXPECT_EQ(dateByAddingMonths(berlin(2026, 1, 31, 9, 0), 1), berlin(2026, 2, 28, 9, 0));
    EXPECT_EQ(dateByAddingYears(morning, -1), berlin(2025, 3, 28, 9, 0));
    EXPECT_EQ(dateWithZeroSeconds(berlin(2026, 3, 28, 9, 7, 42).addMSecs(5)), berlin(2026, 3, 28, 9, 7));
    EXPECT_EQ(dateWithoutTime(morning), berlin(2026, 3, 28, 0, 0));

    const GregorianDate fields = gregorianDate(berlin(2026, 3, 28, 9, 7, 42));
    EXPECT_EQ(fields, (GregorianDate{2026, 3, 28, 9, 7, 42.0}));
    EXPECT_EQ(dayOfWeek(morning), 6);
    EXPECT_EQ(dayOfYear(morning), 87);
    EXPECT_TRUE(isMonthEqual(morning, berlin(2026, 3, 1, 0, 0)));
    EXPECT_FALSE(isMonthEqual(morning, berlin(2025, 3, 1, 0, 0)));
    EXPECT_TRUE(isYearEqual(morning, berlin(2026, 12, 31, 23, 59)));

    const QDateTime from = berlin(2026, 1, 31, 10, 0);
    const QDateTime to = berlin(2026, 3, 1, 12, 30, 15);
    EXPECT_EQ(differenceAsGregorianUnits(to, from), (GregorianUnits{0, 1, 1, 2, 30, 15.0}));
    EXPECT_EQ(differenceAsGregorianUnits(from, to), (GregorianUnits{0, -1, -1, -2, -30, -15.0}));

    EXPECT_EQ(unitsRelativeToDate(now().now().addSecs(9000)), (RelativeUnits{0, 0, 0, 2, 150})); // 2.5 h
    EXPECT_EQ(unitsRelativeToDate(now().now().addSecs(12600)).hours, 4);                         // 3.5 h
    EXPECT_EQ(unitsRelativeToDate(berlin(2026, 3, 29, 0, 10)).days, 1);
    // Minutes beyond 32 bits stay at the limit on their own side.
    const RelativeUnits far = unitsRelativeToDate(berlin(9000, 1, 1, 0, 0));
    EXPECT_EQ(far.minutes, std::numeric_limits<qint32>::max());
    EXPECT_GT(far.hours, 0);
    EXPECT_EQ(unitsRelativeToDate(berlin(-9000, 1, 1, 0, 0)).minutes, std::numeric_limits<qint32>::min());
    EXPECT_FALSE(occurredMinutesFromDate(berlin(-9000, 1, 1, 0, 0), 5, berlin(9000, 1, 1, 0, 0)));
}

TEST_F(Dates, TextsInTheLocaleAndZone) {
    const QDateTime today = berlin(2026, 3, 28, 15, 4, 5);
    EXPECT_EQ(fullDateString(today, false), "Mar 28, 2026, 3:04:05 PM");
    EXPECT_EQ(fullDateString(today, true), "Today at 3:04:05 PM");
    EXPECT_EQ(shortDateString(berlin(2026, 3, 29, 8, 0), true), "Tomorrow at 8:00 AM");
    EXPECT_EQ(mediumDateString(berlin(2026, 3, 27, 8, 0), true), "Yesterday at 8:00 AM");
    EXPECT_EQ(longDateString(berlin(2026, 3, 20, 8, 0), true), "March 20, 2026, 8:00 AM");
    EXPECT_EQ(dateString(today, kFullStyle, kNoStyle, false), "Saturday, March 28, 2026");
    EXPECT_EQ(dateString(today.toUTC(), kNoStyle, kShortStyle, false), "3:04 PM")
        << "shown in the clock's zone";
    EXPECT_EQ(fullDateString(QDateTime(), true), fullDateString(QDateTime(), false))
        << "no date is not today";
}

TEST_F(Dates, RelativeTextTable) {
    const QDateTime current = now().now();
    struct Case {
        qint64 secondsAgo;
        const char* text;
        const char* withSuffix;
    };
    const Case cases[] = {
        {1, "one second", "one second ago"},
        {59, "59 seconds", "59 seconds ago"},
        {90, "1 minute", "1 minute ago"},
        {44 * 60, "44 minutes", "44 minutes ago"},
        {80 * 60, "1 hour", "1 hour ago"},
        {100 * 60, "1 hour", "1 hour ago"},
        {5 * 3600, "5 hours", "5 hours ago"},
        {30 * 3600, "yesterday", "yesterday"},
        {10 * 86400, "10 days", "10 days ago"},
        {29 * 86400, "29 days", "29 days ago"},
        {75 * 86400, "2 months", "2 months ago"},
        {361 * 86400, "one year", "one year ago"},
        {3 * 366 * 86400, "3 years", "3 years ago"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(relativeDateString(current.addSecs(-c.secondsAgo), false), c.text) << c.secondsAgo;
        EXPECT_EQ(relativeDateString(current.addSecs(-c.secondsAgo), true), c.withSuffix) << c.secondsAgo;
    }
    EXPECT_TRUE(relativeDateString(current.addSecs(1), true).isNull());
}

} // namespace
