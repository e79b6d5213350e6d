#include "Array.h"

#include "Archiver.h"
#include "platform/Diagnostics.h"
#include "platform/VariantKinds.h"

#include <QUrl>
#include <algorithm>
#include <iterator>
#include <unordered_map>
#include <vector>

namespace {

qint64 g_arrayEnumerationIndex = 0;
// The enumerators of the range-for loops now running, innermost last.
std::vector<const TArrayEnumerator*> g_loops;

bool isPointer(const QVariant& v) {
    return v.metaType().id() == QMetaType::VoidStar;
}

TObject* objectOf(const QVariant& v) {
    return isPointer(v) ? static_cast<TObject*>(v.value<void*>()) : nullptr;
}

void objectRetain(const QVariant& v) {
    if (TObject* o = objectOf(v)) o->Retain();
}
void objectRelease(const QVariant& v) {
    if (TObject* o = objectOf(v)) o->Release();
}
QString objectDescription(const QVariant& v) {
    TObject* o = objectOf(v);
    return o ? o->CopyDescription() : QStringLiteral("(null)");
}
bool objectEqual(const QVariant& a, const QVariant& b) {
    TObject* x = objectOf(a);
    TObject* y = objectOf(b);
    if (!x || !y) return x == y;
    return x->IsEqual(y);
}

QString typeDescription(const QVariant& v) {
    return v.toString();
}
bool typeEqual(const QVariant& a, const QVariant& b) {
    return a == b;
}

QString referenceDescription(const QVariant& v) {
    // The size of a foreign heap block cannot be asked portably; the address stands for it.
    return QStringLiteral("pointer %1").arg(reinterpret_cast<quintptr>(v.value<void*>()), 0, 16);
}
bool referenceEqual(const QVariant& a, const QVariant& b) {
    return a.value<void*>() == b.value<void*>();
}

} // namespace

// --- TArrayValue ---------------------------------------------------------------------------------

void* TArrayValue::pointer() const {
    return isPointer(*this) ? value<void*>() : nullptr;
}

bool TArrayValue::isNull() const {
    return TArray::IsNilValue(*this);
}

// --- TArrayEnumerator ----------------------------------------------------------------------------

bool TArrayEnumerator::MoveNext() {
    if (!array) return false;
    if (cursor < array->Count()) Current = array->GetValue(cursor);
    ++cursor;
    g_arrayEnumerationIndex = cursor;
    return cursor <= array->Count();
}

void TArrayEnumerator::Reset() {
    cursor = 0;
    g_arrayEnumerationIndex = 0;
    if (array) const_cast<TArray*>(array)->ResetEnumeration();
}

TArray::iterator::iterator(const TArray* array, bool atEnd) : m_enumerator(array), m_valid(!atEnd) {
    if (atEnd) return;
    g_loops.push_back(&m_enumerator);
    m_valid = m_enumerator.MoveNext();
}

TArray::iterator::~iterator() {
    auto it = std::find(g_loops.rbegin(), g_loops.rend(), &m_enumerator);
    if (it != g_loops.rend()) g_loops.erase(std::next(it).base());
}

// --- TArray --------------------------------------------------------------------------------------

QVariant TArray::PointerValue(const void* pointer) {
    return QVariant::fromValue(const_cast<void*>(pointer));
}

bool TArray::IsNilValue(const QVariant& value) {
    if (!value.isValid()) return true;
    return isPointer(value) && !value.value<void*>();
}

void TArray::Initialize() {
    TObject::Initialize();
    if (!m_hasArray && GetClass() == TArray::StaticClass())
        Diagnostics::warning(QStringLiteral("allocated an abstract TArray."));
}

void TArray::MakePlatformArray(const TArrayCallBacks& callbacks) {
    if (m_hasArray) return;
    m_callbacks = callbacks;
    m_hasArray = true;
    if (m_capacity > 0) m_values.reserve(m_capacity);
}

void TArray::AdoptValues(const QVariantList& values, const TArrayCallBacks& callbacks) {
    m_callbacks = callbacks;
    m_hasArray = true;
    for (const QVariant& v : values) {
        if (IsNilValue(v)) continue;
        RetainValue(v);
        m_values.append(v);
    }
}

void TArray::Deallocate() {
    QVariantList values;
    values.swap(m_values);
    for (const QVariant& v : values) ReleaseValue(v);
    TObject::Deallocate();
}

void TArray::CopyInstanceVariables(TObject* source) {
    TObject::CopyInstanceVariables(source);
    auto* other = static_cast<TArray*>(source);
    if (other->m_hasArray) AdoptValues(other->m_values, other->m_callbacks);
    m_capacity = other->m_capacity;
}

void TArray::Show() const {
    Diagnostics::line(QString::number(Count()) + QStringLiteral(" values ("));
    for (const QVariant& v : m_values)
        Diagnostics::line(QStringLiteral("  ") +
                          (m_callbacks.copyDescription ? m_callbacks.copyDescription(v) : v.toString()));
    Diagnostics::line(QStringLiteral(")"));
}

bool TArray::ValuesEqual(const QVariant& a, const QVariant& b) const {
    return m_callbacks.equal ? m_callbacks.equal(a, b) : a == b;
}

void TArray::RetainValue(const QVariant& value) const {
    if (m_callbacks.retain) m_callbacks.retain(value);
}

void TArray::ReleaseValue(const QVariant& value) const {
    if (m_callbacks.release) m_callbacks.release(value);
}

TArray* TArray::MakeWithCapacity(TObjectClass cls, qint64 capacity) {
    auto* array = static_cast<TArray*>(AllocateOf(cls));
    array->m_capacity = std::max<qint64>(0, capacity);
    array->Initialize();
    return array;
}

TArray* TArray::MakeWithList(TObjectClass cls, const QVariantList& values, const TArrayCallBacks* callbacks) {
    auto* array = static_cast<TArray*>(AllocateOf(cls));
    if (callbacks) {
        array->AdoptValues(values, *callbacks);
        array->Initialize();
    } else {
        array->Initialize();
        for (const QVariant& v : values) array->AppendValue(v);
    }
    return array;
}

TArray* TArray::MakeWithArray(TObjectClass cls, const TArray* other) {
    if (!other || !other->m_hasArray) return MakeWithCapacity(cls, 0);
    return MakeWithList(cls, other->m_values, &other->m_callbacks);
}

TArray* TArray::MakeWithCallBacks(TObjectClass cls, const TArrayCallBacks& callbacks) {
    return MakeWithList(cls, {}, &callbacks);
}

TArray* TArray::MakeWithValues(TObjectClass cls, const QVariantList& values) {
    return MakeWithList(cls, values, nullptr);
}

TArrayValue TArray::GetValue(qint64 index) const {
    if (index < 0 || index >= Count()) return TArrayValue();
    return TArrayValue(m_values.at(index));
}

qint64 TArray::GetFirstIndex(const QVariant& value) const {
    if (IsNilValue(value)) return -1;
    for (qint64 i = 0; i < Count(); ++i)
        if (ValuesEqual(m_values.at(i), value)) return i;
    return -1;
}

qint64 TArray::GetLastIndex(const QVariant& value) const {
    if (IsNilValue(value)) return -1;
    for (qint64 i = Limit(); i >= 0; --i)
        if (ValuesEqual(m_values.at(i), value)) return i;
    return -1;
}

qint64 TArray::CountValues(const QVariant& value) const {
    if (IsNilValue(value)) return 0;
    qint64 n = 0;
    for (const QVariant& v : m_values)
        if (ValuesEqual(v, value)) ++n;
    return n;
}

TArray* TArray::AppendValue(const QVariant& value) {
    return InsertValue(Count(), value);
}

TArray* TArray::InsertValue(qint64 index, const QVariant& value) {
    if (!m_hasArray || IsNilValue(value) || index < 0 || index > Count()) return this;
    RetainValue(value);
    m_values.insert(index, value);
    return this;
}

void TArray::AppendArray(const TArray* other) {
    if (!other) return;
    const QVariantList values = other->m_values; // the other may be this array
    for (const QVariant& v : values) AppendValue(v);
}

void TArray::ReplaceValue(qint64 index, const QVariant& value) {
    if (IsNilValue(value) || index < 0 || index >= Count()) return;
    RetainValue(value);
    const QVariant old = m_values.at(index);
    m_values[index] = value;
    ReleaseValue(old);
}

void TArray::ExchangeValues(qint64 a, qint64 b) {
    if (a < 0 || b < 0 || a >= Count() || b >= Count()) return;
    m_values.swapItemsAt(a, b);
}

void TArray::RemoveValue(qint64 index) {
    if (index < 0 || index >= Count()) return;
    const QVariant old = m_values.takeAt(index);
    ReleaseValue(old);
}

void TArray::RemoveValue(const void* value) {
    if (!value) return;
    for (qint64 i = 0; i < Count(); ++i) {
        const QVariant& v = m_values.at(i);
        if (isPointer(v) && v.value<void*>() == value) {
            RemoveValue(i);
            return;
        }
    }
}

void TArray::RemoveValuesInArray(const TArray* other) {
    if (!other) return;
    const QVariantList values = other->m_values; // the other may be this array
    for (const QVariant& v : values)
        if (isPointer(v)) RemoveValue(static_cast<const void*>(v.value<void*>()));
}

void TArray::RemoveAllValues() {
    QVariantList values;
    values.swap(m_values);
    for (const QVariant& v : values) ReleaseValue(v);
}

void TArray::Reverse() {
    std::reverse(m_values.begin(), m_values.end());
}

void TArray::Reorder(qint64 fromIndex, qint64 toIndex) {
    if (fromIndex < 0 || fromIndex >= Count()) return;
    // The element changes place without passing through the callbacks, so its count is unchanged.
    const QVariant v = m_values.takeAt(fromIndex);
    if (toIndex > Count())
        m_values.append(v);
    else if (toIndex < 0)
        m_values.prepend(v);
    else
        m_values.insert(toIndex, v);
}

int TArray::HandleSort(const QVariant&, const QVariant&) const {
    return 0;
}

void TArray::Sort() {
    Sort(&ArrayUnit::ArrayHandleSort, this);
}

void TArray::Sort(Comparator comparator, void* context) {
    if (!comparator) return;
    std::stable_sort(m_values.begin(), m_values.end(),
                     [&](const QVariant& a, const QVariant& b) { return comparator(a, b, context) < 0; });
}

void TArray::SortWithStrings() {
    Sort(&ArrayUnit::CFArrayComparatorSortString);
}

void TArray::SortWithURLs() {
    Sort(&ArrayUnit::CFArrayComparatorSortURL);
}

qint64 TArray::ForIndex() {
    return (g_loops.empty() ? g_arrayEnumerationIndex : g_loops.back()->cursor) - 1;
}

bool TArray::Enumerate() {
    if (!m_hasArray) return false;
    ++m_enumerationIndex;
    if (m_enumerationIndex > Count()) {
        m_enumerationIndex = 0;
        return false;
    }
    return true;
}

bool TArray::Enumerate(TArrayValue* value) {
    if (value) *value = GetValue(m_enumerationIndex);
    return Enumerate();
}

TArray* TArray::ArrayByAddingValue(const QVariant& value) const {
    TArray* copy = MakeWithArray(GetClass(), this);
    copy->AppendValue(value);
    copy->Autorelease();
    return copy;
}

// --- TObjectArray --------------------------------------------------------------------------------

const TArrayCallBacks& TObjectArray::ObjectCallBacks() {
    static const TArrayCallBacks callbacks{&objectRetain, &objectRelease, &objectDescription, &objectEqual};
    return callbacks;
}

void TObjectArray::Initialize() {
    MakePlatformArray(ObjectCallBacks());
    TArray::Initialize();
}

void TObjectArray::Deallocate() {
    m_kept.clear();
    TArray::Deallocate();
}

void TObjectArray::CopyInstanceVariables(TObject* source) {
    TObject::CopyInstanceVariables(source);
    auto* other = static_cast<TObjectArray*>(source);
    // The copies are this array's own, whatever the source's callbacks do with references.
    TArrayCallBacks callbacks = other->m_callbacks;
    callbacks.retain = &objectRetain;
    callbacks.release = &objectRelease;
    MakePlatformArray(callbacks);
    // Element copies belong to this array alone; kept archives follow the copies of their elements.
    std::unordered_map<quint64, quint64> serials{{0, 0}};
    for (const QVariant& v : other->m_values) {
        TObject* element = objectOf(v);
        if (!element) continue;
        TObject* copy = element->Copy();
        if (!copy) continue;
        serials.emplace(element->GetSerial(), copy->GetSerial()); // the first occurrence leads
        AppendValue(copy);
        copy->Release();
    }
    for (const KeptArchive& kept : other->m_kept) {
        auto it = serials.find(kept.after);
        m_kept.push_back({it == serials.end() ? kept.after : it->second, kept.archive});
    }
}

void TObjectArray::EncodeData(TArchiver* archiver) {
    TObject::EncodeData(archiver);
    // Each kept archive is written once: after the first occurrence of its neighbour.
    std::vector<bool> keptWritten(m_kept.size(), false);
    auto writeKept = [&](bool any, quint64 after) {
        for (size_t i = 0; i < m_kept.size(); ++i) {
            if (keptWritten[i] || (!any && m_kept[i].after != after)) continue;
            keptWritten[i] = true;
            TArchiver* archive = TArchiver::CreateWithDictionary(m_kept[i].archive.toMap());
            archiver->AppendArchive(archive);
            archive->Release();
        }
    };
    writeKept(false, 0);
    for (const QVariant& v : m_values) {
        TObject* element = objectOf(v);
        if (!element) continue;
        element->ArchiveObject(archiver);
        writeKept(false, element->GetSerial());
    }
    // Archives whose neighbour has left the array go at the end rather than being lost.
    writeKept(true, 0);
}

void TObjectArray::DecodeData(TArchiver* archiver) {
    TObject::DecodeData(archiver);
    MakePlatformArray(ObjectCallBacks());
    quint64 after = 0;
    for (qint64 i = 0; i <= archiver->Limit(); ++i) {
        TObject* element = AllocateFromArchive(archiver, i, GetInitializationParameters());
        if (!element) {
            const QVariant archive = archiver->GetIndexedValue(i);
            if (archive.metaType().id() == QMetaType::QVariantMap) m_kept.push_back({after, archive});
            continue;
        }
        AppendValue(element);
        element->Release();
        after = element->GetSerial();
    }
}

void TObjectArray::Reorder(qint64 fromIndex, qint64 toIndex) {
    TArray::Reorder(fromIndex, toIndex);
}

void TObjectArray::Show() const {
    Diagnostics::line(QString::number(Count()) + QStringLiteral(" values ("));
    for (const QVariant& v : m_values) {
        TObject* element = objectOf(v);
        Diagnostics::line(QStringLiteral("  ") +
                          (element ? element->CopyDescription() : QStringLiteral("(null)")));
    }
    Diagnostics::line(QStringLiteral(")"));
}

// --- TTypeArray ----------------------------------------------------------------------------------

const TArrayCallBacks& TTypeArray::TypeCallBacks() {
    static const TArrayCallBacks callbacks{nullptr, nullptr, &typeDescription, &typeEqual};
    return callbacks;
}

void TTypeArray::Initialize() {
    MakePlatformArray(TypeCallBacks());
    TArray::Initialize();
}

bool TTypeArray::GetBooleanValue(qint64 index) const {
    const TArrayValue v = GetValue(index);
    if (v.isNull()) return false;
    return !(v.metaType().id() == QMetaType::Bool && !v.toBool());
}

QString TTypeArray::GetStringValue(qint64 index) const {
    const TArrayValue v = GetValue(index);
    return v.metaType().id() == QMetaType::QString ? v.toString() : QString();
}

qint32 TTypeArray::GetIntegerValue(qint64 index) const {
    if (index < 0 || index >= Count()) return -1;
    return VariantKinds::exactInt32(m_values.at(index)).value_or(0);
}

bool TTypeArray::GetDataValue(qint64 index, QByteArray* bytes) const {
    const TArrayValue v = GetValue(index);
    if (v.isNull()) return false;
    if (bytes) *bytes = v.metaType().id() == QMetaType::QByteArray ? v.toByteArray() : QByteArray();
    return true;
}

void TTypeArray::EncodeData(TArchiver* archiver) {
    TObject::EncodeData(archiver);
    archiver->SetIndexedValue(m_values);
}

void TTypeArray::DecodeData(TArchiver* archiver) {
    TObject::DecodeData(archiver);
    MakePlatformArray(TypeCallBacks());
    for (qint64 i = 0; i <= archiver->Limit(); ++i) AppendValue(archiver->GetIndexedValue(i));
}

// --- TReferenceArray -----------------------------------------------------------------------------

const TArrayCallBacks& TReferenceArray::ReferenceCallBacks() {
    static const TArrayCallBacks callbacks{nullptr, nullptr, &referenceDescription, &referenceEqual};
    return callbacks;
}

void TReferenceArray::Initialize() {
    MakePlatformArray(ReferenceCallBacks());
    TArray::Initialize();
}

// --- unit routines -------------------------------------------------------------------------------

namespace ArrayUnit {

int CFArrayComparatorSortString(const QVariant& a, const QVariant& b, void*) {
    const int c = QString::compare(a.toString(), b.toString(), Qt::CaseSensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CFArrayComparatorSortURL(const QVariant& a, const QVariant& b, void*) {
    const QString x = a.metaType().id() == QMetaType::QUrl ? a.toUrl().toString() : a.toString();
    const QString y = b.metaType().id() == QMetaType::QUrl ? b.toUrl().toString() : b.toString();
    const int c = QString::compare(x, y, Qt::CaseSensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int ArrayHandleSort(const QVariant& a, const QVariant& b, void* array) {
    return array ? static_cast<const TArray*>(array)->HandleSort(a, b) : 0;
}

} // namespace ArrayUnit
