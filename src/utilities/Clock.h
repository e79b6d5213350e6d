#pragma once

#include "platform/Scheduler.h"

#include <QDateTime>
#include <QTimeZone>

// The current instant and the local time zone that date questions are asked in. The real clock
// takes the instant from the scheduler in force, so date questions and deferred work share one
// time (a test's manual scheduler moves both), and the zone from the system; a test that needs
// another zone installs a manual clock. Main thread only.
class Clock {
public:
    virtual ~Clock() = default;

    // The clock in force: the real one unless a test installed another.
    static Clock& shared();
    // Installs a clock (not owned); null restores the real one.
    static void setShared(Clock* clock);

    virtual QDateTime now() const = 0;
    virtual QTimeZone timeZone() const = 0;
};

class RealClock : public Clock {
public:
    QDateTime now() const override { return Scheduler::shared().now(); }
    QTimeZone timeZone() const override { return QTimeZone::systemTimeZone(); }
};

// A clock that stands still until moved.
class ManualClock : public Clock {
public:
    ManualClock(const QDateTime& now, const QTimeZone& zone) : m_now(now), m_zone(zone) {}
    QDateTime now() const override { return m_now; }
    QTimeZone timeZone() const override { return m_zone; }
    void setNow(const QDateTime& now) { m_now = now; }
    void advance(double seconds) { m_now = m_now.addMSecs(static_cast<qint64>(seconds * 1000.0)); }

private:
    QDateTime m_now;
    QTimeZone m_zone;
};

// Installs a manual clock for the lifetime of a scope.
class ScopedManualClock {
public:
    ScopedManualClock(const QDateTime& now, const QTimeZone& zone) : clock(now, zone) {
        Clock::setShared(&clock);
    }
    ~ScopedManualClock() { Clock::setShared(nullptr); }
    ScopedManualClock(const ScopedManualClock&) = delete;
    ScopedManualClock& operator=(const ScopedManualClock&) = delete;
    ManualClock clock;
};
