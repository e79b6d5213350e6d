#include "Scheduler.h"

#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>

namespace {
Scheduler* g_installed = nullptr;

qint64 toMs(double seconds) {
    return static_cast<qint64>(std::llround(std::max(0.0, seconds) * 1000.0));
}
} // namespace

Scheduler& Scheduler::shared() {
    if (g_installed) return *g_installed;
    // Never destroyed: objects of static lifetime (the calendar store's alarms) cancel their
    // requests as they end, and an exit from inside the event loop ends them after this one.
    static RealScheduler* real = new RealScheduler;
    return *real;
}

void Scheduler::setShared(Scheduler* scheduler) {
    g_installed = scheduler;
}

void Scheduler::add(const void* owner, const QString& key, Request request, Task task) {
    cancelPrevious(owner, key);
    Key k{owner, key};
    Request& r = m_requests[k];
    r = std::move(request);
    r.task = std::move(task);
    r.serial = m_nextSerial++;
    armed(k, r);
}

void Scheduler::performAfterDelay(const void* owner, const QString& key, double seconds, Task task) {
    Request r;
    r.dueMs = elapsedMs() + toMs(seconds);
    add(owner, key, std::move(r), std::move(task));
}

void Scheduler::performAt(const void* owner, const QString& key, const QDateTime& when, Task task) {
    Request r;
    r.wallClock = true;
    r.dueMs = when.isValid() ? when.toMSecsSinceEpoch() : nowMs();
    add(owner, key, std::move(r), std::move(task));
}

void Scheduler::scheduleRepeating(const void* owner, const QString& key, double seconds, Task task) {
    Request r;
    r.interval = std::max(seconds, 0.001);
    r.dueMs = elapsedMs() + toMs(seconds);
    add(owner, key, std::move(r), std::move(task));
}

void Scheduler::cancelPrevious(const void* owner, const QString& key) {
    Key k{owner, key};
    if (m_requests.erase(k)) disarmed(k);
}

void Scheduler::cancelAll(const void* owner) {
    for (auto it = m_requests.begin(); it != m_requests.end();) {
        if (it->first.first == owner) {
            Key k = it->first;
            it = m_requests.erase(it);
            disarmed(k);
        } else {
            ++it;
        }
    }
}

bool Scheduler::isPending(const void* owner, const QString& key) const {
    return m_requests.count(Key{owner, key}) != 0;
}

void Scheduler::fire(const Key& key) {
    const Key k = key; // the caller's key may be the one in the entry erased below
    auto it = m_requests.find(k);
    if (it == m_requests.end()) return;
    Request& r = it->second;
    Task task = r.task;
    if (r.interval > 0) {
        // The next run one interval on; intervals the clock went past are not made up for.
        const qint64 interval = toMs(r.interval);
        r.dueMs += interval;
        const qint64 now = clockMs(r);
        if (r.dueMs <= now) r.dueMs = now + interval;
        armed(k, r);
    } else {
        m_requests.erase(it);
        disarmed(k);
    }
    // The task may schedule or cancel anything, including this very key.
    task();
}

RealScheduler::~RealScheduler() = default;

qint64 RealScheduler::elapsedMs() const {
#ifdef CLOCK_BOOTTIME
    timespec ts{};
    if (clock_gettime(CLOCK_BOOTTIME, &ts) == 0) return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
#endif
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void RealScheduler::armed(const Key& key, Request& request) {
    auto& timer = m_timers[key];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer.get(), &QTimer::timeout, [this, key]() { timedOut(key); });
    }
    timer->start(static_cast<int>(std::clamp<qint64>(request.dueMs - clockMs(request), 0, m_wakeMs)));
}

void RealScheduler::timedOut(const Key& key) {
    auto it = m_requests.find(key);
    if (it == m_requests.end()) return;
    if (it->second.dueMs > clockMs(it->second))
        armed(key, it->second);
    else
        fire(key);
}

void RealScheduler::disarmed(const Key& key) {
    auto it = m_timers.find(key);
    if (it == m_timers.end()) return;
    // The timer may be the one delivering right now: let it go once control returns to the loop.
    it->second->stop();
    it->second.release()->deleteLater();
    m_timers.erase(it);
}

ManualScheduler::ManualScheduler(const QDateTime& start) : m_now(start) {}

void ManualScheduler::advance(double seconds) {
    const qint64 target = nowMs() + toMs(seconds);
    for (;;) {
        // The earliest due request, ties in the order they were made.
        auto best = m_requests.end();
        for (auto it = m_requests.begin(); it != m_requests.end(); ++it) {
            if (it->second.dueMs > target) continue;
            if (best == m_requests.end() || it->second.dueMs < best->second.dueMs ||
                (it->second.dueMs == best->second.dueMs && it->second.serial < best->second.serial))
                best = it;
        }
        if (best == m_requests.end()) break;
        if (best->second.dueMs > nowMs()) m_now = QDateTime::fromMSecsSinceEpoch(best->second.dueMs, Qt::UTC);
        fire(best->first);
    }
    m_now = QDateTime::fromMSecsSinceEpoch(target, Qt::UTC);
}
