#include "SheetFolderRecord.h"

#include <QFile>
#include <QHashFunctions>

namespace {

// Two 64-bit hashes of the bytes with fixed seeds: they tell one version of a file from another (the
// record lives in memory only), far quicker than a cryptographic digest of every card read.
QByteArray hashOf(const QByteArray& bytes) {
    QByteArray hash;
    for (const size_t seed : {size_t(0x9e3779b97f4a7c15ULL), size_t(0xc2b2ae3d27d4eb4fULL)}) {
        const size_t value = qHashBits(bytes.constData(), size_t(bytes.size()), seed);
        hash.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    return hash;
}

std::optional<QByteArray> readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return std::nullopt;
    return bytes;
}

} // namespace

std::optional<QByteArray> SheetFolderRecord::read(const QString& folder, const QString& name) {
    const QString path = folder + QLatin1Char('/') + name;
    // Stamped before reading: a file replaced meanwhile no longer matches the stamp, and its bytes decide.
    const AtomicFile::FileStamp stamp = AtomicFile::stampOf(path);
    std::optional<QByteArray> bytes = readAll(path);
    if (!bytes || stamp.isNull()) return std::nullopt;
    remember(name, stamp, *bytes);
    return bytes;
}

void SheetFolderRecord::remember(const QString& name, const AtomicFile::FileStamp& stamp,
                                 const QByteArray& bytes) {
    m_entries.insert(name, {stamp, hashOf(bytes)});
}

bool SheetFolderRecord::write(const QString& folder, const QString& name, const QByteArray& bytes,
                              QString* error, bool* changed) {
    AtomicFile::FileStamp stamp;
    const auto known = m_entries.constFind(name);
    const AtomicFile::FileStamp* expected = changed && known != m_entries.cend() ? &known->stamp : nullptr;
    if (!AtomicFile::writeInFolder(folder, name, bytes, error, &stamp, expected, changed)) return false;
    m_entries.insert(name, {stamp, hashOf(bytes)});
    return true;
}

SheetFolderRecord::State SheetFolderRecord::check(const QString& folder, const QString& name) {
    const QString path = folder + QLatin1Char('/') + name;
    const AtomicFile::FileStamp stamp = AtomicFile::stampOf(path);
    const auto entry = m_entries.find(name);
    if (entry == m_entries.end()) return stamp.isNull() ? State::Missing : State::Unknown;
    if (stamp.isNull()) return State::Missing;
    if (stamp == entry->stamp) return State::Same;
    // Copied again with the same bytes (a sync tool, a restore): the same version.
    if (stamp.isFile && !entry->stamp.isLink && stamp.size == entry->stamp.size) {
        const std::optional<QByteArray> bytes = readAll(path);
        if (bytes && hashOf(*bytes) == entry->hash) {
            entry->stamp = stamp;
            return State::Same;
        }
    }
    return State::Changed;
}
