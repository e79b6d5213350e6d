#pragma once

#include "platform/AtomicFile.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <optional>

// What a sheet knows of the files in its folder: for each file it read or wrote, the version it saw
// (the file's stamp and a hash of its bytes). Another device syncing the folder, or another program,
// may change a file under the sheet; check() tells whether the file on disk is still that version.
// Files are named relative to the folder, so the record survives a move of the whole folder. Owned
// by its sheet. Main thread only.
class SheetFolderRecord {
public:
    enum class State {
        Same,    // the version last read or written (a new stamp with the same bytes counts too)
        Changed, // another version, or another kind of entry (a link)
        Missing, // gone since it was read or written
        Unknown, // a file the record never saw
    };

    // The bytes of the file (read through a link only as far as the caller allows), recorded as
    // the version seen; nothing when it can't be read.
    std::optional<QByteArray> read(const QString& folder, const QString& name);
    // Writes the file in the folder without following a link (AtomicFile::writeInFolder) and
    // records what was written. With changed, a known file replaced since it was recorded is not
    // overwritten, even when that happens while the bytes are written: changed becomes true.
    bool write(const QString& folder, const QString& name, const QByteArray& bytes, QString* error = nullptr,
               bool* changed = nullptr);
    // Compares the file on disk with the version recorded; a file with a new stamp but the same bytes
    // is recorded again and counts as the same.
    State check(const QString& folder, const QString& name);

    bool knows(const QString& name) const { return m_entries.contains(name); }
    void forget(const QString& name) { m_entries.remove(name); }
    void clear() { m_entries.clear(); }

private:
    // Records bytes, read with the stamp taken before, as the version seen.
    void remember(const QString& name, const AtomicFile::FileStamp& stamp, const QByteArray& bytes);

    struct Entry {
        AtomicFile::FileStamp stamp;
        QByteArray hash;
    };
    QHash<QString, Entry> m_entries;
};
