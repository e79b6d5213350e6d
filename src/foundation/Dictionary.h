#pragma once

#include "Array.h"

#include <QString>
#include <QVariantMap>

// The keyed collection: a TObject owning one dictionary with string keys whose value callbacks say
// what a value is. TDictionary itself is abstract. Enumeration works on a snapshot of the keys and
// values taken when it starts (keys in sorted order): entries set or removed meanwhile change
// nothing in it.
//
// Archive key of the object and type kinds: "system.entries", a dictionary of the entries (an object's
// entry as its nested archive; values a property list cannot hold, such as pointers, are left out).
class TDictionary : public TObject {
    T_OBJECT(TDictionary, TObject)
public:
    static inline const QString kEntriesKey = QStringLiteral("system.entries");

    void Initialize() override;
    void CopyInstanceVariables(TObject* source) override;
    void Show() const;

    qint64 Count() const { return m_values.size(); }
    const QVariantMap& CFType() const { return m_values; }
    bool HasPlatformDictionary() const { return m_hasDictionary; }

    // Setting: SetValue replaces; AddValue stores only when the key is absent.
    void SetValue(const QString& key, const QVariant& value);
    void SetValue(const QString& key, const void* value) { SetValue(key, TArray::PointerValue(value)); }
    void AddValue(const QString& key, const QVariant& value);
    void AddValue(const QString& key, const void* value) { AddValue(key, TArray::PointerValue(value)); }
    // Stores the null value under the key when it is absent.
    void AddKey(const QString& key);

    TArrayValue GetValue(const QString& key) const;
    bool GetValueIfPresent(const QString& key, TArrayValue* value) const;
    bool ContainsKey(const QString& key) const { return m_values.contains(key); }
    bool ContainsValue(const QVariant& value) const;
    bool ContainsValue(const void* value) const { return ContainsValue(TArray::PointerValue(value)); }
    void Remove(const QString& key);
    void RemoveValue(const QString& key) { Remove(key); }
    void RemoveAll();

    // New arrays (owned by the caller) of the given array class holding all keys or all values;
    // null when the class is not an array class that can be made.
    TArray* CopyKeys(TObjectClass arrayClass) const;
    TArray* CopyValues(TObjectClass arrayClass) const;
    // A new dictionary (owned by the caller) over a copy of the dictionary stored under the key;
    // null when the key holds no dictionary.
    TDictionary* CopyDictionary(const QString& key) const;
    // Calls ApplierFunction once per entry.
    void ApplyFunction();
    virtual void ApplierFunction(const QString& key, const QVariant& value);
    // Writes the dictionary as an XML property list (atomically); 0, the write status, or -1 when
    // the path is unusable or the values make no property list.
    int Save(const QString& path) const;

    // Enumeration over a snapshot.
    bool Enumerate(TObjectClass valueClass);
    virtual bool Enumerate();
    QString GetNextKey() const;
    QString GetNextKeyType() const { return GetNextKey(); }
    TArrayValue GetNextValue() const;
    qint64 GetEnumerationIndex() const { return static_cast<qint64>(m_enumerationIndex) - 1; }
    void ResetEnumeration();

protected:
    TDictionary() = default;
    void Deallocate() override;

    void MakePlatformDictionary(const TArrayCallBacks& callbacks);
    void AdoptValues(const QVariantMap& values, const TArrayCallBacks& callbacks);
    static TDictionary* MakeWithDictionary(TObjectClass cls, const QVariantMap& values,
                                           const TArrayCallBacks* callbacks);

    void RetainValue(const QVariant& value) const;
    void ReleaseValue(const QVariant& value) const;

    QVariantMap m_values;
    TArrayCallBacks m_callbacks;

private:
    bool m_hasDictionary = false;
    TTypeArray* m_enumerationKeys = nullptr;
    TArray* m_enumerationValues = nullptr; // holds a reference to each object value meanwhile
    QVariantList m_enumerationSnapshot;    // the values, one per key
    quint32 m_enumerationIndex = 0;
};

#define T_DICTIONARY_CONSTRUCTORS(Class)                                                                     \
public:                                                                                                      \
    /* A copy of the given entries, each retained again by the class's callbacks. */                         \
    static Class* CreateWithDictionary(const QVariantMap& values) {                                          \
        return static_cast<Class*>(MakeWithDictionary(StaticClass(), values, nullptr));                      \
    }                                                                                                        \
    static Class* CreateWithCallBacks(const TArrayCallBacks& callbacks) {                                    \
        return static_cast<Class*>(MakeWithDictionary(StaticClass(), {}, &callbacks));                       \
    }                                                                                                        \
                                                                                                             \
private:

// TObject values, retained on insertion and released when replaced or removed. An archived entry
// whose class cannot be made is kept as its archive and written back unchanged while its key holds
// no value.
class TObjectDictionary : public TDictionary {
    T_OBJECT(TObjectDictionary, TDictionary)
    T_DICTIONARY_CONSTRUCTORS(TObjectDictionary)
public:
    static TObjectDictionary* DictionaryWithObject(const QString& key, TObject* object);
    void Initialize() override;
    void CopyInstanceVariables(TObject* source) override;
    void EncodeData(TArchiver* archiver) override;
    void DecodeData(TArchiver* archiver) override;
    bool Enumerate() override;
    using TDictionary::Enumerate;

    bool ContainsObject(const TObject* object) const { return ContainsValue(object); }
    TObject* GetObjectValue(const QString& key) const { return GetValue(key); }
    // Autoreleased arrays of the values (a TObjectArray) and of the keys (a TTypeArray).
    TObjectArray* GetValues() const;
    TTypeArray* GetKeys() const;

protected:
    TObjectDictionary() = default;

private:
    QVariantMap m_kept; // key to the archive of an entry that could not be made
};

// Plain values (booleans, strings, numbers, data) with typed accessors, and pointers as pointer values,
// which never leave the process (no archive, no property list, no other process holds them).
class TTypeDictionary : public TDictionary {
    T_OBJECT(TTypeDictionary, TDictionary)
    T_DICTIONARY_CONSTRUCTORS(TTypeDictionary)
public:
    static TTypeDictionary* DictionaryWithValue(const QString& key, const QVariant& value);
    void Initialize() override;
    void EncodeData(TArchiver* archiver) override;
    void DecodeData(TArchiver* archiver) override;

    void SetBooleanValue(const QString& key, bool value) { SetValue(key, QVariant(value)); }
    void AddBooleanValue(const QString& key, bool value) { AddValue(key, QVariant(value)); }
    void SetStringValue(const QString& key, const QString& value) { SetValue(key, QVariant(value)); }
    void AddStringValue(const QString& key, const QString& value) { AddValue(key, QVariant(value)); }
    void SetIntegerValue(const QString& key, qint32 value) { SetValue(key, QVariant(value)); }
    void AddIntegerValue(const QString& key, qint32 value) { AddValue(key, QVariant(value)); }
    void SetFloatValue(const QString& key, double value) { SetValue(key, QVariant(value)); }
    void SetDataValue(const QString& key, const QByteArray& bytes) { SetValue(key, QVariant(bytes)); }
    void AddDataValue(const QString& key, const QByteArray& bytes) { AddValue(key, QVariant(bytes)); }
    void SetPointerValue(const QString& key, const void* pointer);
    void AddPointerValue(const QString& key, const void* pointer);

    bool GetBooleanValue(const QString& key) const;
    qint32 GetIntegerValue(const QString& key) const;
    double GetFloatValue(const QString& key) const;
    QString GetStringValue(const QString& key) const;
    bool GetDataValue(const QString& key, QByteArray* bytes) const;
    void* GetPointerValue(const QString& key) const; // null unless SetPointerValue stored it
    QString CopyStringValue(const QString& key) const { return GetStringValue(key); }
    QString CopyMutableStringValue(const QString& key) const { return GetStringValue(key); }
    TTypeArray* CopyArray(const QString& key) const; // owned by the caller; null without a list
    QVariant CopyValue(const QString& key) const { return GetValue(key); }
    TTypeArray* GetKeys() const;   // autoreleased
    TTypeArray* GetValues() const; // autoreleased

    bool GetNextBooleanValue() const;
    qint32 GetNextIntegerValue() const;
    QString GetNextStringValue() const;
    bool GetNextDataValue(QByteArray* bytes) const;

    static bool ReadBoolean(const QVariant& value, bool present);
    static qint32 ReadInteger(const QVariant& value, bool present);
    static QString ReadString(const QVariant& value);

protected:
    TTypeDictionary() = default;
};

// Raw pointer values, neither retained nor released.
class TReferenceDictionary : public TDictionary {
    T_OBJECT(TReferenceDictionary, TDictionary)
    T_DICTIONARY_CONSTRUCTORS(TReferenceDictionary)
public:
    void Initialize() override;

protected:
    TReferenceDictionary() = default;
};

// A typed dictionary tied to a property-list file. Statuses: 0, -43 when the file is missing or
// does not parse, or the file system's error.
class TPropertyList : public TTypeDictionary {
    T_OBJECT(TPropertyList, TTypeDictionary)
public:
    // From XML text; empty when it does not parse.
    static TPropertyList* CreateWithXML(const QString& xml);
    static TPropertyList* CreateWithFile(const FSRef& file, int* status = nullptr);
    // Creates the named file in the folder when it is missing and starts empty.
    static TPropertyList* CreateInFolder(const QString& name, const FSRef& folder, int* status = nullptr);

    int Save() const { return Save(m_file); }
    int Save(const FSRef& file) const;
    int SaveAs(const QString& name, const FSRef& folder);
    FSRef GetFile() const { return m_file; }

protected:
    TPropertyList() = default;

private:
    FSRef m_file;
};

// File routines of the property list.
namespace DictionaryUnit {
bool FSRefExists(const FSRef& ref);
// Finds the file, or creates it empty; 0 or the file system's error (-43 without a folder).
int FSCreateFile(const QString& name, const FSRef& folder, FSRef* file);
QByteArray CFStringCopyBytes(const QString& s); // UTF-8; empty for an empty string
} // namespace DictionaryUnit
