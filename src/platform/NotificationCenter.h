#pragma once

#include <QString>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <vector>

// A posted notice: a name, the object it concerns (may be null) and a user-info dictionary.
struct Notification {
    QString name;
    const void* object = nullptr;
    QVariantMap userInfo;
};

// The process's one default notification centre. Posting is synchronous; observers are
// identified by an owner pointer and removed by it. An observer may remove itself or others,
// or post, from inside a delivery.
class NotificationCenter {
public:
    using Callback = std::function<void(const Notification&)>;

    static NotificationCenter& defaultCenter();

    NotificationCenter() = default;
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // An empty name matches every name; a null object matches every object.
    // Returns an id that removeObserver(id) takes.
    quint64 addObserver(const void* owner, const QString& name, const void* object, Callback callback);

    void removeObserver(quint64 id);
    void removeObserver(const void* owner);
    // Removes the owner's registrations for that name (empty: any) and object (null: any).
    void removeObserver(const void* owner, const QString& name, const void* object);

    void post(const Notification& notification);
    void post(const QString& name, const void* object = nullptr, const QVariantMap& userInfo = {});

    int observerCount() const;

private:
    struct Entry {
        quint64 id;
        const void* owner;
        QString name;
        const void* object;
        Callback callback;
        std::shared_ptr<bool> alive;
    };
    void removeWhere(const std::function<bool(const Entry&)>& match);

    std::vector<Entry> m_entries;
    quint64 m_nextId = 1;
};
