#include "PasteboardUtilities.h"

#include "CGImages.h"
#include "FileObjectUtilities.h"
#include "TypeIdentifiers.h"
#include "foundation/NSObjectWrapper.h"
#include "platform/AtomicFile.h"
#include "platform/Diagnostics.h"
#include "platform/text/AttributedString.h"
#include "platform/text/RTFCodec.h"
#include "platform/text/RTFDCodec.h"

#include <QClipboard>
#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIODevice>
#include <QMimeDatabase>
#include <QSet>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <algorithm>

// From StringUtilities.h, whose TextAttributes can't share a source file with attributed text's.
namespace StringUtilities {
QString leftUtf8Bytes(const QString& s, qsizetype maxBytes);
}

namespace PasteboardUtilities {

namespace {

const QString kUriList = QStringLiteral("text/uri-list");
const QString kOwnPrefix = QStringLiteral("application/x-jobslate-");
// The items of a pasteboard of several.
const QString kItemsMime = QStringLiteral("application/x-jobslate-pasteboard-items");
const QByteArray kItemsTag = QByteArrayLiteral("PasteboardItems/1");

struct TypeEntry {
    const char* identifier;
    const char* mime;
    const char* parents; // what the type conforms to beyond the shared type table
};

// Every payload the program puts on a pasteboard or reads from one.
const TypeEntry kTypes[] = {
    {"public.utf8-plain-text", "text/plain", "public.plain-text"},
    {"public.file-url", "text/uri-list", "public.url"},
    {"public.url", "text/uri-list", "public.data"},
    {"public.tiff", "image/tiff", ""},
    {"public.png", "image/png", ""},
    {"public.rtf", "text/rtf", ""},
    {"com.apple.flat-rtfd", "application/x-jobslate-flat-rtfd", "public.data public.content"},
    {"com.apple.pasteboard.promised-file-content-type", "application/x-jobslate-promised-file-content-type",
     "public.data"},
    {"TCard.wrapper", "application/x-jobslate-TCard.wrapper", "public.data"},
    {"TCardItem.wrapper", "application/x-jobslate-TCardItem.wrapper", "public.data"},
    {"card.linkname", "application/x-jobslate-card.linkname", "public.plain-text"},
};

const TypeEntry* entryForType(const QString& type) {
    for (const TypeEntry& entry : kTypes)
        if (type == QLatin1String(entry.identifier)) return &entry;
    return nullptr;
}

// Reads what writeItems wrote; nothing for anything malformed.
std::optional<std::vector<std::unique_ptr<QMimeData>>> readItems(const QByteArray& payload) {
    QDataStream in(payload);
    QByteArray tag;
    quint32 count = 0;
    in >> tag >> count;
    // Each item takes four bytes at least; past the cap the payload is no drag of ours.
    if (in.status() != QDataStream::Ok || tag != kItemsTag || count > kMaximumItems ||
        count > quint32(payload.size() / 4))
        return std::nullopt;
    std::vector<std::unique_ptr<QMimeData>> result;
    for (quint32 i = 0; i < count; ++i) {
        quint32 formats = 0;
        in >> formats;
        // Each format takes eight bytes at least (two lengths).
        if (in.status() != QDataStream::Ok || formats > quint32(payload.size() / 8)) return std::nullopt;
        auto item = std::make_unique<QMimeData>();
        for (quint32 f = 0; f < formats; ++f) {
            QByteArray mime, bytes;
            in >> mime >> bytes;
            if (in.status() != QDataStream::Ok) return std::nullopt;
            item->setData(QString::fromUtf8(mime), bytes);
        }
        result.push_back(std::move(item));
    }
    return result;
}

// The name, or "name 2.ext", "name 3.ext", ... when it is taken, cut to what a file system takes
// (255 UTF-8 bytes) at a character boundary, keeping the extension.
QString freeFileName(const QString& name, const QSet<QString>& taken) {
    constexpr qsizetype kMaxNameBytes = 255;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    QString base = name, extension;
    if (dot > 0 && name.size() - dot <= 32) {
        base = name.left(dot);
        extension = name.mid(dot);
    }
    for (int n = 1;; ++n) {
        const QString suffix = n == 1 ? QString() : QStringLiteral(" %1").arg(n);
        const qsizetype room = kMaxNameBytes - (suffix + extension).toUtf8().size();
        QString candidate = StringUtilities::leftUtf8Bytes(base, room) + suffix + extension;
        if (candidate.isEmpty()) candidate = QStringLiteral("Attachment");
        if (!taken.contains(candidate)) return candidate;
    }
}

QByteArray writeItems(const QList<const QMimeData*>& items) {
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out << kItemsTag << quint32(items.size());
    for (const QMimeData* item : items) {
        const QStringList formats = item->formats();
        out << quint32(formats.size());
        for (const QString& format : formats) out << format.toUtf8() << item->data(format);
    }
    return payload;
}

// The URLs of a URL list, at most kMaximumItems of them: a longer list is not read past them.
QList<QUrl> firstUrls(const QMimeData& pasteboard) {
    if (!pasteboard.hasUrls()) return {};
    const QByteArray list = pasteboard.data(kUriList);
    if (list.count('\n') < qsizetype(kMaximumItems)) return pasteboard.urls();
    QList<QUrl> urls;
    for (qsizetype start = 0; start < list.size() && urls.size() < qsizetype(kMaximumItems);) {
        qsizetype end = list.indexOf('\n', start);
        if (end < 0) end = list.size();
        const QByteArray line = list.mid(start, end - start).trimmed();
        start = end + 1;
        if (line.isEmpty() || line.startsWith('#')) continue;
        const QUrl url = QUrl::fromEncoded(line);
        if (url.isValid()) urls.append(url);
    }
    return urls;
}

} // namespace

bool hasPlainText(const QMimeData& data) {
    // Not hasText(), which counts URLs as text.
    return data.hasFormat(QStringLiteral("text/plain")) ||
           data.hasFormat(QStringLiteral("text/plain;charset=utf-8"));
}

QString mimeTypeForType(const QString& type) {
    if (const TypeEntry* entry = entryForType(type)) return QLatin1String(entry->mime);
    if (type.contains(QLatin1Char('/'))) return type;
    const QMimeType known = TypeIdentifiers::mimeTypeForIdentifier(type);
    if (known.isValid()) return known.name();
    return kOwnPrefix + type;
}

QString typeForMimeType(const QString& mimeType) {
    for (const TypeEntry& entry : kTypes)
        if (mimeType == QLatin1String(entry.mime)) return QLatin1String(entry.identifier);
    if (mimeType.startsWith(kOwnPrefix)) return mimeType.mid(kOwnPrefix.size());
    const QMimeType known = QMimeDatabase().mimeTypeForName(mimeType);
    return known.isValid() ? TypeIdentifiers::identifierForMimeType(known) : mimeType;
}

bool typeConformsTo(const QString& type, const QString& other) {
    if (type == other || TypeIdentifiers::conformsTo(type, other)) return true;
    const TypeEntry* entry = entryForType(type);
    if (!entry) return false;
    const QStringList parents =
        QString::fromLatin1(entry->parents).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& parent : parents)
        if (typeConformsTo(parent, other)) return true;
    return false;
}

QStringList types(const QMimeData& data) {
    QStringList result;
    for (const QString& format : data.formats()) {
        QString type = typeForMimeType(format);
        if (format == kUriList) {
            const QList<QUrl> urls = data.urls();
            type =
                !urls.isEmpty() && urls.first().isLocalFile() ? kPasteboardTypeFileURL : kPasteboardTypeURL;
        }
        if (format != kItemsMime && !result.contains(type)) result.append(type);
    }
    return result;
}

QByteArray dataForType(const QMimeData& data, const QString& type) {
    const QString mime = mimeTypeForType(type);
    return data.hasFormat(mime) ? data.data(mime) : QByteArray();
}

void setDataForType(QMimeData& data, const QByteArray& bytes, const QString& type) {
    data.setData(mimeTypeForType(type), bytes);
}

QString stringForType(const QMimeData& data, const QString& type) {
    if (type == kPasteboardTypeString) return hasPlainText(data) ? data.text() : QString();
    const QString mime = mimeTypeForType(type);
    if (!data.hasFormat(mime)) return QString();
    const QString text = QString::fromUtf8(data.data(mime));
    return text.isNull() ? QString(QLatin1String("")) : text;
}

std::optional<QList<QByteArray>> readByteArrayList(const QByteArray& payload) {
    QDataStream in(payload);
    quint32 count = 0;
    in >> count;
    // Each entry takes four bytes at least (its length).
    if (in.status() != QDataStream::Ok || count > kMaximumItems || count > quint32(payload.size() / 4))
        return std::nullopt;
    QList<QByteArray> entries;
    entries.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        QByteArray entry;
        in >> entry;
        if (in.status() != QDataStream::Ok) return std::nullopt;
        entries.append(entry);
    }
    return entries;
}

QByteArray writeByteArrayList(const QList<QByteArray>& entries) {
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out << entries;
    return payload;
}

std::vector<std::unique_ptr<QMimeData>> items(const QMimeData& pasteboard) {
    if (pasteboard.hasFormat(kItemsMime))
        if (auto written = readItems(pasteboard.data(kItemsMime))) return std::move(*written);
    std::vector<std::unique_ptr<QMimeData>> result;
    const QStringList formats = pasteboard.formats();
    if (formats.isEmpty()) return result;
    const QList<QUrl> urls = firstUrls(pasteboard);
    const QString promised = mimeTypeForType(kPasteboardTypePromisedFileContentType);
    for (qsizetype i = 0; i < std::max<qsizetype>(urls.size(), 1); ++i) {
        auto item = std::make_unique<QMimeData>();
        for (const QString& format : formats) {
            if (format == kItemsMime || format == kUriList) continue;
            if (i == 0 || format == promised) item->setData(format, pasteboard.data(format));
        }
        if (!urls.isEmpty()) item->setUrls({urls.at(i)});
        result.push_back(std::move(item));
    }
    return result;
}

void writeObjects(QMimeData& pasteboard, const QList<const QMimeData*>& items) {
    if (items.isEmpty()) return;
    for (const QString& format : items.first()->formats())
        pasteboard.setData(format, items.first()->data(format));
    QList<QUrl> urls;
    for (const QMimeData* item : items) urls += item->urls();
    if (!urls.isEmpty()) pasteboard.setUrls(urls);
    if (items.size() > 1) pasteboard.setData(kItemsMime, writeItems(items));
}

const QMimeData* generalPasteboard() {
    QClipboard* clipboard = qGuiApp ? QGuiApplication::clipboard() : nullptr;
    return clipboard ? clipboard->mimeData() : nullptr;
}

void setGeneralPasteboard(std::unique_ptr<QMimeData> data) {
    if (qGuiApp && data) QGuiApplication::clipboard()->setMimeData(data.release());
}

void clearGeneralPasteboard() {
    if (qGuiApp) QGuiApplication::clipboard()->clear();
}

bool containsType(const QMimeData& pasteboard, const QString& type) {
    return types(pasteboard).contains(type);
}

bool containsTypeOfClass(const QMimeData& pasteboard, const QString& type, TObjectClass cls) {
    for (const auto& item : items(pasteboard)) {
        TObject* object = nullptr;
        if (PasteboardCommonTypes::getPointerForType(*item, &object, type) && MemberOfClass(object, cls))
            return true;
    }
    return false;
}

bool containsTypeOfClassString(const QMimeData& pasteboard, const QString& type, const QString& className) {
    return ClassRegistered(className) && containsTypeOfClass(pasteboard, type, FindClass(className));
}

QList<QVariantMap> itemTypesAndStrings(const QMimeData& pasteboard) {
    QList<QVariantMap> result;
    for (const auto& item : items(pasteboard)) result.append(PasteboardItemUtilities::typesAndStrings(*item));
    return result;
}

} // namespace PasteboardUtilities

namespace PasteboardCommonTypes {

using namespace PasteboardUtilities;

bool setImageType(QMimeData& data, const QImage& image) {
    const QByteArray bytes = CGUtilities::CGImageCopyBytes(image, kPasteboardTypeTIFF);
    if (bytes.isEmpty()) return false;
    setDataForType(data, bytes, kPasteboardTypeTIFF);
    return true;
}

void setStringType(QMimeData& data, const QString& s) {
    data.setText(s);
}

void setStringTypeEncoding(QMimeData& data, const QString& s, quint32 /*encoding*/) {
    setStringType(data, s);
}

void setURLType(QMimeData& data, const QUrl& url) {
    data.setUrls({url});
}

void setFileURLType(QMimeData& data, const QUrl& url) {
    setURLType(data, url);
}

void setPointerAddressType(QMimeData& data, TObject* object, const QString& type) {
    if (object) setDataForType(data, NSObjectWrapper::weakWrapperWithObject(object)->encode(), type);
}

bool getPointerForType(const QMimeData& data, TObject** slot, const QString& type) {
    const QByteArray payload = dataForType(data, type);
    if (payload.isEmpty()) return false;
    const NSObjectWrapperPtr wrapper = NSObjectWrapper::decode(payload);
    TObject* object = wrapper ? wrapper->wrappedObject() : nullptr;
    if (!object) return false;
    *slot = object;
    return true;
}

void setAttributedStringType(QMimeData& data, const AttributedString& text) {
    setDataForType(data, RTFDCodec::write(text), kPasteboardTypeRTFD);
    setDataForType(data, RTFCodec::write(text), kPasteboardTypeRTF);
}

std::optional<AttributedString> attributedStringType(const QMimeData& data) {
    const QByteArray rtfd = dataForType(data, kPasteboardTypeRTFD);
    if (!rtfd.isEmpty())
        if (auto text = RTFDCodec::read(rtfd)) return text;
    const QByteArray rtf = dataForType(data, kPasteboardTypeRTF);
    if (rtf.isEmpty()) return std::nullopt;
    return RTFCodec::read(rtf);
}

bool conformsTo(const QMimeData& data, const QString& type) {
    for (const QString& offered : types(data))
        if (typeConformsTo(offered, type)) return true;
    return false;
}

bool fileConformsToUTIdentifier(const QMimeData& data, const QString& identifier) {
    const QString path = PasteboardItemCommonTypes::filePathType(data);
    return !path.isEmpty() && QFileInfo::exists(path) &&
           StringFileObjectUtilities::conformsToUTIdentifier(path, identifier);
}

} // namespace PasteboardCommonTypes

namespace PasteboardItemCommonTypes {

using namespace PasteboardUtilities;

std::unique_ptr<QMimeData> itemWithFileURL(const QUrl& url) {
    auto item = std::make_unique<QMimeData>();
    setFileURLType(*item, url);
    return item;
}

QByteArray dataWhichConformsTo(const QMimeData& item, const QString& type) {
    for (const QString& offered : types(item))
        if (typeConformsTo(offered, type)) return dataForType(item, offered);
    return QByteArray();
}

QUrl fileURLType(const QMimeData& item) {
    return item.hasUrls() ? item.urls().value(0) : QUrl();
}

QString filePathType(const QMimeData& item) {
    const QUrl url = fileURLType(item);
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

FSRef fileRefType(const QMimeData& item) {
    return StringFileObjectUtilities::fsRef(filePathType(item));
}

QImage imageType(const QMimeData& item) {
    const QByteArray bytes = dataWhichConformsTo(item, TypeIdentifiers::kUTTypeImage);
    if (!bytes.isEmpty()) return CGUtilities::CGImageCreateWithData(bytes);
    return item.hasImage() ? qvariant_cast<QImage>(item.imageData()) : QImage();
}

QString textType(const QMimeData& item) {
    return hasPlainText(item) ? item.text() : QString();
}

QString promisedFileContentType(const QMimeData& item) {
    const QString type = stringForType(item, kPasteboardTypePromisedFileContentType);
    return type.isNull() ? QString(QLatin1String("")) : type;
}

bool promisedFileContentConformsTo(const QMimeData& item, const QString& type) {
    const QString promised = promisedFileContentType(item);
    return !promised.isEmpty() && typeConformsTo(promised, type);
}

} // namespace PasteboardItemCommonTypes

namespace PasteboardItemUtilities {

QVariantMap typesAndStrings(const QMimeData& item) {
    QVariantMap result;
    for (const QString& type : PasteboardUtilities::types(item)) {
        const QByteArray bytes = PasteboardUtilities::dataForType(item, type);
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString text = decoder(bytes);
        const bool isText = !decoder.hasError() && !bytes.contains('\0');
        result.insert(type, isText ? text : QStringLiteral("null"));
    }
    return result;
}

} // namespace PasteboardItemUtilities

PromisedFileMimeData::PromisedFileMimeData(const QString& contentType) : m_contentType(contentType) {}

void PromisedFileMimeData::addFile(const QString& fileName, std::function<QByteArray()> contents) {
    m_files.append({RTFCodec::safeFileName(fileName), std::move(contents)});
    m_written.reset();
}

QStringList PromisedFileMimeData::formats() const {
    QStringList result = QMimeData::formats();
    for (const QString& format :
         {QStringLiteral("text/uri-list"),
          PasteboardUtilities::mimeTypeForType(PasteboardUtilities::kPasteboardTypePromisedFileContentType)})
        if (!m_files.isEmpty() && !result.contains(format)) result.append(format);
    return result;
}

bool PromisedFileMimeData::hasFormat(const QString& mimeType) const {
    return formats().contains(mimeType);
}

QVariant PromisedFileMimeData::retrieveData(const QString& mimeType, QMetaType type) const {
    if (m_files.isEmpty()) return QMimeData::retrieveData(mimeType, type);
    if (mimeType ==
        PasteboardUtilities::mimeTypeForType(PasteboardUtilities::kPasteboardTypePromisedFileContentType))
        return m_contentType.toUtf8();
    if (mimeType != QLatin1String("text/uri-list")) return QMimeData::retrieveData(mimeType, type);
    QVariantList urls;
    for (const QUrl& url : writeFiles()) urls.append(url);
    return urls;
}

QList<QUrl> PromisedFileMimeData::writeFiles() const {
    if (m_written) return *m_written;
    QList<QUrl> urls;
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/jobslate-promised-XXXXXX"));
    folder.setAutoRemove(false);
    QSet<QString> taken; // files of the same name are all made, under names of their own
    for (const File& file : m_files) {
        const QString name = PasteboardUtilities::freeFileName(file.name, taken);
        taken.insert(name);
        const QUrl url = QUrl::fromLocalFile(folder.filePath(name));
        QString error = QStringLiteral("no temporary folder");
        if (folder.isValid() && AtomicFile::write(url.toLocalFile(), file.contents(), &error))
            urls.append(url);
        else
            Diagnostics::warning(QStringLiteral("promised file %1 not made: %2").arg(name, error));
    }
    m_written = urls;
    return urls;
}
