#include "TypeIdentifiers.h"

#include "platform/ApplicationInfo.h"

#include <QFileInfo>
#include <QImage>
#include <QMimeDatabase>
#include <QPainter>
#include <QPixmap>
#include <QSet>

namespace TypeIdentifiers {

namespace {

struct Entry {
    const char* identifier;
    const char* mime; // empty for abstract types
    const char* parents;
    const char* description; // for abstract types
};

const Entry kTable[] = {
    {"public.item", "", "", "item"},
    {"public.content", "", "public.item", "content"},
    {"public.data", "application/octet-stream", "public.item", "data"},
    {"public.directory", "", "public.item", "directory"},
    {"public.folder", "inode/directory", "public.directory", "folder"},
    {"com.apple.package", "", "public.directory", "package"},
    {"com.apple.application-bundle", "", "com.apple.package", "application"},
    {"com.brasswick.qxsheet", "", "com.apple.package public.content", "sheet"},
    {"com.brasswick.qxtheme", "", "com.apple.package public.content", "theme"},
    {"com.brasswick.qxcard", "", "public.data public.content", "card"},
    {"public.text", "", "public.data public.content", "text"},
    {"public.plain-text", "text/plain", "public.text", ""},
    {"public.rtf", "text/rtf", "public.text", ""},
    {"com.apple.rtfd", "", "com.apple.package public.content", "rich text document with attachments"},
    {"public.html", "text/html", "public.text", ""},
    {"public.image", "", "public.data public.content", "image"},
    {"public.png", "image/png", "public.image", ""},
    {"public.jpeg", "image/jpeg", "public.image", ""},
    {"public.tiff", "image/tiff", "public.image", ""},
    {"com.compuserve.gif", "image/gif", "public.image", ""},
    {"com.microsoft.bmp", "image/bmp", "public.image", ""},
    {"com.apple.icns", "image/x-icns", "public.image", ""},
    {"com.adobe.pdf", "application/pdf", "public.data public.content", ""},
    {"public.url", "", "public.data", "URL"},
    {"public.file-url", "", "public.url", "file URL"},
    {"public.vcard", "text/vcard", "public.text", ""},
    {"com.apple.ical.ics", "text/calendar", "public.text", ""},
    {"public.movie", "", "public.data public.content", "movie"},
    {"public.audio", "", "public.data public.content", "audio"},
    {"public.zip-archive", "application/zip", "public.data", ""},
};

// Extensions the MIME database doesn't know, or knows only as plain folders.
const struct {
    const char* extension;
    const char* identifier;
    bool package;
} kExtensions[] = {
    {"qxsheet", "com.brasswick.qxsheet", true},    {"qxtheme", "com.brasswick.qxtheme", true},
    {"qxcard", "com.brasswick.qxcard", false},     {"rtfd", "com.apple.rtfd", true},
    {"app", "com.apple.application-bundle", true},
};

const Entry* entryFor(const QString& identifier) {
    for (const Entry& entry : kTable)
        if (identifier == QLatin1String(entry.identifier)) return &entry;
    return nullptr;
}

const Entry* entryForMime(const QMimeType& type) {
    for (const Entry& entry : kTable) {
        if (!*entry.mime) continue;
        const QString mime = QLatin1String(entry.mime);
        if (type.name() == mime || type.aliases().contains(mime)) return &entry;
    }
    return nullptr;
}

// The types a type directly conforms to.
QStringList parentsOf(const QString& identifier) {
    if (const Entry* entry = entryFor(identifier))
        return QString::fromLatin1(entry->parents).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QStringList parents;
    const QMimeType type = mimeTypeForIdentifier(identifier);
    if (type.isValid()) {
        for (const QString& parent : type.parentMimeTypes())
            parents.append(identifierForMimeType(QMimeDatabase().mimeTypeForName(parent)));
        const QString media = type.name().section(QLatin1Char('/'), 0, 0);
        if (media == QLatin1String("image")) parents.append(kUTTypeImage);
        if (media == QLatin1String("text")) parents.append(kUTTypeText);
        if (media == QLatin1String("video")) parents.append(kUTTypeMovie);
        if (media == QLatin1String("audio")) parents.append(kUTTypeAudio);
    }
    parents.append(kUTTypeData);
    return parents;
}

} // namespace

QString identifierForMimeType(const QMimeType& type) {
    if (!type.isValid()) return kUTTypeItem;
    if (const Entry* entry = entryForMime(type)) return QLatin1String(entry->identifier);
    return type.name();
}

QString identifierForFile(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) return kUTTypeItem;
    if (info.isDir() && isPackageExtension(info.suffix()))
        return preferredIdentifierForExtension(info.suffix());
    return identifierForMimeType(QMimeDatabase().mimeTypeForFile(info));
}

QString preferredIdentifierForExtension(const QString& extension) {
    if (extension.isEmpty()) return QString();
    for (const auto& known : kExtensions)
        if (extension.compare(QLatin1String(known.extension), Qt::CaseInsensitive) == 0)
            return QLatin1String(known.identifier);
    const QList<QMimeType> types = QMimeDatabase().mimeTypesForFileName(QStringLiteral("file.") + extension);
    if (types.isEmpty()) return QStringLiteral("dyn.extension.") + extension;
    return identifierForMimeType(types.first());
}

QMimeType mimeTypeForIdentifier(const QString& identifier) {
    if (const Entry* entry = entryFor(identifier))
        return *entry->mime ? QMimeDatabase().mimeTypeForName(QLatin1String(entry->mime)) : QMimeType();
    return QMimeDatabase().mimeTypeForName(identifier);
}

QString description(const QString& identifier) {
    const QMimeType type = mimeTypeForIdentifier(identifier);
    if (type.isValid() && !type.comment().isEmpty()) return type.comment();
    if (const Entry* entry = entryFor(identifier)) return QLatin1String(entry->description);
    return identifier;
}

namespace {

QIcon drawnIcon(bool folder) {
    QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(90, 90, 90), 2));
    if (folder) {
        painter.setBrush(QColor(120, 170, 220));
        painter.drawRoundedRect(QRectF(4, 14, 56, 42), 4, 4);
        painter.drawRoundedRect(QRectF(4, 8, 24, 10), 3, 3);
    } else {
        painter.setBrush(Qt::white);
        const QPointF page[] = {{14, 4}, {40, 4}, {52, 16}, {52, 60}, {14, 60}};
        painter.drawPolygon(page, 5);
        painter.drawPolyline(QPolygonF{{40, 4}, {40, 16}, {52, 16}});
    }
    painter.end();
    return QIcon(QPixmap::fromImage(image));
}

} // namespace

QIcon iconForFile(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || (!info.exists() && !info.isSymLink())) return QIcon();
    const bool package = info.isDir() && isPackageExtension(info.suffix());
    const QMimeType type = package ? QMimeType() : QMimeDatabase().mimeTypeForFile(info);
    const QStringList names = package ? QStringList{QStringLiteral("package-x-generic")}
                                      : QStringList{type.iconName(), type.genericIconName()};
    for (const QString& name : names) {
        if (name.isEmpty()) continue;
        const QIcon themed = QIcon::fromTheme(name);
        if (!themed.isNull()) return themed;
        const QString bundled =
            ApplicationInfo::resourcePath(QStringLiteral("icons/") + name + QStringLiteral(".png"));
        if (!bundled.isEmpty() && QFileInfo::exists(bundled)) return QIcon(bundled);
    }
    return drawnIcon(info.isDir() && !package);
}

bool isPackageExtension(const QString& extension) {
    for (const auto& known : kExtensions)
        if (known.package && extension.compare(QLatin1String(known.extension), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool conformsTo(const QString& identifier, const QString& other) {
    if (identifier.isEmpty() || other.isEmpty()) return false;
    QSet<QString> seen;
    QStringList pending{identifier};
    while (!pending.isEmpty()) {
        const QString type = pending.takeFirst();
        if (type == other) return true;
        if (seen.contains(type)) continue;
        seen.insert(type);
        if (type != kUTTypeItem) pending += parentsOf(type);
    }
    return false;
}

} // namespace TypeIdentifiers
