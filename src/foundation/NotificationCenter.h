#pragma once

#include "Array.h"
#include "Dictionary.h"

#include <functional>

class NotificationCenter;
struct Notification;
class TNotification;

// What every notice class has (this centre's TNotification and the responders' one): the keys
// "notification" (the name it was posted under) and "value" (the associated value; an object as a
// pointer value, which never leaves the process), the factories, and the object the notice was
// posted for. Self is a TTypeDictionary.
template <class Self> class TNoticeShape {
public:
    static inline const QString kNameKey = QStringLiteral("notification");
    static inline const QString kValueKey = QStringLiteral("value");

    static Self* Create(TObject* object) {
        Self* notification = Self::Create();
        notification->SetPointerValue(kValueKey, object);
        return notification;
    }
    // Autoreleased notifications.
    static Self* Notification(const QString& name, const QVariant& value) {
        Self* notification = Self::Create();
        notification->SetStringValue(kNameKey, name);
        notification->SetValue(kValueKey, value);
        notification->Autorelease();
        return notification;
    }
    static Self* Notification(const QString& name, TObject* object) {
        Self* notification = Create(object);
        notification->SetStringValue(kNameKey, name);
        notification->Autorelease();
        return notification;
    }
    static Self* Notification(TObject* object) {
        Self* notification = Create(object);
        notification->Autorelease();
        return notification;
    }

    QString GetName() const { return self()->GetStringValue(kNameKey); }
    const void* GetObject() const { return m_object; }
    void SetObject(const void* object) { m_object = object; }
    TObject* GetObjectValue() const { return static_cast<TObject*>(self()->GetPointerValue(kValueKey)); }
    QVariant GetTypeValue() const { return self()->GetValue(kValueKey); }

private:
    const Self* self() const { return static_cast<const Self*>(this); }
    const void* m_object = nullptr;
};

// A notice as an observer receives it: a typed dictionary rebuilt from the posted user info, of the
// class the poster used, with the object it was posted for. kNotificationKey holds the class name of
// a posted TNotification.
class TNotification : public TTypeDictionary, public TNoticeShape<TNotification> {
    T_OBJECT(TNotification, TTypeDictionary)
public:
    using TNoticeShape::Create;
    static inline const QString kNotificationKey =
        QStringLiteral("com.brasswick.TNotification.notificationKey");

protected:
    TNotification() = default;
};

// One registration: the observer (not retained), the action and the observed name.
class TNotificationHandler : public TObject {
    T_OBJECT(TNotificationHandler, TObject)
public:
    using Action = std::function<void(TNotification*)>;
    static TNotificationHandler* Create(Action action, TObject* target, const QString& name);

    const Action& GetAction() const { return m_action; }
    TObject* GetTarget() const { return m_target; }
    void ClearTarget() { m_target = nullptr; }
    QString GetNotification() const { return m_name; }
    // Where the registration was made, so removal reaches it after SetNotificationCenter.
    void SetRegistration(NotificationCenter* center, quint64 id) {
        m_center = center;
        m_registration = id;
    }
    NotificationCenter* GetRegisteredCenter() const { return m_center; }
    quint64 GetRegistration() const { return m_registration; }

protected:
    TNotificationHandler() = default;
    void Deallocate() override;

private:
    Action m_action;
    TObject* m_target = nullptr;
    QString m_name;
    NotificationCenter* m_center = nullptr;
    quint64 m_registration = 0;
};

// Lets program objects observe and post named notices on a platform centre. The shared centre works
// on the process's default centre, so its notices reach every observer of that centre and the other
// way round. Delivery is synchronous; an action may remove itself or other observers, or post.
class TNotificationCenter : public TObject {
    T_OBJECT(TNotificationCenter, TObject)
public:
    using Action = TNotificationHandler::Action;

    static TNotificationCenter* DefaultCenter();

    void Initialize() override;
    virtual NotificationCenter* GetNotificationCenter() const { return m_center; }
    // Later registrations go to the given centre; earlier ones stay where they were made.
    void SetNotificationCenter(NotificationCenter* center) { m_center = center; }

    // Registers the action for the name; a null object observes every sender. Observing a name
    // twice registers twice. An empty name registers nothing. The observer's last Release ends its
    // registrations.
    void ObserveNotification(TObject* observer, const QString& name, Action action,
                             const void* object = nullptr);
    template <class T>
    void ObserveNotification(T* observer, const QString& name, void (T::*method)(TNotification*),
                             const void* object = nullptr) {
        ObserveNotification(
            observer, name, [observer, method](TNotification* n) { (observer->*method)(n); }, object);
    }
    // Removes every registration of the observer for the name (any object).
    void RemoveObserver(TObject* observer, const QString& name);
    void RemoveEveryObserver(TObject* observer);
    // RemoveEveryObserver on every centre alive; an observer's last Release does this.
    static void RemoveFromEveryCenter(TObject* observer);
    bool IsObserving(TObject* observer, const QString& name) const;

    // Posts synchronously. A TTypeDictionary user info gets the name under "notification", a
    // TNotification also its class name; the caller's object keeps those keys.
    void PostNotification(const QString& name, const void* object = nullptr, TDictionary* userInfo = nullptr);
    void PostNotification(const QString& name, TDictionary* userInfo) {
        PostNotification(name, nullptr, userInfo);
    }
    void PostNotification(TNotification* notification);

    qint64 HandlerCount() const { return m_handlers ? m_handlers->Count() : 0; }

protected:
    TNotificationCenter() = default;
    void Deallocate() override;
    void Unregister(TNotificationHandler* handler);

    NotificationCenter* m_center = nullptr;
    TObjectArray* m_handlers = nullptr;
};

// The same on the cross-process centre: notices posted here are also sent to the other processes of
// the session over D-Bus, and theirs are delivered here. Only the name and the user info's plain
// property-list values travel, never an object or an address; a payload over kMaxPayloadBytes is
// refused unread. Notices that observers post while a remote one is delivered go out too; the remote
// one itself is not sent back. Without a session bus it works locally and says so once.
class TDistributedNotificationCenter : public TNotificationCenter {
    T_OBJECT(TDistributedNotificationCenter, TNotificationCenter)
public:
    static constexpr qsizetype kMaxPayloadBytes = 64 * 1024;

    static TDistributedNotificationCenter* DefaultCenter();
    void Initialize() override;
    bool IsConnected() const;

protected:
    TDistributedNotificationCenter() = default;
};

// The posting and rebuilding both notice classes share (this one's and the responders').
namespace NotificationCenterUnit {
// Posts on the centre at once. A TTypeDictionary user info gets the name under "notification", a
// member of noticeClass also its class name under classKey.
void PostUserInfo(NotificationCenter* center, const QString& name, const void* object, TDictionary* userInfo,
                  TObjectClass noticeClass, const QString& classKey);
// A notice object rebuilt from a posted notice, owned by the caller: of the registered class named under
// classKey when it descends from noticeClass, else of noticeClass; holding a copy of the user info, or
// the name alone when there is none. Its object field is left to the caller.
TTypeDictionary* CopyNotice(const ::Notification& notice, TObjectClass noticeClass, const QString& classKey);
} // namespace NotificationCenterUnit
