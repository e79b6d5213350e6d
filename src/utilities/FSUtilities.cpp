#include "FSUtilities.h"

#include "DateUtilities.h"
#include "StringPathUtilities.h"
#include "TypeIdentifiers.h"
#include "UNIXUtilities.h"
#include "foundation/CarbonUtilities.h"
#include "platform/ApplicationInfo.h"
#include "platform/AtomicFile.h"
#include "platform/Diagnostics.h"
#include "platform/Workspace.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTimeZone>
#include <sys/xattr.h>

namespace FSUtilities {

namespace {

const char kResourceForkAttribute[] = "user.com.apple.ResourceFork";

bool lexists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

qint32 result(qint32 code) {
    Err = code;
    return code;
}

bool validName(const QString& name) {
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0)) &&
           name != QLatin1String(".") && name != QLatin1String("..");
}

FSRef refOf(const QString& path) {
    if (path.isEmpty() || !lexists(path)) return FSRef{};
    return FSRef{QDir::cleanPath(QFileInfo(path).absoluteFilePath())};
}

qint64 resourceForkSize(const QString& path) {
    const ssize_t n = ::getxattr(QFile::encodeName(path).constData(), kResourceForkAttribute, nullptr, 0);
    return n > 0 ? qint64(n) : 0;
}

qint64 sizeOfTree(const QString& dir, const std::function<bool(const FSRef&)>* callback, bool& cancelled) {
    qint64 total = 0;
    const QFileInfoList entries =
        QDir(dir).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& info : entries) {
        if (cancelled) break;
        if (info.isDir() && !info.isSymLink()) {
            if (callback && *callback && !(*callback)(FSRef{info.absoluteFilePath()})) {
                cancelled = true;
                break;
            }
            total += sizeOfTree(info.absoluteFilePath(), callback, cancelled);
        } else {
            total += info.isSymLink() ? 0 : info.size() + resourceForkSize(info.absoluteFilePath());
        }
    }
    return total;
}

bool copyTree(const QString& from, const QString& to) {
    const QFileInfo info(from);
    if (info.isSymLink()) return QFile::link(info.symLinkTarget(), to);
    if (!info.isDir()) return QFile::copy(from, to);
    if (!QDir().mkdir(to)) return false;
    const QStringList names =
        QDir(from).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names)
        if (!copyTree(from + QLatin1Char('/') + name, to + QLatin1Char('/') + name)) return false;
    return true;
}

QString volumeScheme(const QStorageInfo& storage) {
    const QString type = QString::fromUtf8(storage.fileSystemType());
    if (type.startsWith(QLatin1String("cifs")) || type.startsWith(QLatin1String("smb")))
        return QStringLiteral("smb");
    if (type.startsWith(QLatin1String("nfs"))) return QStringLiteral("nfs");
    if (type.contains(QLatin1String("sshfs"))) return QStringLiteral("sftp");
    if (type.contains(QLatin1String("afp"))) return QStringLiteral("afp");
    return QStringLiteral("file");
}

QString autostartFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart");
}

// The value of "key=" in a desktop entry, with the entry's escapes undone.
QString desktopValue(const QByteArray& entry, const QByteArray& key) {
    for (const QByteArray& line : entry.split('\n')) {
        if (!line.startsWith(key + '=')) continue;
        const QString raw = QString::fromUtf8(line.mid(key.size() + 1));
        QString value;
        for (qsizetype i = 0; i < raw.size(); ++i) {
            if (raw[i] == QLatin1Char('\\') && i + 1 < raw.size()) {
                const QChar c = raw[++i];
                value += c == QLatin1Char('n') ? QChar('\n') : c == QLatin1Char('s') ? QChar(' ') : c;
            } else {
                value += raw[i];
            }
        }
        return value;
    }
    return QString();
}

QString desktopEscape(const QString& value) {
    QString out;
    for (const QChar c : value) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else
            out += c;
    }
    return out;
}

// A quoted Exec argument: ", `, $ and \ escaped inside double quotes.
QString execArgument(const QString& path) {
    QString quoted = QStringLiteral("\"");
    for (const QChar c : path) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}

} // namespace

// Finding items.

bool FSRefExists(const FSRef& ref) {
    const bool exists = !ref.isNull() && lexists(ref.path);
    Err = exists ? noErr : fnfErr;
    return exists;
}

qint32 FSGetPathRef(const FSRef& folderRef, const QString& name, FSRef& ref) {
    const FSRef folder = folderRef; // ref may be the same variable
    ref = FSRef{};
    if (folder.isNull() || !QFileInfo(folder.path).isDir() || name.isEmpty()) return result(fnfErr);
    // A name read from a file (a theme's part image) never reaches outside the folder.
    if (!ApplicationInfo::staysInside(name)) return result(fnfErr);
    ref = refOf(folder.path + QLatin1Char('/') + name);
    return result(ref.isNull() ? fnfErr : noErr);
}

FSRef FSGetPathRef(const FSRef& folder, const QString& name) {
    FSRef ref;
    FSGetPathRef(folder, name, ref);
    return ref;
}

FSRef FSGetPathRef(const QString& path) {
    const FSRef ref = refOf(path);
    Err = ref.isNull() ? fnfErr : noErr;
    return ref;
}

bool FSGetPathRef(const QString& path, FSRef& ref) {
    ref = FSGetPathRef(path);
    return !ref.isNull();
}

bool FSObjectExistsAtPath(const QString& path) {
    return !FSGetPathRef(path).isNull();
}

qint32 FSGetSubFolder(const FSRef& folder, const QString& name, FSRef& ref) {
    return FSGetPathRef(folder, name, ref);
}

FSRef FSGetSubFolder(const FSRef& folder, const QString& name) {
    return FSGetPathRef(folder, name);
}

qint32 FSGetSharedSupportFile(const QString& name, FSRef& ref) {
    return FSGetResourceFile(name, QStringLiteral("SharedSupport"), ref);
}

qint32 FSGetFrameworkFile(const QString& name, FSRef& ref) {
    return FSGetResourceFile(name, QStringLiteral("Frameworks"), ref);
}

FSRef FSGetResourceFileWithPath(const QString& relativePath) {
    const QString folder = ApplicationInfo::resourcesFolder();
    if (folder.isEmpty()) {
        Err = fnfErr;
        return FSRef{};
    }
    return FSGetPathRef(FSRef{folder}, relativePath);
}

FSRef FSGetResourceFile(const QString& name) {
    return FSGetResourceFileWithPath(name);
}

qint32 FSGetResourceFile(const QString& name, const QString& folder, FSRef& ref) {
    ref = FSGetResourceFileWithPath(folder.isEmpty() ? name : folder + QLatin1Char('/') + name);
    return result(ref.isNull() ? fnfErr : noErr);
}

qint32 FSGetResourceFile(const QString& name, const QString& type, const QString& folder, FSRef& ref) {
    return FSGetResourceFile(type.isEmpty() ? name : name + QLatin1Char('.') + type, folder, ref);
}

FSRef FSGetResourceFile(const QString& name, const QString& type, const QString& folder) {
    FSRef ref;
    FSGetResourceFile(name, type, folder, ref);
    return ref;
}

FSRef FSGetFileFromFolder(const QString& path, quint32 folderType) {
    const QString code = CarbonUtilities::FCCToString(folderType);
    const struct {
        const char* code;
        QStandardPaths::StandardLocation location;
    } kFolders[] = {
        {"docs", QStandardPaths::DocumentsLocation},     {"desk", QStandardPaths::DesktopLocation},
        {"pref", QStandardPaths::GenericConfigLocation}, {"asup", QStandardPaths::GenericDataLocation},
        {"cach", QStandardPaths::GenericCacheLocation},  {"temp", QStandardPaths::TempLocation},
        {"down", QStandardPaths::DownloadLocation},      {"pict", QStandardPaths::PicturesLocation},
        {"home", QStandardPaths::HomeLocation},
    };
    QString folder;
    if (code == QLatin1String("trsh"))
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                 QStringLiteral("/Trash/files");
    for (const auto& f : kFolders)
        if (code == QLatin1String(f.code)) folder = QStandardPaths::writableLocation(f.location);
    if (folder.isEmpty()) {
        Err = fnfErr;
        return FSRef{};
    }
    const QString tail = path.startsWith(QLatin1Char('/')) ? path : QLatin1Char('/') + path;
    return FSGetPathRef(folder + tail);
}

std::optional<QStringList> FSExplodePath(const QString& path) {
    QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.size() < 2) return std::nullopt;
    if (path.startsWith(QLatin1Char('/'))) parts.first().prepend(QLatin1Char('/'));
    return parts;
}

QString FSMergeFilePath(const QString& name, const QString& path, const QString& base) {
    QString folder = path;
    if (path.isEmpty() || path.startsWith(QLatin1Char('.'))) folder = base + QLatin1Char('/') + path;
    return QDir::cleanPath(folder + QLatin1Char('/') + name);
}

bool FSResolveFile(const QString& name, FSRef& ref, const QMap<QString, QStringList>& places) {
    ref = FSRef{};
    for (auto it = places.begin(); it != places.end(); ++it)
        for (const QString& relative : it.value())
            if (FSGetPathRef(FSMergeFilePath(name, relative, it.key()), ref)) return true;
    return false;
}

// Paths, names and types.

FSSpec FSGetFSSpec(const FSRef& ref) {
    if (!FSRefExists(ref)) return FSSpec{};
    const QFileInfo info(ref.path);
    return FSSpec{info.absolutePath(), info.fileName()};
}

FSRef FSGetParent(const FSRef& ref) {
    return FSGetParentAtIndex(ref, 1);
}

FSRef FSGetParentAtIndex(const FSRef& ref, int n) {
    if (!FSRefExists(ref) || n < 0) return FSRef{};
    QString path = ref.path;
    for (int i = 0; i < n; ++i) {
        if (path == QLatin1String("/")) return FSRef{};
        path = QFileInfo(path).absolutePath();
    }
    return FSRef{path};
}

QString FSGetParentPath(const FSRef& ref) {
    return FSGetParent(ref).path;
}

QString FSCopyPath(const FSRef& ref) {
    return ref.isNull() ? QString() : ref.path;
}

QString FSGetPath(const FSRef& ref) {
    return ref.path;
}

QString FSGetURL(const FSRef& ref) {
    return ref.isNull() ? QString() : QUrl::fromLocalFile(ref.path).toString(QUrl::FullyEncoded);
}

QByteArray FSCreateFURL(const FSRef& ref) {
    return FSGetURL(ref).toUtf8();
}

bool FSGetURLRef(const QString& url, FSRef& ref) {
    const QUrl u(url);
    ref = FSRef{};
    if (!u.isLocalFile()) return false;
    return FSGetPathRef(u.toLocalFile(), ref);
}

bool FSCompare(const FSRef& a, const FSRef& b) {
    return !a.isNull() && !b.isNull() && StringPathUtilities::comparePaths(a.path, b.path);
}

bool FSValidFSRef(const FSRef& ref) {
    return !ref.isNull();
}

QString FSGetActualName(const FSRef& ref) {
    const QString name = FSCopyName(ref);
    return name.isNull() ? QStringLiteral("") : name;
}

QString FSCopyName(const FSRef& ref) {
    if (!FSRefExists(ref)) return QString();
    return ref.path == QLatin1String("/") ? ref.path : QFileInfo(ref.path).fileName();
}

QString FSCopyNameWithoutExtension(const FSRef& ref) {
    const QString name = FSCopyName(ref);
    return name.isNull() ? name : StringPathUtilities::lastPathComponentWithoutExtension(name);
}

QString FSCopyDisplayName(const FSRef& ref) {
    if (!FSRefExists(ref)) return QString();
    return StringPathUtilities::displayName(ref.path);
}

QString FSGetDisplayName(const FSRef& ref) {
    return FSCopyDisplayName(ref);
}

QString FSCopyExtension(const FSRef& ref) {
    if (!FSRefExists(ref)) return QString();
    return StringPathUtilities::extension(ref.path);
}

QString FSGetExtension(const FSRef& ref) {
    return FSCopyExtension(ref);
}

bool FSExtensionIsHidden(const FSRef&) {
    return false;
}

bool FSConformsToUTIdentifier(const FSRef& ref, const QString& identifier) {
    const QString type = FSGetUTIdentifier(ref);
    return !type.isEmpty() && TypeIdentifiers::conformsTo(type, identifier);
}

QString FSGetUTIdentifier(const FSRef& ref) {
    if (ref.isNull()) return QString();
    const QString ext = StringPathUtilities::extension(ref.path);
    return ext.isEmpty() ? QString() : TypeIdentifiers::preferredIdentifierForExtension(ext);
}

void FSShow(const FSRef& ref) {
    Diagnostics::line(ref.path);
}

// Attributes, sizes and dates.

bool FSIsDirectory(const FSRef& ref) {
    return FSRefExists(ref) && QFileInfo(ref.path).isDir();
}

bool FSIsFolder(const FSRef& ref) {
    return FSIsDirectory(ref) && !FSIsPackage(ref);
}

bool FSIsPackage(const FSRef& ref) {
    return FSIsDirectory(ref) &&
           TypeIdentifiers::isPackageExtension(StringPathUtilities::extension(ref.path));
}

bool FSIsApplication(const FSRef& ref) {
    return FSRefExists(ref) && StringPathUtilities::extension(ref.path) == QLatin1String("app");
}

bool FSIsAlias(const FSRef& ref) {
    return FSRefExists(ref) && QFileInfo(ref.path).isSymLink();
}

bool FSIsHidden(const FSRef& ref) {
    return FSRefExists(ref) && QFileInfo(ref.path).fileName().startsWith(QLatin1Char('.'));
}

bool FSIsBusy(const FSRef& ref) {
    if (!FSRefExists(ref)) return false;
    const QDateTime busy = QDateTime(QDate(1946, 2, 14), QTime(8, 34, 56), QTimeZone::utc());
    const QDateTime born = QFileInfo(ref.path).birthTime();
    return born.isValid() && born == busy;
}

bool FSDirectoryHasItems(const FSRef& dir) {
    return FSIsDirectory(dir) &&
           !QDir(dir.path).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

qint32 FSGetDirectoryItems(const FSRef& dir, QList<FSRef>& items, bool& changed) {
    changed = false;
    if (!FSIsDirectory(dir)) {
        items.clear();
        return result(fnfErr);
    }
    const QDateTime before = QFileInfo(dir.path).lastModified();
    QDirIterator it(dir.path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) items.append(FSRef{QDir::cleanPath(it.next())});
    QFileInfo after(dir.path);
    after.refresh();
    changed = after.lastModified() != before;
    return result(noErr);
}

qint64 FSGetFileSize(const FSRef& ref) {
    if (!FSRefExists(ref)) return 0;
    const QFileInfo info(ref.path);
    return (info.isFile() ? info.size() : 0) + resourceForkSize(ref.path);
}

qint64 FSGetDataForkSize(const FSRef& ref) {
    if (!FSRefExists(ref) || !QFileInfo(ref.path).isFile()) return -1;
    return QFileInfo(ref.path).size();
}

qint64 FSGetObjectSize(const FSRef& ref) {
    return FSIsDirectory(ref) ? FSGetDirectorySize(ref) : FSGetFileSize(ref);
}

qint64 FSGetDirectorySize(const FSRef& dir) {
    return FSGetDirectorySize(dir, {});
}

qint64 FSGetDirectorySize(const FSRef& dir, const std::function<bool(const FSRef& folder)>& callback) {
    if (!FSIsDirectory(dir)) return 0;
    bool cancelled = false;
    return sizeOfTree(dir.path, &callback, cancelled);
}

QDateTime FSCopyModifiedDate(const FSRef& ref) {
    return FSRefExists(ref) ? QFileInfo(ref.path).lastModified() : QDateTime();
}

QDateTime FSCopyCreatedDate(const FSRef& ref) {
    if (!FSRefExists(ref)) return QDateTime();
    const QFileInfo info(ref.path);
    return info.birthTime().isValid() ? info.birthTime() : info.metadataChangeTime();
}

int FSCompareModificationDates(const FSRef& a, const FSRef& b) {
    const QDateTime x = FSCopyModifiedDate(a), y = FSCopyModifiedDate(b);
    return x < y ? -1 : (y < x ? 1 : 0);
}

QString FSGetModifiedDate(const FSRef& ref) {
    return FSGetModifiedDate(ref, DateUtilities::kLongStyle, DateUtilities::kLongStyle);
}

QString FSGetModifiedDate(const FSRef& ref, qint32 dateStyle, qint32 timeStyle) {
    const QDateTime date = FSCopyModifiedDate(ref);
    if (!date.isValid()) return QString();
    return DateUtilities::dateString(date, DateUtilities::DateStyle(dateStyle),
                                     DateUtilities::DateStyle(timeStyle), false);
}

// Contents and changes.

std::optional<QByteArray> FSReadDataFork(const FSRef& ref) {
    QFile file(ref.path);
    if (ref.isNull() || !file.open(QIODevice::ReadOnly)) {
        Err = fnfErr;
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    Err = file.error() == QFile::NoError ? noErr : ioErr;
    if (Err != noErr) return std::nullopt;
    return bytes;
}

qint32 FSWriteDataFork(const FSRef& ref, const QByteArray& data) {
    if (!FSRefExists(ref) || QFileInfo(ref.path).isDir()) return result(fnfErr);
    return result(AtomicFile::write(ref.path, data) ? noErr : permErr);
}

qint32 FSClearFile(const FSRef& ref) {
    return FSWriteDataFork(ref, QByteArray());
}

qint32 FSCreateFolder(const QString& name, const FSRef& parentRef, FSRef& ref) {
    const FSRef parent = parentRef; // ref may be the same variable
    ref = FSRef{};
    if (!FSIsDirectory(parent)) return result(fnfErr);
    if (!validName(name)) return result(bdNamErr);
    const QString path = parent.path + QLatin1Char('/') + name;
    if (!lexists(path) && !QDir().mkdir(path)) return result(permErr);
    ref = refOf(path);
    return result(noErr);
}

qint32 FSCreateFile(const QString& name, const FSRef& parentRef, quint32, quint32, FSRef& ref) {
    const FSRef parent = parentRef; // ref may be the same variable
    ref = FSRef{};
    if (!FSIsDirectory(parent)) return result(fnfErr);
    if (!validName(name)) return result(bdNamErr);
    const QString path = parent.path + QLatin1Char('/') + name;
    if (!lexists(path) && !AtomicFile::write(path, QByteArray())) return result(permErr);
    ref = refOf(path);
    return result(noErr);
}

qint32 FSCreateFile(const QString& name, const FSRef& parent, FSRef& ref) {
    const quint32 unknown = CarbonUtilities::FCC(QStringLiteral("????"));
    return FSCreateFile(name, parent, unknown, unknown, ref);
}

FSRef FSCreateFile(const QString& name, const FSRef& parent) {
    FSRef ref;
    FSCreateFile(name, parent, ref);
    return ref;
}

qint32 FSRename(FSRef& ref, const QString& name) {
    if (!FSRefExists(ref)) return result(fnfErr);
    if (!validName(name)) return result(bdNamErr);
    const QString target = QFileInfo(ref.path).absolutePath() + QLatin1Char('/') + name;
    if (target == ref.path) return result(noErr);
    if (lexists(target)) return result(dupFNErr);
    if (!QFile::rename(ref.path, target)) return result(permErr);
    ref = FSRef{QDir::cleanPath(target)};
    return result(noErr);
}

qint32 FSCopyToPath(const FSRef& ref, const QString& name, const QString& folderPath, FSRef& newRef) {
    newRef = FSRef{};
    if (!FSRefExists(ref)) return result(fnfErr);
    if (!QFileInfo(folderPath).isDir()) return result(copyDestinationMissing);
    if (!validName(name)) return result(bdNamErr);
    const QString target =
        QDir::cleanPath(QFileInfo(folderPath).absoluteFilePath() + QLatin1Char('/') + name);
    if (lexists(target)) return result(dupFNErr);
    // A folder copied into itself would hold its own copy, without end.
    const QString source = QFileInfo(ref.path).canonicalFilePath();
    const QString into = QFileInfo(folderPath).canonicalFilePath();
    if (FSIsDirectory(ref) && !QFileInfo(ref.path).isSymLink() &&
        (into == source || into.startsWith(source + QLatin1Char('/'))))
        return result(ioErr);
    if (!copyTree(ref.path, target)) {
        // Nothing half made stays under the name.
        if (QFileInfo(target).isDir() && !QFileInfo(target).isSymLink())
            QDir(target).removeRecursively();
        else
            QFile::remove(target);
        return result(ioErr);
    }
    newRef = FSRef{target};
    return result(noErr);
}

qint32 FSMoveObject(const FSRef& ref, const FSRef& folder, FSRef* newRef) {
    if (newRef) *newRef = FSRef{};
    if (!FSRefExists(ref) || !FSIsDirectory(folder)) return result(fnfErr);
    const QString name = FSCopyName(ref);
    if (name.isEmpty()) return result(fnfErr);
    const QString target = QDir::cleanPath(folder.path + QLatin1Char('/') + name);
    if (target == ref.path) {
        if (newRef) *newRef = ref;
        return result(noErr);
    }
    if (lexists(target)) return result(dupFNErr);
    if (!QFile::rename(ref.path, target)) return result(permErr);
    if (newRef) *newRef = FSRef{target};
    return result(noErr);
}

qint32 FSMoveObjectAsync(const FSRef& ref, const FSRef& folder) {
    return FSMoveObject(ref, folder);
}

qint32 FSTrashObject(const FSRef& ref) {
    if (!FSRefExists(ref)) return result(fnfErr);
    return result(Workspace::shared().moveToTrash(ref.path) ? noErr : permErr);
}

qint32 FSDeleteContainerItems(const FSRef& dir) {
    if (!FSIsDirectory(dir)) return result(fnfErr);
    bool deleted = true;
    while (deleted) {
        deleted = false;
        QDirIterator it(dir.path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            if (info.isDir() && !info.isSymLink()) continue;
            if (QFile::remove(info.absoluteFilePath())) deleted = true;
        }
    }
    return result(noErr);
}

qint32 FSSetPermissions(const FSRef& ref, const QString& mode) {
    if (!FSRefExists(ref)) return result(fnfErr);
    const int status = UNIXUtilities::ProcessOpen(
        QStringList{QStringLiteral("chmod"), QStringLiteral("--"), mode, ref.path});
    return result(status == 0 ? noErr : permErr);
}

qint32 FSReveal(const FSRef& ref) {
    if (!FSRefExists(ref)) return result(fnfErr);
    return result(Workspace::shared().selectFile(ref.path) ? noErr : ioErr);
}

qint32 FSIterateContainer(const FSRef& dir, const IterateCallback& callback, bool recursive) {
    if (!FSIsDirectory(dir)) return result(fnfErr);
    bool stop = false;
    const std::function<void(const QString&)> walk = [&](const QString& folder) {
        QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        while (!stop && it.hasNext()) {
            const FSRef item{QDir::cleanPath(it.next())};
            const bool isFolder = FSIsFolder(item) && !QFileInfo(item.path).isSymLink();
            callback(isFolder, stop, item);
            if (recursive && isFolder && !stop) walk(item.path);
        }
    };
    walk(dir.path);
    return result(noErr);
}

// Volumes.

bool FSIsVolume(const FSRef& ref) {
    if (!FSIsDirectory(ref)) return false;
    const QStorageInfo storage(ref.path);
    return storage.isValid() && QDir::cleanPath(storage.rootPath()) == ref.path;
}

bool FSIsVolumeMounted(const FSRef& ref, const QString& scheme) {
    if (!FSRefExists(ref)) return false;
    const QStorageInfo storage(ref.path);
    return storage.isValid() && storage.isReady() && volumeScheme(storage) == scheme;
}

QUrl FSCopyURLForVolume(const FSRef& ref, const QString& scheme) {
    if (!FSIsVolumeMounted(ref, scheme)) return QUrl();
    const QStorageInfo storage(ref.path);
    if (scheme == QLatin1String("file")) return QUrl::fromLocalFile(storage.rootPath());
    // "//server/share" or "server:/path" as a URL of the scheme.
    QString device = QString::fromUtf8(storage.device());
    device.replace(QLatin1Char(':'), QString());
    while (device.startsWith(QLatin1Char('/'))) device.remove(0, 1);
    return QUrl(scheme + QStringLiteral("://") + device);
}

QString FSCopyAFPForVolume(const FSRef& ref) {
    const QUrl url = FSCopyURLForVolume(ref, QStringLiteral("afp"));
    return url.isEmpty() ? QString() : QUrl::fromPercentEncoding(url.toEncoded());
}

FSRef FSGetVolume(const FSRef& ref) {
    if (!FSRefExists(ref)) return FSRef{};
    const QStorageInfo storage(ref.path);
    return storage.isValid() ? FSRef{QDir::cleanPath(storage.rootPath())} : FSRef{};
}

FSVolumeInfo FSGetVolumeInfo(const FSRef& ref) {
    FSVolumeInfo info;
    if (!FSRefExists(ref)) return info;
    const QStorageInfo storage(ref.path);
    if (!storage.isValid()) return info;
    info.rootPath = QDir::cleanPath(storage.rootPath());
    info.name = storage.displayName();
    info.fileSystemType = QString::fromUtf8(storage.fileSystemType());
    info.device = QString::fromUtf8(storage.device());
    info.bytesTotal = storage.bytesTotal();
    info.bytesFree = storage.bytesAvailable();
    info.readOnly = storage.isReadOnly();
    return info;
}

// Icons and labels.

QIcon FSGetIcon(const FSRef& ref) {
    return FSRefExists(ref) ? TypeIdentifiers::iconForFile(ref.path) : QIcon();
}

QIcon FSCopyIcon(const FSRef& ref) {
    return FSGetIcon(ref);
}

qint32 FSGetLabel(const FSRef&) {
    return 0;
}

// Login items.

QString FSFindLoginItem(const FSRef& ref) {
    if (ref.isNull()) return QString();
    const QFileInfoList entries =
        QDir(autostartFolder()).entryInfoList({QStringLiteral("*.desktop")}, QDir::Files);
    for (const QFileInfo& entry : entries) {
        QFile file(entry.absoluteFilePath());
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QString target = desktopValue(file.readAll(), "X-Jobslate-Target");
        if (!target.isEmpty() && (target == ref.path || FSCompare(FSRef{target}, ref)))
            return entry.absoluteFilePath();
    }
    return QString();
}

bool FSWillOpenAtLogin(const FSRef& ref) {
    return !FSFindLoginItem(ref).isNull();
}

qint32 FSOpenAtLogin(const FSRef& ref) {
    if (!FSRefExists(ref)) return result(fnfErr);
    if (FSWillOpenAtLogin(ref)) return result(noErr);
    const QString name = FSCopyDisplayName(ref);
    QString file = autostartFolder() + QLatin1Char('/') + StringPathUtilities::fileSystemSafeName(name);
    for (int n = 2; QFileInfo::exists(file + QStringLiteral(".desktop")); ++n)
        file = autostartFolder() + QLatin1Char('/') + StringPathUtilities::fileSystemSafeName(name) +
               QLatin1Char(' ') + QString::number(n);
    const bool runnable = QFileInfo(ref.path).isExecutable() && QFileInfo(ref.path).isFile();
    QString exec = runnable ? execArgument(ref.path) : QStringLiteral("xdg-open ") + execArgument(ref.path);
    exec.replace(QLatin1Char('%'), QStringLiteral("%%"));
    const QString entry = QStringLiteral("[Desktop Entry]\nType=Application\nName=") + desktopEscape(name) +
                          QStringLiteral("\nExec=") + desktopEscape(exec) +
                          QStringLiteral("\nX-Jobslate-Target=") + desktopEscape(ref.path) +
                          QLatin1Char('\n');
    QDir().mkpath(autostartFolder());
    return result(AtomicFile::write(file + QStringLiteral(".desktop"), entry.toUtf8()) ? noErr : permErr);
}

qint32 FSRemoveFromLoginList(const FSRef& ref) {
    const QString entry = FSFindLoginItem(ref);
    if (entry.isNull()) return result(fnfErr);
    return result(QFile::remove(entry) ? noErr : permErr);
}

} // namespace FSUtilities
