#include "ResourceFork.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QtEndian>
#include <cerrno>
#include <sys/xattr.h>

namespace {

constexpr qint64 kHeaderArea = 256;
constexpr qint64 kMapHeader = 28; // header copy, next-map handle, file reference, attributes, two offsets
constexpr qint64 kTypeEntry = 8;
constexpr qint64 kReference = 12;

QHash<QString, std::weak_ptr<ResourceFork>>& openForks() {
    static QHash<QString, std::weak_ptr<ResourceFork>> forks;
    return forks;
}

qint16 g_current = 0;
qint16 g_nextRefNum = 0;

QString key(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

qint16 statusOf(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return ResourceStatus::fnfErr;
    case EACCES:
    case EPERM:
        return ResourceStatus::permErr;
    case EROFS:
        return ResourceStatus::wPrErr;
    case ENOSPC:
    case E2BIG:
    case EDQUOT:
    case ERANGE:
        return ResourceStatus::dskFulErr;
    case ENODATA:
        return ResourceStatus::eofErr;
    case EEXIST:
        return ResourceStatus::dupFNErr;
    case ENOTSUP:
        return ResourceStatus::resFNotFound;
    default:
        return ResourceStatus::ioErr;
    }
}

// The stored fork; nothing and the status when it cannot be read.
std::optional<QByteArray> readAttribute(const QString& path, qint16* status) {
    const QByteArray file = QFile::encodeName(path);
    for (int attempt = 0; attempt < 3; ++attempt) { // the fork may change size between the two calls
        const ssize_t size = ::getxattr(file.constData(), ResourceFork::kAttributeName, nullptr, 0);
        if (size < 0) break;
        QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
        const ssize_t read =
            ::getxattr(file.constData(), ResourceFork::kAttributeName, bytes.data(), bytes.size());
        if (read >= 0) {
            bytes.truncate(static_cast<qsizetype>(read));
            *status = ResourceStatus::noErr;
            return bytes;
        }
        if (errno != ERANGE) break;
    }
    *status = statusOf(errno);
    return std::nullopt;
}

qint16 writeAttribute(const QString& path, const QByteArray& bytes, int flags) {
    const QByteArray file = QFile::encodeName(path);
    if (::setxattr(file.constData(), ResourceFork::kAttributeName, bytes.constData(),
                   static_cast<size_t>(bytes.size()), flags) == 0)
        return ResourceStatus::noErr;
    return statusOf(errno);
}

void put16(QByteArray& out, quint16 v) {
    const quint16 be = qToBigEndian(v);
    out.append(reinterpret_cast<const char*>(&be), 2);
}
void put32(QByteArray& out, quint32 v) {
    const quint32 be = qToBigEndian(v);
    out.append(reinterpret_cast<const char*>(&be), 4);
}

// Big-endian reads within [0, size); false when out of bounds.
struct Reader {
    const QByteArray& bytes;
    bool u8(qint64 at, quint32* v) const {
        if (at < 0 || at + 1 > bytes.size()) return false;
        *v = static_cast<quint8>(bytes[at]);
        return true;
    }
    bool u16(qint64 at, quint32* v) const {
        if (at < 0 || at + 2 > bytes.size()) return false;
        *v = qFromBigEndian<quint16>(bytes.constData() + at);
        return true;
    }
    bool u24(qint64 at, quint32* v) const {
        quint32 high = 0, low = 0;
        if (!u8(at, &high) || !u16(at + 1, &low)) return false;
        *v = (high << 16) | low;
        return true;
    }
    bool u32(qint64 at, quint32* v) const {
        if (at < 0 || at + 4 > bytes.size()) return false;
        *v = qFromBigEndian<quint32>(bytes.constData() + at);
        return true;
    }
};

} // namespace

// --- the classic layout ----------------------------------------------------------------------------

std::optional<QByteArray> ResourceFork::encode(const QList<ResourceEntry>& entries, quint16 attributes) {
    QList<quint32> types;
    for (const ResourceEntry& e : entries)
        if (!types.contains(e.type)) types.append(e.type);

    QByteArray data, names, typeList, references;
    put16(typeList, static_cast<quint16>(types.size() - 1)); // 0xFFFF for none
    const qint64 referencesStart = 2 + kTypeEntry * types.size();
    qint64 referenceCount = 0;
    for (quint32 type : types) {
        qint64 count = 0;
        for (const ResourceEntry& e : entries) {
            if (e.type != type) continue;
            if (data.size() >= (1 << 24) || e.name.size() > 255 || names.size() > 0xFFFE) return std::nullopt;
            put16(references, static_cast<quint16>(e.id));
            if (e.name.isNull()) {
                put16(references, 0xFFFF);
            } else {
                put16(references, static_cast<quint16>(names.size()));
                names.append(static_cast<char>(e.name.size()));
                names.append(e.name);
            }
            references.append(static_cast<char>(e.attributes));
            const quint32 offset = static_cast<quint32>(data.size());
            references.append(static_cast<char>(offset >> 16));
            put16(references, static_cast<quint16>(offset & 0xFFFF));
            put32(references, 0);
            put32(data, static_cast<quint32>(e.data.size()));
            data.append(e.data);
            ++count;
        }
        const qint64 referenceOffset = referencesStart + kReference * referenceCount;
        if (count > 0x10000 || referenceOffset > 0xFFFF) return std::nullopt;
        put32(typeList, type);
        put16(typeList, static_cast<quint16>(count - 1));
        put16(typeList, static_cast<quint16>(referenceOffset));
        referenceCount += count;
    }
    const qint64 nameListOffset = kMapHeader + typeList.size() + references.size();
    if (nameListOffset > 0xFFFF || kHeaderArea + data.size() > 0xFFFFFFFFLL) return std::nullopt;

    QByteArray header;
    const qint64 mapLength = nameListOffset + names.size();
    put32(header, static_cast<quint32>(kHeaderArea));
    put32(header, static_cast<quint32>(kHeaderArea + data.size()));
    put32(header, static_cast<quint32>(data.size()));
    put32(header, static_cast<quint32>(mapLength));

    QByteArray out = header;
    out.append(QByteArray(kHeaderArea - header.size(), '\0'));
    out.append(data);
    out.append(header); // the map opens with a copy of the header
    put32(out, 0);      // next-map handle
    put16(out, 0);      // file reference
    put16(out, attributes);
    put16(out, static_cast<quint16>(kMapHeader));
    put16(out, static_cast<quint16>(nameListOffset));
    out.append(typeList);
    out.append(references);
    out.append(names);
    return out;
}

std::optional<QList<ResourceEntry>> ResourceFork::decode(const QByteArray& bytes, quint16* attributes) {
    const Reader r{bytes};
    quint32 dataOffset = 0, mapOffset = 0, dataLength = 0, mapLength = 0;
    if (!r.u32(0, &dataOffset) || !r.u32(4, &mapOffset) || !r.u32(8, &dataLength) || !r.u32(12, &mapLength))
        return std::nullopt;
    const qint64 dataEnd = qint64(dataOffset) + dataLength;
    const qint64 map = mapOffset;
    const qint64 mapEnd = map + mapLength;
    if (dataEnd > bytes.size() || mapEnd > bytes.size() || mapLength < kMapHeader + 2) return std::nullopt;

    quint32 forkAttributes = 0, typeListOffset = 0, nameListOffset = 0, typeCount = 0;
    if (!r.u16(map + 22, &forkAttributes) || !r.u16(map + 24, &typeListOffset) ||
        !r.u16(map + 26, &nameListOffset))
        return std::nullopt;
    const qint64 typeList = map + typeListOffset;
    const qint64 nameList = map + nameListOffset;
    if (typeList + 2 > mapEnd || nameList > mapEnd || !r.u16(typeList, &typeCount)) return std::nullopt;
    typeCount = (typeCount + 1) & 0xFFFF;

    // Each resource has its own reference and its own data: lists or data shared between entries
    // would let a small fork claim millions of resources.
    const qint64 referenceRoom = mapLength - kMapHeader - 2 - kTypeEntry * qint64(typeCount);
    qint64 referencesTaken = 0, dataTaken = 0;
    QList<ResourceEntry> entries;
    for (quint32 t = 0; t < typeCount; ++t) {
        const qint64 typeEntry = typeList + 2 + kTypeEntry * t;
        quint32 type = 0, count = 0, referenceOffset = 0;
        if (typeEntry + kTypeEntry > mapEnd || !r.u32(typeEntry, &type) || !r.u16(typeEntry + 4, &count) ||
            !r.u16(typeEntry + 6, &referenceOffset))
            return std::nullopt;
        referencesTaken += kReference * (qint64(count) + 1);
        if (referencesTaken > referenceRoom) return std::nullopt;
        for (quint32 i = 0; i <= count; ++i) {
            const qint64 reference = typeList + referenceOffset + kReference * i;
            quint32 id = 0, nameOffset = 0, flags = 0, offset = 0, length = 0;
            if (reference + kReference > mapEnd || !r.u16(reference, &id) ||
                !r.u16(reference + 2, &nameOffset) || !r.u8(reference + 4, &flags) ||
                !r.u24(reference + 5, &offset))
                return std::nullopt;
            ResourceEntry entry;
            entry.type = type;
            entry.id = static_cast<qint16>(id);
            entry.attributes = static_cast<quint8>(flags);
            if (nameOffset != 0xFFFF) {
                const qint64 name = nameList + nameOffset;
                quint32 nameLength = 0;
                if (!r.u8(name, &nameLength) || name + 1 + nameLength > mapEnd) return std::nullopt;
                entry.name = bytes.mid(name + 1, nameLength);
            }
            const qint64 at = qint64(dataOffset) + offset;
            if (!r.u32(at, &length) || at + 4 + qint64(length) > dataEnd) return std::nullopt;
            dataTaken += 4 + qint64(length);
            if (dataTaken > dataLength) return std::nullopt;
            entry.data = bytes.mid(at + 4, length);
            entries.append(entry);
        }
    }
    if (attributes) *attributes = static_cast<quint16>(forkAttributes);
    return entries;
}

// --- opening and closing ---------------------------------------------------------------------------

ResourceFork::ResourceFork(const QString& path, QList<ResourceEntry> entries, quint16 attributes)
    : m_path(path), m_entries(std::move(entries)), m_attributes(attributes) {
    do {
        g_nextRefNum = g_nextRefNum >= 0x7FFF ? 1 : g_nextRefNum + 1;
    } while (g_nextRefNum == g_current);
    m_refNum = g_nextRefNum;
}

ResourceFork::~ResourceFork() {
    update();
    if (g_current == m_refNum) g_current = 0;
    auto it = openForks().find(key(m_path));
    if (it != openForks().end() && it->expired()) openForks().erase(it);
}

qint16 ResourceFork::create(const QString& path) {
    if (!QFileInfo::exists(path)) return ResourceStatus::fnfErr;
    qint16 status = ResourceStatus::noErr;
    if (readAttribute(path, &status)) return ResourceStatus::dupFNErr;
    if (status != ResourceStatus::eofErr) return status;
    return writeAttribute(path, *encode({}), XATTR_CREATE);
}

std::shared_ptr<ResourceFork> ResourceFork::open(const QString& path, qint16* status) {
    qint16 ignored = 0;
    if (!status) status = &ignored;
    if (std::shared_ptr<ResourceFork> fork = find(path)) {
        *status = ResourceStatus::noErr;
        return fork;
    }
    if (!QFileInfo::exists(path)) {
        *status = ResourceStatus::fnfErr;
        return nullptr;
    }
    const std::optional<QByteArray> bytes = readAttribute(path, status);
    if (!bytes) return nullptr;
    quint16 attributes = 0;
    std::optional<QList<ResourceEntry>> entries = decode(*bytes, &attributes);
    if (!entries) {
        *status = ResourceStatus::mapReadErr;
        return nullptr;
    }
    std::shared_ptr<ResourceFork> fork(new ResourceFork(key(path), std::move(*entries), attributes));
    openForks().insert(key(path), fork);
    *status = ResourceStatus::noErr;
    return fork;
}

std::shared_ptr<ResourceFork> ResourceFork::find(const QString& path) {
    return openForks().value(key(path)).lock();
}

qint16 ResourceFork::current() {
    return g_current;
}

void ResourceFork::use(qint16 refNum) {
    g_current = refNum;
}

// --- resources -------------------------------------------------------------------------------------

const ResourceEntry* ResourceFork::get(quint32 type, qint16 id) const {
    for (const ResourceEntry& e : m_entries)
        if (e.type == type && e.id == id) return &e;
    return nullptr;
}

const ResourceEntry* ResourceFork::getNamed(quint32 type, const QByteArray& name) const {
    for (const ResourceEntry& e : m_entries)
        if (e.type == type && !e.name.isNull() && e.name == name) return &e;
    return nullptr;
}

QList<qint16> ResourceFork::ids(quint32 type) const {
    QList<qint16> result;
    for (const ResourceEntry& e : m_entries)
        if (e.type == type) result.append(e.id);
    return result;
}

qint16 ResourceFork::uniqueID(quint32 type) const {
    const QList<qint16> taken = ids(type);
    qint16 id = 128;
    while (taken.contains(id) && id < 0x7FFF) ++id;
    return id;
}

qint16 ResourceFork::add(const ResourceEntry& entry) {
    if (get(entry.type, entry.id) || entry.name.size() > 255) return ResourceStatus::addResFailed;
    m_entries.append(entry);
    m_changed = true;
    return ResourceStatus::noErr;
}

qint16 ResourceFork::setData(quint32 type, qint16 id, const QByteArray& data) {
    for (ResourceEntry& e : m_entries)
        if (e.type == type && e.id == id) {
            e.data = data;
            m_changed = true;
            return ResourceStatus::noErr;
        }
    return ResourceStatus::resNotFound;
}

qint16 ResourceFork::remove(quint32 type, qint16 id) {
    for (qsizetype i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].type == type && m_entries[i].id == id) {
            m_entries.removeAt(i);
            m_changed = true;
            return ResourceStatus::noErr;
        }
    return ResourceStatus::resNotFound;
}

qint16 ResourceFork::update() {
    if (!m_changed) return ResourceStatus::noErr;
    const std::optional<QByteArray> bytes = encode(m_entries, m_attributes);
    if (!bytes) return ResourceStatus::dskFulErr;
    const qint16 status = writeAttribute(m_path, *bytes, 0);
    if (status == ResourceStatus::noErr) m_changed = false;
    return status;
}
