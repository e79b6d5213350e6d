#pragma once

#include "foundation/Object.h"
#include "platform/CoreTypes.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QMimeData>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class AttributedString; // platform/text/AttributedString.h

// Pasteboards over QMimeData. A pasteboard (the clipboard's contents, a drag's data) and one item of
// it are both a QMimeData; types are named by type identifiers ("public.tiff", "TCard.wrapper") and
// stored under the MIME type the table of this unit gives them. A pasteboard of several items keeps
// them in a format of its own beside the first item's data and the items' URLs, so other programs
// see the first item and every file. Readers answer null, false or empty when a type or its data is
// missing; nothing raises. Main thread only.
namespace PasteboardUtilities {

// Type identifiers of the payloads.
inline const QString kPasteboardTypeString = QStringLiteral("public.utf8-plain-text");
inline const QString kPasteboardTypeTIFF = QStringLiteral("public.tiff");
inline const QString kPasteboardTypePNG = QStringLiteral("public.png");
inline const QString kPasteboardTypeRTF = QStringLiteral("public.rtf");
inline const QString kPasteboardTypeRTFD = QStringLiteral("com.apple.flat-rtfd");
inline const QString kPasteboardTypeURL = QStringLiteral("public.url");
inline const QString kPasteboardTypeFileURL = QStringLiteral("public.file-url");
inline const QString kPasteboardTypePromisedFileContentType =
    QStringLiteral("com.apple.pasteboard.promised-file-content-type");

// The MIME type a type identifier is stored under: the table's, a MIME type as itself, a known type
// identifier's MIME type, else "application/x-jobslate-<identifier>" (the program's own types).
QString mimeTypeForType(const QString& type);
// The way back; a file-URL list counts as "public.file-url" here (see types()).
QString typeForMimeType(const QString& mimeType);
// True when the type is the other or one of its descendants.
bool typeConformsTo(const QString& type, const QString& other);

// The types the data offers, in its order: a URL list is "public.file-url" when its first URL is a
// local file, else "public.url".
QStringList types(const QMimeData& data);
QByteArray dataForType(const QMimeData& data, const QString& type); // null when absent
void setDataForType(QMimeData& data, const QByteArray& bytes, const QString& type);
bool hasPlainText(const QMimeData& data); // URLs alone are no text here
// The text of a type: plain text as the platform reads it, other types as UTF-8; null when absent.
QString stringForType(const QMimeData& data, const QString& type);

// The most items a drag or pasteboard sensibly carries. A payload of ours naming more is refused
// whole; URLs beyond it are left out.
inline constexpr quint32 kMaximumItems = 10000;
// A list of byte arrays as QDataStream writes a QList<QByteArray>; nothing when it is malformed or
// names more than kMaximumItems entries (never reserving what the payload only claims).
std::optional<QList<QByteArray>> readByteArrayList(const QByteArray& payload);
QByteArray writeByteArrayList(const QList<QByteArray>& entries);

// The items of a pasteboard, in order (owned by the caller): those written by writeObjects; else
// one per URL of a URL list (at most kMaximumItems), the first also holding the other formats and
// each the promised content type; else the data as one item. None for empty data.
std::vector<std::unique_ptr<QMimeData>> items(const QMimeData& pasteboard);
// Writes the items to the pasteboard (added to what it holds): the first item's formats, every
// item's URLs as one list, and the items themselves.
void writeObjects(QMimeData& pasteboard, const QList<const QMimeData*>& items);

// The clipboard ("general pasteboard"): its contents (owned by the clipboard; null without one),
// replacing them (the data passes to the clipboard) and clearing them.
const QMimeData* generalPasteboard();
void setGeneralPasteboard(std::unique_ptr<QMimeData> data);
void clearGeneralPasteboard();

// True when the pasteboard offers exactly the type.
bool containsType(const QMimeData& pasteboard, const QString& type);
// True when some item, in order, yields an object reference of the type whose object is of the
// class or a descendant.
bool containsTypeOfClass(const QMimeData& pasteboard, const QString& type, TObjectClass cls);
bool containsTypeOfClassString(const QMimeData& pasteboard, const QString& type, const QString& className);
// For each item in order, its typesAndStrings.
QList<QVariantMap> itemTypesAndStrings(const QMimeData& pasteboard);

} // namespace PasteboardUtilities

// Writers and readers of the common payloads; a pasteboard and an item read and write alike.
namespace PasteboardCommonTypes {

// The image as TIFF; false, and nothing stored, when it can't be encoded.
bool setImageType(QMimeData& data, const QImage& image);
// Always stored as UTF-8, which is what the string type is; encoding (an NSStringEncoding value) is
// accepted for callers and not used.
void setStringType(QMimeData& data, const QString& s);
void setStringTypeEncoding(QMimeData& data, const QString& s, quint32 encoding);
// The URL in the URL list, replacing what the list held. A file URL reads back as a file path.
void setURLType(QMimeData& data, const QUrl& url);
void setFileURLType(QMimeData& data, const QUrl& url);
// A reference to the object under the type: this process's token and the object's serial, never
// its address. Nothing is stored for a null object. The object is not retained.
void setPointerAddressType(QMimeData& data, TObject* object, const QString& type);
// The object the reference of the type names, into *slot (not retained); false, the slot
// untouched, when the type is missing, the reference comes from another process or is malformed,
// or its object is gone.
bool getPointerForType(const QMimeData& data, TObject** slot, const QString& type);

// Flat RTFD and RTF of the text, both.
void setAttributedStringType(QMimeData& data, const AttributedString& text);
// The text of the RTFD, else of the RTF; nothing when neither is there or readable.
std::optional<AttributedString> attributedStringType(const QMimeData& data);

// True when the data offers a type that conforms to the type.
bool conformsTo(const QMimeData& data, const QString& type);
// True when the file URL names a file that exists and conforms to the identifier by its extension.
bool fileConformsToUTIdentifier(const QMimeData& data, const QString& identifier);

} // namespace PasteboardCommonTypes

namespace PasteboardItemCommonTypes {

using PasteboardCommonTypes::conformsTo;
using PasteboardCommonTypes::fileConformsToUTIdentifier;
using PasteboardCommonTypes::getPointerForType;
using PasteboardCommonTypes::setFileURLType;
using PasteboardCommonTypes::setImageType;
using PasteboardCommonTypes::setPointerAddressType;
using PasteboardCommonTypes::setStringType;
using PasteboardCommonTypes::setStringTypeEncoding;
using PasteboardCommonTypes::setURLType;

// A new item holding the file URL (owned by the caller).
std::unique_ptr<QMimeData> itemWithFileURL(const QUrl& url);
// The data of the first of the item's types that conforms to the type; null when none does.
QByteArray dataWhichConformsTo(const QMimeData& item, const QString& type);
QUrl fileURLType(const QMimeData& item); // the first URL; empty without one
// The local path of fileURLType; null without one or for a URL that is no local file.
QString filePathType(const QMimeData& item);
FSRef fileRefType(const QMimeData& item);
// The image of the data conforming to "public.image" (or the platform's own image); null without.
QImage imageType(const QMimeData& item);
QString textType(const QMimeData& item); // the plain text; null without
// The promised file's content type; empty without a promise.
QString promisedFileContentType(const QMimeData& item);
bool promisedFileContentConformsTo(const QMimeData& item, const QString& type);

} // namespace PasteboardItemCommonTypes

namespace PasteboardItemUtilities {
// Each type of the item mapped to its text, or to "null" when its data is no text (not UTF-8 or
// holding a zero byte).
QVariantMap typesAndStrings(const QMimeData& item);
} // namespace PasteboardItemUtilities

// Promised files, which the platform lacks: the data offers the files' URLs and their content type,
// and each file is made when a reader first asks for the URLs (at drop time): written whole
// (AtomicFile) into a new folder under the temporary folder, which is left for the reader to copy
// from. A file that can't be written is left out, with a warning (Diagnostics).
class PromisedFileMimeData : public QMimeData {
public:
    explicit PromisedFileMimeData(const QString& contentType);
    // A file of the name (made safe for the file system, and "name 2.ext" when another file has it)
    // whose bytes the function gives.
    void addFile(const QString& fileName, std::function<QByteArray()> contents);
    QStringList formats() const override;
    bool hasFormat(const QString& mimeType) const override;

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    struct File {
        QString name;
        std::function<QByteArray()> contents;
    };
    QList<QUrl> writeFiles() const;

    QString m_contentType;
    QList<File> m_files;
    mutable std::optional<QList<QUrl>> m_written;
};
