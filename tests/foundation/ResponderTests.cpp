#include "foundation/NSNotificationCenter.h"
#include "foundation/Responder.h"
#include "platform/Diagnostics.h"
#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

namespace {

using ResponderNotice = TResponderUnit::TNotification;

// A responder that records the notices and hooks that reach it.
class TListeningResponder : public TResponder {
    T_OBJECT(TListeningResponder, TResponder)
public:
    QStringList heard;
    QStringList classes;
    QList<const void*> objects;
    QStringList hooks;

    static void* Heard(TObject* self, void* params) {
        auto* me = static_cast<TListeningResponder*>(self);
        auto* notice = static_cast<ResponderNotice*>(params);
        me->heard << notice->GetName() + "=" + notice->GetTypeValue().toString();
        me->classes << notice->ClassName();
        me->objects << notice->GetObject();
        return nullptr;
    }
    void HandleNotification(const QString& name, TDictionary*) override { hooks << name; }
    void HandleWillInvokeAction() override { hooks << "will invoke"; }

protected:
    TListeningResponder() = default;
};

// A target whose method is reached by name and by address.
class TActionTarget : public TObject {
    T_OBJECT(TActionTarget, TObject)
public:
    QStringList calls;
    static void* ByAddress(TObject* self, void* argument) {
        static_cast<TActionTarget*>(self)->calls
            << QStringLiteral("address:") + static_cast<const char*>(argument);
        return nullptr;
    }
    void Initialize() override {
        TObject::Initialize();
        RegisterMethod("act", [](TObject* self, void* argument) -> void* {
            static_cast<TActionTarget*>(self)->calls
                << QStringLiteral("name:") + static_cast<const char*>(argument);
            return nullptr;
        });
    }

protected:
    TActionTarget() = default;
};

TEST(Responder, ObservesWithItsOwnMethodsAndStopsWhenAsked) {
    Ref<TListeningResponder> responder = Ref<TListeningResponder>::adopt(TListeningResponder::Create());
    responder->ObserveNotification("Sample.changed", &TListeningResponder::Heard);
    responder->ObserveNotification("Sample.plain"); // no action: the hook hears it

    int sender = 0;
    ResponderNotice* notice = ResponderNotice::Create();
    notice->SetValue(ResponderNotice::kValueKey, 7);
    TResponder::PostNotification("Sample.changed", &sender, notice);
    notice->Release();
    TResponder::PostNotification("Sample.plain");

    EXPECT_EQ(responder->heard, QStringList{"Sample.changed=7"});
    EXPECT_EQ(responder->classes, QStringList{"TNotification"});
    EXPECT_EQ(responder->objects, QList<const void*>{&sender});
    EXPECT_EQ(responder->hooks, QStringList{"Sample.plain"});

    responder->RemoveObserver("Sample.changed");
    TResponder::PostNotification("Sample.changed");
    EXPECT_EQ(responder->heard.size(), 1);
    // Released while observing: nothing is delivered to it afterwards.
    responder = Ref<TListeningResponder>();
    TResponder::PostNotification("Sample.plain");
}

TEST(Responder, AnActionByNameAndByAddressCallsTheTargetTwiceByNameFirst) {
    Ref<TListeningResponder> responder = Ref<TListeningResponder>::adopt(TListeningResponder::Create());
    Ref<TActionTarget> target = Ref<TActionTarget>::adopt(TActionTarget::Create());
    responder->SetAction("act");
    responder->SetAction(&TActionTarget::ByAddress);
    EXPECT_FALSE(responder->IsActionValid());
    responder->SetTarget(target.get(), true);
    EXPECT_EQ(target->GetRetainCount(), 2);
    ASSERT_TRUE(responder->IsActionValid());

    responder->InvokeAction(const_cast<char*>("a"));
    EXPECT_EQ(target->calls, (QStringList{"name:a", "address:a"}));
    EXPECT_EQ(responder->hooks, QStringList{"will invoke"});

    TResponder::InvokeAction(TResponder::DefineAction("act", target.get(), const_cast<char*>("b")));
    TResponder::InvokeAction(
        TResponder::DefineAction(&TActionTarget::ByAddress, target.get(), const_cast<char*>("c")));
    TResponder::InvokeAction(TResponder::DefaultAction()); // no target: nothing
    EXPECT_EQ(target->calls.mid(2), (QStringList{"name:b", "address:c"}));

    responder->SetTarget(nullptr);
    EXPECT_EQ(target->GetRetainCount(), 1);
    Diagnostics::Capture capture;
    responder->SetWarnMissingMethods(true);
    responder->InvokeAction();
    EXPECT_EQ(capture.lines(), QStringList{"Warning: There is no target specified for TListeningResponder"});
}

// A bridge target that counts what it is handed.
class TBridgeTarget : public TObject {
    T_OBJECT(TBridgeTarget, TObject)
public:
    QStringList seen;
    static void* Seen(TObject* self, void* params) {
        auto* info = static_cast<TNSNotificationPrivate*>(params);
        static_cast<TBridgeTarget*>(self)->seen
            << info->GetName() + ":" + info->GetObjectForKey("k").toString();
        return nullptr;
    }

protected:
    TBridgeTarget() = default;
};

TEST(NSNotificationCenterBridge, ANameObservedAgainAfterItsLastObserverLeftIsDispatchedAgain) {
    Ref<TBridgeTarget> first = Ref<TBridgeTarget>::adopt(TBridgeTarget::Create());
    Ref<TBridgeTarget> second = Ref<TBridgeTarget>::adopt(TBridgeTarget::Create());
    NotificationCenter& center = NotificationCenter::defaultCenter();
    const int before = center.observerCount();

    TNSNotificationCenter::observeNotification(nullptr, "Bridge.ping", first.get(), &TBridgeTarget::Seen);
    TNSNotificationCenter::observeNotification(nullptr, "Bridge.ping", second.get(), &TBridgeTarget::Seen);
    EXPECT_EQ(center.observerCount(), before + 1); // one dispatcher per name
    center.post("Bridge.ping", nullptr, {{"k", "1"}});
    EXPECT_EQ(first->seen, QStringList{"Bridge.ping:1"});
    EXPECT_EQ(second->seen, QStringList{"Bridge.ping:1"});

    TNSNotificationCenter::removeObserver(nullptr, "Bridge.ping", first.get());
    TNSNotificationCenter::removeObserver(nullptr, "Bridge.ping", second.get());
    EXPECT_EQ(center.observerCount(), before);
    center.post("Bridge.ping", nullptr, {{"k", "2"}});
    EXPECT_EQ(first->seen.size(), 1);

    TNSNotificationCenter::observeNotification(nullptr, "Bridge.ping", first.get(), &TBridgeTarget::Seen);
    center.post("Bridge.ping", nullptr, {{"k", "3"}});
    EXPECT_EQ(first->seen, (QStringList{"Bridge.ping:1", "Bridge.ping:3"}));
    TNSNotificationCenter::removeObserver(nullptr, "Bridge.ping", first.get());
}

TEST(ResponderDeathTest, ObservingThroughTheDisabledBridgeEndsTheProgramAsAFailure) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            Ref<TResponder> responder = Ref<TResponder>::adopt(TResponder::Create());
            responder->ObserveNSNotification(nullptr, "x", nullptr);
        },
        ::testing::ExitedWithCode(1), "");
}

} // namespace
