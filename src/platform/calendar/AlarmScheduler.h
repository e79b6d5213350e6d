#pragma once

#include "platform/calendar/DesktopNotifier.h"
#include "platform/calendar/EKAlarm.h"

#include <QDateTime>
#include <QList>
#include <functional>
#include <memory>
#include <vector>

// What the alarm scheduler needs to know of one event.
struct AlarmEvent {
    QString eventIdentifier;
    QString title;
    QDateTime startDate;
    bool allDay = false;
    QList<EKAlarm> alarms;
    // Calls its argument with each occurrence's start, in order, until it returns false.
    std::function<void(const std::function<bool(const QDateTime&)>&)> occurrences;
};

// Shows each alarm of the events as a desktop notification when it falls due, timed through
// Scheduler::shared(). The time up to which alarms were handled is kept in a small state file, so
// alarms that fell due while the program was closed are shown once when it starts again. Of the
// occurrences of one alarm that fell due together, only the latest is shown.
class AlarmScheduler {
public:
    AlarmScheduler(const QString& statePath, std::shared_ptr<DesktopNotifier> notifier);
    ~AlarmScheduler();
    AlarmScheduler(const AlarmScheduler&) = delete;
    AlarmScheduler& operator=(const AlarmScheduler&) = delete;

    // Replaces the events; what fell due since the last check is shown soon after.
    void setEvents(std::vector<AlarmEvent> events);

private:
    void check();
    void loadState();
    void saveState();

    QString m_statePath;
    std::shared_ptr<DesktopNotifier> m_notifier;
    std::vector<AlarmEvent> m_events;
    QDateTime m_handledUntil; // alarms due at or before it were shown (or missed before the first start)
    bool m_stateWritten = false;
    bool m_reportedWriteFailure = false;
};
