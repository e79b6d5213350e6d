#pragma once

#include "Object.h"

#include <QByteArray>
#include <QMetaType>
#include <QVariantMap>
#include <memory>

struct Notification;

// Carries one TObject through Qt (represented objects, item data, pasteboard payloads). A strong
// wrapper holds one reference to its object; a weak one holds none and is cleared when the object
// goes away. Shared ownership of the wrapper itself is by NSObjectWrapperPtr.
class NSObjectWrapper {
public:
    static NSObjectWrapperPtr wrapperWithObject(TObject* object);
    static NSObjectWrapperPtr wrapperWithWrapper(const NSObjectWrapper& other);
    static NSObjectWrapperPtr weakWrapperWithObject(TObject* object);

    ~NSObjectWrapper();
    NSObjectWrapper(const NSObjectWrapper&) = delete;
    NSObjectWrapper& operator=(const NSObjectWrapper&) = delete;

    // The object; null once a weak wrapper's object has gone.
    TObject* wrappedObject() const { return m_weak ? (m_slot ? *m_slot : nullptr) : m_object; }
    template <class T> T* wrapped() const {
        TObject* object = wrappedObject();
        return MemberOfClass(object, T::StaticClass()) ? static_cast<T*>(object) : nullptr;
    }
    bool isWeakReference() const { return m_weak; }
    bool isWrappedObjectMember(TObjectClass cls) const { return MemberOfClass(wrappedObject(), cls); }
    // A copy is always strong.
    NSObjectWrapperPtr copy() const { return wrapperWithObject(wrappedObject()); }

    // The archived form: this process's token and the object's identity, never an address.
    QByteArray encode() const;
    // A strong wrapper of the named object; null when the payload comes from another process, is
    // malformed, or names an object that is gone.
    static NSObjectWrapperPtr decode(const QByteArray& payload);
    // What tells this running process apart in payloads: random, made once per process.
    static QByteArray processToken();

    // User info holding a strong wrapper of the object under the key, and the way back.
    static QVariantMap userObject(TObject* object, const QString& key);
    static TObject* objectForKey(const Notification& notification, const QString& key);

private:
    friend class TObject;
    NSObjectWrapper(TObject* object, bool weak);
    // This wrapper lets go of its object (the object's other weak wrappers keep it).
    void objectGone() {
        m_object = nullptr;
        m_slot.reset();
    }
    static void forgetLiveObject(TObject* object);

    TObject* m_object = nullptr;      // a strong wrapper's object
    std::shared_ptr<TObject*> m_slot; // a weak wrapper's: the object's slot, null once it went
    bool m_weak;
};

Q_DECLARE_METATYPE(NSObjectWrapperPtr)
