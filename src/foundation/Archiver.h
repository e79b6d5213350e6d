#pragma once

#include "platform/CoreTypes.h"
#include "platform/PlistCodec.h"

#include <QByteArray>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

// The keyed archive every model object stores itself in: one dictionary of property-list values,
// written as an XML property list. Nested objects are nested dictionaries; a collection is a list
// of nested dictionaries under "system.objects".
//
// A nested archive stored with SetArchive or AppendArchive is shared with the child archiver, so a
// later change through the child shows in the parent. Every value handed out is a plain Qt value.
// An archive is never stored inside itself (directly or further down): such a loop could be neither
// written nor freed, so SetArchive and AppendArchive store nothing then.
class TArchiver {
public:
    static inline const QString kClassKey = QStringLiteral("system.class");
    static inline const QString kObjectPropertiesKey = QStringLiteral("system.objectProperties");
    static inline const QString kObjectsKey = QStringLiteral("system.objects");

    // Construction; the creator frees the archiver with Release().
    static TArchiver* Create();
    static TArchiver* CreateWithDictionary(const QVariantMap& dictionary);
    static TArchiver* CreateWithXMLData(const QByteArray& data);
    static TArchiver* CreateWithPath(const QString& path);
    static TArchiver* CreateWithFile(const FSRef& file);
    void Release();

    TArchiver();
    ~TArchiver();
    TArchiver(const TArchiver&) = delete;
    TArchiver& operator=(const TArchiver&) = delete;

    // Files. Load: 0, or -1 when the file cannot be read (contents kept) or does not hold a
    // dictionary property list (contents emptied). Save: 0 written, -1 write failed (the old file
    // is left whole), -2 no XML bytes, -3 the path is unusable. Every save is atomic. A path given
    // as characters is a path: no pointer turns into the Boolean of Save(bool).
    int Load();
    int Save(const QString& path, bool atomically);
    int Save(const QString& path);
    int Save(const char* path);
    template <typename T> int Save(const T*) = delete;
    int Save();
    int Save(bool atomically);
    int Save(const FSRef& file);
    // Written from the dictionary in place, nested archives included; null when the dictionary
    // cannot be serialised.
    QByteArray CopyXMLData() const;
    // The same as a binary property list (dates finer than a millisecond kept exactly).
    QByteArray CopyBinaryData() const;
    void SetPath(const QString& path);
    QString GetPath() const { return m_path; }
    FSRef GetFile() const;

    // Plain keys. A GetValue key beginning with "/" is a path through nested dictionaries and
    // "system.objects" indices ("/system.objects/2/title").
    void SetValue(const QString& key, const QVariant& value);
    QVariant GetValue(const QString& key) const;
    QVariant CopyValue(const QString& key) const { return GetValue(key); }
    bool ContainsKey(const QString& key) const;
    void Remove(const QString& key);
    qint64 Count() const;
    QVariantMap CFType() const; // the whole dictionary
    QStringList Keys() const;
    // The value under the key itself (a key beginning with "/" names no path here).
    QVariant GetKeyValue(const QString& key) const;
    // The value under the key itself when it is a plain one (no dictionary or list); otherwise an invalid
    // value, at no cost for what the key holds.
    QVariant GetPlainValue(const QString& key) const;
    // Each key with its value as stored (a nested archive not resolved), in key order; one pass
    // where looking every key up would cost a search each.
    void
    ForEachStoredValue(const std::function<void(const QString& key, const QVariant& stored)>& visit) const;
    void Show() const;
    void SetContext(void* context) { m_context = context; }
    void* GetContext() const { return m_context; }

    // Typed values.
    void SetBooleanValue(const QString& key, bool value);
    bool GetBooleanValue(const QString& key) const;
    void SetIntegerValue(const QString& key, qint32 value);
    qint32 GetIntegerValue(const QString& key) const;
    void SetFloatValue(const QString& key, float value);
    float GetFloatValue(const QString& key) const;
    void SetStringValue(const QString& key, const QString& value);
    QString GetStringValue(const QString& key) const;
    QString CopyStringValue(const QString& key) const { return GetStringValue(key); }
    QString CopyMutableStringValue(const QString& key) const { return GetStringValue(key); }
    void SetDataValue(const QString& key, const QByteArray& bytes);
    bool GetDataValue(const QString& key, QByteArray* bytes) const;
    void SetImageValue(const QString& key, const QImage& image);
    QImage CopyImageValue(const QString& key) const;
    void SetPointValue(const QString& key, const QPointF& point);
    QPointF GetPointValue(const QString& key) const;
    void SetSizeValue(const QString& key, const QSizeF& size);
    QSizeF GetSizeValue(const QString& key) const;
    void SetRectValue(const QString& key, const QRectF& rect);
    QRectF GetRectValue(const QString& key) const;
    void SetRangeValue(const QString& key, const CFRange& range);
    CFRange GetRangeValue(const QString& key) const;
    void SetColorValue(const QString& key, const ATSURGBAlphaColor& color);
    ATSURGBAlphaColor GetColorValue(const QString& key) const;
    bool IsStringValue(const QString& key) const;
    bool IsNumberValue(const QString& key) const;
    bool IsDataValue(const QString& key) const;

    // Nested archives and the object list.
    void SetArchive(const QString& key, TArchiver* archive);
    TArchiver* CopyArchive(const QString& key) const; // owned by the caller; null when not a dictionary
    void AppendArchive(TArchiver* archive);
    TArchiver* CopyArchive(qint64 index) const; // element of "system.objects"; null when none
    qint64 Limit() const;                       // last index of "system.objects"; -1 without it
    void SetIndexedValue(const QVariantList& values);
    QVariantList GetIndexedObjects() const;
    bool HasIndexedObjects() const { return ContainsKey(kObjectsKey); }
    QVariant GetIndexedValue(qint64 index) const;
    void RemoveArchivedObjects();

private:
    using Dict = std::shared_ptr<QVariantMap>;
    explicit TArchiver(Dict dictionary, void* context);
    QVariant rawValue(const QString& key) const; // path-resolved, links not yet resolved
    QByteArray encoded(PlistCodec::Format format) const;
    QVariant elementAt(qint64 index) const;
    TArchiver* archiveOver(const QVariant& value) const;
    bool wouldHoldItself(const TArchiver* archive) const; // storing archive here makes a loop

    Dict m_dict;
    void* m_context = nullptr;
    QString m_path;
};

// A picture kept as its encoded bytes (PNG, or as read from a file) and decoded only when asked for,
// so a picture that is seldom drawn costs its compressed size.
class EncodedImage {
public:
    void set(const QImage& image);
    void clear() { m_data.clear(); }
    bool isEmpty() const { return m_data.isEmpty(); }
    QImage image() const;
    // The key's bytes when they are a picture of a known format, else none.
    void read(const TArchiver* archiver, const QString& key);
    // The bytes under the key, or the key removed when there are none.
    void write(TArchiver* archiver, const QString& key) const;

private:
    QByteArray m_data;
};
