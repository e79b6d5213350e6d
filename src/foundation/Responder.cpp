#include "Responder.h"

#include "NSNotificationCenter.h"
#include "platform/Diagnostics.h"
#include "platform/NotificationCenter.h"

#include <cstdlib>

namespace TResponderUnit {

// --- delivery --------------------------------------------------------------------------------------

namespace {

TNotification* copyNotice(const ::Notification& notice) {
    auto* notification = static_cast<TNotification*>(NotificationCenterUnit::CopyNotice(
        notice, TNotification::StaticClass(), TNotification::kNotificationKey));
    notification->SetObject(notice.object);
    return notification;
}

void handleNotification(TResponder* responder, TNotification* notification) {
    if (notification->GetObject())
        responder->HandleNotification(notification->GetName(), notification->GetObject(), notification);
    else
        responder->HandleNotification(notification->GetName(), notification);
}

} // namespace

void NotificationToMethodCallback(TResponder* responder, const ::Notification& notice) {
    Ref<TResponder> keep = Ref<TResponder>::retain(responder);
    TNotification* notification = copyNotice(notice);
    TObject::MethodPointer action = nullptr;
    if (TReferenceDictionary* handlers = responder->GetNotificationHandlers())
        action = reinterpret_cast<TObject::MethodPointer>(handlers->GetValue(notice.name).pointer());
    if (action)
        responder->InvokeMethod(action, notification);
    else
        handleNotification(responder, notification);
    notification->Release();
}

void NotificationCallback(TResponder* responder, const ::Notification& notice) {
    Ref<TResponder> keep = Ref<TResponder>::retain(responder);
    TNotification* notification = copyNotice(notice);
    responder->InvokeMethod(notice.name, notification);
    handleNotification(responder, notification);
    notification->Release();
}

} // namespace TResponderUnit

// --- TResponder: posting ---------------------------------------------------------------------------

using ResponderNotice = TResponderUnit::TNotification;

void TResponder::PostNotification(const QString& name, const void* object, TDictionary* userInfo) {
    NotificationCenterUnit::PostUserInfo(&NotificationCenter::defaultCenter(), name, object, userInfo,
                                         ResponderNotice::StaticClass(), ResponderNotice::kNotificationKey);
}

void TResponder::PostNotification(ResponderNotice* notification) {
    if (notification) PostNotification(notification->GetName(), notification->GetObject(), notification);
}

NotificationCenter* TSystemResponder::GetNotificationCenter() const {
    return TDistributedNotificationCenter::DefaultCenter()->GetNotificationCenter();
}

void TSystemResponder::PostNotification(const QString& name, TTypeDictionary* userInfo) {
    NotificationCenterUnit::PostUserInfo(
        TDistributedNotificationCenter::DefaultCenter()->GetNotificationCenter(), name, nullptr, userInfo,
        ResponderNotice::StaticClass(), ResponderNotice::kNotificationKey);
}

// --- TResponder: life ------------------------------------------------------------------------------

void TResponder::Initialize() {
    TObject::Initialize();
    m_notificationCenter = &NotificationCenter::defaultCenter();
    if (!m_cocoaObservations) m_cocoaObservations = TTypeDictionary::Create();
}

void TResponder::Deallocate() {
    StopObservingNotifications();
    ReleaseObject(m_notificationHandlers);
    ReleaseObject(m_cocoaObservations);
    if (m_retainsTarget) ReleaseObject(m_target);
    m_target = nullptr;
    TObject::Deallocate();
}

// --- TResponder: observing -------------------------------------------------------------------------

void TResponder::ObserveNotification(NotificationCenter* center, const QString& name, MethodPointer action,
                                     const void* object) {
    if (!center) return;
    if (action) {
        if (!m_notificationHandlers) m_notificationHandlers = TReferenceDictionary::Create();
        m_notificationHandlers->SetValue(name, reinterpret_cast<const void*>(action));
    }
    m_observing = true;
    m_observedCenters.insert(center);
    center->addObserver(this, name, object, [this](const ::Notification& notice) {
        TResponderUnit::NotificationToMethodCallback(this, notice);
    });
}

void TResponder::ObserveNSNotification(NotificationCenter*, const QString& name, MethodPointer) {
    Diagnostics::line(
        QStringLiteral("Fatal: TResponder.ObserveNotification for NSNotificationCenter is disabled (") +
        name + QStringLiteral(")"));
    std::exit(1);
}

void TResponder::RemoveObserver(const QString& name) {
    if (m_notificationHandlers) m_notificationHandlers->Remove(name);
    for (NotificationCenter* center : std::as_const(m_observedCenters))
        center->removeObserver(this, name, nullptr);
}

void TResponder::RemoveObservedNotifications() {
    if (m_notificationHandlers) m_notificationHandlers->RemoveAll();
    for (NotificationCenter* center : std::as_const(m_observedCenters)) center->removeObserver(this);
    m_observedCenters.clear();
    m_observing = false;
}

void TResponder::RemoveNSNotifications() {
    if (!m_cocoaObservations) return;
    const QVariantMap observations = m_cocoaObservations->CFType();
    for (auto it = observations.constBegin(); it != observations.constEnd(); ++it)
        TNSNotificationCenter::removeObserver(
            static_cast<NotificationCenter*>(m_cocoaObservations->GetPointerValue(it.key())), it.key(), this);
    ReleaseObject(m_cocoaObservations);
}

void TResponder::StopObservingNotifications() {
    RemoveNSNotifications();
    if (m_observing) RemoveObservedNotifications();
}

// --- TResponder: actions ---------------------------------------------------------------------------

void TResponder::SetTarget(TObject* target, bool retain) {
    if (m_retainsTarget) ReleaseObject(m_target);
    m_target = nullptr;
    if (retain)
        RetainObject(m_target, target);
    else
        m_target = target;
    m_retainsTarget = retain && target;
}

// With a target: HandleWillInvokeAction and true. Without one: the warning when an action was meant.
bool TResponder::ReadyToInvoke(bool actionMeant) {
    if (m_target) {
        HandleWillInvokeAction();
        return true;
    }
    if (actionMeant && WarnsMissingMethods())
        Diagnostics::warning(QStringLiteral("There is no target specified for ") + ClassName());
    return false;
}

void TResponder::InvokeAction(void* argument) {
    if (!ReadyToInvoke(!m_action.isEmpty() || m_actionMethod)) return;
    if (!m_action.isEmpty()) m_target->InvokeMethod(m_action, argument);
    if (m_actionMethod) m_target->InvokeMethod(m_actionMethod, argument);
    if (m_action.isEmpty() && !m_actionMethod && WarnsMissingMethods())
        Diagnostics::warning(QStringLiteral("There is no action specified for ") + ClassName());
}

void TResponder::InvokeAction(const QString& name, void* argument) {
    if (ReadyToInvoke(true)) m_target->InvokeMethod(name, argument);
}

void TResponder::InvokeAction(MethodPointer method, void* argument) {
    if (ReadyToInvoke(true)) m_target->InvokeMethod(method, argument);
}

ResponderActionInfo TResponder::DefineAction(const QString& name, TObject* target, void* argument) {
    ResponderActionInfo action;
    action.target = target;
    action.name = name;
    action.argument = argument;
    return action;
}

ResponderActionInfo TResponder::DefineAction(MethodPointer method, TObject* target, void* argument) {
    ResponderActionInfo action;
    action.target = target;
    action.method = method;
    action.argument = argument;
    return action;
}

void TResponder::InvokeAction(const ResponderActionInfo& action) {
    if (!action.target) return;
    if (action.method)
        action.target->InvokeMethod(action.method, action.argument);
    else
        action.target->InvokeMethod(action.name, action.argument);
}
