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

    TObject* wrappedObject() const { return m_object; }
    template <class T> T* wrapped() const {
        return MemberOfClass(m_object, T::StaticClass()) ? static_cast<T*>(m_object) : nullptr;
    }
    bool isWeakReference() const { return m_weak; }
    bool isWrappedObjectMember(TObjectClass cls) const { return MemberOfClass(m_object, cls); }
    // A copy is always strong.
    NSObjectWrapperPtr copy() const { return wrapperWithObject(m_object); }

    // The archived form: this process's token and the object's identity, never an address.
    QByteArray encode() const;
    // A strong wrapper of the named object; null when the payload comes from another process, is
    // malformed, or names an object that is gone.
    static NSObjectWrapperPtr decode(const QByteArray& payload);

    // User info holding a strong wrapper of the object under the key, and the way back.
    static QVariantMap userObject(TObject* object, const QString& key);
    static TObject* objectForKey(const Notification& notification, const QString& key);

private:
    friend class TObject;
    NSObjectWrapper(TObject* object, bool weak);
    void objectGone() { m_object = nullptr; }
    static void forgetLiveObject(TObject* object);

    TObject* m_object;
    bool m_weak;
};

Q_DECLARE_METATYPE(NSObjectWrapperPtr)
