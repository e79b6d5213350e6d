#include "BinaryResource.h"

#include "CarbonUtilities.h"
#include "platform/Diagnostics.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>

using namespace ResourceStatus;

TBinaryResource* TBinaryResource::Create(const FSRef& file, qint32* status) {
    TBinaryResource* resource = Allocate();
    const qint32 result = resource->Open(file);
    if (status) *status = result;
    resource->Initialize();
    return resource;
}

void TBinaryResource::Deallocate() {
    Close();
    TObject::Deallocate();
}

qint32 TBinaryResource::Open(const FSRef& file) {
    Close();
    m_file = file;
    if ((m_fork = ResourceFork::find(file.path))) return noErr; // the current file stays as it is
    const qint16 created = ResourceFork::create(file.path);
    if (created != noErr && created != dupFNErr)
        Diagnostics::line(QStringLiteral("FSCreateResourceFile: ") + QString::number(created));
    qint16 status = noErr;
    m_fork = ResourceFork::open(file.path, &status);
    if (!m_fork) return status;
    m_previousFile = ResourceFork::current();
    m_restoresPrevious = true;
    ResourceFork::use(m_fork->refNum());
    return noErr;
}

qint32 TBinaryResource::Close() {
    if (!m_fork) return noErr;
    const qint32 status = m_fork->update();
    if (m_restoresPrevious && ResourceFork::current() == m_fork->refNum()) ResourceFork::use(m_previousFile);
    m_restoresPrevious = false;
    m_fork.reset();
    return status;
}

qint32 TBinaryResource::Update() {
    return m_fork ? m_fork->update() : qint16(noErr);
}

// --- resources -------------------------------------------------------------------------------------

const ResourceEntry* TBinaryResource::FindNamed(quint32 type, const QString& name) const {
    return m_fork && !name.isEmpty() ? m_fork->getNamed(type, name.toUtf8()) : nullptr;
}

const ResourceEntry* TBinaryResource::FindIndexed(quint32 type, qint16 id) const {
    return m_fork ? m_fork->get(type, id) : nullptr;
}

qint32 TBinaryResource::Write(const QByteArray& data, quint32 type, qint16 id, const QString& name) {
    if (!m_fork) return resFNotFound;
    const ResourceEntry* found = name.isEmpty() ? FindIndexed(type, id) : FindNamed(type, name);
    if (found) return m_fork->setData(found->type, found->id, data);
    ResourceEntry entry;
    entry.type = type;
    entry.id = id == 0 ? m_fork->uniqueID(type) : id;
    if (!name.isEmpty()) entry.name = name.toUtf8();
    entry.data = data;
    return m_fork->add(entry);
}

qint32 TBinaryResource::Read(const ResourceEntry* entry, qint32 length, void* buffer, qint32* size) const {
    if (!m_fork) return resFNotFound;
    if (!entry) return resNotFound;
    const auto available = static_cast<qint32>(entry->data.size());
    if (size) *size = available;
    if (buffer)
        std::memcpy(buffer, entry->data.constData(), length == 0 ? available : std::min(length, available));
    return noErr;
}

qint32 TBinaryResource::GetNamed(quint32 type, const QString& name, qint32 length, void* buffer,
                                 qint32* size) {
    return Read(FindNamed(type, name), std::max(length, 0), buffer, size);
}

qint32 TBinaryResource::GetIndexed(quint32 type, qint16 id, qint32 length, void* buffer, qint32* size) {
    if (!buffer) return paramErr;
    return Read(FindIndexed(type, id), std::max(length, 0), buffer, size);
}

std::optional<QByteArray> TBinaryResource::CopyNamed(quint32 type, const QString& name) {
    if (const ResourceEntry* entry = FindNamed(type, name)) return entry->data;
    return std::nullopt;
}

std::optional<QByteArray> TBinaryResource::CopyIndexed(quint32 type, qint16 id) {
    if (const ResourceEntry* entry = FindIndexed(type, id)) return entry->data;
    return std::nullopt;
}

qint32 TBinaryResource::Remove(quint32 type, qint16 id) {
    return m_fork ? m_fork->remove(type, id) : qint16(resFNotFound);
}

qint32 TBinaryResource::RemoveNamed(quint32 type, const QString& name) {
    if (!m_fork) return resFNotFound;
    const ResourceEntry* entry = FindNamed(type, name);
    return entry ? m_fork->remove(type, entry->id) : qint16(resNotFound);
}

qint32 TBinaryResource::RemoveAll(quint32 type) {
    if (!m_fork) return resFNotFound;
    qint32 status = noErr;
    const QList<qint16> ids = m_fork->ids(type);
    for (auto it = ids.crbegin(); it != ids.crend(); ++it) status = m_fork->remove(type, *it);
    return status;
}

// --- typed values ----------------------------------------------------------------------------------

std::optional<QByteArray> TBinaryResource::ReadValue(const ResourceEntry* entry) const {
    CarbonUtilities::Err = !m_fork ? resFNotFound : entry ? noErr : resNotFound;
    return entry ? std::optional<QByteArray>(entry->data) : std::nullopt;
}

void TBinaryResource::WriteValue(const QByteArray& data, quint32 type, qint16 id, const QString& name) {
    CarbonUtilities::Err = Write(data, type, id, name);
}

namespace {

QByteArray integerBytes(qint32 value) {
    const qint32 le = qToLittleEndian(value);
    return QByteArray(reinterpret_cast<const char*>(&le), 4);
}

qint32 integerOf(const std::optional<QByteArray>& data) {
    if (!data) return 0;
    char bytes[4] = {};
    std::memcpy(bytes, data->constData(), std::min<size_t>(4, static_cast<size_t>(data->size())));
    return qFromLittleEndian<qint32>(bytes);
}

bool booleanOf(const std::optional<QByteArray>& data) {
    return data && !data->isEmpty() && data->at(0) != 0;
}

void copyInto(const std::optional<QByteArray>& data, void* buffer, qint32 length) {
    if (!buffer || length <= 0) return;
    std::memset(buffer, 0, static_cast<size_t>(length));
    if (data)
        std::memcpy(buffer, data->constData(), std::min<size_t>(length, static_cast<size_t>(data->size())));
}

} // namespace

bool TBinaryResource::ContainsValue(const QString& name, quint32 type) {
    return ReadValue(FindNamed(type, name)).has_value();
}

void TBinaryResource::SetStringValue(const QString& name, const QString& value) {
    const QByteArray bytes = value.toUtf8();
    if (bytes.size() > 255) {
        CarbonUtilities::Err = paramErr;
        return;
    }
    WriteValue(static_cast<char>(bytes.size()) + bytes, kStringType, 0, name);
}

void TBinaryResource::SetIntegerValue(const QString& name, qint32 value) {
    WriteValue(integerBytes(value), kIntegerType, 0, name);
}

void TBinaryResource::SetBooleanValue(const QString& name, bool value) {
    WriteValue(QByteArray(1, value ? 1 : 0), kBooleanType, 0, name);
}

void TBinaryResource::SetDataValue(const QString& name, const QByteArray& data) {
    WriteValue(data, kDataType, 0, name);
}

QString TBinaryResource::GetStringValue(const QString& name) {
    const std::optional<QByteArray> data = ReadValue(FindNamed(kStringType, name));
    if (!data || data->isEmpty()) return QString();
    const auto length = static_cast<quint8>(data->at(0));
    return QString::fromUtf8(data->mid(1, length));
}

qint32 TBinaryResource::GetIntegerValue(const QString& name) {
    return integerOf(ReadValue(FindNamed(kIntegerType, name)));
}

bool TBinaryResource::GetBooleanValue(const QString& name) {
    return booleanOf(ReadValue(FindNamed(kBooleanType, name)));
}

void TBinaryResource::GetDataValue(const QString& name, void* buffer, qint32 length) {
    copyInto(ReadValue(FindNamed(kDataType, name)), buffer, length);
}

std::optional<QByteArray> TBinaryResource::CopyDataValue(const QString& name) {
    return CopyNamed(kDataType, name);
}

void TBinaryResource::SetStringValue(quint32 type, qint16 id, const QString& value) {
    WriteValue(value.toUtf8(), type, id, QString());
}

void TBinaryResource::SetIntegerValue(quint32 type, qint16 id, qint32 value) {
    WriteValue(integerBytes(value), type, id, QString());
}

void TBinaryResource::SetBooleanValue(quint32 type, qint16 id, bool value) {
    WriteValue(QByteArray(1, value ? 1 : 0), type, id, QString());
}

void TBinaryResource::SetDataValue(quint32 type, qint16 id, const QByteArray& data) {
    WriteValue(data, type, id, QString());
}

QString TBinaryResource::GetStringValue(quint32 type, qint16 id) {
    const std::optional<QByteArray> data = ReadValue(FindIndexed(type, id));
    return data ? QString::fromUtf8(*data) : QString();
}

qint32 TBinaryResource::GetIntegerValue(quint32 type, qint16 id) {
    return integerOf(ReadValue(FindIndexed(type, id)));
}

bool TBinaryResource::GetBooleanValue(quint32 type, qint16 id) {
    return booleanOf(ReadValue(FindIndexed(type, id)));
}

void TBinaryResource::GetDataValue(quint32 type, qint16 id, void* buffer, qint32 length) {
    copyInto(ReadValue(FindIndexed(type, id)), buffer, length);
}
