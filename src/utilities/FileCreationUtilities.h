#pragma once

#include "platform/CoreTypes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class QMimeData;

// Free file names in a folder, and new files made in a folder from dropped or pasted content. The
// makers write atomically and report a failure with a modal alert (AlertPresenter), answering a
// null path. Main thread only. Diagnostics: Diagnostics::line.
namespace FileCreationUtilities {

// Keys of the pasteboard-item description.
inline const QString kFileCreationKeyType = QStringLiteral("type");
inline const QString kFileCreationKeyPromisedContent = QStringLiteral("promisedContent");
inline const QString kFileCreationKeyRichText = QStringLiteral("richText");
inline const QString kFileCreationKeyPlainText = QStringLiteral("plainText");
inline const QString kFileCreationKeyExtension = QStringLiteral("extension");
inline const QString kFileCreationKeyFileName = QStringLiteral("fileName");
inline const QString kFileCreationKeyData = QStringLiteral("data");
inline const QString kFileCreationKeyURL = QStringLiteral("url");
inline const QString kUTTypeURLName = QStringLiteral("public.url-name");

// Kinds of pasteboard item (under kFileCreationKeyType).
enum : qint32 {
    kFileCreationText = 1, // plain or rich
    kFileCreationImage = 2,
    kFileCreationURL = 3,
    kFileCreationMailMessage = 4,
    kFileCreationCalendarFile = 5,
    kFileCreationContactCard = 6,
};

// The first name, from name (one path component) and ext, that no item of the folder has and whose
// path is not in avoid (full paths that count as taken although nothing is there yet): the name
// itself, then "Untitled 2", "Untitled 3", ...; a name ending in a number goes on from it ("Report 7",
// then "Report 8"). Copy mode gives "Report copy", then "Report copy 2", "Report copy 3". A name's own
// extension stays before ext, and is not doubled when it is ext ("Notes.txt" with "txt": "Notes.txt",
// then "Notes 2.txt"). Answers the last path component.
QString UniqueFileNameForDirectory(const FSRef& dir, const QString& name, const QString& ext);
QString UniqueFileNameForDirectory(const FSRef& dir, const QString& name, const QString& ext, bool copyMode,
                                   const QStringList& avoid = {});

// A file name from the start of a text: its first 24 characters trimmed of white space and of one
// leading "."; "Untitled" when that leaves nothing.
QString GetPreviewNameFromText(const QString& text);

// The makers answer the new item's full path, null on failure (after the alert). Names given are
// made safe for the file system first.
QString CreateNewFolder(const FSRef& dir); // "Untitled 2", ...
QString CreateNewFile(const FSRef& dir, const QByteArray& data, const QString& name, const QString& ext);
// The text in an encoding of the platform's string encodings: 1 ASCII, 4 UTF-8, 5 ISO Latin 1,
// 10 UTF-16 with a byte-order mark. Text the encoding can't hold, or another encoding, fails.
// Named after the text when name is empty.
QString CreateNewTextFile(const FSRef& dir, const QString& text, const QString& name, quint64 encoding);
// Named after the RTF's text ("Untitled" when it can't be read).
QString CreateNewRichTextFile(const FSRef& dir, const QByteArray& rtf);
// A ".textClipping" file: the text in its resource fork as 'utf8', 'TEXT', 'utex' (UTF-16) and the RTF
// as 'RTF ', each with id 256. The text is the RTF's when given, else the plain text. Named after the
// text when name is empty.
QString CreateNewClipping(const FSRef& dir, const QString& text, const QByteArray& rtf,
                          const QString& name = {});
// A ".webloc" file: the property list {"URL": url}, and in its resource fork the URL as 'url ' and
// 'TEXT' and the name as 'urln' (id 256).
QString CreateNewURL(const FSRef& dir, const QString& url, const QString& name);

// What kind of file the pasted or dropped item would become, under the keys above; empty when none.
QVariantMap FileCreationAttributesForPasteboardItem(const QMimeData& item);

} // namespace FileCreationUtilities
