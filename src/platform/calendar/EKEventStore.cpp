#include "platform/calendar/EKEventStore.h"

#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"

namespace {
bool fail(QString* error, const QString& message) {
    if (error) *error = message;
    return false;
}
} // namespace

EKEventStore::~EKEventStore() {
    Scheduler::shared().cancelAll(this);
}

void EKEventStore::requestAccessToEntityType(EKEntityType type, const AccessCompletion& completion) {
    if (!completion) return;
    if (type == EKEntityTypeEvent)
        completion(true, QString());
    else
        completion(false, QStringLiteral("This calendar store keeps events only."));
}

std::shared_ptr<EKEvent> EKEventStore::eventWithIdentifier(const QString& identifier) {
    std::optional<EKEventRecord> record = recordWithIdentifier(identifier);
    if (!record) return nullptr;
    auto event = newEvent();
    event->adopt(*record);
    return event;
}

QList<std::shared_ptr<EKEvent>> EKEventStore::calendarItemsWithExternalIdentifier(const QString& identifier) {
    QList<std::shared_ptr<EKEvent>> events;
    for (const EKEventRecord& record : recordsWithExternalIdentifier(identifier)) {
        auto event = newEvent();
        event->adopt(record);
        events.append(event);
    }
    return events;
}

bool EKEventStore::check(const EKEvent& event, EKSpan span, bool remove, QString* error) const {
    if (event.m_store.lock().get() != this)
        return fail(error, QStringLiteral("The event belongs to another store."));
    if (span == EKSpanThisEvent && !event.m_stored.recurrenceRules.isEmpty())
        return fail(error, QStringLiteral("Only the whole series of a repeating event can be changed."));
    if (remove) {
        if (event.m_eventIdentifier.isEmpty())
            return fail(error, QStringLiteral("The event is not in the store."));
        return true;
    }
    const EKEventData& data = event.m_data;
    if (data.calendarIdentifier.isEmpty()) return fail(error, QStringLiteral("No calendar has been set."));
    auto calendar = calendarWithIdentifier(data.calendarIdentifier);
    if (!calendar) return fail(error, QStringLiteral("The event's calendar does not exist."));
    if (!calendar->allowsContentModifications())
        return fail(error, QStringLiteral("The calendar \"%1\" is read-only.").arg(calendar->title()));
    if (!data.startDate.isValid()) return fail(error, QStringLiteral("The event has no start date."));
    if (!data.endDate.isValid()) return fail(error, QStringLiteral("The event has no end date."));
    if (data.endDate < data.startDate)
        return fail(error, QStringLiteral("The start date must be before the end date."));
    for (const EKAlarm& alarm : data.alarms) {
        if (alarm.hasAbsoluteDate() ? !alarm.absoluteDate().isValid() : !qIsFinite(alarm.relativeOffset()))
            return fail(error, QStringLiteral("The event has an invalid alarm."));
    }
    return true;
}

bool EKEventStore::saveEvent(const std::shared_ptr<EKEvent>& event, EKSpan span, bool commit,
                             QString* error) {
    if (!event) return fail(error, QStringLiteral("No event was given."));
    if (!check(*event, span, false, error)) return false;
    m_pending.push_back({false, event});
    return commit ? this->commit(error) : true;
}

bool EKEventStore::removeEvent(const std::shared_ptr<EKEvent>& event, EKSpan span, bool commit,
                               QString* error) {
    if (!event) return fail(error, QStringLiteral("No event was given."));
    if (!check(*event, span, true, error)) return false;
    m_pending.push_back({true, event});
    return commit ? this->commit(error) : true;
}

bool EKEventStore::perform(const Pending& pending, QString* error) {
    EKEvent& event = *pending.event;
    if (pending.remove) {
        if (!deleteRecord(event.m_eventIdentifier, error)) return false;
        event.m_eventIdentifier.clear();
        return true;
    }
    // Checked again: the calendar may have gone since the save was asked for.
    if (!check(event, EKSpanFutureEvents, false, error)) return false;
    EKEventRecord edited{event.m_eventIdentifier, event.m_externalIdentifier, event.m_data};
    EKEventRecord stored;
    if (!writeRecord(edited, event.m_stored, &stored, error)) return false;
    event.adopt(stored);
    return true;
}

bool EKEventStore::commit(QString* error) {
    std::vector<Pending> pending;
    pending.swap(m_pending);
    bool ok = true;
    bool changed = false;
    for (const Pending& p : pending) {
        QString message;
        if (perform(p, &message)) {
            changed = true;
        } else if (ok) {
            ok = false;
            if (error) *error = message;
        }
    }
    if (changed) postChanged();
    return ok;
}

void EKEventStore::postChanged() {
    const EKEventStore* self = this;
    Scheduler::shared().performAfterDelay(this, QStringLiteral("EKEventStoreChanged"), 0, [self]() {
        NotificationCenter::defaultCenter().post(EKEventStoreChangedNotification, self);
    });
}
