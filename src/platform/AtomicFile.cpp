#include "platform/AtomicFile.h"

#include "platform/Diagnostics.h"

#include <QByteArrayView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QMutex>
#include <QRandomGenerator>
#include <QtDebug>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr QByteArrayView kMarker(".jobslate-tmp-");
constexpr qsizetype kRandomSize = 6;
constexpr qsizetype kNameMax = 255;
// Where the file system has no flock, a leftover is removed only once it is this old (seconds).
constexpr std::time_t kUnlockedLeftoverAge = 3600;

QMutex hookMutex;
std::function<bool(const QString&)> beforeRename;
std::atomic<bool> withoutLinks{false};

// Renames from to to without replacing anything there; 0 or the errno. RENAME_NOREPLACE where the
// file system has it, else a second link and the first removed, else (no hard links: FAT, exFAT, some
// network shares) a plain rename once nothing is at to, which leaves a moment for another process
// to make to in between.
int renameNoReplace(const char* from, const char* to) {
    const bool simulated = withoutLinks.load();
    if (!simulated && ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
    int code = simulated ? EINVAL : errno;
    if (code != EINVAL && code != ENOSYS) return code;
    if (!simulated && ::link(from, to) == 0) return ::unlink(from) == 0 ? 0 : errno;
    code = simulated ? EPERM : errno;
    if (code != EPERM && code != ENOTSUP && code != EOPNOTSUPP && code != ENOSYS && code != EMLINK)
        return code;
    struct stat info;
    if (::lstat(to, &info) == 0) return EEXIST;
    if (errno != ENOENT) return errno;
    return ::rename(from, to) == 0 ? 0 : errno;
}

bool isRandomPart(QByteArrayView part) {
    if (part.size() != kRandomSize) return false;
    for (char c : part)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    return true;
}

QByteArray randomPart() {
    static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray part(kRandomSize, Qt::Uninitialized);
    for (char& c : part) c = kAlphabet[QRandomGenerator::global()->bounded(62)];
    return part;
}

// ".<name>.jobslate-tmp-", the name cut on a character boundary so that the temporary's whole name
// stays within the file-name limit.
QByteArray temporaryPrefix(const QByteArray& name) {
    qsizetype keep = std::min(name.size(), kNameMax - 1 - kMarker.size() - kRandomSize);
    if (keep < name.size())
        while (keep > 0 && (static_cast<uchar>(name[keep]) & 0xC0) == 0x80) --keep;
    return '.' + name.left(keep) + kMarker.toByteArray();
}

bool isTemporary(QByteArrayView name) {
    if (name.size() < 2 + kMarker.size() + kRandomSize || name.front() != '.') return false;
    const qsizetype marker = name.size() - kRandomSize - kMarker.size();
    return name.sliced(marker, kMarker.size()) == kMarker && isRandomPart(name.last(kRandomSize));
}

// The file a save of path replaces: a symbolic link is followed to its target, as far as it goes.
struct Target {
    QByteArray folder;
    QByteArray name;
    QByteArray path() const { return folder + '/' + name; }
};

Target targetOf(const QString& path) {
    QFileInfo info(path);
    for (int depth = 0; depth < 40 && info.isSymLink(); ++depth) info.setFile(info.symLinkTarget());
    if (info.isSymLink()) info.setFile(path); // a loop: the link itself is replaced
    return {QFile::encodeName(info.absolutePath()), QFile::encodeName(info.fileName())};
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Takes the lock on a temporary just made at path. False when a cleaner got to it first (it holds
// the file or has removed it); true also where the file system has no flock.
bool lockFresh(int fd, const QByteArray& path) {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) return false;
    struct stat held, named;
    return ::fstat(fd, &held) == 0 && ::lstat(path.constData(), &named) == 0 && sameFile(held, named);
}

// Removes the regular file at path unless a save holds it.
bool removeIfAbandoned(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return false;
    bool removed = false;
    struct stat held, named;
    if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode)) {
        bool abandoned = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        if (!abandoned && errno != EWOULDBLOCK)
            abandoned = std::time(nullptr) - held.st_mtime > kUnlockedLeftoverAge;
        // Still the file that was opened: a save that has renamed its temporary away keeps it.
        removed = abandoned && ::lstat(path.constData(), &named) == 0 && sameFile(held, named) &&
                  ::unlink(path.constData()) == 0;
    }
    ::close(fd);
    return removed;
}

template <typename Matches> int removeAbandoned(const QByteArray& folder, Matches matches) {
    QList<QByteArray> found;
    if (DIR* dir = ::opendir(folder.constData())) {
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArrayView name(entry->d_name);
            if (matches(name)) found.append(name.toByteArray());
        }
        ::closedir(dir);
    }
    int removed = 0;
    for (const QByteArray& name : found) removed += removeIfAbandoned(folder + '/' + name) ? 1 : 0;
    return removed;
}

int removeLeftoversOf(const Target& target) {
    const QByteArray prefix = temporaryPrefix(target.name);
    return removeAbandoned(target.folder, [&](QByteArrayView name) {
        return name.size() == prefix.size() + kRandomSize && name.startsWith(prefix) &&
               isRandomPart(name.last(kRandomSize));
    });
}

// A change of the folder's entries (a rename, a new folder) is durable once the folder is synced. Some
// file systems cannot sync a folder; a failure is only warned about, as the change is in place.
void syncFolder(const QByteArray& folder, const char* change, const QByteArray& name) {
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int code = fd < 0 ? errno : ::fsync(fd) != 0 && errno != EINVAL ? errno : 0;
    if (fd >= 0) ::close(fd);
    if (code != 0)
        Diagnostics::warning(QStringLiteral("Cannot sync the folder %1 after %2 %3: %4")
                                 .arg(QString::fromLocal8Bit(folder), QString::fromLatin1(change),
                                      QString::fromLocal8Bit(name), qt_error_string(code)));
}

bool isFolder(const QByteArray& path) {
    struct stat info;
    return ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Makes the folder (an absolute, clean path) and its missing parents, each synced into its parent.
// Returns 0 or the error number.
int makeFolders(const QByteArray& folder) {
    const qsizetype slash = folder.lastIndexOf('/');
    const QByteArray parent = slash <= 0 ? QByteArray("/") : folder.left(slash);
    if (::mkdir(folder.constData(), 0777) != 0) {
        int code = errno;
        if (code == EEXIST) return isFolder(folder) ? 0 : ENOTDIR;
        if (code != ENOENT || parent == folder) return code;
        if ((code = makeFolders(parent)) != 0) return code;
        if (::mkdir(folder.constData(), 0777) != 0) {
            code = errno;
            return code == EEXIST && isFolder(folder) ? 0 : code;
        }
    }
    syncFolder(parent, "making", folder.mid(slash + 1));
    return 0;
}

AtomicFile::FileStamp stampOf(const struct stat& info) {
    AtomicFile::FileStamp stamp;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modified = qint64(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    stamp.isLink = S_ISLNK(info.st_mode);
    stamp.isFile = S_ISREG(info.st_mode);
    return stamp;
}

enum class Mode { Replace, ReplaceEntry, Create };

// A save of path; Replace follows a link at path to its target, ReplaceEntry replaces the entry
// itself, Create writes only into a name nothing holds.
bool save(const QString& path, const QByteArray& bytes, QString* error, Mode mode, bool* taken,
          AtomicFile::FileStamp* stamp = nullptr, const AtomicFile::FileStamp* expected = nullptr) {
    if (taken) *taken = false;
    const bool replace = mode != Mode::Create;
    auto fail = [&](const QString& reason) {
        if (error) *error = QStringLiteral("Cannot write %1: %2").arg(path, reason);
        return false;
    };
    if (path.isEmpty()) return fail(QStringLiteral("no file name"));
    const QFileInfo named(path);
    const Target target = mode == Mode::Replace ? targetOf(path)
                                                : Target{QFile::encodeName(named.absolutePath()),
                                                         QFile::encodeName(named.fileName())};
    if (target.name.isEmpty()) return fail(QStringLiteral("no file name"));
    // Such a file would be taken for a leftover and removed.
    if (isTemporary(target.name)) return fail(QStringLiteral("the name is that of a temporary file"));
    removeLeftoversOf(target);

    struct stat old;
    if (!replace && ::lstat(target.path().constData(), &old) == 0) {
        if (taken) *taken = true;
        return fail(qt_error_string(EEXIST));
    }
    bool exists = replace && (mode == Mode::Replace ? ::stat(target.path().constData(), &old)
                                                    : ::lstat(target.path().constData(), &old)) == 0;
    // A link the entry replaces lends it neither its permissions nor its target's.
    if (exists && mode == Mode::ReplaceEntry && S_ISLNK(old.st_mode)) exists = false;
    if (exists && !S_ISREG(old.st_mode)) return fail(QStringLiteral("not a regular file"));
    if (exists && ::access(target.path().constData(), W_OK) != 0) return fail(qt_error_string(errno));

    // The temporary is made with no wider permissions than the file it replaces.
    const QByteArray prefix = target.folder + '/' + temporaryPrefix(target.name);
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        if (attempt == 100) return fail(QStringLiteral("no free temporary name"));
        temporary = prefix + randomPart();
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                    static_cast<mode_t>(exists ? old.st_mode & 0777 : 0666));
        if (fd < 0 && errno != EEXIST && errno != EINTR) return fail(qt_error_string(errno));
        if (fd >= 0 && !lockFresh(fd, temporary)) {
            ::close(fd);
            fd = -1;
        }
    }
    auto discard = [&](int code) {
        ::unlink(temporary.constData());
        ::close(fd);
        return fail(qt_error_string(code));
    };
    if (exists) (void)::fchmod(fd, old.st_mode & 07777); // not the owner: the mode it was made with

    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno != EINTR) return discard(errno);
        if (n > 0) done += n;
    }
    if (::fsync(fd) != 0) return discard(errno);
    struct stat written;
    if (stamp && ::fstat(fd, &written) == 0) *stamp = stampOf(written);

    std::function<bool(const QString&)> hook;
    {
        QMutexLocker lock(&hookMutex);
        hook = beforeRename;
    }
    if (hook && !hook(QFile::decodeName(temporary))) {
        ::close(fd);
        return fail(QStringLiteral("interrupted before the rename"));
    }

    // Checked last, so a file replaced while the bytes were written is not overwritten.
    if (expected) {
        struct stat now;
        const AtomicFile::FileStamp current =
            ::lstat(target.path().constData(), &now) == 0 ? stampOf(now) : AtomicFile::FileStamp{};
        if (!(current == *expected)) {
            if (taken) *taken = true;
            ::unlink(temporary.constData());
            ::close(fd);
            return fail(QStringLiteral("it changed since it was last read or written"));
        }
    }

    if (replace) {
        if (::rename(temporary.constData(), target.path().constData()) != 0) return discard(errno);
    } else if (const int code = renameNoReplace(temporary.constData(), target.path().constData());
               code != 0) {
        if (taken) *taken = code == EEXIST;
        return discard(code);
    }
    ::close(fd);
    syncFolder(target.folder, "saving", target.name);
    return true;
}

} // namespace

namespace AtomicFile {

bool write(const QString& path, const QByteArray& bytes, QString* error) {
    return save(path, bytes, error, Mode::Replace, nullptr);
}

FileStamp stampOf(const QString& path) {
    struct stat info;
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &info) != 0) return {};
    return ::stampOf(info);
}

bool writeInFolder(const QString& folder, const QString& name, const QByteArray& bytes, QString* error,
                   FileStamp* stamp, const FileStamp* expected, bool* changed) {
    if (changed) *changed = false;
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String("..")) {
        if (error) *error = QStringLiteral("Cannot write %1 in %2: not a file name").arg(name, folder);
        return false;
    }
    return save(folder + QLatin1Char('/') + name, bytes, error, Mode::ReplaceEntry, changed, stamp, expected);
}

bool create(const QString& path, const QByteArray& bytes, QString* error, bool* taken) {
    return save(path, bytes, error, Mode::Create, taken);
}

bool renameInFolder(const QString& folder, const QString& from, const QString& to, QString* error,
                    bool* taken) {
    if (taken) *taken = false;
    const QByteArray base = QFile::encodeName(folder) + '/';
    const QByteArray source = base + QFile::encodeName(from);
    const QByteArray target = base + QFile::encodeName(to);
    int code = 0;
    if (from.contains(QLatin1Char('/')) || to.contains(QLatin1Char('/')) || to.isEmpty()) {
        code = EINVAL;
    } else {
        code = renameNoReplace(source.constData(), target.constData());
    }
    if (code == 0) {
        syncFolder(QFile::encodeName(folder), "renaming", QFile::encodeName(from));
        return true;
    }
    if (taken) *taken = code == EEXIST;
    if (error) *error = QStringLiteral("Cannot rename %1 to %2: %3").arg(from, to, qt_error_string(code));
    return false;
}

bool makeFolder(const QString& path, QString* error) {
    const int code =
        path.isEmpty() ? ENOENT
                       : makeFolders(QFile::encodeName(QDir::cleanPath(QFileInfo(path).absoluteFilePath())));
    if (code != 0 && error)
        *error = QStringLiteral("Cannot make the folder %1: %2").arg(path, qt_error_string(code));
    return code == 0;
}

bool isTemporaryName(const QString& fileName) {
    return isTemporary(QFile::encodeName(fileName));
}

int removeLeftovers(const QString& path) {
    const Target target = targetOf(path);
    return target.name.isEmpty() ? 0 : removeLeftoversOf(target);
}

int removeLeftoversIn(const QString& folderPath) {
    if (folderPath.isEmpty()) return 0;
    return removeAbandoned(QFile::encodeName(folderPath), isTemporary);
}

void setBeforeRenameHook(std::function<bool(const QString& temporaryPath)> hook) {
    QMutexLocker lock(&hookMutex);
    beforeRename = std::move(hook);
}

void setWithoutLinksForTests(bool without) {
    withoutLinks = without;
}

} // namespace AtomicFile
