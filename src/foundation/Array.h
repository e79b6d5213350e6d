#pragma once

#include "Object.h"

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <initializer_list>
#include <type_traits>

class TArchiver;
class TArray;

// What an element of a collection is: how it is retained, released, described and compared.
// Pointers are held as QVariant of void*; plain values (strings, numbers, data...) as themselves.
struct TArrayCallBacks {
    void (*retain)(const QVariant& value) = nullptr;
    void (*release)(const QVariant& value) = nullptr;
    QString (*copyDescription)(const QVariant& value) = nullptr;
    bool (*equal)(const QVariant& a, const QVariant& b) = nullptr;
};

// One element as read from a collection: the value itself, and for a pointer element a conversion to
// the pointer type the caller names (`TCard* card = array->GetValue(0);`). Missing elements are null.
class TArrayValue : public QVariant {
public:
    TArrayValue() = default;
    TArrayValue(const QVariant& value) : QVariant(value) {}

    void* pointer() const;
    bool isNull() const;
    explicit operator bool() const { return !isNull(); }
    template <class T> operator T*() const {
        if constexpr (std::is_base_of_v<TObject, T>)
            return static_cast<T*>(static_cast<TObject*>(pointer()));
        else
            return static_cast<T*>(pointer());
    }
    friend bool operator==(const TArrayValue& a, const void* p) { return a.pointer() == p; }
};

// Walks an array by index, re-reading the count at each step; Current is the element of the last step.
class TArrayEnumerator {
public:
    explicit TArrayEnumerator(const TArray* array) : array(array) {}
    bool MoveNext();
    void Reset();

    const TArray* array;
    TArrayValue Current;
    qint64 cursor = 0;
};

// The ordered collection: a TObject owning one list of elements whose callbacks say what an element
// is. TArray itself is abstract; TObjectArray, TTypeArray and TReferenceArray are the kinds.
// Indices out of range are ignored by every change and read as null; nil is never inserted.
class TArray : public TObject {
    T_OBJECT(TArray, TObject)
public:
    using Comparator = int (*)(const QVariant& a, const QVariant& b, void* context);

    // Value wrapping: a pointer element, and whether a value counts as nil.
    static QVariant PointerValue(const void* pointer);
    static bool IsNilValue(const QVariant& value);

    void Initialize() override;
    void CopyInstanceVariables(TObject* source) override;
    void Show() const;

    // The underlying list and its shape.
    qint64 Count() const { return m_values.size(); }
    qint64 Limit() const { return Count() - 1; }
    CFRange Range() const { return CFRange{0, Count()}; }
    const QVariantList& CFType() const { return m_values; }
    bool HasPlatformArray() const { return m_hasArray; }
    const TArrayCallBacks& CallBacks() const { return m_callbacks; }

    // Reading.
    TArrayValue GetValue(qint64 index) const;
    TArrayValue GetFirstValue() const { return GetValue(0); }
    TArrayValue GetLastValue() const { return GetValue(Limit()); }
    qint64 GetFirstIndex(const QVariant& value) const;
    qint64 GetFirstIndex(const void* value) const { return GetFirstIndex(PointerValue(value)); }
    qint64 GetIndex(const QVariant& value) const { return GetFirstIndex(value); }
    qint64 GetIndex(const void* value) const { return GetFirstIndex(value); }
    qint64 GetLastIndex(const QVariant& value) const;
    qint64 GetLastIndex(const void* value) const { return GetLastIndex(PointerValue(value)); }
    bool ContainsValue(const QVariant& value) const { return GetFirstIndex(value) >= 0; }
    bool ContainsValue(const void* value) const { return GetFirstIndex(value) >= 0; }
    qint64 CountValues(const QVariant& value) const;
    qint64 CountValues(const void* value) const { return CountValues(PointerValue(value)); }

    // Changing.
    TArray* AppendValue(const QVariant& value);
    TArray* AppendValue(const void* value) { return AppendValue(PointerValue(value)); }
    void PrependValue(const QVariant& value) { InsertValue(0, value); }
    void PrependValue(const void* value) { InsertValue(0, value); }
    TArray* InsertValue(qint64 index, const QVariant& value);
    TArray* InsertValue(qint64 index, const void* value) { return InsertValue(index, PointerValue(value)); }
    TArray* InsertValue(const void* value, qint64 index) { return InsertValue(index, value); }
    void AppendArray(const TArray* other);
    void ReplaceValue(qint64 index, const QVariant& value);
    void ReplaceValue(qint64 index, const void* value) { ReplaceValue(index, PointerValue(value)); }
    void ExchangeValues(qint64 a, qint64 b);
    void RemoveValue(qint64 index);
    void RemoveValue(const void* value);
    void RemoveFirstValue() { RemoveValue(qint64(0)); }
    void RemoveLastValue() { RemoveValue(Limit()); }
    void RemoveValuesInArray(const TArray* other);
    void RemoveAllValues();
    void Reverse();
    // Moves one element: a target past the end appends, one below 0 prepends.
    virtual void Reorder(qint64 fromIndex, qint64 toIndex);

    // Sorting (stable).
    virtual int HandleSort(const QVariant& a, const QVariant& b) const;
    void Sort();
    void Sort(Comparator comparator, void* context = nullptr);
    void SortWithStrings();
    void SortWithURLs();

    // Enumeration: range-for and the array's own cursor. ForIndex is the index of the current
    // element of the innermost range-for loop still running (of the last enumerator step outside
    // any loop), so nested loops each keep their own.
    TArrayEnumerator GetEnumerator() const { return TArrayEnumerator(this); }
    static qint64 ForIndex();
    bool Enumerate();
    bool Enumerate(TArrayValue* value);
    TArrayValue GetNextValue() const { return GetValue(m_enumerationIndex - 1); }
    qint64 GetEnumerationIndex() const { return m_enumerationIndex - 1; }
    void ResetEnumeration() { m_enumerationIndex = 0; }

    // A loop's position; it stays in place while the loop runs, so it cannot be copied.
    class iterator {
    public:
        iterator(const TArray* array, bool atEnd);
        ~iterator();
        iterator(const iterator&) = delete;
        iterator& operator=(const iterator&) = delete;
        TArrayValue operator*() const { return m_enumerator.Current; }
        iterator& operator++() {
            m_valid = m_enumerator.MoveNext();
            return *this;
        }
        bool operator!=(const iterator& other) const { return m_valid != other.m_valid; }

    private:
        TArrayEnumerator m_enumerator;
        bool m_valid;
    };
    iterator begin() const { return iterator(this, false); }
    iterator end() const { return iterator(this, true); }

    // A copy of this array, of the same class, with the value appended; autoreleased.
    TArray* ArrayByAddingValue(const QVariant& value) const;
    TArray* ArrayByAddingValue(const void* value) const { return ArrayByAddingValue(PointerValue(value)); }

protected:
    TArray() = default;
    void Deallocate() override;

    // Makes the list with the callbacks, unless one is already set.
    void MakePlatformArray(const TArrayCallBacks& callbacks);
    void AdoptValues(const QVariantList& values, const TArrayCallBacks& callbacks);
    void SetCapacity(qint64 capacity) { m_capacity = capacity; }

    // Construction helpers behind the typed constructors of each kind.
    static TArray* MakeWithCapacity(TObjectClass cls, qint64 capacity);
    static TArray* MakeWithList(TObjectClass cls, const QVariantList& values,
                                const TArrayCallBacks* callbacks);
    static TArray* MakeWithArray(TObjectClass cls, const TArray* other);
    static TArray* MakeWithCallBacks(TObjectClass cls, const TArrayCallBacks& callbacks);
    static TArray* MakeWithValues(TObjectClass cls, const QVariantList& values);

    bool ValuesEqual(const QVariant& a, const QVariant& b) const;
    void RetainValue(const QVariant& value) const;
    void ReleaseValue(const QVariant& value) const;

    QVariantList m_values;
    TArrayCallBacks m_callbacks;

private:
    bool m_hasArray = false;
    qint64 m_enumerationIndex = 0;
    qint64 m_capacity = 0;
};

// The typed constructors of one kind of array (each ends with the class's Initialize).
#define T_ARRAY_CONSTRUCTORS(Class)                                                                          \
public:                                                                                                      \
    static Class* CreateWithCapacity(qint64 capacity) {                                                      \
        return static_cast<Class*>(MakeWithCapacity(StaticClass(), capacity));                               \
    }                                                                                                        \
    /* A copy of a list of elements, each retained again by the class's callbacks. */                        \
    static Class* CreateWithList(const QVariantList& values) {                                               \
        return static_cast<Class*>(MakeWithList(StaticClass(), values, nullptr));                            \
    }                                                                                                        \
    /* A copy of another array's elements, with that array's callbacks. */                                   \
    static Class* CreateWithArray(const TArray* other) {                                                     \
        return static_cast<Class*>(MakeWithArray(StaticClass(), other));                                     \
    }                                                                                                        \
    static Class* CreateWithCallBacks(const TArrayCallBacks& callbacks) {                                    \
        return static_cast<Class*>(MakeWithCallBacks(StaticClass(), callbacks));                             \
    }                                                                                                        \
    static Class* CreateWithValues(std::initializer_list<const void*> pointers) {                            \
        QVariantList values;                                                                                 \
        for (const void* p : pointers) values.append(PointerValue(p));                                       \
        return static_cast<Class*>(MakeWithValues(StaticClass(), values));                                   \
    }                                                                                                        \
    static Class* CreateWithValues(const QVariantList& values) {                                             \
        return static_cast<Class*>(MakeWithValues(StaticClass(), values));                                   \
    }                                                                                                        \
    static Class* ArrayWithArray(const TArray* other) {                                                      \
        Class* array = CreateWithArray(other);                                                               \
        array->Autorelease();                                                                                \
        return array;                                                                                        \
    }                                                                                                        \
    static Class* ArrayWithValue(const QVariant& value) {                                                    \
        return ArrayWithValues(QVariantList{value});                                                         \
    }                                                                                                        \
    static Class* ArrayWithValue(const void* value) {                                                        \
        return ArrayWithValues(QVariantList{PointerValue(value)});                                           \
    }                                                                                                        \
    static Class* ArrayWithValues(std::initializer_list<const void*> pointers) {                             \
        Class* array = CreateWithValues(pointers);                                                           \
        array->Autorelease();                                                                                \
        return array;                                                                                        \
    }                                                                                                        \
    static Class* ArrayWithValues(const QVariantList& values) {                                              \
        Class* array = CreateWithValues(values);                                                             \
        array->Autorelease();                                                                                \
        return array;                                                                                        \
    }                                                                                                        \
                                                                                                             \
private:

// TObject elements, retained on insertion and released on removal; copies deeply; archives each
// element as a nested archive under "system.objects". An archived element whose class cannot be
// made is kept as its archive, in its place, and written back unchanged.
class TObjectArray : public TArray {
    T_OBJECT(TObjectArray, TArray)
    T_ARRAY_CONSTRUCTORS(TObjectArray)
public:
    static const TArrayCallBacks& ObjectCallBacks();

    void Initialize() override;
    void CopyInstanceVariables(TObject* source) override;
    void EncodeData(TArchiver* archiver) override;
    void DecodeData(TArchiver* archiver) override;
    void Reorder(qint64 fromIndex, qint64 toIndex) override;
    void Show() const;

    TObject* GetObjectValue(qint64 index) const { return GetValue(index); }
    // Archives of elements that could not be made, kept for the next save.
    qint64 KeptArchiveCount() const { return static_cast<qint64>(m_kept.size()); }

    using TArray::begin;
    using TArray::end;

protected:
    TObjectArray() = default;
    void Deallocate() override;

private:
    struct KeptArchive {
        quint64 after; // serial of the element it followed; 0 for the start
        QVariant archive;
    };
    std::vector<KeptArchive> m_kept;
};

// Plain values (booleans, strings, numbers, data) with typed accessors; archives as a list of values.
class TTypeArray : public TArray {
    T_OBJECT(TTypeArray, TArray)
    T_ARRAY_CONSTRUCTORS(TTypeArray)
public:
    static const TArrayCallBacks& TypeCallBacks();

    void Initialize() override;
    void EncodeData(TArchiver* archiver) override;
    void DecodeData(TArchiver* archiver) override;

    void AppendBooleanValue(bool value) { AppendValue(QVariant(value)); }
    void InsertBooleanValue(qint64 index, bool value) { InsertValue(index, QVariant(value)); }
    void AppendStringValue(const QString& value) { AppendValue(QVariant(value)); }
    void InsertStringValue(qint64 index, const QString& value) { InsertValue(index, QVariant(value)); }
    void AppendIntegerValue(qint32 value) { AppendValue(QVariant(value)); }
    void InsertIntegerValue(qint64 index, qint32 value) { InsertValue(index, QVariant(value)); }
    void AppendDataValue(const QByteArray& bytes) { AppendValue(QVariant(bytes)); }
    void InsertDataValue(qint64 index, const QByteArray& bytes) { InsertValue(index, QVariant(bytes)); }

    QVariant GetTypeValue(qint64 index) const { return GetValue(index); }
    bool GetBooleanValue(qint64 index) const;
    QString GetStringValue(qint64 index) const;
    qint32 GetIntegerValue(qint64 index) const;
    bool GetDataValue(qint64 index, QByteArray* bytes) const;
    bool GetNextBooleanValue() const { return GetBooleanValue(GetEnumerationIndex()); }
    QString GetNextStringValue() const { return GetStringValue(GetEnumerationIndex()); }
    qint32 GetNextIntegerValue() const { return GetIntegerValue(GetEnumerationIndex()); }
    bool GetNextDataValue(QByteArray* bytes) const { return GetDataValue(GetEnumerationIndex(), bytes); }

protected:
    TTypeArray() = default;
};

// Raw pointers, neither retained nor released; equal by identity.
class TReferenceArray : public TArray {
    T_OBJECT(TReferenceArray, TArray)
    T_ARRAY_CONSTRUCTORS(TReferenceArray)
public:
    static const TArrayCallBacks& ReferenceCallBacks();
    void Initialize() override;

protected:
    TReferenceArray() = default;
};

// Comparison routines of the array unit.
namespace ArrayUnit {
int CFArrayComparatorSortString(const QVariant& a, const QVariant& b, void* context);
int CFArrayComparatorSortURL(const QVariant& a, const QVariant& b, void* context);
int ArrayHandleSort(const QVariant& a, const QVariant& b, void* array); // the array's HandleSort
} // namespace ArrayUnit
