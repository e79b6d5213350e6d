#include "platform/calendar/VdirEventStore.h"

#include "platform/AtomicFile.h"
#include "platform/Diagnostics.h"
#include "platform/Scheduler.h"
#include "platform/calendar/AlarmScheduler.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSet>
#include <QStandardPaths>
#include <QtDebug>
#include <algorithm>

namespace {
const QString kDisplayNameFile = QStringLiteral("displayname");
const QString kColorFile = QStringLiteral("color");
const QString kAlarmStateFile = QStringLiteral(".alarm-state.json");
const QString kSuffix = QStringLiteral(".ics");
const ATSURGBAlphaColor kDefaultColor{0.2f, 0.45f, 0.8f, 1.0f};
constexpr double kRescanDelay = 0.5;

bool fail(QString* error, const QString& message) {
    if (error) *error = message;
    return false;
}

QByteArray readSmallFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.read(4096);
}

// "#RRGGBB" or "#RRGGBBAA".
ATSURGBAlphaColor parseColor(const QByteArray& raw) {
    const QByteArray s = raw.trimmed();
    if (!s.startsWith('#') || (s.size() != 7 && s.size() != 9)) return kDefaultColor;
    float c[4] = {0, 0, 0, 1};
    for (int i = 0; i < (s.size() - 1) / 2; ++i) {
        bool ok = false;
        const int v = s.mid(1 + 2 * i, 2).toInt(&ok, 16);
        if (!ok) return kDefaultColor;
        c[i] = static_cast<float>(v) / 255.0f;
    }
    return {c[0], c[1], c[2], c[3]};
}

QByteArray formatColor(const ATSURGBAlphaColor& c) {
    auto hex = [](float v) {
        return QByteArray::number(qBound(0, qRound(v * 255.0f), 255), 16).rightJustified(2, '0').toUpper();
    };
    return "#" + hex(c.red) + hex(c.green) + hex(c.blue) + "\n";
}

// A file name from a UID: characters that are not safe in file names become "_".
QString fileNameForUid(const QString& uid) {
    QString name;
    for (QChar ch : uid) {
        const bool safe = ch.isLetterOrNumber() || ch == u'-' || ch == u'_' || ch == u'.' || ch == u'@';
        name.append(safe && ch.unicode() < 128 ? ch : QChar(u'_'));
    }
    return name + kSuffix;
}

QString identifierFor(const QString& calendar, const QString& fileName) {
    return calendar + u'/' + fileName.chopped(kSuffix.size());
}
} // namespace

std::shared_ptr<VdirEventStore> VdirEventStore::create(const QString& rootPath,
                                                       std::shared_ptr<DesktopNotifier> notifier) {
    return std::shared_ptr<VdirEventStore>(new VdirEventStore(rootPath, std::move(notifier)));
}

QString VdirEventStore::defaultRootPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u'/' +
           QCoreApplication::applicationName() + QStringLiteral("/calendars");
}

std::shared_ptr<EKEventStore> makeSystemEventStore() {
    return VdirEventStore::create(VdirEventStore::defaultRootPath(), std::make_shared<DBusDesktopNotifier>());
}

VdirEventStore::VdirEventStore(const QString& rootPath, std::shared_ptr<DesktopNotifier> notifier)
    : m_root(QDir::cleanPath(rootPath)), m_watcher(std::make_unique<QFileSystemWatcher>()) {
    if (!AtomicFile::makeFolder(m_root))
        Diagnostics::warning(QStringLiteral("Cannot make the calendar folder %1").arg(m_root));
    QObject::connect(m_watcher.get(), &QFileSystemWatcher::directoryChanged, m_watcher.get(),
                     [this]() { scheduleRescan(); });
    QObject::connect(m_watcher.get(), &QFileSystemWatcher::fileChanged, m_watcher.get(),
                     [this]() { scheduleRescan(); });
    scan();
    watch();
    if (notifier) {
        m_alarms = std::make_unique<AlarmScheduler>(m_root + u'/' + kAlarmStateFile, std::move(notifier));
        updateAlarms();
    }
}

VdirEventStore::~VdirEventStore() {
    m_watcher.reset();
    m_alarms.reset();
    Scheduler::shared().cancelAll(this);
}

bool VdirEventStore::scan() {
    bool changed = false;
    std::map<QString, StoredEvent> events;
    std::map<QString, std::shared_ptr<EKCalendar>> calendars;
    QSet<QString> seenFiles;
    bool complete = true;
    AtomicFile::removeLeftoversIn(m_root);
    const QFileInfoList folders = QDir(m_root).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& folder : folders) {
        const QString id = folder.fileName();
        const QString dir = folder.filePath();
        AtomicFile::removeLeftoversIn(dir); // interrupted saves: never events
        QString title = QString::fromUtf8(readSmallFile(dir + u'/' + kDisplayNameFile)).trimmed();
        if (title.isEmpty()) title = id;
        const ATSURGBAlphaColor color = parseColor(readSmallFile(dir + u'/' + kColorFile));
        const bool writable = folder.isWritable();
        auto existing = m_calendars.find(id);
        if (existing == m_calendars.end()) {
            calendars[id] = std::make_shared<EKCalendar>(id, title, color, writable);
            changed = true;
        } else {
            const EKCalendar& c = *existing->second;
            if (c.title() != title || !(c.color() == color) || c.allowsContentModifications() != writable) {
                existing->second->update(title, color, writable);
                changed = true;
            }
            calendars[id] = existing->second;
        }

        const QFileInfoList files =
            QDir(dir).entryInfoList({QStringLiteral("*.ics")}, QDir::Files, QDir::Name);
        for (const QFileInfo& file : files) {
            const QString path = file.filePath();
            const QString eventId = identifierFor(id, file.fileName());
            QFile f(path);
            if (!f.open(QIODevice::ReadOnly)) { // being replaced; the next scan sees it
                complete = false;
                continue;
            }
            const QByteArray content = f.readAll();
            seenFiles.insert(path);
            auto old = m_events.find(eventId);
            if (old != m_events.end() && old->second.content == content) {
                events[eventId] = old->second;
                continue;
            }
            changed = changed || old != m_events.end();
            ICalendarCodec::ParsedEvent parsed;
            QString reason;
            switch (ICalendarCodec::parse(content, &parsed, &reason)) {
            case ICalendarCodec::ParseResult::Event:
                events[eventId] = StoredEvent{id, path, content, parsed};
                m_reportedFiles.remove(path);
                changed = true;
                break;
            case ICalendarCodec::ParseResult::NotAnEvent:
                break;
            case ICalendarCodec::ParseResult::Malformed: {
                complete = false;
                auto reported = m_reportedFiles.find(path);
                if (reported == m_reportedFiles.end() || *reported != content) {
                    Diagnostics::warning(
                        QStringLiteral("Skipping the unreadable calendar file %1: %2").arg(path, reason));
                    m_reportedFiles.insert(path, content);
                }
                break;
            }
            }
        }
    }
    for (const auto& [id, stored] : m_events) {
        if (!events.count(id)) changed = true;
    }
    for (const auto& [id, calendar] : m_calendars) {
        if (!calendars.count(id)) changed = true;
    }
    for (auto it = m_reportedFiles.begin(); it != m_reportedFiles.end();) {
        it = seenFiles.contains(it.key()) ? std::next(it) : m_reportedFiles.erase(it);
    }
    m_events = std::move(events);
    m_calendars = std::move(calendars);
    m_complete = complete;
    return changed;
}

void VdirEventStore::watch() {
    QStringList wanted{m_root};
    for (const auto& [id, calendar] : m_calendars) {
        const QString dir = m_root + u'/' + id;
        wanted << dir << dir + u'/' + kDisplayNameFile << dir + u'/' + kColorFile;
        for (const QFileInfo& file : QDir(dir).entryInfoList({QStringLiteral("*.ics")}, QDir::Files))
            wanted << file.filePath();
    }
    const QStringList watched = m_watcher->files() + m_watcher->directories();
    QStringList missing;
    for (const QString& path : wanted) {
        if (!watched.contains(path) && QFileInfo::exists(path)) missing << path;
    }
    if (!missing.isEmpty()) m_watcher->addPaths(missing);
}

void VdirEventStore::scheduleRescan() {
    Scheduler::shared().performAfterDelay(this, QStringLiteral("rescan"), kRescanDelay,
                                          [this]() { rescan(); });
}

void VdirEventStore::rescan() {
    const bool changed = scan();
    watch();
    if (!changed) return;
    updateAlarms();
    postChanged();
}

void VdirEventStore::updateAlarms() {
    if (!m_alarms) return;
    std::vector<AlarmEvent> alarms;
    for (const auto& [id, stored] : m_events) {
        const EKEventData& data = stored.event.data;
        if (!data.alarms.isEmpty()) {
            ICalendarCodec::ParsedEvent parsed = stored.event;
            alarms.push_back({id, data.title, data.startDate, data.allDay, data.alarms,
                              [parsed](const std::function<bool(const QDateTime&)>& visit) {
                                  ICalendarCodec::forEachOccurrence(parsed, visit);
                              }});
        }
        // A changed occurrence has the alarms its own VEVENT holds, at its own time.
        for (const ICalendarCodec::ChangedOccurrence& changed : stored.event.changedOccurrences) {
            if (changed.cancelled || changed.data.alarms.isEmpty()) continue;
            const QDateTime start = changed.data.startDate;
            alarms.push_back({id, changed.data.title, start, changed.data.allDay, changed.data.alarms,
                              [start](const std::function<bool(const QDateTime&)>& visit) { visit(start); }});
        }
    }
    m_alarms->setEvents(std::move(alarms));
}

QList<std::shared_ptr<EKCalendar>> VdirEventStore::calendarsForEntityType(EKEntityType type) const {
    QList<std::shared_ptr<EKCalendar>> list;
    if (type != EKEntityTypeEvent) return list;
    for (const auto& [id, calendar] : m_calendars) list.append(calendar);
    std::stable_sort(list.begin(), list.end(), [](const auto& a, const auto& b) {
        const int byTitle = a->title().compare(b->title(), Qt::CaseInsensitive);
        return byTitle != 0 ? byTitle < 0 : a->calendarIdentifier() < b->calendarIdentifier();
    });
    return list;
}

std::shared_ptr<EKCalendar> VdirEventStore::calendarWithIdentifier(const QString& identifier) const {
    auto it = m_calendars.find(identifier);
    return it == m_calendars.end() ? nullptr : it->second;
}

std::shared_ptr<EKCalendar> VdirEventStore::defaultCalendarForNewEvents() {
    if (auto calendar = calendarWithIdentifier(kDefaultCalendarIdentifier)) return calendar;
    const QString dir = m_root + u'/' + kDefaultCalendarIdentifier;
    QString title = QCoreApplication::applicationName();
    if (title.isEmpty()) title = QStringLiteral("Tasks");
    QString error;
    if (!AtomicFile::makeFolder(dir, &error) ||
        !AtomicFile::write(dir + u'/' + kDisplayNameFile, title.toUtf8() + "\n", &error) ||
        !AtomicFile::write(dir + u'/' + kColorFile, formatColor(kDefaultColor), &error)) {
        Diagnostics::warning(QStringLiteral("Cannot make the default calendar in %1 %2").arg(dir, error));
        return nullptr;
    }
    rescan();
    postChanged();
    return calendarWithIdentifier(kDefaultCalendarIdentifier);
}

EKEventRecord VdirEventStore::recordOf(const QString& identifier, const StoredEvent& stored) const {
    EKEventRecord record{identifier, stored.event.uid, stored.event.data};
    record.data.calendarIdentifier = stored.calendarIdentifier;
    return record;
}

std::optional<EKEventRecord> VdirEventStore::recordWithIdentifier(const QString& identifier) const {
    auto it = m_events.find(identifier);
    if (it == m_events.end()) return std::nullopt;
    return recordOf(it->first, it->second);
}

QList<EKEventRecord> VdirEventStore::recordsWithExternalIdentifier(const QString& identifier) const {
    QList<EKEventRecord> records;
    for (const auto& [id, stored] : m_events) {
        if (stored.event.uid == identifier) records.append(recordOf(id, stored));
    }
    return records;
}

bool VdirEventStore::readEvent(const QString& path, const QString& uid, QByteArray* content,
                               ICalendarCodec::ParsedEvent* event, QString* error) const {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(error, QStringLiteral("The event's file %1 is gone: %2").arg(path, file.errorString()));
    *content = file.readAll();
    QString reason;
    if (ICalendarCodec::parse(*content, event, &reason) != ICalendarCodec::ParseResult::Event ||
        event->uid != uid)
        return fail(error,
                    QStringLiteral("The event's file %1 was changed by another program and is no longer "
                                   "readable; it was left as it is.")
                        .arg(path));
    return true;
}

bool VdirEventStore::writeRecord(const EKEventRecord& edited, const EKEventData& base, EKEventRecord* stored,
                                 QString* error) {
    const QDateTime now = Scheduler::shared().now();
    const QString target = edited.data.calendarIdentifier;
    const QString targetDir = m_root + u'/' + target;
    QString path;
    QByteArray bytes;
    QString problem;
    QString oldPath;
    if (edited.eventIdentifier.isEmpty()) {
        path = targetDir + u'/' + fileNameForUid(edited.externalIdentifier);
        if (QFileInfo::exists(path))
            return fail(error, QStringLiteral("The file %1 exists already.").arg(path));
        bytes = ICalendarCodec::encodeNew(edited.externalIdentifier, edited.data, now, &problem);
    } else {
        auto it = m_events.find(edited.eventIdentifier);
        if (it == m_events.end())
            return fail(error, QStringLiteral("The event is no longer in the calendar store."));
        // Work on what is on disk now, so that changes made there meanwhile are kept.
        QByteArray content;
        ICalendarCodec::ParsedEvent current;
        if (!readEvent(it->second.path, edited.externalIdentifier, &content, &current, error)) return false;
        EKEventData onDisk = current.data;
        onDisk.calendarIdentifier = it->second.calendarIdentifier;
        const EKEventData merged = mergeEventChanges(onDisk, base, edited.data);
        bytes = ICalendarCodec::encodeChanges(current, merged, now, &problem);
        path = it->second.path;
        if (merged.calendarIdentifier != it->second.calendarIdentifier) {
            oldPath = path;
            path = m_root + u'/' + merged.calendarIdentifier + u'/' + QFileInfo(oldPath).fileName();
            if (QFileInfo::exists(path))
                return fail(error, QStringLiteral("The calendar holds a file %1 already.").arg(path));
        }
    }
    // A text that would not read back is not written.
    ICalendarCodec::ParsedEvent written;
    if (bytes.isEmpty() ||
        ICalendarCodec::parse(bytes, &written, &problem) != ICalendarCodec::ParseResult::Event)
        return fail(error, QStringLiteral("The event cannot be stored: %1").arg(problem));
    if (!AtomicFile::write(path, bytes, error)) return false;
    if (!oldPath.isEmpty() && !QFile::remove(oldPath)) {
        QFile::remove(path);
        return fail(error, QStringLiteral("Cannot move the event out of %1.").arg(oldPath));
    }
    if (!oldPath.isEmpty()) m_events.erase(edited.eventIdentifier);

    const QFileInfo info(path);
    const QString calendarId = info.dir().dirName();
    const QString id = identifierFor(calendarId, info.fileName());
    m_events[id] = StoredEvent{calendarId, path, bytes, written};
    *stored = recordOf(id, m_events[id]);
    watch();
    updateAlarms();
    return true;
}

bool VdirEventStore::deleteRecord(const QString& eventIdentifier, QString* error) {
    auto it = m_events.find(eventIdentifier);
    if (it == m_events.end())
        return fail(error, QStringLiteral("The event is no longer in the calendar store."));
    auto calendar = calendarWithIdentifier(it->second.calendarIdentifier);
    if (calendar && !calendar->allowsContentModifications())
        return fail(error, QStringLiteral("The calendar \"%1\" is read-only.").arg(calendar->title()));
    // Only a file that still holds this event is deleted.
    QByteArray content;
    ICalendarCodec::ParsedEvent current;
    if (!readEvent(it->second.path, it->second.event.uid, &content, &current, error)) return false;
    // A file that holds more than this event keeps the rest.
    const QByteArray rest = ICalendarCodec::encodeWithout(current);
    if (!rest.isEmpty()) {
        if (!AtomicFile::write(it->second.path, rest, error)) return false;
        ICalendarCodec::ParsedEvent remaining;
        QString reason;
        if (ICalendarCodec::parse(rest, &remaining, &reason) == ICalendarCodec::ParseResult::Event) {
            it->second.content = rest;
            it->second.event = remaining;
        } else {
            m_events.erase(it);
        }
        updateAlarms();
        return true;
    }
    QFile file(it->second.path);
    if (!file.remove())
        return fail(error, QStringLiteral("Cannot remove %1: %2").arg(it->second.path, file.errorString()));
    m_events.erase(it);
    updateAlarms();
    return true;
}
