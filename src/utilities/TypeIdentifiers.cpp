#include "TypeIdentifiers.h"

#include <QFileInfo>
#include <QMimeDatabase>
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
    {"public.folder", "inode/directory", "public.item", "folder"},
    {"public.text", "", "public.data public.content", "text"},
    {"public.plain-text", "text/plain", "public.text", ""},
    {"public.rtf", "text/rtf", "public.text", ""},
    {"com.apple.rtfd", "", "public.item public.content", "rich text document with attachments"},
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
    return identifierForMimeType(QMimeDatabase().mimeTypeForFile(info));
}

QString preferredIdentifierForExtension(const QString& extension) {
    if (extension.isEmpty()) return QString();
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
