#pragma once

#include <QIcon>
#include <QMimeType>
#include <QString>
#include <QStringList>

// Type identifiers ("public.png") over the shared MIME database. A small table names the common
// types and their conformance ("public.png" conforms to "public.image", which conforms to
// "public.data" and "public.item"); a MIME type outside it stands for itself by its MIME name
// ("application/x-foo"), conforming to what its MIME type inherits from.
namespace TypeIdentifiers {

inline const QString kUTTypeItem = QStringLiteral("public.item");
inline const QString kUTTypeContent = QStringLiteral("public.content");
inline const QString kUTTypeData = QStringLiteral("public.data");
inline const QString kUTTypeDirectory = QStringLiteral("public.directory");
inline const QString kUTTypeFolder = QStringLiteral("public.folder");
inline const QString kUTTypePackage = QStringLiteral("com.apple.package");
inline const QString kUTTypeApplicationBundle = QStringLiteral("com.apple.application-bundle");
// The program's own documents: sheet bundles, theme bundles (both folders that are documents) and
// card files.
inline const QString kUTTypeSheet = QStringLiteral("com.brasswick.qxsheet");
inline const QString kUTTypeTheme = QStringLiteral("com.brasswick.qxtheme");
inline const QString kUTTypeCard = QStringLiteral("com.brasswick.qxcard");
inline const QString kUTTypeText = QStringLiteral("public.text");
inline const QString kUTTypePlainText = QStringLiteral("public.plain-text");
inline const QString kUTTypeRTF = QStringLiteral("public.rtf");
inline const QString kUTTypeRTFD = QStringLiteral("com.apple.rtfd");
inline const QString kUTTypeHTML = QStringLiteral("public.html");
inline const QString kUTTypeImage = QStringLiteral("public.image");
inline const QString kUTTypePNG = QStringLiteral("public.png");
inline const QString kUTTypeJPEG = QStringLiteral("public.jpeg");
inline const QString kUTTypeTIFF = QStringLiteral("public.tiff");
inline const QString kUTTypePDF = QStringLiteral("com.adobe.pdf");
inline const QString kUTTypeURL = QStringLiteral("public.url");
inline const QString kUTTypeFileURL = QStringLiteral("public.file-url");
inline const QString kUTTypeVCard = QStringLiteral("public.vcard");
inline const QString kUTTypeMovie = QStringLiteral("public.movie");
inline const QString kUTTypeAudio = QStringLiteral("public.audio");

// The identifier of a MIME type; kUTTypeItem for an invalid one.
QString identifierForMimeType(const QMimeType& type);
// The identifier of the file at the path, by its content and name (a folder with a package
// extension by that extension); kUTTypeItem when the file
// can't be read.
QString identifierForFile(const QString& path);
// The identifier for a file name extension (without the full stop); empty for an empty one.
QString preferredIdentifierForExtension(const QString& extension);
// The MIME type an identifier stands for; invalid for the table's abstract types.
QMimeType mimeTypeForIdentifier(const QString& identifier);
// The human-readable description ("PNG image", "folder").
QString description(const QString& identifier);
// True for the extension of a folder that is a document ("qxsheet", "qxtheme", "rtfd", "app").
bool isPackageExtension(const QString& extension);
// The icon of the file's kind: the icon theme's, else the resources' "icons/<name>.png", else a
// plain page or folder drawn here. Null when nothing exists at the path.
QIcon iconForFile(const QString& path);
// True when the type is the other type or one of its descendants.
bool conformsTo(const QString& identifier, const QString& other);

} // namespace TypeIdentifiers
