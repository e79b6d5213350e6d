#include "foundation/NotificationCenter.h"
#include "platform/Diagnostics.h"
#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

namespace {

// An observer that records what reaches it.
class TListener : public TObject {
    T_OBJECT(TListener, TObject)
public:
    QStringList names;
    QList<const void*> objects;
    QStringList classes;
    QVariantMap lastInfo;
    std::function<void()> onNotice;
    void Heard(TNotification* n) {
        names << n->GetName();
        objects << n->GetObject();
        classes << n->ClassName();
        lastInfo = n->CFType();
        if (onNotice) onNotice();
    }

protected:
    TListener() = default;
};

class TSpecialNotification : public TNotification {
    T_OBJECT(TSpecialNotification, TNotification)
protected:
    TSpecialNotification() = default;
};

// A registered class that is no notice, counting how many of it are made.
class TNoticeBystander : public TObject {
    T_OBJECT(TNoticeBystander, TObject)
public:
    static inline int made = 0;

protected:
    TNoticeBystander() { ++made; }
};

class NotificationCenterTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterFoundationClasses();
        RegisterClass(TSpecialNotification::StaticClass());
        center = TNotificationCenter::DefaultCenter();
        listener = TListener::Create();
        other = TListener::Create();
    }
    void TearDown() override {
        center->RemoveEveryObserver(listener);
        center->RemoveEveryObserver(other);
        listener->Release();
        other->Release();
    }
    AutoreleasePool pool;
    TNotificationCenter* center = nullptr;
    TListener* listener = nullptr;
    TListener* other = nullptr;
};

TEST_F(NotificationCenterTest, FiltersByNameAndObject) {
    int senderA = 0, senderB = 0;
    center->ObserveNotification(listener, "Test.one", &TListener::Heard, &senderA);
    center->ObserveNotification(other, "Test.one", &TListener::Heard);
    center->PostNotification("Test.one", &senderA);
    center->PostNotification("Test.one", &senderB);
    center->PostNotification("Test.two", &senderA);
    EXPECT_EQ(listener->objects, (QList<const void*>{&senderA}));
    EXPECT_EQ(other->objects, (QList<const void*>{&senderA, &senderB}));
    EXPECT_EQ(other->names, (QStringList{"Test.one", "Test.one"}));
    EXPECT_EQ(other->classes.first(), "TNotification");
    EXPECT_TRUE(center->IsObserving(listener, "Test.one"));
    EXPECT_FALSE(center->IsObserving(listener, "Test.two"));
}

TEST_F(NotificationCenterTest, UserInfoReachesObserversAndThePlatformCentre) {
    center->ObserveNotification(listener, "Test.info", &TListener::Heard);
    QVariantMap platformInfo;
    NotificationCenter::defaultCenter().addObserver(
        this, "Test.info", nullptr, [&](const Notification& n) { platformInfo = n.userInfo; });

    TTypeDictionary* info = TTypeDictionary::Create();
    info->SetIntegerValue("count", 3);
    center->PostNotification("Test.info", info);
    EXPECT_EQ(info->GetStringValue("notification"), "Test.info"); // the poster's dictionary keeps it
    EXPECT_EQ(listener->lastInfo, info->CFType());
    EXPECT_EQ(platformInfo, info->CFType());
    info->Release();

    TSpecialNotification* special = TSpecialNotification::Create();
    special->SetStringValue(TNotification::kNameKey, "Test.info");
    center->PostNotification(special);
    EXPECT_EQ(listener->classes.last(), "TSpecialNotification");
    EXPECT_EQ(platformInfo.value(TNotification::kNotificationKey).toString(), "TSpecialNotification");
    special->Release();

    // A notice of the platform with its own user info, naming an unknown class.
    Diagnostics::Capture capture;
    NotificationCenter::defaultCenter().post("Test.info", nullptr,
                                             {{"x", 1}, {TNotification::kNotificationKey, "TNoSuchNotice"}});
    EXPECT_EQ(listener->classes.last(), "TNotification");
    EXPECT_FALSE(listener->lastInfo.contains("notification"));
    EXPECT_EQ(listener->lastInfo.value("x").toInt(), 1);
    NotificationCenter::defaultCenter().removeObserver(this);
}

TEST_F(NotificationCenterTest, UserInfoNamingAClassThatIsNoNoticeMakesNoneOfIt) {
    RegisterClass(TNoticeBystander::StaticClass());
    center->ObserveNotification(listener, "Test.bystander", &TListener::Heard);
    const int before = TNoticeBystander::made;
    NotificationCenter::defaultCenter().post(
        "Test.bystander", nullptr, {{"x", 2}, {TNotification::kNotificationKey, "TNoticeBystander"}});
    EXPECT_EQ(TNoticeBystander::made, before);
    EXPECT_EQ(listener->classes, (QStringList{"TNotification"}));
    EXPECT_EQ(listener->lastInfo.value("x").toInt(), 2);
}

TEST_F(NotificationCenterTest, RemovalAndPostingDuringDelivery) {
    // The first observer removes itself and the second, then posts another notice.
    int secondCalls = 0;
    center->ObserveNotification(listener, "Test.remove", &TListener::Heard);
    center->ObserveNotification(other, "Test.remove", [&](TNotification*) { ++secondCalls; });
    center->ObserveNotification(other, "Test.after", &TListener::Heard);
    listener->onNotice = [&] {
        center->RemoveEveryObserver(listener);
        center->RemoveObserver(other, "Test.remove");
        center->PostNotification("Test.after");
    };
    center->PostNotification("Test.remove");
    center->PostNotification("Test.remove");
    EXPECT_EQ(listener->names, (QStringList{"Test.remove"}));
    EXPECT_EQ(secondCalls, 0);
    EXPECT_EQ(other->names, (QStringList{"Test.after"}));

    // Observing twice and removing once by name removes both.
    center->ObserveNotification(listener, "Test.twice", &TListener::Heard);
    center->ObserveNotification(listener, "Test.twice", &TListener::Heard);
    listener->onNotice = nullptr;
    center->PostNotification("Test.twice");
    EXPECT_EQ(listener->names.count("Test.twice"), 2);
    center->RemoveObserver(listener, "Test.twice");
    center->PostNotification("Test.twice");
    EXPECT_EQ(listener->names.count("Test.twice"), 2);
    EXPECT_FALSE(center->IsObserving(listener, "Test.twice"));
}

TEST_F(NotificationCenterTest, DistributedCentreDeliversLocally) {
    TDistributedNotificationCenter* distributed = TDistributedNotificationCenter::DefaultCenter();
    EXPECT_NE(static_cast<TNotificationCenter*>(distributed), center);
    distributed->ObserveNotification(listener, "Test.far", &TListener::Heard);
    center->PostNotification("Test.far"); // the local centre is a different one
    distributed->PostNotification("Test.far");
    EXPECT_EQ(listener->names, (QStringList{"Test.far"}));
    distributed->RemoveEveryObserver(listener);

    TNotification* n = TNotification::Notification("Test.value", QVariant(5));
    EXPECT_EQ(n->GetTypeValue().toInt(), 5);
    TNotification* withObject = TNotification::Notification("Test.value", listener);
    EXPECT_EQ(withObject->GetObjectValue(), listener);
}

} // namespace
