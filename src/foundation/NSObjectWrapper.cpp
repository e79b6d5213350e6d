#include "NSObjectWrapper.h"

#include "platform/NotificationCenter.h"

#include <QDataStream>
#include <QHash>
#include <QIODevice>
#include <QUuid>

namespace {

const QByteArray kPayloadTag = QByteArrayLiteral("NSObjectWrapper/1");

// Objects whose identity has left the process in a payload, by serial. Never destroyed: objects
// still pending in the root autorelease pool at exit forget themselves here.
QHash<quint64, TObject*>& liveObjects() {
    static auto* objects = new QHash<quint64, TObject*>();
    return *objects;
}

} // namespace

QByteArray NSObjectWrapper::processToken() {
    static const QByteArray token = QUuid::createUuid().toRfc4122();
    return token;
}

NSObjectWrapper::NSObjectWrapper(TObject* object, bool weak) : m_weak(weak) {
    if (!object) return;
    if (m_weak) {
        if (!object->m_weakSlot) object->m_weakSlot = std::make_shared<TObject*>(object);
        m_slot = object->m_weakSlot;
    } else {
        m_object = object->Retain();
    }
}

NSObjectWrapper::~NSObjectWrapper() {
    if (m_object && !m_weak) m_object->Release();
}

NSObjectWrapperPtr NSObjectWrapper::wrapperWithObject(TObject* object) {
    return NSObjectWrapperPtr(new NSObjectWrapper(object, false));
}

NSObjectWrapperPtr NSObjectWrapper::wrapperWithWrapper(const NSObjectWrapper& other) {
    return wrapperWithObject(other.wrappedObject());
}

NSObjectWrapperPtr NSObjectWrapper::weakWrapperWithObject(TObject* object) {
    return NSObjectWrapperPtr(new NSObjectWrapper(object, true));
}

QByteArray NSObjectWrapper::encode() const {
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    TObject* object = wrappedObject();
    const quint64 serial = object ? object->GetSerial() : 0;
    if (object) {
        liveObjects().insert(serial, object);
        object->m_inLiveRegistry = true;
    }
    out << kPayloadTag << processToken() << serial;
    return payload;
}

NSObjectWrapperPtr NSObjectWrapper::decode(const QByteArray& payload) {
    QDataStream in(payload);
    QByteArray tag, token;
    quint64 serial = 0;
    in >> tag >> token >> serial;
    if (in.status() != QDataStream::Ok || tag != kPayloadTag || token != processToken()) return nullptr;
    TObject* object = liveObjects().value(serial);
    if (!object) return nullptr;
    return wrapperWithObject(object);
}

void NSObjectWrapper::forgetLiveObject(TObject* object) {
    liveObjects().remove(object->GetSerial());
}

QVariantMap NSObjectWrapper::userObject(TObject* object, const QString& key) {
    return QVariantMap{{key, QVariant::fromValue(wrapperWithObject(object))}};
}

TObject* NSObjectWrapper::objectForKey(const Notification& notification, const QString& key) {
    const QVariant value = notification.userInfo.value(key);
    if (!value.canConvert<NSObjectWrapperPtr>()) return nullptr;
    const NSObjectWrapperPtr wrapper = value.value<NSObjectWrapperPtr>();
    return wrapper ? wrapper->wrappedObject() : nullptr;
}
