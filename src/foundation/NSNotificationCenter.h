#pragma once

#include "Dictionary.h"

class NotificationCenter;
struct Notification;

// What a bridged action receives: a copy of the notice's user info with its name and object.
class TNSNotificationPrivate : public TTypeDictionary {
    T_OBJECT(TNSNotificationPrivate, TTypeDictionary)
    T_DICTIONARY_CONSTRUCTORS(TNSNotificationPrivate)
public:
    QString GetName() const { return m_name; }
    const void* GetObject() const { return m_object; }
    // The user-info value of the key; invalid when absent.
    QVariant GetObjectForKey(const QString& key) const { return CFType().value(key); }
    void SetNotice(const QString& name, const void* object) {
        m_name = name;
        m_object = object;
    }

protected:
    TNSNotificationPrivate() = default;

private:
    QString m_name;
    const void* m_object = nullptr;
};

// Routes the notices of platform centres to target/action pairs. One dispatcher is registered with a
// centre per observed name; the pairs of a name are called in the order they were added, each as
// action(target, TNSNotificationPrivate*). Targets are not retained: remove them before they go.
// Main thread only.
class TNSNotificationCenter {
public:
    using Action = TObject::MethodPointer;

    // A null centre is the default centre.
    static void observeNotification(NotificationCenter* center, const QString& name, TObject* target,
                                    Action action);
    // Removes the first pair of the name with that target; the dispatcher leaves the centre with the last.
    static void removeObserver(NotificationCenter* center, const QString& name, TObject* target);

    // The one dispatcher; made on first use.
    static TNSNotificationCenter& dispatchCenter();
    void dispatch(NotificationCenter* center, const ::Notification& notification);
};
