#include "StringPathUtilities.h"

#include "StringUtilities.h"
#include "TypeIdentifiers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace StringPathUtilities {

namespace {

const QLatin1Char kSlash('/');

QString withoutTrailingSlashes(const QString& path) {
    QString p = path;
    while (p.size() > 1 && p.endsWith(kSlash)) p.chop(1);
    return p;
}

// The index of the extension's full stop in a last component; -1 without an extension.
qsizetype extensionDot(const QString& component) {
    const qsizetype dot = component.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || dot == component.size() - 1) return -1;
    return dot;
}

// The path as the system takes it; empty for an empty path or one holding a NUL, which the
// system would read as a shorter path naming another item.
QByteArray nativePath(const QString& path) {
    if (path.contains(QChar(0))) return QByteArray();
    return QFile::encodeName(path);
}

QString homeOfUser(const QString& user) {
    if (user.isEmpty()) return QDir::homePath();
    if (user.contains(QChar(0))) return QString();
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwnam_r(user.toLocal8Bit().constData(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        !found)
        return QString();
    return QFile::decodeName(found->pw_dir);
}

QString nameOfUser(uid_t uid) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found) return QString();
    return QFile::decodeName(found->pw_name);
}

QString nameOfGroup(gid_t gid) {
    std::vector<char> buffer(16384);
    group entry{};
    group* found = nullptr;
    if (getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found) return QString();
    return QFile::decodeName(found->gr_name);
}

QDateTime dateOf(const statx_timestamp& t) {
    return QDateTime::fromMSecsSinceEpoch(t.tv_sec * 1000 + t.tv_nsec / 1000000, Qt::UTC);
}

bool statItem(const QString& path, struct statx* info, int flags) {
    const QByteArray name = nativePath(path);
    if (name.isEmpty()) return false;
    return statx(AT_FDCWD, name.constData(), flags, STATX_BASIC_STATS | STATX_BTIME, info) == 0;
}

QString typeName(mode_t mode) {
    if (S_ISREG(mode)) return kNSFileTypeRegular;
    if (S_ISDIR(mode)) return kNSFileTypeDirectory;
    if (S_ISLNK(mode)) return kNSFileTypeSymbolicLink;
    if (S_ISCHR(mode)) return QStringLiteral("NSFileTypeCharacterSpecial");
    if (S_ISBLK(mode)) return QStringLiteral("NSFileTypeBlockSpecial");
    if (S_ISSOCK(mode)) return QStringLiteral("NSFileTypeSocket");
    return kNSFileTypeUnknown;
}

QString errorText(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

// A block device, or the disk holding a partition, that the kernel marks removable.
bool isRemovableDevice(const QByteArray& device) {
    if (!device.startsWith("/dev/")) return false;
    const QString name = QFile::decodeName(device.mid(5));
    const QString block = QFileInfo(QStringLiteral("/sys/class/block/") + name).canonicalFilePath();
    if (block.isEmpty()) return false;
    for (const QString& folder : {block, QFileInfo(block).path()}) {
        QFile flag(folder + QStringLiteral("/removable"));
        if (flag.open(QIODevice::ReadOnly)) return flag.readAll().trimmed() == "1";
    }
    return false;
}

} // namespace

QString lastPathComponent(const QString& path) {
    const QString p = withoutTrailingSlashes(path);
    if (p == QLatin1String("/")) return p;
    return p.mid(p.lastIndexOf(kSlash) + 1);
}

QString pathExtension(const QString& path) {
    const QString component = lastPathComponent(path);
    const qsizetype dot = extensionDot(component);
    return dot < 0 ? QString() : component.mid(dot + 1);
}

QString stringByDeletingPathExtension(const QString& path) {
    const QString p = withoutTrailingSlashes(path);
    const QString ext = pathExtension(p);
    return ext.isEmpty() ? p : p.chopped(ext.size() + 1);
}

QString stringByAppendingPathExtension(const QString& path, const QString& extension) {
    const QString p = withoutTrailingSlashes(path);
    if (extension.contains(kSlash) || p.isEmpty() || p == QLatin1String("/")) return QString();
    if (extension.isEmpty()) return p;
    return p + QLatin1Char('.') + extension;
}

QString stringByExpandingTildeInPath(const QString& path) {
    if (!path.startsWith(QLatin1Char('~'))) return path;
    const qsizetype slash = path.indexOf(kSlash);
    const QString user = path.mid(1, slash < 0 ? -1 : slash - 1);
    QString home = homeOfUser(user);
    if (home.isEmpty()) return path;
    home = withoutTrailingSlashes(home);
    const QString rest = slash < 0 ? QString() : path.mid(slash);
    if (home == QLatin1String("/") && !rest.isEmpty()) return rest;
    return home + rest;
}

QString stringByAbbreviatingWithTildeInPath(const QString& path) {
    const QString home = withoutTrailingSlashes(QDir::homePath());
    if (home.isEmpty() || home == QLatin1String("/")) return path;
    if (path == home) return QStringLiteral("~");
    if (path.startsWith(home + kSlash)) return QLatin1Char('~') + path.mid(home.size());
    return path;
}

bool doesFileExist(const QString& path) {
    return !path.isEmpty() && QFileInfo::exists(path);
}

QUrl fileURL(const QString& path) {
    const QString expanded = stringByExpandingTildeInPath(path);
    if (expanded.isEmpty()) return QUrl();
    return QUrl::fromLocalFile(QDir::current().absoluteFilePath(expanded));
}

QString lastPathComponentWithoutExtension(const QString& path) {
    const QString component = lastPathComponent(path);
    const QString name = stringByDeletingPathExtension(component);
    return name.isEmpty() ? component : name;
}

QString lastPathComponentWithExtension(const QString& path, const QString& extension) {
    return stringByReplacingExtension(lastPathComponent(path), extension);
}

QString stringByReplacingExtension(const QString& path, const QString& extension) {
    return stringByAppendingPathExtension(stringByDeletingPathExtension(path), extension);
}

QString extension(const QString& path) {
    return pathExtension(path);
}

bool hasExtension(const QString& path) {
    return !extension(path).isEmpty();
}

QByteArray pascalExtension(const QString& path) {
    return hasExtension(path) ? StringPascalUtilities::pascalString(extension(path)) : QByteArray();
}

QString displayName(const QString& path) {
    return lastPathComponent(path);
}

std::optional<QVariantMap> fileAttributes(const QString& path) {
    struct statx info {};
    if (!statItem(path, &info, AT_SYMLINK_NOFOLLOW)) return std::nullopt;
    QVariantMap attributes;
    attributes.insert(kNSFileType, typeName(info.stx_mode));
    attributes.insert(kNSFileSize, qlonglong(info.stx_size));
    attributes.insert(kNSFileModificationDate, dateOf(info.stx_mtime));
    if (info.stx_mask & STATX_BTIME) attributes.insert(kNSFileCreationDate, dateOf(info.stx_btime));
    attributes.insert(kNSFilePosixPermissions, int(info.stx_mode & 07777));
    attributes.insert(kNSFileReferenceCount, qlonglong(info.stx_nlink));
    attributes.insert(kNSFileSystemNumber, qulonglong(makedev(info.stx_dev_major, info.stx_dev_minor)));
    attributes.insert(kNSFileSystemFileNumber, qulonglong(info.stx_ino));
    attributes.insert(kNSFileOwnerAccountID, qlonglong(info.stx_uid));
    attributes.insert(kNSFileGroupOwnerAccountID, qlonglong(info.stx_gid));
    const QString owner = nameOfUser(info.stx_uid);
    if (!owner.isEmpty()) attributes.insert(kNSFileOwnerAccountName, owner);
    const QString group = nameOfGroup(info.stx_gid);
    if (!group.isEmpty()) attributes.insert(kNSFileGroupOwnerAccountName, group);
    return attributes;
}

QVariant fileAttribute(const QString& path, const QString& key) {
    const std::optional<QVariantMap> attributes = fileAttributes(path);
    return attributes ? attributes->value(key) : QVariant();
}

bool setFileAttributeObjectValueError(const QString& path, const QString& key, const QVariant& value,
                                      QString* error) {
    auto fail = [&](const QString& text) {
        if (error) *error = text;
        return false;
    };
    const QByteArray name = nativePath(path);
    if (key == kNSFileModificationDate) {
        const QDateTime date = value.toDateTime();
        if (!value.canConvert<QDateTime>() || !date.isValid())
            return fail(QStringLiteral("The modification date is not a date."));
        const qint64 ms = date.toMSecsSinceEpoch();
        qint64 seconds = ms / 1000;
        qint64 rest = ms % 1000;
        if (rest < 0) {
            rest += 1000;
            seconds -= 1;
        }
        const timespec times[2] = {{0, UTIME_OMIT},
                                   {static_cast<time_t>(seconds), static_cast<long>(rest * 1000000)}};
        if (name.isEmpty() || utimensat(AT_FDCWD, name.constData(), times, 0) != 0)
            return fail(QStringLiteral("The modification date of \"%1\" can't be set: %2.")
                            .arg(path, errorText(name.isEmpty() ? ENOENT : errno)));
        return true;
    }
    if (key == kNSFilePosixPermissions) {
        bool ok = false;
        const int mode = value.toInt(&ok);
        if (!ok || mode < 0 || mode > 07777) return fail(QStringLiteral("The permissions are not a mode."));
        if (name.isEmpty() || chmod(name.constData(), static_cast<mode_t>(mode)) != 0)
            return fail(QStringLiteral("The permissions of \"%1\" can't be set: %2.")
                            .arg(path, errorText(name.isEmpty() ? ENOENT : errno)));
        return true;
    }
    return fail(QStringLiteral("The attribute \"%1\" can't be set.").arg(key));
}

bool comparePaths(const QString& path, const QString& other) {
    struct statx a {};
    struct statx b {};
    if (!statItem(path, &a, 0) || !statItem(other, &b, 0)) return false;
    return a.stx_ino == b.stx_ino && a.stx_dev_major == b.stx_dev_major && a.stx_dev_minor == b.stx_dev_minor;
}

std::optional<FileIdentity> fileIdentity(const QString& path) {
    struct statx own {};
    if (!statItem(path, &own, AT_SYMLINK_NOFOLLOW)) return std::nullopt;
    struct statx target = own;
    // Only a link needs a second call, for what it points at.
    if (S_ISLNK(own.stx_mode) && !statItem(path, &target, 0)) return std::nullopt;
    return FileIdentity{makedev(target.stx_dev_major, target.stx_dev_minor), target.stx_ino,
                        S_ISDIR(target.stx_mode), dateOf(own.stx_mtime)};
}

QString stringByExpandingTildeOutsideContainer(const QString& path) {
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        return stringByExpandingTildeInPath(path);
    return path;
}

QString fileSystemSafeName(const QString& name) {
    static const QString forbidden = QStringLiteral("/\\?%*|\"<>:") + QChar(0);
    QString safe;
    safe.reserve(name.size());
    for (const QChar c : name)
        if (!forbidden.contains(c)) safe.append(c);
    // Cutting inside a long character can leave dots alone, so the test comes after it.
    safe = StringUtilities::leftUtf8Bytes(StringUtilities::stringWithMaximumLength(safe, 128), 200);
    if (safe == QLatin1String(".") || safe == QLatin1String("..")) return QString();
    return safe;
}

QString fileKind(const QString& path) {
    if (!fileAttributes(path)) return QStringLiteral("Unknown File");
    return humanReadableFileType(path);
}

QString fileUTI(const QString& path) {
    return TypeIdentifiers::identifierForFile(path);
}

QString humanReadableFileType(const QString& path) {
    return TypeIdentifiers::description(fileUTI(path));
}

QString preferredIdentifier(const QString& path) {
    return TypeIdentifiers::preferredIdentifierForExtension(extension(path));
}

bool isMountedRemovableMedia(const QString& path) {
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady()) continue;
        const QString root = volume.rootPath();
        const bool removable = root.startsWith(QLatin1String("/media/")) ||
                               root.startsWith(QLatin1String("/run/media/")) ||
                               isRemovableDevice(volume.device());
        if (removable && comparePaths(path, root)) return true;
    }
    return false;
}

std::optional<QVariantMap> metaDataWithAttributes(const QString& path, const QStringList& names) {
    const std::optional<QVariantMap> attributes = fileAttributes(path);
    if (!attributes) return std::nullopt;
    QVariantMap result;
    for (const QString& name : names) {
        QVariant value;
        if (name == kMDItemFSName || name == kMDItemDisplayName)
            value = lastPathComponent(path);
        else if (name == kMDItemPath)
            value = QFileInfo(path).absoluteFilePath();
        else if (name == kMDItemFSSize)
            value = attributes->value(kNSFileSize);
        else if (name == kMDItemContentType)
            value = fileUTI(path);
        else if (name == kMDItemKind)
            value = fileKind(path);
        else if (name == kMDItemContentModificationDate || name == kMDItemFSContentChangeDate)
            value = attributes->value(kNSFileModificationDate);
        else if (name == kMDItemFSCreationDate)
            value = attributes->value(kNSFileCreationDate);
        else if (name == kMDItemWhereFroms) {
            char buffer[4096];
            const ssize_t size =
                getxattr(nativePath(path).constData(), "user.xdg.origin.url", buffer, sizeof buffer);
            if (size > 0) value = QStringList{QString::fromUtf8(buffer, size)};
        }
        if (value.isValid()) result.insert(name, value);
    }
    return result;
}

QVariant metaData(const QString& path, const QString& name) {
    const std::optional<QVariantMap> values = metaDataWithAttributes(path, {name});
    return values ? values->value(name) : QVariant();
}

} // namespace StringPathUtilities

namespace StringBookmarkUtilities {

QByteArray bookmarkData(const QString& path) {
    return URLBookmarkUtilities::bookmarkData(StringPathUtilities::fileURL(path));
}

} // namespace StringBookmarkUtilities

namespace URLBookmarkUtilities {

QByteArray bookmarkData(const QUrl& url) {
    if (!url.isValid() || !url.isLocalFile() || !StringPathUtilities::doesFileExist(url.toLocalFile()))
        return QByteArray();
    return url.toEncoded();
}

} // namespace URLBookmarkUtilities

namespace DataBookmarkUtilities {

QUrl startAccessingBookmarkURL(const QByteArray& bookmark) {
    const QUrl url = QUrl::fromEncoded(bookmark, QUrl::StrictMode);
    if (bookmark.isEmpty() || !url.isValid() || !url.isLocalFile() ||
        !QDir::isAbsolutePath(url.toLocalFile()) || !StringPathUtilities::doesFileExist(url.toLocalFile()))
        return QUrl();
    return url;
}

QUrl stopAccessingBookmarkURL(const QByteArray& bookmark) {
    return startAccessingBookmarkURL(bookmark);
}

} // namespace DataBookmarkUtilities
