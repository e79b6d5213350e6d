#include "Scheduler.h"

#include <QTimer>
#include <algorithm>
#include <cmath>

namespace {
Scheduler* g_installed = nullptr;

qint64 toMs(double seconds) {
    return static_cast<qint64>(std::llround(std::max(0.0, seconds) * 1000.0));
}
} // namespace

Scheduler& Scheduler::shared() {
    if (g_installed) return *g_installed;
    static RealScheduler real;
    return real;
}

void Scheduler::setShared(Scheduler* scheduler) {
    g_installed = scheduler;
}

void Scheduler::add(const void* owner, const QString& key, double seconds, double interval, Task task) {
    cancelPrevious(owner, key);
    Key k{owner, key};
    Request& r = m_requests[k];
    r.task = std::move(task);
    r.interval = interval;
    r.dueMs = nowMs() + toMs(seconds);
    r.serial = m_nextSerial++;
    armed(k, r);
}

void Scheduler::performAfterDelay(const void* owner, const QString& key, double seconds, Task task) {
    add(owner, key, seconds, 0, std::move(task));
}

void Scheduler::scheduleRepeating(const void* owner, const QString& key, double seconds, Task task) {
    add(owner, key, seconds, std::max(seconds, 0.001), std::move(task));
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
    auto it = m_requests.find(key);
    if (it == m_requests.end()) return;
    Task task = it->second.task;
    if (it->second.interval > 0) {
        it->second.dueMs += toMs(it->second.interval);
        armed(key, it->second);
    } else {
        m_requests.erase(it);
        disarmed(key);
    }
    // The task may schedule or cancel anything, including this very key.
    task();
}

RealScheduler::~RealScheduler() = default;

void RealScheduler::armed(const Key& key, Request& request) {
    auto& timer = m_timers[key];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer.get(), &QTimer::timeout, [this, key]() { timedOut(key); });
    }
    timer->start(static_cast<int>(std::clamp<qint64>(request.dueMs - nowMs(), 0, m_wakeMs)));
}

void RealScheduler::timedOut(const Key& key) {
    auto it = m_requests.find(key);
    if (it == m_requests.end()) return;
    if (it->second.dueMs > nowMs())
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
