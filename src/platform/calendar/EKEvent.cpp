#include "platform/calendar/EKEvent.h"

#include "platform/calendar/EKEventStore.h"

#include <QUuid>

namespace {
template <typename T> void take(T& result, const T& base, const T& edited) {
    if (!(edited == base)) result = edited;
}
} // namespace

EKEventData mergeEventChanges(const EKEventData& current, const EKEventData& base,
                              const EKEventData& edited) {
    EKEventData result = current;
    take(result.title, base.title, edited.title);
    take(result.notes, base.notes, edited.notes);
    take(result.location, base.location, edited.location);
    take(result.url, base.url, edited.url);
    take(result.startDate, base.startDate, edited.startDate);
    take(result.endDate, base.endDate, edited.endDate);
    take(result.allDay, base.allDay, edited.allDay);
    take(result.calendarIdentifier, base.calendarIdentifier, edited.calendarIdentifier);
    take(result.alarms, base.alarms, edited.alarms);
    take(result.recurrenceRules, base.recurrenceRules, edited.recurrenceRules);
    return result;
}

std::shared_ptr<EKEvent> EKEvent::eventWithEventStore(const std::shared_ptr<EKEventStore>& store) {
    std::shared_ptr<EKEvent> event(new EKEvent);
    event->m_store = store;
    event->m_externalIdentifier = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    return event;
}

std::shared_ptr<EKCalendar> EKEvent::calendar() const {
    auto store = m_store.lock();
    if (!store || m_data.calendarIdentifier.isEmpty()) return nullptr;
    return store->calendarWithIdentifier(m_data.calendarIdentifier);
}

void EKEvent::setCalendar(const std::shared_ptr<EKCalendar>& calendar) {
    m_data.calendarIdentifier = calendar ? calendar->calendarIdentifier() : QString();
}

void EKEvent::adopt(const EKEventRecord& record) {
    m_eventIdentifier = record.eventIdentifier;
    m_externalIdentifier = record.externalIdentifier;
    m_data = record.data;
    m_stored = record.data;
    m_isNew = false;
}

bool EKEvent::refresh() {
    if (m_isNew) return true;
    auto store = m_store.lock();
    if (!store || m_eventIdentifier.isEmpty()) return false;
    std::optional<EKEventRecord> record = store->recordWithIdentifier(m_eventIdentifier);
    if (!record) {
        // Moved to another calendar by another object or program: follow it when it is unambiguous.
        const QList<EKEventRecord> found = store->recordsWithExternalIdentifier(m_externalIdentifier);
        if (found.size() != 1) return false;
        record = found.first();
    }
    m_eventIdentifier = record->eventIdentifier;
    m_data = mergeEventChanges(record->data, m_stored, m_data);
    m_data.attendees = record->data.attendees;
    m_stored = record->data;
    return true;
}

void EKEvent::reset() {
    if (auto store = m_store.lock(); store && !m_eventIdentifier.isEmpty()) {
        if (auto record = store->recordWithIdentifier(m_eventIdentifier)) {
            adopt(*record);
            return;
        }
    }
    m_data = m_stored;
}
