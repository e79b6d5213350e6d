#pragma once

#include "platform/text/AttributedString.h"

#include <QByteArray>
#include <QMap>
#include <QString>

#include <optional>

// RTF to and from AttributedString.
//
// The reader takes what real programs write: the macOS text system's dialect (\cocoartf, expanded colour
// tables, \NeXTGraphic attachments, \field hyperlinks) and word processors' RTF (\pict PNG and JPEG
// pictures, code pages through \ansicpg, \mac and \'hh, \uN with \ucN, nested groups, ignorable
// destinations). Unknown control words are skipped. Input is untrusted: anything malformed gives either
// the text read so far or an error, never a crash.
//
// The writer produces the macOS text system's dialect.
namespace RTFCodec {

// The files of an RTFD package other than TXT.rtf, by file name.
using AttachmentFiles = QMap<QString, QByteArray>;

// Reads RTF data. files: the package's files that \NeXTGraphic references name (empty for plain RTF;
// a reference to a missing file gives an attachment with that name and no bytes). Returns nothing, with
// a reason in error, when the data is not RTF or is unreadable (too deeply nested, a \bin past the end).
std::optional<AttributedString> read(const QByteArray& rtf, QString* error = nullptr,
                                     const AttachmentFiles& files = {});

// Writes RTF. With files, every attachment is written as a \NeXTGraphic reference and its bytes are
// added to files under a unique, safe file name (the RTFD form). Without, image attachments are embedded
// as PNG or JPEG pictures and other attachments are left out (plain RTF cannot hold them).
QByteArray write(const AttributedString& text, AttachmentFiles* files = nullptr);

// A file name that stays inside its folder: the last path component, with characters that are
// unsafe in file names replaced; "." and ".." and empty names become "Attachment".
QString safeFileName(const QString& name);

} // namespace RTFCodec
