#include "platform/calendar/AlarmScheduler.h"

#include "platform/AtomicFile.h"
#include "platform/Diagnostics.h"
#include "platform/Scheduler.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QtDebug>

namespace {
const QString kCheckKey = QStringLiteral("check");
const QString kHandledUntilKey = QStringLiteral("alarmsHandledUntil");

struct Due {
    QDateTime trigger;
    QDateTime occurrence;
};

// The latest trigger of the alarm in (from, to] and the first trigger after `to`.
void scanAlarm(const AlarmEvent& event, const EKAlarm& alarm, const QDateTime& from, const QDateTime& to,
               Due* latest, QDateTime* next) {
    if (alarm.hasAbsoluteDate()) {
        const QDateTime t = alarm.absoluteDate();
        if (t > from && t <= to)
            *latest = {t, event.startDate};
        else if (t > to)
            *next = t;
        return;
    }
    const qint64 offsetMs = qRound64(alarm.relativeOffset() * 1000.0);
    event.occurrences([&](const QDateTime& start) {
        const QDateTime t = start.addMSecs(offsetMs);
        if (t <= from) return true;
        if (t <= to) {
            *latest = {t, start};
            return true;
        }
        *next = t;
        return false;
    });
}

QString describe(const AlarmEvent& event, const QDateTime& occurrence) {
    QLocale locale;
    if (event.allDay) return locale.toString(occurrence.date(), QLocale::ShortFormat);
    return locale.toString(occurrence.toLocalTime(), QLocale::ShortFormat);
}
} // namespace

AlarmScheduler::AlarmScheduler(const QString& statePath, std::shared_ptr<DesktopNotifier> notifier)
    : m_statePath(statePath), m_notifier(std::move(notifier)) {}

AlarmScheduler::~AlarmScheduler() {
    Scheduler::shared().cancelAll(this);
}

void AlarmScheduler::setEvents(std::vector<AlarmEvent> events) {
    m_events = std::move(events);
    Scheduler::shared().performAfterDelay(this, kCheckKey, 0, [this]() { check(); });
}

void AlarmScheduler::loadState() {
    QFile file(m_statePath);
    if (file.open(QIODevice::ReadOnly)) {
        const QJsonObject state = QJsonDocument::fromJson(file.readAll()).object();
        m_handledUntil = QDateTime::fromString(state.value(kHandledUntilKey).toString(), Qt::ISODateWithMs);
    }
    // First start (or an unreadable state): nothing before now is owed.
    if (!m_handledUntil.isValid()) m_handledUntil = Scheduler::shared().now();
}

void AlarmScheduler::saveState() {
    QJsonObject state;
    state.insert(kHandledUntilKey, m_handledUntil.toUTC().toString(Qt::ISODateWithMs));
    QString error;
    if (AtomicFile::write(m_statePath, QJsonDocument(state).toJson(), &error)) return;
    if (!m_reportedWriteFailure) Diagnostics::warning(error);
    m_reportedWriteFailure = true;
}

void AlarmScheduler::check() {
    if (!m_handledUntil.isValid()) loadState();
    const QDateTime now = Scheduler::shared().now();
    const QDateTime from = m_handledUntil;
    const QDateTime to = std::max(now, from);
    QDateTime next;
    for (const AlarmEvent& event : m_events) {
        for (const EKAlarm& alarm : event.alarms) {
            Due due;
            QDateTime alarmNext;
            scanAlarm(event, alarm, from, to, &due, &alarmNext);
            if (due.trigger.isValid()) {
                const QString title =
                    event.title.isEmpty() ? QCoreApplication::applicationName() : event.title;
                m_notifier->notify(title, describe(event, due.occurrence));
            }
            if (alarmNext.isValid() && (!next.isValid() || alarmNext < next)) next = alarmNext;
        }
    }
    if (to != from || !m_stateWritten) {
        m_handledUntil = to;
        saveState();
        m_stateWritten = true;
    }
    if (next.isValid()) Scheduler::shared().performAt(this, kCheckKey, next, [this]() { check(); });
}
