#include "platform/calendar/FakeEventStore.h"

#include <QUuid>

std::shared_ptr<EKCalendar> FakeEventStore::addCalendar(const QString& identifier, const QString& title,
                                                        const ATSURGBAlphaColor& color,
                                                        bool allowsContentModifications) {
    removeCalendar(identifier);
    auto calendar = std::make_shared<EKCalendar>(identifier, title, color, allowsContentModifications);
    m_calendars.append(calendar);
    postChanged();
    return calendar;
}

void FakeEventStore::removeCalendar(const QString& identifier) {
    if (m_calendars.removeIf([&](const auto& c) { return c->calendarIdentifier() == identifier; }) > 0)
        postChanged();
}

QString FakeEventStore::putRecord(EKEventRecord record) {
    if (record.externalIdentifier.isEmpty())
        record.externalIdentifier = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    if (record.eventIdentifier.isEmpty())
        record.eventIdentifier = record.data.calendarIdentifier + u'/' + record.externalIdentifier;
    m_records[record.eventIdentifier] = record;
    postChanged();
    return record.eventIdentifier;
}

void FakeEventStore::eraseRecord(const QString& eventIdentifier) {
    if (m_records.erase(eventIdentifier)) postChanged();
}

QList<EKEventRecord> FakeEventStore::records() const {
    QList<EKEventRecord> list;
    for (const auto& [id, record] : m_records) list.append(record);
    return list;
}

QList<std::shared_ptr<EKCalendar>> FakeEventStore::calendarsForEntityType(EKEntityType type) const {
    return type == EKEntityTypeEvent ? m_calendars : QList<std::shared_ptr<EKCalendar>>();
}

std::shared_ptr<EKCalendar> FakeEventStore::calendarWithIdentifier(const QString& identifier) const {
    for (const auto& calendar : m_calendars) {
        if (calendar->calendarIdentifier() == identifier) return calendar;
    }
    return nullptr;
}

std::shared_ptr<EKCalendar> FakeEventStore::defaultCalendarForNewEvents() {
    if (auto calendar = calendarWithIdentifier(QStringLiteral("default"))) return calendar;
    return addCalendar(QStringLiteral("default"), QStringLiteral("Tasks"));
}

std::optional<EKEventRecord> FakeEventStore::recordWithIdentifier(const QString& identifier) const {
    auto it = m_records.find(identifier);
    if (it == m_records.end()) return std::nullopt;
    return it->second;
}

QList<EKEventRecord> FakeEventStore::recordsWithExternalIdentifier(const QString& identifier) const {
    QList<EKEventRecord> list;
    for (const auto& [id, record] : m_records) {
        if (record.externalIdentifier == identifier) list.append(record);
    }
    return list;
}

bool FakeEventStore::writeRecord(const EKEventRecord& edited, const EKEventData& base, EKEventRecord* stored,
                                 QString* error) {
    if (!m_failure.isEmpty()) {
        if (error) *error = m_failure;
        return false;
    }
    EKEventRecord record = edited;
    if (!edited.eventIdentifier.isEmpty()) {
        auto it = m_records.find(edited.eventIdentifier);
        if (it == m_records.end()) {
            if (error) *error = QStringLiteral("The event is no longer in the calendar store.");
            return false;
        }
        record.data = mergeEventChanges(it->second.data, base, edited.data);
        record.data.attendees = it->second.data.attendees;
        m_records.erase(it);
    }
    record.eventIdentifier = record.data.calendarIdentifier + u'/' + record.externalIdentifier;
    m_records[record.eventIdentifier] = record;
    ++m_writes;
    *stored = record;
    return true;
}

bool FakeEventStore::deleteRecord(const QString& eventIdentifier, QString* error) {
    if (!m_failure.isEmpty() || !m_records.erase(eventIdentifier)) {
        if (error)
            *error = m_failure.isEmpty() ? QStringLiteral("The event is no longer in the calendar store.")
                                         : m_failure;
        return false;
    }
    ++m_writes;
    return true;
}
