#pragma once

#include "Dictionary.h"
#include "NotificationCenter.h"

#include <QSet>

class NotificationCenter;
struct Notification;

namespace TResponderUnit {

// The notice responders post and receive, shaped as the notification centre's TNotification but
// naming its class under its own key. Its stored class name is "TNotification", which the class
// registry keeps for the centre's class; responders find this one without the registry.
class TNotification : public TTypeDictionary, public TNoticeShape<TNotification> {
    T_OBJECT(TNotification, TTypeDictionary)
public:
    using TNoticeShape::Create;
    static inline const QString kNotificationKey = QStringLiteral("com.brasswick.TResponder.notificationKey");

protected:
    TNotification() = default;
};

} // namespace TResponderUnit

// A target, a method and an argument to call it with; the default one is empty.
struct ResponderActionInfo {
    TObject* target = nullptr;
    TObject::MethodPointer method = nullptr;
    QString name;
    void* argument = nullptr;
};

// An object with a target and an action, which posts notifications and observes them with its own
// methods as actions. Observed notices arrive synchronously on the thread that posts them (the main
// thread). Diagnostics: Diagnostics::line.
class TResponder : public TObject {
    T_OBJECT(TResponder, TObject)
public:
    using MethodPointer = TObject::MethodPointer;

    void Initialize() override;

    // Posting needs no responder: the notice goes out on the local centre at once. A TTypeDictionary
    // user info gets "notification" = name; a TResponderUnit::TNotification also its class name.
    static void PostNotification(const QString& name, const void* object, TDictionary* userInfo);
    static void PostNotification(const QString& name, TDictionary* userInfo = nullptr) {
        PostNotification(name, nullptr, userInfo);
    }
    static void PostNotification(TResponderUnit::TNotification* notification);

    // Observing. The action, when given, is called as action(responder, TResponderUnit::TNotification*)
    // with the notice; a name observed without one goes to HandleNotification. An empty name observes
    // every notice of the centre.
    void ObserveNotification(NotificationCenter* center, const QString& name, MethodPointer action,
                             const void* object = nullptr);
    void ObserveNotification(const QString& name, MethodPointer action = nullptr,
                             const void* object = nullptr) {
        ObserveNotification(GetNotificationCenter(), name, action, object);
    }
    // Observing through the Cocoa-style bridge is disabled: says so and ends the program (status 1).
    [[noreturn]] void ObserveNSNotification(NotificationCenter* center, const QString& name,
                                            MethodPointer action);
    // Drops the name's action and unregisters the name on every centre observed.
    void RemoveObserver(const QString& name);
    virtual void RemoveObservedNotifications();
    void StopObservingNotifications();
    void RemoveNSNotifications();
    TReferenceDictionary* GetNotificationHandlers() const { return m_notificationHandlers; }
    virtual NotificationCenter* GetNotificationCenter() const { return m_notificationCenter; }
    void SetNotificationCenter(NotificationCenter* center) { m_notificationCenter = center; }
    virtual void HandleNotification(const QString& /*name*/, TDictionary* /*userInfo*/) {}
    virtual void HandleNotification(const QString& /*name*/, const void* /*object*/,
                                    TDictionary* /*userInfo*/) {}

    // Target and action.
    void SetAction(const QString& name) { m_action = name; }
    void SetAction(MethodPointer method) { m_actionMethod = method; }
    // With retain the target is retained until replaced; otherwise it is only pointed at.
    void SetTarget(TObject* target, bool retain = false);
    QString GetAction() const { return m_action; }
    MethodPointer GetActionMethod() const { return m_actionMethod; }
    TObject* GetTarget() const { return m_target; }
    bool IsActionValid() const { return m_target && (!m_action.isEmpty() || m_actionMethod); }
    // Calls the target's method named by the action, then the action method (both when both are set).
    void InvokeAction(void* argument);
    void InvokeAction() { InvokeAction(m_actionArgument); }
    void InvokeAction(const QString& name, void* argument);
    void InvokeAction(MethodPointer method, void* argument);
    virtual void HandleWillInvokeAction() {}

    // Action records: the method with the argument when set, else the method named.
    static ResponderActionInfo DefaultAction() { return {}; }
    static ResponderActionInfo DefineAction(const QString& name, TObject* target, void* argument = nullptr);
    static ResponderActionInfo DefineAction(MethodPointer method, TObject* target, void* argument = nullptr);
    static void InvokeAction(const ResponderActionInfo& action);

protected:
    TResponder() = default;
    void Deallocate() override;

private:
    bool ReadyToInvoke(bool actionMeant);

    TReferenceDictionary* m_notificationHandlers = nullptr;
    TTypeDictionary* m_cocoaObservations = nullptr;
    QString m_action;
    MethodPointer m_actionMethod = nullptr;
    void* m_actionArgument = nullptr;
    TObject* m_target = nullptr;
    NotificationCenter* m_notificationCenter = nullptr;
    QSet<NotificationCenter*> m_observedCenters;
    bool m_observing = false;
    bool m_retainsTarget = false;
};

// A responder on the cross-process centre.
class TSystemResponder : public TResponder {
    T_OBJECT(TSystemResponder, TResponder)
public:
    NotificationCenter* GetNotificationCenter() const override;
    // Posts on the cross-process centre with no object.
    static void PostNotification(const QString& name, TTypeDictionary* userInfo = nullptr);

protected:
    TSystemResponder() = default;
};

namespace TResponderUnit {
// Delivery to a responder: the notice as a TNotification (or the registered descendant it names),
// handed to the action recorded for its name.
void NotificationToMethodCallback(TResponder* responder, const ::Notification& notice);
// The other delivery, which nothing registers: the responder's method named like the notice, then
// HandleNotification.
void NotificationCallback(TResponder* responder, const ::Notification& notice);
} // namespace TResponderUnit
