#include "NotificationCenter.h"

#include <algorithm>

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

quint64 NotificationCenter::addObserver(const void* owner, const QString& name, const void* object,
                                        Callback callback) {
    const quint64 id = m_nextId++;
    m_entries.push_back({id, owner, name, object, std::move(callback), std::make_shared<bool>(true)});
    return id;
}

void NotificationCenter::removeWhere(const std::function<bool(const Entry&)>& match) {
    auto it = std::remove_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) {
        if (!match(e)) return false;
        *e.alive = false;
        return true;
    });
    m_entries.erase(it, m_entries.end());
}

void NotificationCenter::removeObserver(quint64 id) {
    removeWhere([id](const Entry& e) { return e.id == id; });
}

void NotificationCenter::removeObserver(const void* owner) {
    removeWhere([owner](const Entry& e) { return e.owner == owner; });
}

void NotificationCenter::removeObserver(const void* owner, const QString& name, const void* object) {
    removeWhere([&](const Entry& e) {
        return e.owner == owner && (name.isEmpty() || e.name == name) && (!object || e.object == object);
    });
}

void NotificationCenter::post(const QString& name, const void* object, const QVariantMap& userInfo) {
    post(Notification{name, object, userInfo});
}

void NotificationCenter::post(const Notification& notification) {
    // Deliver to the observers registered when the post began, skipping any removed meanwhile.
    struct Target {
        Callback callback;
        std::shared_ptr<bool> alive;
    };
    std::vector<Target> targets;
    for (const Entry& e : m_entries) {
        if ((e.name.isEmpty() || e.name == notification.name) &&
            (!e.object || e.object == notification.object))
            targets.push_back({e.callback, e.alive});
    }
    for (const Target& t : targets) {
        if (*t.alive) t.callback(notification);
    }
}

int NotificationCenter::observerCount() const {
    return static_cast<int>(m_entries.size());
}
