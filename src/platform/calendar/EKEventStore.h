#pragma once

#include "platform/calendar/EKCalendar.h"
#include "platform/calendar/EKEvent.h"

#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

enum EKEntityType { EKEntityTypeEvent = 0, EKEntityTypeReminder = 1 };

// Which occurrences of a repeating event a save or removal concerns.
enum EKSpan { EKSpanThisEvent = 0, EKSpanFutureEvents = 1 };

// Posted on NotificationCenter::defaultCenter(), with the store (as EKEventStore*) as the object,
// shortly after the store changed, whether through this process or from outside. Bursts give one notice.
inline const QString EKEventStoreChangedNotification = QStringLiteral("EKEventStoreChangedNotification");

// The calendar store: calendars and their events. Made through the subclasses' create(), always
// held by a shared pointer. Main thread only.
class EKEventStore : public std::enable_shared_from_this<EKEventStore> {
public:
    using AccessCompletion = std::function<void(bool granted, const QString& error)>;

    virtual ~EKEventStore();
    EKEventStore(const EKEventStore&) = delete;
    EKEventStore& operator=(const EKEventStore&) = delete;

    // Events are always granted; reminders are not kept by this store. The completion, if any,
    // runs before the call returns.
    void requestAccessToEntityType(EKEntityType type, const AccessCompletion& completion = {});

    // The calendars in the store's order (by title, then identifier). Reminders have none.
    virtual QList<std::shared_ptr<EKCalendar>> calendarsForEntityType(EKEntityType type) const = 0;
    virtual std::shared_ptr<EKCalendar> calendarWithIdentifier(const QString& identifier) const = 0;
    // The calendar new events go to; made on first use. Null when it cannot be made.
    virtual std::shared_ptr<EKCalendar> defaultCalendarForNewEvents() = 0;

    std::shared_ptr<EKEvent> newEvent() { return EKEvent::eventWithEventStore(shared_from_this()); }
    // Null when no event has that identifier.
    std::shared_ptr<EKEvent> eventWithIdentifier(const QString& identifier);
    // Every event with that external identifier (one per calendar that holds it).
    QList<std::shared_ptr<EKEvent>> calendarItemsWithExternalIdentifier(const QString& identifier);

    // Saving checks the event at once; without commit the write waits for commit(). A span of
    // EKSpanThisEvent is refused for a repeating event: events here always stand for the whole series.
    bool saveEvent(const std::shared_ptr<EKEvent>& event, EKSpan span, bool commit, QString* error = nullptr);
    bool removeEvent(const std::shared_ptr<EKEvent>& event, EKSpan span, bool commit,
                     QString* error = nullptr);
    // Carries out the saves and removals waiting; gives the first error. Failed ones are dropped.
    bool commit(QString* error = nullptr);
    // Drops the saves and removals waiting for a commit.
    void reset() { m_pending.clear(); }

    // Whether the last reading of the store took in every event it holds: false while an event's file
    // could not be opened or parsed (a sync client replacing it), so an event missing now may be back.
    virtual bool isComplete() const { return true; }

    // Filled in by the store: the record's current stored state.
    virtual std::optional<EKEventRecord> recordWithIdentifier(const QString& identifier) const = 0;
    virtual QList<EKEventRecord> recordsWithExternalIdentifier(const QString& identifier) const = 0;

protected:
    EKEventStore() = default;

    // Writes the changes that `edited` makes relative to `base` onto the stored event (a new one when
    // edited.eventIdentifier is empty) and gives what is stored now.
    virtual bool writeRecord(const EKEventRecord& edited, const EKEventData& base, EKEventRecord* stored,
                             QString* error) = 0;
    virtual bool deleteRecord(const QString& eventIdentifier, QString* error) = 0;

    // Posts the change notice once the current burst of changes is over.
    void postChanged();

private:
    struct Pending {
        bool remove;
        std::shared_ptr<EKEvent> event;
    };
    bool check(const EKEvent& event, EKSpan span, bool remove, QString* error) const;
    bool perform(const Pending& pending, QString* error);

    std::vector<Pending> m_pending;
};
