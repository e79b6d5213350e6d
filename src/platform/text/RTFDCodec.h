#pragma once

#include "platform/text/AttributedString.h"
#include "platform/text/RTFCodec.h"

#include <QByteArray>
#include <QString>

#include <optional>

// RTFD: RTF with its attachments as files beside it. Two forms:
//
// - the folder form: a folder (usually named *.rtfd) holding "TXT.rtf" and one file per attachment;
// - the flattened form, one block of bytes, as archives and the pasteboard keep it: the serialised
//   folder. Layout (integers are unsigned 32-bit little-endian):
//       "rtfd"                magic
//       0                     version
//       N                     number of entries
//       N name lengths        in bytes, each name with its terminating NUL
//       N names
//       N content lengths
//       N contents
//   An entry named "." (the folder itself) is skipped when reading and not written.
//
// Attachment file names never leave their folder: names with "/" or ".." are reduced to a safe name.
namespace RTFDCodec {

// The serialised folder: the RTF text and the other files by name.
struct Package {
    QByteArray rtf;
    RTFCodec::AttachmentFiles files;
};

// Flattened bytes to a package and back. parse fails (with a reason) on anything malformed.
std::optional<Package> parse(const QByteArray& flattened, QString* error = nullptr);
QByteArray serialise(const Package& package);

// AttributedString to flattened RTFD and back.
QByteArray write(const AttributedString& text);
std::optional<AttributedString> read(const QByteArray& flattened, QString* error = nullptr);

// The folder form. writeFolder creates the folder when missing, removes leftovers of interrupted saves
// in it, replaces TXT.rtf atomically and writes each attachment file; it fails with a reason when a
// file cannot be written.
bool writeFolder(const AttributedString& text, const QString& folderPath, QString* error = nullptr);
std::optional<AttributedString> readFolder(const QString& folderPath, QString* error = nullptr);

} // namespace RTFDCodec
