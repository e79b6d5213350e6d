#pragma once

#include <QFileSystemWatcher>
#include <QFutureWatcher>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// Watches the sheet folder and every folder below it (sheet bundles included) and reports a change
// made by someone else: a change seen by the file-system watcher is followed, after kLatency
// seconds on the shared Scheduler, by a rescan of the folder (read on a worker thread, compared here);
// when the rescan finds an entry added, removed or modified that the own-change test does not claim,
// the change callback runs on the next pass of the event loop. Owned by its creator (the sheet
// browser). Main thread only.
class SheetFolderWatcher : public QObject {
    Q_OBJECT
public:
    static constexpr double kLatency = 3.0;
    using ChangeHandler = std::function<void()>;
    // Whether the change at the path was made by this program.
    using OwnChangeTest = std::function<bool(const QString& path)>;

    explicit SheetFolderWatcher(ChangeHandler changed, QObject* parent = nullptr);
    ~SheetFolderWatcher() override;

    // Watches folder from now on, dropping the folder watched before. A folder that does not exist
    // is refused with a diagnostic line; the folder watched before stays.
    bool setFolder(const QString& folder);
    QString folder() const { return m_folder; }
    void setOwnChangeTest(OwnChangeTest test) { m_isOwnChange = std::move(test); }
    QStringList watchedFolders() const { return m_watcher.directories(); }

    // What the file-system watcher reports (public so tests can stand in for it).
    void pathChanged(const QString& path);
    // Reads the folder in the background and compares it with what was seen last; pathChanged
    // schedules it. Asked again while reading, it reads again once the read ends.
    void rescan();
    bool isRescanning() const { return m_scan != nullptr; }
    // Waits for the rescan and compares what it read (tests).
    void waitForRescan();

private:
    struct Stamp {
        qint64 modified = 0;
        qint64 size = 0;
        friend bool operator==(const Stamp&, const Stamp&) = default;
    };
    using Snapshot = QHash<QString, Stamp>;
    static Snapshot scan(const QString& folder);
    void rescanFinished();
    void compare(const Snapshot& now);
    void watch(const Snapshot& snapshot);
    void dropRescan();

    ChangeHandler m_changed;
    OwnChangeTest m_isOwnChange;
    QFileSystemWatcher m_watcher;
    QString m_folder;
    Snapshot m_seen;
    std::unique_ptr<QFutureWatcher<Snapshot>> m_scan;
    bool m_scanAgain = false;
};
