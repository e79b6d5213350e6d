#pragma once

#include "platform/text/AttributedString.h"

#include <QByteArray>
#include <QMap>
#include <QString>

#include <optional>

// RTF to and from AttributedString.
//
// The reader takes what real programs write: the macOS text system's dialect (\cocoartf, expanded colour
// tables, \NeXTGraphic attachments, \field hyperlinks) and word processors' RTF (\pict pictures, code
// pages through \ansicpg, \mac, \fcharset and \'hh, \uN with \ucN, nested groups, ignorable
// destinations). Pictures Qt cannot show (metafiles, PICT, bitmaps) are kept as attachments with their
// bytes. Hidden text (\v) is left out. Footnotes, which attributed text cannot hold, keep their mark in
// the text and their text in paragraphs after the body. Unknown control words are skipped. Input is
// untrusted: anything malformed gives either the text read so far or an error, never a crash.
//
// The writer produces the macOS text system's dialect.
namespace RTFCodec {

// One entry of an RTFD package: a file's bytes, or a folder in the flattened RTFD form.
struct PackageFile {
    QByteArray data;
    bool isFolder = false;
    PackageFile() = default;
    PackageFile(const QByteArray& bytes, bool folder = false) : data(bytes), isFolder(folder) {}
    friend bool operator==(const PackageFile&, const PackageFile&) = default;
};

// The entries of an RTFD package other than TXT.rtf, by file name.
using AttachmentFiles = QMap<QString, PackageFile>;

// Reads RTF data. files: the package's entries that \NeXTGraphic references name (empty for plain RTF;
// a reference to a missing file gives an attachment with that name and no bytes; a folder gives a folder
// attachment). Returns nothing, with
// a reason in error, when the data is not RTF or is unreadable (too deeply nested, a \bin past the end).
std::optional<AttributedString> read(const QByteArray& rtf, QString* error = nullptr,
                                     const AttachmentFiles& files = {});

// Writes RTF. With files, every attachment is written as a \NeXTGraphic reference and its bytes are
// added to files under a unique, safe file name (the RTFD form). Without, image attachments are embedded
// as PNG or JPEG pictures and other attachments are left out (plain RTF cannot hold them).
QByteArray write(const AttributedString& text, AttachmentFiles* files = nullptr);

// The names that the flattened RTFD form keeps for a folder's own name and its files' attributes: ".",
// "..", "__@PreferredName@__" and "__@UTF8PreferredName@__". No attachment has them.
bool isReservedName(QStringView name);

// A file name that stays inside its folder: the last path component, with characters that are unsafe
// in file names replaced, at most 200 characters; a name like a save's temporary loses its leading
// dot; empty and reserved names become "Attachment".
QString safeFileName(const QString& name);

} // namespace RTFCodec
