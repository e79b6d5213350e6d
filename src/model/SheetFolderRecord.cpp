#include "SheetFolderRecord.h"

#include <QCryptographicHash>
#include <QFile>

namespace {

QByteArray hashOf(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
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
    m_entries.insert(name, {stamp, hashOf(*bytes)});
    return bytes;
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
