#pragma once

#include "platform/calendar/DesktopNotifier.h"
#include "platform/calendar/EKEventStore.h"
#include "platform/calendar/ICalendarCodec.h"

#include <QHash>
#include <map>
#include <memory>

class AlarmScheduler;
class QFileSystemWatcher;

// The calendar store on disk: one folder per calendar under the root (its title and colour in the
// files "displayname" and "color"), one iCalendar file per event. Files of other programs are read;
// a file that cannot be read is skipped and left alone. The folder is watched: changes from outside
// post the change notice. With a notifier, due alarms are shown as desktop notifications.
class VdirEventStore : public EKEventStore {
public:
    static std::shared_ptr<VdirEventStore> create(const QString& rootPath,
                                                  std::shared_ptr<DesktopNotifier> notifier = nullptr);
    // $XDG_DATA_HOME/<application name>/calendars
    static QString defaultRootPath();
    // The calendar new events go to, made in this folder on first use.
    static inline const QString kDefaultCalendarIdentifier = QStringLiteral("default");

    ~VdirEventStore() override;

    QString rootPath() const { return m_root; }

    QList<std::shared_ptr<EKCalendar>> calendarsForEntityType(EKEntityType type) const override;
    std::shared_ptr<EKCalendar> calendarWithIdentifier(const QString& identifier) const override;
    std::shared_ptr<EKCalendar> defaultCalendarForNewEvents() override;

    std::optional<EKEventRecord> recordWithIdentifier(const QString& identifier) const override;
    QList<EKEventRecord> recordsWithExternalIdentifier(const QString& identifier) const override;

    // Reads the folder again; posts the change notice when anything changed. The watcher calls it
    // shortly after the folder changes.
    void rescan();
    bool isComplete() const override { return m_complete; }

protected:
    bool writeRecord(const EKEventRecord& edited, const EKEventData& base, EKEventRecord* stored,
                     QString* error) override;
    bool deleteRecord(const QString& eventIdentifier, QString* error) override;

private:
    VdirEventStore(const QString& rootPath, std::shared_ptr<DesktopNotifier> notifier);

    struct StoredEvent {
        QString calendarIdentifier;
        QString path;
        QByteArray content;
        ICalendarCodec::ParsedEvent event;
    };

    bool scan();
    void watch();
    void scheduleRescan();
    void updateAlarms();
    EKEventRecord recordOf(const QString& identifier, const StoredEvent& stored) const;
    bool readEvent(const QString& path, const QString& uid, QByteArray* content,
                   ICalendarCodec::ParsedEvent* event, QString* error) const;

    QString m_root;
    std::map<QString, StoredEvent> m_events; // by event identifier: "<calendar>/<file name without .ics>"
    std::map<QString, std::shared_ptr<EKCalendar>> m_calendars;
    bool m_complete = true;
    QHash<QString, QByteArray> m_reportedFiles; // unreadable files already reported, with their content
    std::unique_ptr<QFileSystemWatcher> m_watcher;
    std::unique_ptr<AlarmScheduler> m_alarms;
};

// The store the program uses: the default folder, alarms through the desktop's notification service.
std::shared_ptr<EKEventStore> makeSystemEventStore();
