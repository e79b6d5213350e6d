#pragma once

#include "platform/text/AttributedString.h"
#include "platform/text/RTFCodec.h"

#include <QByteArray>
#include <QString>

#include <optional>

// RTFD: RTF with its attachments as files beside it. Two forms:
//
// - the folder form: a folder (usually named *.rtfd) holding "TXT.rtf" and one file or folder per
//   attachment;
// - the flattened form, one block of bytes, as archives and the pasteboard keep it: the serialised
//   folder, as macOS writes it. Integers are unsigned 32-bit little-endian:
//       "rtfd", 0, 3, then the folder record
//       folder record: N; N names, each as its length and its bytes (UTF-8, no NUL); N record lengths;
//                      the N records
//       record:        a regular file: 1, length, bytes
//                      a padded regular file: 1, 0x80000000, length, padding, that many zero bytes, bytes
//                      a nested folder: 3, then a folder record
//   A record length counts the whole record, its type and length words included. The names
//   "__@PreferredName@__", "__@UTF8PreferredName@__", "." and ".." carry the folder's own name and the
//   files' attributes: they are skipped when reading and not written. Records of other types are skipped.
//
// An attached folder is held as its own flattened form (TextAttachment::isFolder). Attachment file names
// never leave their folder: names with "/" or ".." are reduced to a safe name.
namespace RTFDCodec {

// The serialised folder: the RTF text and the other entries by name.
struct Package {
    QByteArray rtf;
    RTFCodec::AttachmentFiles files;
};

// Flattened bytes to a package and back. parse fails (with a reason) on anything malformed and when
// there is no "TXT.rtf" file.
std::optional<Package> parse(const QByteArray& flattened, QString* error = nullptr);
QByteArray serialise(const Package& package);

// Any flattened folder to its entries by name and back (the form of attached folders). parseFolder fails
// (with a reason) on anything malformed.
std::optional<RTFCodec::AttachmentFiles> parseFolder(const QByteArray& flattened, QString* error = nullptr);
QByteArray serialiseFolder(const RTFCodec::AttachmentFiles& entries);

// AttributedString to flattened RTFD and back.
QByteArray write(const AttributedString& text);
std::optional<AttributedString> read(const QByteArray& flattened, QString* error = nullptr);

// The folder form. writeFolder creates the folder when missing, removes leftovers of interrupted saves
// in it, replaces TXT.rtf atomically and writes each attachment (attached folders as folders); it fails
// with a reason when a file cannot be written. readFolder reads the attachments and nested folders but
// follows no symbolic link to them, so nothing from outside the folder comes in.
bool writeFolder(const AttributedString& text, const QString& folderPath, QString* error = nullptr);
std::optional<AttributedString> readFolder(const QString& folderPath, QString* error = nullptr);

} // namespace RTFDCodec
