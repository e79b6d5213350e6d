#include "SheetFolderWatcher.h"

#include "platform/Diagnostics.h"
#include "platform/Scheduler.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>
#include <QtConcurrent/QtConcurrentRun>

namespace {
const QString kRescanKey = QStringLiteral("SheetFolderWatcher.rescan");
const QString kChangedKey = QStringLiteral("SheetFolderWatcher.directoryChanged");
} // namespace

SheetFolderWatcher::SheetFolderWatcher(ChangeHandler changed, QObject* parent)
    : QObject(parent), m_changed(std::move(changed)) {
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &SheetFolderWatcher::pathChanged);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &SheetFolderWatcher::pathChanged);
}

SheetFolderWatcher::~SheetFolderWatcher() {
    Scheduler::shared().cancelAll(this);
}

bool SheetFolderWatcher::setFolder(const QString& folder) {
    if (!QFileInfo(folder).isDir()) {
        Diagnostics::line(QStringLiteral("sheet folder path is invalid."));
        return false;
    }
    Scheduler::shared().cancelAll(this);
    dropRescan();
    if (!m_watcher.directories().isEmpty()) m_watcher.removePaths(m_watcher.directories());
    if (!m_watcher.files().isEmpty()) m_watcher.removePaths(m_watcher.files());
    m_folder = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    m_seen = scan(m_folder);
    watch(m_seen);
    return true;
}

void SheetFolderWatcher::pathChanged(const QString&) {
    if (m_folder.isEmpty() || Scheduler::shared().isPending(this, kRescanKey)) return;
    Scheduler::shared().performAfterDelay(this, kRescanKey, kLatency, [this] { rescan(); });
}

void SheetFolderWatcher::rescan() {
    if (m_folder.isEmpty()) return;
    if (m_scan) {
        m_scanAgain = true;
        return;
    }
    m_scanAgain = false;
    m_scan = std::make_unique<QFutureWatcher<Snapshot>>();
    connect(m_scan.get(), &QFutureWatcherBase::finished, this, &SheetFolderWatcher::rescanFinished);
    m_scan->setFuture(QtConcurrent::run(&SheetFolderWatcher::scan, m_folder));
}

void SheetFolderWatcher::rescanFinished() {
    const Snapshot now = m_scan->result();
    dropRescan();
    if (m_scanAgain)
        rescan();
    else
        compare(now);
}

void SheetFolderWatcher::waitForRescan() {
    while (m_scan) {
        m_scan->waitForFinished();
        rescanFinished();
    }
}

// A read that has not ended goes on alone and is not looked at; the watcher may be in its own signal.
void SheetFolderWatcher::dropRescan() {
    if (!m_scan) return;
    m_scan->disconnect(this);
    m_scan.release()->deleteLater();
}

void SheetFolderWatcher::compare(const Snapshot& now) {
    QSet<QString> changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it)
        if (m_seen.value(it.key(), Stamp{-1, -1}) != it.value()) changed.insert(it.key());
    for (auto it = m_seen.cbegin(); it != m_seen.cend(); ++it)
        if (!now.contains(it.key())) changed.insert(it.key());
    m_seen = now;
    watch(now);
    bool foreign = false;
    for (const QString& path : changed)
        if (!m_isOwnChange || !m_isOwnChange(path)) foreign = true;
    if (foreign && m_changed) Scheduler::shared().performAfterDelay(this, kChangedKey, 0.0, m_changed);
}

// Every entry below the folder but hidden ones (the temporaries of atomic saves among them).
SheetFolderWatcher::Snapshot SheetFolderWatcher::scan(const QString& folder) {
    Snapshot snapshot;
    snapshot.insert(folder, Stamp{-2, 0});
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.mid(folder.size()).contains(QStringLiteral("/."))) continue;
        // A folder counts by its entries: its own date moves with every save made in it.
        const QFileInfo info = it.fileInfo();
        snapshot.insert(path, info.isDir() ? Stamp{-2, 0}
                                           : Stamp{info.lastModified().toMSecsSinceEpoch(), info.size()});
    }
    return snapshot;
}

void SheetFolderWatcher::watch(const Snapshot& snapshot) {
    QSet<QString> wanted;
    for (auto it = snapshot.cbegin(); it != snapshot.cend(); ++it)
        if (it.value().modified == -2) wanted.insert(it.key());
    const QStringList list = m_watcher.directories();
    const QSet<QString> watched(list.cbegin(), list.cend());
    QStringList gone;
    for (const QString& path : watched)
        if (!wanted.contains(path)) gone.append(path);
    if (!gone.isEmpty()) m_watcher.removePaths(gone);
    QStringList added;
    for (const QString& path : wanted)
        if (!watched.contains(path)) added.append(path);
    if (!added.isEmpty()) m_watcher.addPaths(added);
}
