#pragma once

#include "platform/calendar/EKAlarm.h"
#include "platform/calendar/EKCalendar.h"
#include "platform/calendar/EKRecurrenceRule.h"

#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QUrl>
#include <memory>

class EKEventStore;

// The fields of an event as the store keeps them.
struct EKEventData {
    QString title;
    QString notes;
    QString location;
    QUrl url;
    QDateTime startDate;
    QDateTime endDate;
    bool allDay = false;
    QString calendarIdentifier;
    QList<EKAlarm> alarms;
    QList<EKRecurrenceRule> recurrenceRules;
    QStringList attendees; // read only: written by other programs

    friend bool operator==(const EKEventData&, const EKEventData&) = default;
};

// Applies the fields that `edited` changed relative to `base` onto `current`; the other fields keep
// the values of `current`, so changes made meanwhile by someone else survive.
EKEventData mergeEventChanges(const EKEventData& current, const EKEventData& base, const EKEventData& edited);

// One stored event: its store-local identifier, its external identifier (the iCalendar UID) and fields.
struct EKEventRecord {
    QString eventIdentifier;
    QString externalIdentifier;
    EKEventData data;
};

// An event of a store, edited in memory and written by EKEventStore::saveEvent. Each lookup gives a
// new object; several objects may stand for the same stored event.
class EKEvent {
public:
    static std::shared_ptr<EKEvent> eventWithEventStore(const std::shared_ptr<EKEventStore>& store);

    // The store-local identifier; empty until the event is saved, and again after it is removed.
    QString eventIdentifier() const { return m_eventIdentifier; }
    QString calendarItemIdentifier() const { return m_eventIdentifier; }
    // The identifier shared with other programs (the iCalendar UID); fixed when the event is made.
    QString calendarItemExternalIdentifier() const { return m_externalIdentifier; }

    QString title() const { return m_data.title; }
    void setTitle(const QString& title) { m_data.title = title; }
    QString notes() const { return m_data.notes; }
    void setNotes(const QString& notes) { m_data.notes = notes; }
    QString location() const { return m_data.location; }
    void setLocation(const QString& location) { m_data.location = location; }
    QUrl URL() const { return m_data.url; }
    void setURL(const QUrl& url) { m_data.url = url; }

    QDateTime startDate() const { return m_data.startDate; }
    void setStartDate(const QDateTime& date) { m_data.startDate = date; }
    QDateTime endDate() const { return m_data.endDate; }
    void setEndDate(const QDateTime& date) { m_data.endDate = date; }
    bool isAllDay() const { return m_data.allDay; }
    void setAllDay(bool allDay) { m_data.allDay = allDay; }

    // Null when the event has no calendar or its calendar is gone from the store.
    std::shared_ptr<EKCalendar> calendar() const;
    void setCalendar(const std::shared_ptr<EKCalendar>& calendar);

    QList<EKAlarm> alarms() const { return m_data.alarms; }
    bool hasAlarms() const { return !m_data.alarms.isEmpty(); }
    void setAlarms(const QList<EKAlarm>& alarms) { m_data.alarms = alarms; }
    void addAlarm(const EKAlarm& alarm) { m_data.alarms.append(alarm); }
    void removeAlarm(const EKAlarm& alarm) { m_data.alarms.removeOne(alarm); }

    QList<EKRecurrenceRule> recurrenceRules() const { return m_data.recurrenceRules; }
    bool hasRecurrenceRules() const { return !m_data.recurrenceRules.isEmpty(); }
    void setRecurrenceRules(const QList<EKRecurrenceRule>& rules) { m_data.recurrenceRules = rules; }
    void addRecurrenceRule(const EKRecurrenceRule& rule) { m_data.recurrenceRules.append(rule); }
    void removeRecurrenceRule(const EKRecurrenceRule& rule) { m_data.recurrenceRules.removeOne(rule); }

    QStringList attendees() const { return m_data.attendees; }
    bool hasAttendees() const { return !m_data.attendees.isEmpty(); }

    // Whether the event was never saved.
    bool isNew() const { return m_isNew; }
    bool hasChanges() const { return m_data != m_stored; }

    // Takes in what the store now holds for this event, keeping unsaved changes. False when the
    // event is gone from the store (a new event that was never saved is not gone).
    bool refresh();
    // Drops unsaved changes.
    void reset();

    const EKEventData& data() const { return m_data; }

private:
    friend class EKEventStore;
    EKEvent() = default;
    void adopt(const EKEventRecord& record);

    std::weak_ptr<EKEventStore> m_store;
    QString m_eventIdentifier;
    QString m_externalIdentifier;
    EKEventData m_data;
    EKEventData m_stored; // as last read from or written to the store
    bool m_isNew = true;
};
