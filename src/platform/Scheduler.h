#pragma once

#include <QDateTime>
#include <QString>
#include <functional>
#include <map>
#include <memory>

class QTimer;

// Deferred work on the main thread. A request is identified by its owner and key; asking again
// for the same owner and key cancels the pending one first. Delays and intervals are measured on a
// clock that changes of the wall clock do not move; performAt waits for a time of the wall clock.
class Scheduler {
public:
    using Task = std::function<void()>;

    virtual ~Scheduler() = default;

    // The scheduler in force: the real one unless a test installed another.
    static Scheduler& shared();
    // Installs a scheduler (not owned); null restores the real one.
    static void setShared(Scheduler* scheduler);

    void performAfterDelay(const void* owner, const QString& key, double seconds, Task task);
    // Runs the task when the wall clock (now()) reaches the time; at once when it has passed.
    void performAt(const void* owner, const QString& key, const QDateTime& when, Task task);
    // Runs the task every interval seconds until cancelled; once, not once per interval, when the
    // clock went past several (after the machine slept).
    void scheduleRepeating(const void* owner, const QString& key, double seconds, Task task);
    void cancelPrevious(const void* owner, const QString& key);
    void cancelAll(const void* owner);
    bool isPending(const void* owner, const QString& key) const;

    // The wall clock.
    virtual QDateTime now() const = 0;

protected:
    struct Request {
        Task task;
        double interval = 0;    // 0: once
        bool wallClock = false; // due at a time of now() rather than after a delay
        qint64 dueMs = 0;       // on the request's clock
        quint64 serial = 0;
    };
    using Key = std::pair<const void*, QString>;

    // Milliseconds on a clock that only moves forward, at the pace of real time.
    virtual qint64 elapsedMs() const = 0;
    virtual void armed(const Key& key, Request& request) = 0;
    virtual void disarmed(const Key& key) = 0;
    // Runs a due request; a repeating one is armed again.
    void fire(const Key& key);
    qint64 nowMs() const { return now().toMSecsSinceEpoch(); }
    qint64 clockMs(const Request& request) const { return request.wallClock ? nowMs() : elapsedMs(); }

    std::map<Key, Request> m_requests;
    quint64 m_nextSerial = 1;

private:
    void add(const void* owner, const QString& key, Request request, Task task);
};

// Runs requests on Qt timers of the running event loop. Delays run on the boot clock, which counts
// the time the machine slept; timers wake at least once a minute to compare with the clocks, so work
// falls due on time after a sleep or a change of the wall clock.
class RealScheduler : public Scheduler {
public:
    ~RealScheduler() override;
    QDateTime now() const override { return QDateTime::currentDateTimeUtc(); }
    // How long a timer sleeps at most before it compares with the clock again (one minute).
    void setWakeInterval(qint64 ms) { m_wakeMs = ms; }

protected:
    qint64 elapsedMs() const override;
    void armed(const Key& key, Request& request) override;
    void disarmed(const Key& key) override;

private:
    void timedOut(const Key& key);
    std::map<Key, std::unique_ptr<QTimer>> m_timers;
    qint64 m_wakeMs = 60 * 1000;
};

// Virtual time for tests: nothing runs until advance() moves the clock past a request's time.
class ManualScheduler : public Scheduler {
public:
    explicit ManualScheduler(const QDateTime& start = QDateTime(QDate(2026, 1, 1), QTime(9, 0), Qt::UTC));
    QDateTime now() const override { return m_now; }
    void setNow(const QDateTime& when) { m_now = when; }
    // Moves the clock forward, running every request that falls due in order of due time.
    void advance(double seconds);
    int pendingCount() const { return static_cast<int>(m_requests.size()); }

protected:
    // One virtual clock for delays and wall times alike.
    qint64 elapsedMs() const override { return nowMs(); }
    void armed(const Key&, Request&) override {}
    void disarmed(const Key&) override {}

private:
    QDateTime m_now;
};

// Installs a manual scheduler for the lifetime of a scope.
class ScopedManualScheduler {
public:
    explicit ScopedManualScheduler(const QDateTime& start = QDateTime(QDate(2026, 1, 1), QTime(9, 0),
                                                                      Qt::UTC))
        : scheduler(start) {
        Scheduler::setShared(&scheduler);
    }
    ~ScopedManualScheduler() { Scheduler::setShared(nullptr); }
    ManualScheduler scheduler;
};
