#include "FileObjectUtilities.h"

#include "FSUtilities.h"
#include "StringPathUtilities.h"
#include "TypeIdentifiers.h"

#include <QFileInfo>
#include <QPainter>

namespace StringFileObjectUtilities {

bool conformsToUTIdentifier(const QString& path, const QString& identifier) {
    const QString ext = StringPathUtilities::extension(path);
    if (ext.isEmpty()) return false;
    return TypeIdentifiers::conformsTo(TypeIdentifiers::preferredIdentifierForExtension(ext), identifier);
}

bool conformsToUTIdentifiers(const QString& path, const QStringList& identifiers, bool matchAll) {
    qsizetype count = 0;
    for (const QString& identifier : identifiers)
        if (conformsToUTIdentifier(path, identifier)) ++count;
    return matchAll ? count == identifiers.size() : count > 0;
}

bool isHidden(const QString& path) {
    return FSUtilities::FSIsHidden(FSUtilities::FSGetPathRef(path));
}

bool isDirectory(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool isFolder(const QString& path) {
    return isDirectory(path) && !isPackage(path);
}

bool isPackage(const QString& path) {
    return isDirectory(path) && TypeIdentifiers::isPackageExtension(StringPathUtilities::extension(path));
}

bool isFound(const QString& path) {
    return !path.isEmpty() && QFileInfo::exists(path);
}

bool isBusy(const QString& path) {
    return FSUtilities::FSIsBusy(FSUtilities::FSGetPathRef(QFileInfo(path).canonicalFilePath()));
}

bool isExtensionHidden(const QString&) {
    return false;
}

void setExtensionHidden(const QString&, bool) {}

bool isAlias(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isSymLink();
}

QString pathWithResolvedAlias(const QString& path) {
    if (!isAlias(path)) return path;
    const QString target = QFileInfo(path).canonicalFilePath();
    return target.isEmpty() ? path : target;
}

FSRef fsRef(const QString& path) {
    return FSUtilities::FSGetPathRef(path);
}

QString stringWithFSRef(const FSRef& ref) {
    return FSUtilities::FSCopyPath(ref);
}

QString initWithFSRef(const FSRef& ref) {
    return stringWithFSRef(ref);
}

QString stringWithFSObjectName(const FSRef& ref) {
    return FSUtilities::FSCopyName(ref);
}

QIcon copyFileIcon(const QString& path) {
    return TypeIdentifiers::iconForFile(path);
}

QImage fileImage(const QString& path, const QSize& size) {
    const QIcon icon = copyFileIcon(path);
    if (icon.isNull() || size.isEmpty()) return QImage();
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    icon.paint(&painter, QRect(QPoint(0, 0), size));
    painter.end();
    return image;
}

} // namespace StringFileObjectUtilities

namespace URLFileObjectUtilities {

QUrl fileURLWithFSRef(const FSRef& ref) {
    const QString path = StringFileObjectUtilities::stringWithFSRef(ref);
    return path.isNull() ? QUrl() : QUrl::fromLocalFile(path);
}

} // namespace URLFileObjectUtilities
