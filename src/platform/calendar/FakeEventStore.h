#pragma once

#include "platform/calendar/EKEventStore.h"

#include <map>

// An in-memory store for tests, with the same behaviour as the store on disk: calendars, a default
// calendar made on first use, identifiers, merging of concurrent changes and the change notice.
class FakeEventStore : public EKEventStore {
public:
    static std::shared_ptr<FakeEventStore> create() {
        return std::shared_ptr<FakeEventStore>(new FakeEventStore);
    }

    std::shared_ptr<EKCalendar> addCalendar(const QString& identifier, const QString& title,
                                            const ATSURGBAlphaColor& color = {0.2f, 0.45f, 0.8f, 1.0f},
                                            bool allowsContentModifications = true);
    void removeCalendar(const QString& identifier);

    // While set, every save and removal fails with this message.
    void setFailure(const QString& message) { m_failure = message; }
    // While false, the store reads as one that could not take in every event just now.
    void setComplete(bool complete) { m_complete = complete; }
    bool isComplete() const override { return m_complete; }

    // Changes as if made by another program; each posts the change notice. putRecord gives the
    // record an identifier when it has none and returns it.
    QString putRecord(EKEventRecord record);
    void eraseRecord(const QString& eventIdentifier);
    QList<EKEventRecord> records() const;
    int writeCount() const { return m_writes; }

    QList<std::shared_ptr<EKCalendar>> calendarsForEntityType(EKEntityType type) const override;
    std::shared_ptr<EKCalendar> calendarWithIdentifier(const QString& identifier) const override;
    std::shared_ptr<EKCalendar> defaultCalendarForNewEvents() override;
    std::optional<EKEventRecord> recordWithIdentifier(const QString& identifier) const override;
    QList<EKEventRecord> recordsWithExternalIdentifier(const QString& identifier) const override;

protected:
    bool writeRecord(const EKEventRecord& edited, const EKEventData& base, EKEventRecord* stored,
                     QString* error) override;
    bool deleteRecord(const QString& eventIdentifier, QString* error) override;

private:
    FakeEventStore() = default;
    bool m_complete = true;

    QList<std::shared_ptr<EKCalendar>> m_calendars; // in the order they were added
    std::map<QString, EKEventRecord> m_records;
    QString m_failure;
    int m_writes = 0;
};
