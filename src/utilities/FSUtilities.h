#pragma once

#include "platform/CoreTypes.h"

#include <QByteArray>
#include <QDateTime>
#include <QIcon>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <optional>

// File references (FSRef: an absolute path; empty means "none") and the file-system routines over
// them. Nothing raises: a lookup answers false, a null value or an empty reference, and the routines
// that touch the disk keep their result code in Err (and return it where they return a code).
// Files are written atomically. Main thread only.
namespace FSUtilities {

// Result codes.
enum : qint32 {
    noErr = 0,
    copyDestinationMissing = -1, // copy: the destination folder does not exist
    ioErr = -36,
    bdNamErr = -37, // a name holding "/" or NUL, or empty
    eofErr = -39,
    fnfErr = -43,   // no such item (also: no such folder, no resources folder)
    dupFNErr = -48, // an item of that name is already there
    permErr = -54,  // refused by the file system
    memFullErr = -108,
    errFSNoMoreItems = -1417,
};

// The result code of the last routine that touched the disk.
inline qint32 Err = noErr;

// Finding items.
bool FSRefExists(const FSRef& ref);
// The item called name (one component or a relative path) in the folder; fnfErr and an empty
// ref when the folder or the item is missing, or the name leaves the folder (a ".." component).
qint32 FSGetPathRef(const FSRef& folder, const QString& name, FSRef& ref);
FSRef FSGetPathRef(const FSRef& folder, const QString& name);
FSRef FSGetPathRef(const QString& path); // a relative path is taken from the working folder
bool FSGetPathRef(const QString& path, FSRef& ref);
bool FSObjectExistsAtPath(const QString& path);
qint32 FSGetSubFolder(const FSRef& folder, const QString& name, FSRef& ref);
FSRef FSGetSubFolder(const FSRef& folder, const QString& name);
// Items in the resources folder (its "SharedSupport" and "Frameworks" folders for the first two).
qint32 FSGetSharedSupportFile(const QString& name, FSRef& ref);
qint32 FSGetFrameworkFile(const QString& name, FSRef& ref);
FSRef FSGetResourceFileWithPath(const QString& relativePath);
FSRef FSGetResourceFile(const QString& name);
qint32 FSGetResourceFile(const QString& name, const QString& folder, FSRef& ref);
qint32 FSGetResourceFile(const QString& name, const QString& type, const QString& folder, FSRef& ref);
FSRef FSGetResourceFile(const QString& name, const QString& type, const QString& folder);
// A folder of the desktop by its code ('docs', 'desk', 'pref', 'asup', 'cach', 'temp', 'trsh',
// 'down', 'pict', 'home') joined with the path; empty when the item or the code is unknown.
FSRef FSGetFileFromFolder(const QString& path, quint32 folderType);
// The components of the path, the first keeping a leading "/"; null with fewer than two.
std::optional<QStringList> FSExplodePath(const QString& path);
// base/path/name for a path beginning with "." (or an empty one), else path/name; cleaned.
QString FSMergeFilePath(const QString& name, const QString& path, const QString& base);
// Each base (key) with each of its relative paths, in order: true at the first merged path of the
// name that exists, its reference in ref.
bool FSResolveFile(const QString& name, FSRef& ref, const QMap<QString, QStringList>& places);

// Paths, names and types.
struct FSSpec {
    QString parentPath;
    QString name;
    friend bool operator==(const FSSpec&, const FSSpec&) = default;
};
FSSpec FSGetFSSpec(const FSRef& ref);
FSRef FSGetParent(const FSRef& ref);
FSRef FSGetParentAtIndex(const FSRef& ref, int n); // n = 1 is the parent
QString FSGetParentPath(const FSRef& ref);
QString FSCopyPath(const FSRef& ref); // null for an empty reference
QString FSGetPath(const FSRef& ref);
QString FSGetURL(const FSRef& ref);        // "file:///..."
QByteArray FSCreateFURL(const FSRef& ref); // the same, UTF-8 bytes
bool FSGetURLRef(const QString& url, FSRef& ref);
bool FSCompare(const FSRef& a, const FSRef& b); // the same item on disk
bool FSValidFSRef(const FSRef& ref);
QString FSGetActualName(const FSRef& ref); // empty when missing
QString FSCopyName(const FSRef& ref);      // null when missing
QString FSCopyNameWithoutExtension(const FSRef& ref);
QString FSCopyDisplayName(const FSRef& ref);
QString FSGetDisplayName(const FSRef& ref);
QString FSCopyExtension(const FSRef& ref);
QString FSGetExtension(const FSRef& ref);
bool FSExtensionIsHidden(const FSRef& ref); // no such flag here: false
bool FSConformsToUTIdentifier(const FSRef& ref, const QString& identifier);
QString FSGetUTIdentifier(const FSRef& ref); // by the extension; null without one
void FSShow(const FSRef& ref);               // the path, one line on stdout

// Attributes, sizes and dates.
bool FSIsDirectory(const FSRef& ref);
bool FSIsFolder(const FSRef& ref);  // a directory that is no package
bool FSIsPackage(const FSRef& ref); // a folder with a document extension ("qxsheet", "qxtheme", "app")
bool FSIsApplication(const FSRef& ref);
bool FSIsAlias(const FSRef& ref);  // a symbolic link
bool FSIsHidden(const FSRef& ref); // a name with a leading dot
bool FSIsBusy(const FSRef& ref);   // created at the "still being copied" instant of 1946
bool FSDirectoryHasItems(const FSRef& dir);
// Every item of the folder, appended to items; changed when the folder changed meanwhile. On an
// error items is cleared.
qint32 FSGetDirectoryItems(const FSRef& dir, QList<FSRef>& items, bool& changed);
qint64 FSGetFileSize(const FSRef& ref);     // data and resource fork; 0 on error
qint64 FSGetDataForkSize(const FSRef& ref); // -1 on error
qint64 FSGetObjectSize(const FSRef& ref);   // a folder's total, or a file's size
qint64 FSGetDirectorySize(const FSRef& dir);
// The callback hears of each sub-folder and answers false to cancel the count (which then gives
// what was counted so far).
qint64 FSGetDirectorySize(const FSRef& dir, const std::function<bool(const FSRef& folder)>& callback);
QDateTime FSCopyModifiedDate(const FSRef& ref); // invalid on error
QDateTime FSCopyCreatedDate(const FSRef& ref);
int FSCompareModificationDates(const FSRef& a, const FSRef& b); // -1, 0 or 1
QString FSGetModifiedDate(const FSRef& ref);                    // long date and time
QString FSGetModifiedDate(const FSRef& ref, qint32 dateStyle, qint32 timeStyle);

// Contents and changes.
std::optional<QByteArray> FSReadDataFork(const FSRef& ref);
qint32 FSWriteDataFork(const FSRef& ref, const QByteArray& data);
qint32 FSClearFile(const FSRef& ref);
qint32 FSCreateFolder(const QString& name, const FSRef& parent, FSRef& ref);
// Creates an empty file (the existing item's reference when there is one). Type and creator
// codes have no place on this file system and are not kept.
qint32 FSCreateFile(const QString& name, const FSRef& parent, quint32 type, quint32 creator, FSRef& ref);
qint32 FSCreateFile(const QString& name, const FSRef& parent, FSRef& ref);
FSRef FSCreateFile(const QString& name, const FSRef& parent);
// Renames in place; dupFNErr when the new name is taken (nothing is replaced).
qint32 FSRename(FSRef& ref, const QString& name);
// Copies the item (a folder with all it holds; links as links) into the folder under the name:
// dupFNErr when the name is taken; ioErr, with nothing left under the name, when the copy fails or
// the folder is inside the item.
qint32 FSCopyToPath(const FSRef& ref, const QString& name, const QString& folderPath, FSRef& newRef);
// Moves the item into the folder under its own name; dupFNErr when that name is taken there.
qint32 FSMoveObject(const FSRef& ref, const FSRef& folder, FSRef* newRef = nullptr);
qint32 FSMoveObjectAsync(const FSRef& ref, const FSRef& folder); // done at once
qint32 FSTrashObject(const FSRef& ref);                          // through the workspace
// Deletes every item of the tree that is not a folder (folders stay, symbolic links are removed,
// never followed).
qint32 FSDeleteContainerItems(const FSRef& dir);
// chmod with the mode ("644", "u+x", "-w") and the path as operands, never options: no shell.
qint32 FSSetPermissions(const FSRef& ref, const QString& mode);
qint32 FSReveal(const FSRef& ref); // in the file manager, through the workspace

// Folder iteration: the callback gets whether the item is a folder, a stop flag and the item.
using IterateCallback = std::function<void(bool isFolder, bool& stop, const FSRef& item)>;
qint32 FSIterateContainer(const FSRef& dir, const IterateCallback& callback, bool recursive);

// Volumes: a mount point and its URL scheme ("file", or "smb", "nfs", "sftp", "afp" for network
// file systems).
struct FSVolumeInfo {
    QString rootPath;
    QString name;
    QString fileSystemType;
    QString device;
    qint64 bytesTotal = 0;
    qint64 bytesFree = 0;
    bool readOnly = false;
};
bool FSIsVolume(const FSRef& ref);
bool FSIsVolumeMounted(const FSRef& ref, const QString& scheme);
QUrl FSCopyURLForVolume(const FSRef& ref, const QString& scheme); // empty unless the scheme matches
QString FSCopyAFPForVolume(const FSRef& ref);
FSRef FSGetVolume(const FSRef& ref);
FSVolumeInfo FSGetVolumeInfo(const FSRef& ref); // all empty on error

// Icons and labels.
QIcon FSGetIcon(const FSRef& ref);
QIcon FSCopyIcon(const FSRef& ref);
qint32 FSGetLabel(const FSRef& ref); // no labels here: 0

// Login items: desktop entries in $XDG_CONFIG_HOME/autostart that start the item.
QString FSFindLoginItem(const FSRef& ref); // the entry's path; null when none
bool FSWillOpenAtLogin(const FSRef& ref);
qint32 FSOpenAtLogin(const FSRef& ref);
qint32 FSRemoveFromLoginList(const FSRef& ref);

} // namespace FSUtilities
