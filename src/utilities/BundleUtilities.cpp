#include "BundleUtilities.h"

#include "FSUtilities.h"
#include "foundation/CFUtilities.h"
#include "platform/ApplicationInfo.h"
#include "platform/AtomicFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

namespace BundleUtilities {

QString pathForResource(const QString& name) {
    return ApplicationInfo::resourcePath(name);
}

QUrl URLForResource(const QString& name) {
    const QString path = pathForResource(name);
    return path.isEmpty() ? QUrl() : QUrl::fromLocalFile(path);
}

QString localizedString(const QString& key) {
    return CFUtilities::CFCopyLocalizedString(key);
}

} // namespace BundleUtilities

namespace FileManagerUtilities {

QStringList directoryContents(const QString& folder, bool recursive, QString* error) {
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir() || !info.isReadable()) {
        if (error)
            *error = info.exists() ? QStringLiteral("The folder can't be read.")
                                   : QStringLiteral("The folder doesn't exist.");
        return {};
    }
    const QDir::Filters filters = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    QStringList paths;
    QDirIterator it(folder, filters,
                    recursive ? QDirIterator::Subdirectories : QDirIterator::NoIteratorFlags);
    while (it.hasNext()) {
        const QString found = it.next();
        paths.append(CFUtilities::CFStringAppendPathComponent(folder, QDir(folder).relativeFilePath(found)));
    }
    return paths;
}

QStringList directoryContents(const QString& folder, QString* error) {
    return directoryContents(folder, false, error);
}

QStringList resourceDirectoryContents(const QString& name) {
    const QString folder = ApplicationInfo::resourcePath(name.isNull() ? QString() : name);
    return folder.isEmpty() ? QStringList() : directoryContents(folder);
}

bool directoryExistsAtPath(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool createDirectoryAtPath(const QString& path, QString* error) {
    if (!path.isEmpty() && QDir().mkdir(path)) return true;
    if (error)
        *error = QFileInfo::exists(path) ? QStringLiteral("An item of that name already exists.")
                                         : QStringLiteral("The folder could not be created.");
    return false;
}

bool createFileAtPath(const QString& path, QString* error) {
    const QFileInfo info(path);
    if (path.isEmpty() || info.exists() || info.isSymLink()) {
        if (error) *error = QStringLiteral("An item of that name already exists.");
        return false;
    }
    return AtomicFile::write(path, QByteArray(), error);
}

bool moveItemAtPathToDirectory(const QString& path, const QString& folder, QString* error) {
    FSRef moved;
    const qint32 code =
        FSUtilities::FSMoveObject(FSUtilities::FSGetPathRef(path), FSUtilities::FSGetPathRef(folder), &moved);
    if (code == FSUtilities::noErr) return true;
    if (error)
        *error = code == FSUtilities::dupFNErr
                     ? QStringLiteral("An item of that name already exists in the folder.")
                 : code == FSUtilities::fnfErr ? QStringLiteral("The item or the folder doesn't exist.")
                                               : QStringLiteral("The item could not be moved.");
    return false;
}

QString pathForTemporaryFile() {
    return QDir::tempPath() + QLatin1Char('/') + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QString volumeForPath(const QString& path) {
    const FSRef volume = FSUtilities::FSGetVolume(FSUtilities::FSGetPathRef(path));
    return volume.isNull() ? QString() : volume.path;
}

} // namespace FileManagerUtilities
