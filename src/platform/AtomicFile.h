#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <functional>

// Files replaced whole or not at all. Every file the program writes goes through write().
//
// A save writes a hidden temporary beside the file, ".<name>.jobslate-tmp-XXXXXX" (the name cut to
// fit the file-name limit), syncs it, renames it over the file and syncs the folder, so neither a
// crash nor a power loss leaves a torn file or brings the old one back. The writer holds an
// exclusive flock on its temporary until it is done; a temporary nobody holds is the leftover of an
// interrupted save, and only those are ever removed. Any thread.
namespace AtomicFile {

// Replaces the file at path with bytes. A symbolic link at path is written through (its target is
// replaced); an existing file keeps its permissions and is refused when it is not writable. On
// failure the temporary is removed, the old file stays whole, and error gets a reason. A file named
// like a temporary (isTemporaryName) is refused, as cleanup would remove it. Leftovers of
// earlier saves of the same file are removed either way. A failure to sync the folder after the
// rename is only warned about: the new file is in place by then.
bool write(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// What tells one version of a file from another: the entry (device and inode), its kind, size and
// modification time. A null stamp: nothing at the path.
struct FileStamp {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1;
    qint64 modified = 0; // nanoseconds since the Unix epoch
    bool isLink = false;
    bool isFile = false;
    bool isNull() const { return size < 0; }
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The stamp of the entry at path itself: a symbolic link is not followed.
FileStamp stampOf(const QString& path);

// Replaces the entry name in folder with bytes, the same way as write(), but never through a
// symbolic link: the temporary is made in folder and renamed onto name there, so a link at name is
// replaced, not its target. A folder at name is refused. stamp (may be null) gets the written file's.
// With expected, the entry at name must still have that stamp just before the rename (a null stamp:
// no entry); otherwise nothing is written and changed becomes true.
bool writeInFolder(const QString& folder, const QString& name, const QByteArray& bytes,
                   QString* error = nullptr, FileStamp* stamp = nullptr, const FileStamp* expected = nullptr,
                   bool* changed = nullptr);

// Renames the entry from to the name to in folder (a link is renamed itself), never replacing
// anything at to: taken becomes true when to is held.
bool renameInFolder(const QString& folder, const QString& from, const QString& to, QString* error = nullptr,
                    bool* taken = nullptr);

// Writes a new file at path the same way, but never replaces anything: when an item (a dangling
// symbolic link included) is at path already, or appears there before the file is in place, nothing
// is written, taken becomes true and error gets a reason.
bool create(const QString& path, const QByteArray& bytes, QString* error = nullptr, bool* taken = nullptr);

// Makes the folder at path and its missing parents, each new folder synced into its parent, so that a
// folder made for a save outlasts a power loss as the files saved in it do. True when the folder is
// there; otherwise error gets a reason.
bool makeFolder(const QString& path, QString* error = nullptr);

// True for a name write() gives its temporaries (a file name, not a path).
bool isTemporaryName(const QString& fileName);

// Remove the leftovers of interrupted saves: of the file at path, or of every file in the folder.
// A temporary that a save (of this process or another) is writing right now is kept, as is anything
// that is not a regular file. Return how many were removed.
int removeLeftovers(const QString& path);
int removeLeftoversIn(const QString& folderPath);

// Tests only: called with the temporary's path once it is written and synced, just before the
// rename. Returning false stops the save there as a crash would: the temporary stays, the target is
// untouched, and write() reports failure. An empty function restores normal saves.
void setBeforeRenameHook(std::function<bool(const QString& temporaryPath)> hook);

// Tests only: renames that must not replace anything (create, renameInFolder) go as on a file system
// with neither RENAME_NOREPLACE nor hard links.
void setWithoutLinksForTests(bool without);

} // namespace AtomicFile
