#include "Dictionary.h"

#include "Archiver.h"
#include "platform/AtomicFile.h"
#include "platform/Diagnostics.h"
#include "platform/PlistCodec.h"
#include "platform/VariantKinds.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const TArrayCallBacks& referenceCallBacks() {
    static const TArrayCallBacks callbacks{
        nullptr, nullptr, nullptr,
        [](const QVariant& a, const QVariant& b) { return a.value<void*>() == b.value<void*>(); }};
    return callbacks;
}

// A new empty array of the class (a plain TTypeArray without one); null when the class is no array.
TArray* makeArray(TObjectClass cls) {
    if (!cls) cls = TTypeArray::StaticClass();
    for (TObjectClass c = cls; c; c = c->parent) {
        if (c != TArray::StaticClass()) continue;
        auto* array = static_cast<TArray*>(TObject::AllocateOf(cls));
        if (array) array->Initialize();
        return array;
    }
    return nullptr;
}

} // namespace

// --- TDictionary ---------------------------------------------------------------------------------

void TDictionary::Initialize() {
    TObject::Initialize();
    if (!m_hasDictionary && GetClass() == TDictionary::StaticClass())
        Diagnostics::warning(QStringLiteral("allocated an abstract TDictionary."));
}

void TDictionary::MakePlatformDictionary(const TArrayCallBacks& callbacks) {
    if (m_hasDictionary) return;
    m_callbacks = callbacks;
    m_hasDictionary = true;
}

void TDictionary::AdoptValues(const QVariantMap& values, const TArrayCallBacks& callbacks) {
    m_callbacks = callbacks;
    m_hasDictionary = true;
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) SetValue(it.key(), it.value());
}

TDictionary* TDictionary::MakeWithDictionary(TObjectClass cls, const QVariantMap& values,
                                             const TArrayCallBacks* callbacks) {
    auto* dictionary = static_cast<TDictionary*>(AllocateOf(cls));
    if (callbacks) {
        dictionary->AdoptValues(values, *callbacks);
        dictionary->Initialize();
    } else {
        dictionary->Initialize();
        for (auto it = values.constBegin(); it != values.constEnd(); ++it)
            dictionary->SetValue(it.key(), it.value());
    }
    return dictionary;
}

void TDictionary::Deallocate() {
    ResetEnumeration();
    QVariantMap values;
    values.swap(m_values);
    for (const QVariant& v : values) ReleaseValue(v);
    TObject::Deallocate();
}

void TDictionary::CopyInstanceVariables(TObject* source) {
    TObject::CopyInstanceVariables(source);
    auto* other = static_cast<TDictionary*>(source);
    if (other->m_hasDictionary) AdoptValues(other->m_values, other->m_callbacks);
}

void TDictionary::Show() const {
    Diagnostics::line(QString::number(Count()) + QStringLiteral(" entries {"));
    for (auto it = m_values.constBegin(); it != m_values.constEnd(); ++it) {
        const QString value =
            m_callbacks.copyDescription ? m_callbacks.copyDescription(it.value()) : it.value().toString();
        Diagnostics::line(QStringLiteral("  ") + it.key() + QStringLiteral(" = ") + value);
    }
    Diagnostics::line(QStringLiteral("}"));
}

void TDictionary::RetainValue(const QVariant& value) const {
    if (m_callbacks.retain) m_callbacks.retain(value);
}

void TDictionary::ReleaseValue(const QVariant& value) const {
    if (m_callbacks.release) m_callbacks.release(value);
}

void TDictionary::SetValue(const QString& key, const QVariant& value) {
    if (!m_hasDictionary || !value.isValid()) return;
    RetainValue(value);
    auto it = m_values.find(key);
    if (it == m_values.end()) {
        m_values.insert(key, value);
        return;
    }
    const QVariant old = it.value();
    it.value() = value;
    ReleaseValue(old);
}

void TDictionary::AddValue(const QString& key, const QVariant& value) {
    if (!m_values.contains(key)) SetValue(key, value);
}

void TDictionary::AddKey(const QString& key) {
    AddValue(key, QVariant::fromValue(nullptr));
}

TArrayValue TDictionary::GetValue(const QString& key) const {
    return TArrayValue(m_values.value(key));
}

bool TDictionary::GetValueIfPresent(const QString& key, TArrayValue* value) const {
    auto it = m_values.constFind(key);
    if (it == m_values.constEnd()) return false;
    if (value) *value = TArrayValue(it.value());
    return true;
}

bool TDictionary::ContainsValue(const QVariant& value) const {
    for (const QVariant& v : m_values)
        if (m_callbacks.equal ? m_callbacks.equal(v, value) : v == value) return true;
    return false;
}

void TDictionary::Remove(const QString& key) {
    auto it = m_values.find(key);
    if (it == m_values.end()) return;
    const QVariant old = it.value();
    m_values.erase(it);
    ReleaseValue(old);
}

void TDictionary::RemoveAll() {
    QVariantMap values;
    values.swap(m_values);
    for (const QVariant& v : values) ReleaseValue(v);
}

TArray* TDictionary::CopyKeys(TObjectClass arrayClass) const {
    TArray* array = makeArray(arrayClass);
    if (!array) return nullptr;
    for (auto it = m_values.constBegin(); it != m_values.constEnd(); ++it)
        array->AppendValue(QVariant(it.key()));
    return array;
}

TArray* TDictionary::CopyValues(TObjectClass arrayClass) const {
    TArray* array = makeArray(arrayClass);
    if (!array) return nullptr;
    for (const QVariant& v : m_values) array->AppendValue(v);
    return array;
}

TDictionary* TDictionary::CopyDictionary(const QString& key) const {
    const QVariant v = m_values.value(key);
    if (v.metaType().id() != QMetaType::QVariantMap) return nullptr;
    return TTypeDictionary::CreateWithDictionary(v.toMap());
}

void TDictionary::ApplyFunction() {
    const QVariantMap values = m_values;
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) ApplierFunction(it.key(), it.value());
}

void TDictionary::ApplierFunction(const QString&, const QVariant&) {}

int TDictionary::Save(const QString& path) const {
    if (path.isEmpty()) return -1;
    QByteArray xml;
    if (!PlistCodec::encode(m_values, &xml)) return -1;
    return AtomicFile::write(path, xml) ? 0 : static_cast<int>(QFileDevice::WriteError);
}

bool TDictionary::Enumerate(TObjectClass valueClass) {
    if (m_enumerationIndex != 0) {
        ++m_enumerationIndex;
    } else {
        ResetEnumeration();
        if (m_values.isEmpty()) return false;
        m_enumerationKeys = static_cast<TTypeArray*>(CopyKeys(TTypeArray::StaticClass()));
        m_enumerationValues = CopyValues(valueClass);
        m_enumerationSnapshot = m_values.values();
        m_enumerationIndex = 1;
    }
    // The snapshot decides, not the entries now.
    if (m_enumerationSnapshot.size() < static_cast<qsizetype>(m_enumerationIndex)) {
        ResetEnumeration();
        return false;
    }
    return true;
}

bool TDictionary::Enumerate() {
    return Enumerate(TTypeArray::StaticClass());
}

QString TDictionary::GetNextKey() const {
    return m_enumerationKeys ? m_enumerationKeys->GetStringValue(GetEnumerationIndex()) : QString();
}

TArrayValue TDictionary::GetNextValue() const {
    const qint64 index = GetEnumerationIndex();
    if (!m_enumerationValues || index < 0 || index >= m_enumerationSnapshot.size()) return TArrayValue();
    return TArrayValue(m_enumerationSnapshot.at(index));
}

void TDictionary::ResetEnumeration() {
    ReleaseObject(m_enumerationKeys);
    ReleaseObject(m_enumerationValues);
    m_enumerationSnapshot.clear();
    m_enumerationIndex = 0;
}

// --- TObjectDictionary ---------------------------------------------------------------------------

TObjectDictionary* TObjectDictionary::DictionaryWithObject(const QString& key, TObject* object) {
    TObjectDictionary* dictionary = Create();
    dictionary->SetValue(key, object);
    dictionary->Autorelease();
    return dictionary;
}

void TObjectDictionary::Initialize() {
    MakePlatformDictionary(TObjectArray::ObjectCallBacks());
    TDictionary::Initialize();
}

void TObjectDictionary::CopyInstanceVariables(TObject* source) {
    TDictionary::CopyInstanceVariables(source);
    m_kept = static_cast<TObjectDictionary*>(source)->m_kept;
}

void TObjectDictionary::EncodeData(TArchiver* archiver) {
    TDictionary::EncodeData(archiver);
    TArchiver* entries = TArchiver::CreateWithDictionary(m_kept);
    for (auto it = m_values.constBegin(); it != m_values.constEnd(); ++it) {
        entries->Remove(it.key()); // a kept archive gives way to the key's new value
        if (TObject* object = GetValue(it.key())) object->ArchiveObject(entries, it.key());
    }
    archiver->SetArchive(kEntriesKey, entries);
    entries->Release();
}

void TObjectDictionary::DecodeData(TArchiver* archiver) {
    TDictionary::DecodeData(archiver);
    MakePlatformDictionary(TObjectArray::ObjectCallBacks());
    const QVariantMap entries = archiver->GetValue(kEntriesKey).toMap();
    for (auto it = entries.constBegin(); it != entries.constEnd(); ++it) {
        if (it.value().metaType().id() != QMetaType::QVariantMap) continue;
        // Each entry is read from its own archiver: a key may look like a path ("/a").
        TArchiver* entry = TArchiver::CreateWithDictionary(it.value().toMap());
        entry->SetContext(archiver->GetContext());
        TObject* object = AllocateFromArchive(entry, GetInitializationParameters());
        entry->Release();
        if (!object) {
            m_kept.insert(it.key(), it.value());
            continue;
        }
        SetValue(it.key(), object);
        object->Release();
    }
}

bool TObjectDictionary::Enumerate() {
    return TDictionary::Enumerate(TObjectArray::StaticClass());
}

TObjectArray* TObjectDictionary::GetValues() const {
    auto* array = static_cast<TObjectArray*>(CopyValues(TObjectArray::StaticClass()));
    array->Autorelease();
    return array;
}

TTypeArray* TObjectDictionary::GetKeys() const {
    auto* array = static_cast<TTypeArray*>(CopyKeys(TTypeArray::StaticClass()));
    array->Autorelease();
    return array;
}

// --- TTypeDictionary -----------------------------------------------------------------------------

TTypeDictionary* TTypeDictionary::DictionaryWithValue(const QString& key, const QVariant& value) {
    TTypeDictionary* dictionary = Create();
    dictionary->SetValue(key, value);
    dictionary->Autorelease();
    return dictionary;
}

void TTypeDictionary::Initialize() {
    MakePlatformDictionary(TTypeArray::TypeCallBacks());
    TDictionary::Initialize();
}

void TTypeDictionary::EncodeData(TArchiver* archiver) {
    TDictionary::EncodeData(archiver);
    archiver->SetValue(kEntriesKey, VariantKinds::propertyListEntries(m_values));
}

void TTypeDictionary::DecodeData(TArchiver* archiver) {
    TDictionary::DecodeData(archiver);
    MakePlatformDictionary(TTypeArray::TypeCallBacks());
    const QVariantMap entries = archiver->GetValue(kEntriesKey).toMap();
    for (auto it = entries.constBegin(); it != entries.constEnd(); ++it) SetValue(it.key(), it.value());
}

void TTypeDictionary::SetPointerValue(const QString& key, const void* pointer) {
    // A pointer value, not its bytes as data: data from a file or another process never reads as one.
    SetValue(key, TArray::PointerValue(pointer));
}

void TTypeDictionary::AddPointerValue(const QString& key, const void* pointer) {
    if (!ContainsKey(key)) SetPointerValue(key, pointer);
}

bool TTypeDictionary::ReadBoolean(const QVariant& value, bool present) {
    if (!present) return false;
    return !(value.metaType().id() == QMetaType::Bool && !value.toBool());
}

qint32 TTypeDictionary::ReadInteger(const QVariant& value, bool present) {
    if (!present) return -1;
    if (value.metaType().id() == QMetaType::QString) {
        bool ok = false;
        const qint32 n = value.toString().trimmed().toInt(&ok);
        return ok ? n : 0;
    }
    return VariantKinds::exactInt32(value).value_or(0);
}

QString TTypeDictionary::ReadString(const QVariant& value) {
    if (value.metaType().id() == QMetaType::QString) return value.toString();
    if (const auto n = VariantKinds::exactInt32(value)) return QString::number(*n);
    return QString();
}

bool TTypeDictionary::GetBooleanValue(const QString& key) const {
    return ReadBoolean(m_values.value(key), ContainsKey(key));
}

qint32 TTypeDictionary::GetIntegerValue(const QString& key) const {
    return ReadInteger(m_values.value(key), ContainsKey(key));
}

double TTypeDictionary::GetFloatValue(const QString& key) const {
    auto it = m_values.constFind(key);
    if (it == m_values.constEnd()) return -1.0;
    return VariantKinds::isNumber(it.value()) ? it.value().toDouble() : 0.0;
}

QString TTypeDictionary::GetStringValue(const QString& key) const {
    return ReadString(m_values.value(key));
}

bool TTypeDictionary::GetDataValue(const QString& key, QByteArray* bytes) const {
    auto it = m_values.constFind(key);
    if (it == m_values.constEnd()) return false;
    if (bytes)
        *bytes =
            it.value().metaType().id() == QMetaType::QByteArray ? it.value().toByteArray() : QByteArray();
    return true;
}

void* TTypeDictionary::GetPointerValue(const QString& key) const {
    return GetValue(key).pointer();
}

TTypeArray* TTypeDictionary::CopyArray(const QString& key) const {
    const QVariant v = m_values.value(key);
    if (v.metaType().id() != QMetaType::QVariantList) return nullptr;
    return TTypeArray::CreateWithList(v.toList());
}

TTypeArray* TTypeDictionary::GetKeys() const {
    auto* array = static_cast<TTypeArray*>(CopyKeys(TTypeArray::StaticClass()));
    array->Autorelease();
    return array;
}

TTypeArray* TTypeDictionary::GetValues() const {
    auto* array = static_cast<TTypeArray*>(CopyValues(TTypeArray::StaticClass()));
    array->Autorelease();
    return array;
}

bool TTypeDictionary::GetNextBooleanValue() const {
    const TArrayValue v = GetNextValue();
    return ReadBoolean(v, v.isValid());
}

qint32 TTypeDictionary::GetNextIntegerValue() const {
    const TArrayValue v = GetNextValue();
    return ReadInteger(v, v.isValid());
}

QString TTypeDictionary::GetNextStringValue() const {
    return ReadString(GetNextValue());
}

bool TTypeDictionary::GetNextDataValue(QByteArray* bytes) const {
    const TArrayValue v = GetNextValue();
    if (!v.isValid()) return false;
    if (bytes) *bytes = v.metaType().id() == QMetaType::QByteArray ? v.toByteArray() : QByteArray();
    return true;
}

// --- TReferenceDictionary ------------------------------------------------------------------------

void TReferenceDictionary::Initialize() {
    MakePlatformDictionary(referenceCallBacks());
    TDictionary::Initialize();
}

// --- TPropertyList -------------------------------------------------------------------------------

namespace {

// Reads a property-list file into the list; 0, or -43 when it cannot be read or holds no dictionary.
int readPropertyList(TPropertyList* list, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return -43;
    const QVariant root = PlistCodec::decode(file.readAll());
    if (root.metaType().id() != QMetaType::QVariantMap) return -43;
    const QVariantMap map = root.toMap();
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) list->SetValue(it.key(), it.value());
    return 0;
}

} // namespace

TPropertyList* TPropertyList::CreateWithXML(const QString& xml) {
    TPropertyList* list = Create();
    const QVariant root = PlistCodec::decode(xml.toUtf8());
    if (root.metaType().id() == QMetaType::QVariantMap) {
        const QVariantMap map = root.toMap();
        for (auto it = map.constBegin(); it != map.constEnd(); ++it) list->SetValue(it.key(), it.value());
    }
    return list;
}

TPropertyList* TPropertyList::CreateWithFile(const FSRef& file, int* status) {
    TPropertyList* list = Create();
    list->m_file = file;
    const int result = readPropertyList(list, file.path);
    if (status) *status = result;
    return list;
}

TPropertyList* TPropertyList::CreateInFolder(const QString& name, const FSRef& folder, int* status) {
    TPropertyList* list = Create();
    const int result = DictionaryUnit::FSCreateFile(name, folder, &list->m_file);
    if (status) *status = result;
    return list;
}

int TPropertyList::Save(const FSRef& file) const {
    if (file.isNull()) return -1;
    return TDictionary::Save(file.path);
}

int TPropertyList::SaveAs(const QString& name, const FSRef& folder) {
    FSRef file;
    const int result = DictionaryUnit::FSCreateFile(name, folder, &file);
    if (!DictionaryUnit::FSRefExists(file)) return result;
    return Save(file);
}

// --- unit routines -------------------------------------------------------------------------------

namespace DictionaryUnit {

bool FSRefExists(const FSRef& ref) {
    return !ref.isNull() && QFileInfo::exists(ref.path);
}

int FSCreateFile(const QString& name, const FSRef& folder, FSRef* file) {
    if (folder.isNull() || name.isEmpty() || name.contains(QLatin1Char('/')) ||
        !QFileInfo(folder.path).isDir())
        return -43;
    const QString path = QDir(folder.path).filePath(name);
    if (file) *file = FSRef{path};
    if (QFileInfo::exists(path)) return 0;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return -61; // write permission error
    return 0;
}

QByteArray CFStringCopyBytes(const QString& s) {
    return s.toUtf8();
}

} // namespace DictionaryUnit
