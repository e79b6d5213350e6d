#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <QVariantMap>
#include <optional>

// Path and file questions on a QString holding a POSIX path. None of them changes the string;
// none raises or reports: a failure becomes false, an empty or null value, or a documented
// default. Only setFileAttributeObjectValueError says why it failed.
namespace StringPathUtilities {

// Keys of file attributes, as the file manager names them.
inline const QString kNSFileType = QStringLiteral("NSFileType");
inline const QString kNSFileSize = QStringLiteral("NSFileSize");
inline const QString kNSFileModificationDate = QStringLiteral("NSFileModificationDate");
inline const QString kNSFileCreationDate = QStringLiteral("NSFileCreationDate");
inline const QString kNSFilePosixPermissions = QStringLiteral("NSFilePosixPermissions");
inline const QString kNSFileReferenceCount = QStringLiteral("NSFileReferenceCount");
inline const QString kNSFileSystemNumber = QStringLiteral("NSFileSystemNumber");
inline const QString kNSFileSystemFileNumber = QStringLiteral("NSFileSystemFileNumber");
inline const QString kNSFileOwnerAccountID = QStringLiteral("NSFileOwnerAccountID");
inline const QString kNSFileGroupOwnerAccountID = QStringLiteral("NSFileGroupOwnerAccountID");
inline const QString kNSFileOwnerAccountName = QStringLiteral("NSFileOwnerAccountName");
inline const QString kNSFileGroupOwnerAccountName = QStringLiteral("NSFileGroupOwnerAccountName");
// Values of kNSFileType.
inline const QString kNSFileTypeRegular = QStringLiteral("NSFileTypeRegular");
inline const QString kNSFileTypeDirectory = QStringLiteral("NSFileTypeDirectory");
inline const QString kNSFileTypeSymbolicLink = QStringLiteral("NSFileTypeSymbolicLink");
inline const QString kNSFileTypeUnknown = QStringLiteral("NSFileTypeUnknown");

// Metadata attribute names that metaData answers.
inline const QString kMDItemFSName = QStringLiteral("kMDItemFSName");
inline const QString kMDItemDisplayName = QStringLiteral("kMDItemDisplayName");
inline const QString kMDItemPath = QStringLiteral("kMDItemPath");
inline const QString kMDItemFSSize = QStringLiteral("kMDItemFSSize");
inline const QString kMDItemContentType = QStringLiteral("kMDItemContentType");
inline const QString kMDItemKind = QStringLiteral("kMDItemKind");
inline const QString kMDItemContentModificationDate = QStringLiteral("kMDItemContentModificationDate");
inline const QString kMDItemFSContentChangeDate = QStringLiteral("kMDItemFSContentChangeDate");
inline const QString kMDItemFSCreationDate = QStringLiteral("kMDItemFSCreationDate");
inline const QString kMDItemWhereFroms = QStringLiteral("kMDItemWhereFroms");

// The platform's path rules, which the questions below stand on. A path's trailing "/" is
// ignored (except for "/" itself); the extension is what follows the last "." of the last
// component, unless that "." is its first character (".profile") or its last ("name.").
QString lastPathComponent(const QString& path);
QString pathExtension(const QString& path);
QString stringByDeletingPathExtension(const QString& path);
// Null when the extension holds a "/" or the path has no last component to extend.
QString stringByAppendingPathExtension(const QString& path, const QString& extension);
// "~" and "~/..." become the home folder, "~name/..." that user's home; anything else, and a
// user that doesn't exist, stays as it is.
QString stringByExpandingTildeInPath(const QString& path);
// The home folder (compared component by component) at the start becomes "~".
QString stringByAbbreviatingWithTildeInPath(const QString& path);

bool doesFileExist(const QString& path);
// A file URL of the path with a leading tilde expanded; a relative path is taken from the
// working folder.
QUrl fileURL(const QString& path);
// The last component without its extension; the whole component when that leaves nothing.
QString lastPathComponentWithoutExtension(const QString& path);
QString lastPathComponentWithExtension(const QString& path, const QString& extension);
QString stringByReplacingExtension(const QString& path, const QString& extension);
QString extension(const QString& path);
bool hasExtension(const QString& path);
QByteArray pascalExtension(const QString& path); // a short string (at most 255 UTF-8 bytes)
QString displayName(const QString& path);

// The attributes of the item itself (a symbolic link is not followed); null without one.
std::optional<QVariantMap> fileAttributes(const QString& path);
QVariant fileAttribute(const QString& path, const QString& key); // invalid when unreadable or absent
// Sets kNSFileModificationDate (a QDateTime, through utimensat, also on folders) or
// kNSFilePosixPermissions; other keys are refused.
bool setFileAttributeObjectValueError(const QString& path, const QString& key, const QVariant& value,
                                      QString* error = nullptr);

// True when both paths name the same existing file system object (device and inode).
bool comparePaths(const QString& path, const QString& other);

// What one status call tells of an item: which object it is (device and inode, links followed),
// whether that is a folder, and the modification date of the item itself (a link's own date).
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    bool folder = false;
    QDateTime modified; // UTC, whole milliseconds
    friend bool operator==(const FileIdentity& a, const FileIdentity& b) {
        return a.device == b.device && a.inode == b.inode;
    }
};
// nullopt when the item does not exist or cannot be read.
std::optional<FileIdentity> fileIdentity(const QString& path);
inline size_t qHash(const FileIdentity& identity, size_t seed = 0) {
    return ::qHashMulti(seed, identity.device, identity.inode);
}
// A leading "~" expanded to the user's real home folder.
QString stringByExpandingTildeOutsideContainer(const QString& path);
// The name without "/\?%*|"<>:" and NUL, cut to 127 units when longer than 128 and to 200 UTF-8
// bytes; a name of dots alone ("." or "..") gives the empty string.
QString fileSystemSafeName(const QString& name);
QString fileKind(const QString& path); // "Unknown File" without an answer
QString fileUTI(const QString& path);  // kUTTypeItem without an answer
QString humanReadableFileType(const QString& path);
QString preferredIdentifier(const QString& path); // null without an extension
// True when the path names the mount point of a mounted removable volume.
bool isMountedRemovableMedia(const QString& path);
// Metadata of the file by attribute name (the kMDItem names above; others are absent); null
// when the file can't be read.
std::optional<QVariantMap> metaDataWithAttributes(const QString& path, const QStringList& names);
QVariant metaData(const QString& path, const QString& name);

} // namespace StringPathUtilities

// Bookmarks of folders and files. Nothing here is sandboxed, so a bookmark is the item's file
// URL as bytes, and starting or stopping access only resolves it.
namespace StringBookmarkUtilities {
QByteArray bookmarkData(const QString& path); // empty when nothing exists at the path
}
namespace URLBookmarkUtilities {
QByteArray bookmarkData(const QUrl& url);
}
namespace DataBookmarkUtilities {
QUrl startAccessingBookmarkURL(const QByteArray& bookmark); // empty when not a bookmark
QUrl stopAccessingBookmarkURL(const QByteArray& bookmark);
} // namespace DataBookmarkUtilities
