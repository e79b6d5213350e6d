#include "NotificationCenter.h"

#include "platform/Diagnostics.h"
#include "platform/NotificationCenter.h"
#include "platform/PlistCodec.h"
#include "platform/VariantKinds.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <algorithm>
#include <vector>

// --- TNotificationHandler ------------------------------------------------------------------------

TNotificationHandler* TNotificationHandler::Create(Action action, TObject* target, const QString& name) {
    TNotificationHandler* handler = Create();
    handler->m_action = std::move(action);
    handler->m_target = target;
    handler->m_name = name;
    return handler;
}

void TNotificationHandler::Deallocate() {
    m_action = nullptr;
    m_name.clear();
    TObject::Deallocate();
}

// --- TNotificationCenter -------------------------------------------------------------------------

namespace {

bool descendsFrom(TObjectClass cls, TObjectClass base) {
    for (; cls; cls = cls->parent)
        if (cls == base) return true;
    return false;
}

// Hands a platform notice to a handler's action as a TNotification of the class the poster used.
void deliver(TNotificationHandler* handler, const ::Notification& notice) {
    if (!handler->GetTarget()) {
        Diagnostics::line(
            QStringLiteral("**** warning: NotificationToMethodCallback handler has nil target for ") +
            notice.name);
        return;
    }
    // The action may remove this very registration; the handler stays alive until it returns.
    Ref<TNotificationHandler> keep = Ref<TNotificationHandler>::retain(handler);
    auto* notification = static_cast<TNotification*>(NotificationCenterUnit::CopyNotice(
        notice, TNotification::StaticClass(), TNotification::kNotificationKey));
    notification->SetObject(notice.object);
    if (const auto& action = handler->GetAction()) action(notification);
    notification->Release();
}

// Every centre alive, so an observer that goes can leave them all. Never destroyed: objects may go
// while the program exits.
std::vector<TNotificationCenter*>& liveCenters() {
    static auto* centers = new std::vector<TNotificationCenter*>();
    return *centers;
}

} // namespace

namespace NotificationCenterUnit {

TTypeDictionary* CopyNotice(const ::Notification& notice, TObjectClass noticeClass, const QString& classKey) {
    if (notice.userInfo.isEmpty()) {
        auto* notification = static_cast<TTypeDictionary*>(TObject::AllocateOf(noticeClass));
        notification->Initialize();
        notification->SetStringValue(TNotification::kNameKey, notice.name);
        return notification;
    }
    TObjectClass cls = noticeClass;
    const QString className = notice.userInfo.value(classKey).toString();
    if (!className.isEmpty() && className != QLatin1String(noticeClass->name)) {
        if (ClassRegistered(className)) {
            // Only the notice class and its descendants can carry a notice; no other class is made.
            TObjectClass named = FindClass(className);
            if (named && named->allocate && descendsFrom(named, noticeClass)) cls = named;
        } else {
            FindClass(className); // says the class is not registered
        }
    }
    auto* notification = static_cast<TTypeDictionary*>(TObject::AllocateOf(cls));
    notification->Initialize();
    for (auto it = notice.userInfo.constBegin(); it != notice.userInfo.constEnd(); ++it)
        notification->SetValue(it.key(), it.value());
    // The name is the one the notice was posted under, whatever its user info says.
    if (notification->ContainsKey(TNotification::kNameKey))
        notification->SetStringValue(TNotification::kNameKey, notice.name);
    return notification;
}

void PostUserInfo(NotificationCenter* center, const QString& name, const void* object, TDictionary* userInfo,
                  TObjectClass noticeClass, const QString& classKey) {
    if (!center) return;
    if (!userInfo) {
        center->post(name, object);
        return;
    }
    Ref<TDictionary> keep = Ref<TDictionary>::retain(userInfo);
    if (userInfo->IsMember(TTypeDictionary::StaticClass()))
        static_cast<TTypeDictionary*>(userInfo)->SetStringValue(TNotification::kNameKey, name);
    if (userInfo->IsMember(noticeClass))
        static_cast<TTypeDictionary*>(userInfo)->SetStringValue(classKey, userInfo->ClassName());
    center->post(name, object, userInfo->CFType());
}

} // namespace NotificationCenterUnit

TNotificationCenter* TNotificationCenter::DefaultCenter() {
    // Made on first use and never released.
    static TNotificationCenter* center = Create();
    return center;
}

void TNotificationCenter::Initialize() {
    TObject::Initialize();
    if (!m_center) m_center = &NotificationCenter::defaultCenter();
    if (!m_handlers) m_handlers = TObjectArray::Create();
    auto& centers = liveCenters();
    if (std::find(centers.begin(), centers.end(), this) == centers.end()) centers.push_back(this);
}

void TNotificationCenter::RemoveFromEveryCenter(TObject* observer) {
    const std::vector<TNotificationCenter*> centers = liveCenters();
    for (TNotificationCenter* center : centers) center->RemoveEveryObserver(observer);
}

void TNotificationCenter::Deallocate() {
    auto& centers = liveCenters();
    centers.erase(std::remove(centers.begin(), centers.end(), this), centers.end());
    // Registrations must not outlive the handlers they call.
    if (m_handlers)
        for (qint64 i = 0; i < m_handlers->Count(); ++i)
            Unregister(static_cast<TNotificationHandler*>(m_handlers->GetObjectValue(i)));
    ReleaseObject(m_handlers);
    TObject::Deallocate();
}

void TNotificationCenter::ObserveNotification(TObject* observer, const QString& name, Action action,
                                              const void* object) {
    if (name.isEmpty() || !m_handlers) return;
    NotificationCenter* center = GetNotificationCenter();
    if (!center) return;
    if (observer) observer->m_observing = true;
    TNotificationHandler* handler = TNotificationHandler::Create(std::move(action), observer, name);
    m_handlers->AppendValue(handler);
    handler->Release();
    const quint64 id = center->addObserver(
        handler, name, object, [handler](const ::Notification& notice) { deliver(handler, notice); });
    handler->SetRegistration(center, id);
}

void TNotificationCenter::Unregister(TNotificationHandler* handler) {
    if (!handler) return;
    if (NotificationCenter* center = handler->GetRegisteredCenter())
        center->removeObserver(handler->GetRegistration());
}

void TNotificationCenter::RemoveObserver(TObject* observer, const QString& name) {
    if (!m_handlers) return;
    if (NotificationCenter* center = GetNotificationCenter()) center->removeObserver(observer, name, nullptr);
    std::vector<TNotificationHandler*> matches;
    for (qint64 i = 0; i < m_handlers->Count(); ++i) {
        auto* handler = static_cast<TNotificationHandler*>(m_handlers->GetObjectValue(i));
        if (handler->GetTarget() == observer && handler->GetNotification() == name)
            matches.push_back(handler);
    }
    for (TNotificationHandler* handler : matches) {
        Unregister(handler);
        m_handlers->RemoveValue(static_cast<const void*>(handler));
    }
}

void TNotificationCenter::RemoveEveryObserver(TObject* observer) {
    if (!m_handlers) return;
    std::vector<TNotificationHandler*> matches;
    for (qint64 i = 0; i < m_handlers->Count(); ++i) {
        auto* handler = static_cast<TNotificationHandler*>(m_handlers->GetObjectValue(i));
        if (handler->GetTarget() == observer) matches.push_back(handler);
    }
    for (TNotificationHandler* handler : matches) {
        Unregister(handler);
        m_handlers->RemoveValue(static_cast<const void*>(handler));
    }
}

bool TNotificationCenter::IsObserving(TObject* observer, const QString& name) const {
    if (!m_handlers) return false;
    for (qint64 i = 0; i < m_handlers->Count(); ++i) {
        auto* handler = static_cast<TNotificationHandler*>(m_handlers->GetObjectValue(i));
        if (handler->GetTarget() == observer && handler->GetNotification() == name) return true;
    }
    return false;
}

void TNotificationCenter::PostNotification(const QString& name, const void* object, TDictionary* userInfo) {
    NotificationCenterUnit::PostUserInfo(GetNotificationCenter(), name, object, userInfo,
                                         TNotification::StaticClass(), TNotification::kNotificationKey);
}

void TNotificationCenter::PostNotification(TNotification* notification) {
    if (!notification) return;
    PostNotification(notification->GetName(), notification->GetObject(), notification);
}

// --- TDistributedNotificationCenter --------------------------------------------------------------

namespace {

const QString kBusPath = QStringLiteral("/org/jobslate/Notifications");
const QString kBusInterface = QStringLiteral("org.jobslate.DistributedNotifications");
const QString kBusMember = QStringLiteral("Posted");

// The cross-process centre: a platform centre of its own, mirrored on the session bus.
class DistributedBridge : public QObject {
    Q_OBJECT
public:
    DistributedBridge() {
        QDBusConnection bus = QDBusConnection::sessionBus();
        m_connected = bus.isConnected() && bus.connect(QString(), kBusPath, kBusInterface, kBusMember, this,
                                                       SLOT(received(QString, QByteArray, QDBusMessage)));
        if (!m_connected) {
            Diagnostics::warning(
                QStringLiteral("no D-Bus session bus; distributed notifications stay in this process."));
            return;
        }
        // Everything posted here goes out to the other processes, except what came from them.
        center.addObserver(this, QString(), nullptr, [this](const ::Notification& notice) { send(notice); });
    }

    NotificationCenter center;
    bool connected() const { return m_connected; }

public slots:
    void received(const QString& name, const QByteArray& info, const QDBusMessage& message) {
        if (message.service() == QDBusConnection::sessionBus().baseService()) return;
        if (info.size() > TDistributedNotificationCenter::kMaxPayloadBytes) {
            reportOnce(&m_reportedOversize, QStringLiteral("a distributed notification over %1 bytes was "
                                                           "refused.")
                                                .arg(TDistributedNotificationCenter::kMaxPayloadBytes));
            return;
        }
        QVariantMap userInfo;
        if (!info.isEmpty()) userInfo = PlistCodec::decode(info).toMap();
        const ::Notification notice{name, nullptr, userInfo};
        const ::Notification* outer = m_relaying;
        m_relaying = &notice;
        center.post(notice);
        m_relaying = outer;
    }

private:
    void send(const ::Notification& notice) {
        // The remote notice being delivered is not sent back; what its observers post is.
        if (&notice == m_relaying) return;
        QByteArray info;
        const QVariantMap plain = VariantKinds::propertyListEntries(notice.userInfo);
        if (!plain.isEmpty() && !PlistCodec::encode(plain, &info)) info.clear();
        if (info.size() > TDistributedNotificationCenter::kMaxPayloadBytes) {
            reportOnce(&m_reportedOversize, QStringLiteral("a distributed notification over %1 bytes was "
                                                           "not sent.")
                                                .arg(TDistributedNotificationCenter::kMaxPayloadBytes));
            return;
        }
        QDBusMessage signal = QDBusMessage::createSignal(kBusPath, kBusInterface, kBusMember);
        signal << notice.name << info;
        QDBusConnection::sessionBus().send(signal);
    }

    static void reportOnce(bool* reported, const QString& text) {
        if (!*reported) Diagnostics::warning(text);
        *reported = true;
    }

    bool m_connected = false;
    bool m_reportedOversize = false;
    const ::Notification* m_relaying = nullptr; // the remote notice being posted here
};

DistributedBridge& bridge() {
    static DistributedBridge* instance = new DistributedBridge();
    return *instance;
}

} // namespace

TDistributedNotificationCenter* TDistributedNotificationCenter::DefaultCenter() {
    static TDistributedNotificationCenter* center = Create();
    return center;
}

void TDistributedNotificationCenter::Initialize() {
    TNotificationCenter::Initialize();
    m_center = &bridge().center;
}

bool TDistributedNotificationCenter::IsConnected() const {
    return bridge().connected();
}

#include "NotificationCenter.moc"
