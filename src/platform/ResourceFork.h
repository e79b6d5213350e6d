#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>
#include <optional>

// Resource Manager statuses.
namespace ResourceStatus {
enum : qint16 {
    noErr = 0,
    dskFulErr = -34, // the fork does not fit (the file system's attribute limit, at most 64 KiB)
    ioErr = -36,
    eofErr = -39, // the file has no fork
    fnfErr = -43,
    wPrErr = -44,
    dupFNErr = -48, // the file has a fork already
    paramErr = -50,
    permErr = -54,
    resNotFound = -192,
    resFNotFound = -193, // the file system keeps no extended attributes, or no fork is open
    addResFailed = -194,
    rmvResFailed = -196,
    mapReadErr = -199, // the stored fork is not a valid resource map
};
} // namespace ResourceStatus

// One resource: type, id, name (at most 255 bytes), attribute byte and data.
struct ResourceEntry {
    quint32 type = 0;
    qint16 id = 0;
    QByteArray name;
    quint8 attributes = 0;
    QByteArray data;
};

// A file's resource fork, kept in the extended attribute "user.com.apple.ResourceFork" in the classic
// layout (a 256-byte header area, the resources' data, the resource map). An open fork lives in
// memory; update() writes it back in one attribute write, so the stored fork is always whole. Forks
// are shared by file: opening one that is open gives the same fork, which closes (writing its
// changes) when the last holder lets go. Main thread only.
class ResourceFork {
public:
    static constexpr const char* kAttributeName = "user.com.apple.ResourceFork";

    ~ResourceFork();
    ResourceFork(const ResourceFork&) = delete;
    ResourceFork& operator=(const ResourceFork&) = delete;

    // Stores an empty fork for the file: 0, dupFNErr when it has one, or the file system's refusal.
    static qint16 create(const QString& path);
    // The file's fork, shared with its other holders; null and the status when it cannot be read.
    static std::shared_ptr<ResourceFork> open(const QString& path, qint16* status);
    // The file's fork when it is open; null otherwise.
    static std::shared_ptr<ResourceFork> find(const QString& path);

    // The resource file that is current, and making one current (reference numbers; 0 is none).
    static qint16 current();
    static void use(qint16 refNum);

    qint16 refNum() const { return m_refNum; }
    QString path() const { return m_path; }

    // Reading: null when absent.
    const ResourceEntry* get(quint32 type, qint16 id) const;
    const ResourceEntry* getNamed(quint32 type, const QByteArray& name) const;
    QList<qint16> ids(quint32 type) const; // in index order
    qint16 uniqueID(quint32 type) const;   // the lowest free id from 128

    // Changing: noErr, addResFailed (type and id taken, name over 255 bytes), resNotFound.
    qint16 add(const ResourceEntry& entry);
    qint16 setData(quint32 type, qint16 id, const QByteArray& data);
    qint16 remove(quint32 type, qint16 id);
    bool isChanged() const { return m_changed; }
    // Writes the fork when changed: noErr or the file system's refusal (the fork stays changed).
    qint16 update();

    // The classic layout; encode gives nothing when the resources exceed its limits, decode nothing
    // for bytes that are not a consistent resource map.
    static std::optional<QByteArray> encode(const QList<ResourceEntry>& entries, quint16 attributes = 0);
    static std::optional<QList<ResourceEntry>> decode(const QByteArray& bytes, quint16* attributes = nullptr);

private:
    ResourceFork(const QString& path, QList<ResourceEntry> entries, quint16 attributes);

    QString m_path;
    QList<ResourceEntry> m_entries;
    quint16 m_attributes = 0;
    qint16 m_refNum = 0;
    bool m_changed = false;
};
