#pragma once

#include "Object.h"
#include "platform/CoreTypes.h"
#include "platform/ResourceFork.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

// Typed access to the resource fork of one file (platform/ResourceFork.h): values addressed by
// resource type and id, and named values of four types. Changes are kept in memory until Update,
// Close or the wrapper's release writes them. Statuses are ResourceStatus values; the typed setters
// and getters also leave theirs in CarbonUtilities::Err. Every operation works on this wrapper's own
// file, whichever resource file is current. Main thread only. Diagnostics: Diagnostics::line.
//
// Stored values: a Boolean as 1 byte, an integer as 4 bytes little-endian, text as UTF-8 (a named
// string as a length byte and at most 255 bytes, an id-based one as its bytes alone), data as given.
class TBinaryResource : public TObject {
    T_OBJECT(TBinaryResource, TObject)
public:
    static constexpr quint32 kBooleanType = FourCharCode("PBOL");
    static constexpr quint32 kIntegerType = FourCharCode("PINT");
    static constexpr quint32 kStringType = FourCharCode("PSTR");
    static constexpr quint32 kDataType = FourCharCode("PDTA");

    // Opens the file's fork (creating it when the file has none); status receives Open's result.
    static TBinaryResource* Create(const FSRef& file, qint32* status);

    virtual qint32 Synchronize() { return Update(); }
    virtual qint32 Open(const FSRef& file);
    // Writes the changes and closes; the resource file current before Open becomes current again.
    virtual qint32 Close();
    // Writes the changes; 0 or the file system's refusal.
    virtual qint32 Update();
    bool IsOpen() const { return m_fork != nullptr; }
    FSRef GetFile() const { return m_file; }
    qint16 GetReferenceNumber() const { return m_fork ? m_fork->refNum() : 0; }

    // Named values.
    virtual bool ContainsValue(const QString& name, quint32 type);
    // A string over 255 UTF-8 bytes is refused (paramErr) rather than cut.
    virtual void SetStringValue(const QString& name, const QString& value);
    virtual void SetIntegerValue(const QString& name, qint32 value);
    virtual void SetBooleanValue(const QString& name, bool value);
    virtual void SetDataValue(const QString& name, const QByteArray& data);
    virtual QString GetStringValue(const QString& name);
    virtual qint32 GetIntegerValue(const QString& name);
    virtual bool GetBooleanValue(const QString& name);
    // Copies at most length bytes and zero-fills the rest of the buffer.
    virtual void GetDataValue(const QString& name, void* buffer, qint32 length);
    virtual std::optional<QByteArray> CopyDataValue(const QString& name);

    // Values by type and id.
    virtual void SetStringValue(quint32 type, qint16 id, const QString& value);
    virtual void SetIntegerValue(quint32 type, qint16 id, qint32 value);
    virtual void SetBooleanValue(quint32 type, qint16 id, bool value);
    virtual void SetDataValue(quint32 type, qint16 id, const QByteArray& data);
    virtual QString GetStringValue(quint32 type, qint16 id);
    virtual qint32 GetIntegerValue(quint32 type, qint16 id);
    virtual bool GetBooleanValue(quint32 type, qint16 id);
    virtual void GetDataValue(quint32 type, qint16 id, void* buffer, qint32 length);

    // Resources. Write finds the resource by name when one is given, else by type and id; a new one
    // with id 0 gets a free id.
    virtual qint32 Write(const QByteArray& data, quint32 type, qint16 id, const QString& name);
    virtual std::optional<QByteArray> CopyIndexed(quint32 type, qint16 id);
    virtual std::optional<QByteArray> CopyNamed(quint32 type, const QString& name);
    // size receives the resource's size; at most length bytes (all for 0) go into the buffer when given.
    virtual qint32 GetIndexed(quint32 type, qint16 id, qint32 length, void* buffer, qint32* size);
    virtual qint32 GetNamed(quint32 type, const QString& name, qint32 length, void* buffer, qint32* size);
    virtual qint32 RemoveNamed(quint32 type, const QString& name);
    virtual qint32 Remove(quint32 type, qint16 id);
    virtual qint32 RemoveAll(quint32 type);

protected:
    TBinaryResource() = default;
    void Deallocate() override;

private:
    const ResourceEntry* FindNamed(quint32 type, const QString& name) const; // null for an empty name
    const ResourceEntry* FindIndexed(quint32 type, qint16 id) const;
    qint32 Read(const ResourceEntry* entry, qint32 length, void* buffer, qint32* size) const;
    std::optional<QByteArray> ReadValue(const ResourceEntry* entry) const;
    void WriteValue(const QByteArray& data, quint32 type, qint16 id, const QString& name);

    FSRef m_file;
    std::shared_ptr<ResourceFork> m_fork;
    qint16 m_previousFile = 0;
    bool m_restoresPrevious = false;
};
