#include "foundation/NotificationCenter.h"
#include "platform/Diagnostics.h"
#include "platform/NotificationCenter.h"

#include "platform/PlistCodec.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QTest>
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

TEST_F(NotificationCenterTest, ReleasedObserverIsNeverCalled) {
    TListener* gone = TListener::Create();
    TNotificationCenter* own = TNotificationCenter::Create();
    center->ObserveNotification(gone, "Test.gone", &TListener::Heard);
    own->ObserveNotification(gone, "Test.gone", [gone](TNotification*) { gone->names << "own"; });
    center->ObserveNotification(listener, "Test.gone", &TListener::Heard);
    const qint64 handlers = center->HandlerCount();
    gone->Release(); // its observations were never removed
    EXPECT_EQ(center->HandlerCount(), handlers - 1);
    EXPECT_EQ(own->HandlerCount(), 0);
    center->PostNotification("Test.gone");
    EXPECT_EQ(listener->names, QStringList{"Test.gone"});

    // A centre that went is left alone by the observers that go after it.
    own->ObserveNotification(other, "Test.gone", &TListener::Heard);
    own->Release();
    TListener* later = TListener::Create();
    center->ObserveNotification(later, "Test.gone", &TListener::Heard);
    later->Release();
    center->PostNotification("Test.gone");
    EXPECT_EQ(listener->names.size(), 2);
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

const QString kBusPath = "/org/jobslate/Notifications";
const QString kBusInterface = "org.jobslate.DistributedNotifications";
const QString kBusMember = "Posted";

// Another process of the session, played by a bus connection of its own: it sends distributed
// notices and records those it receives.
class BusPeer : public QObject {
    Q_OBJECT
public:
    explicit BusPeer(const QString& address) : bus(QDBusConnection::connectToBus(address, "peer")) {
        bus.connect(QString(), kBusPath, kBusInterface, kBusMember, this,
                    SLOT(received(QString, QByteArray, QDBusMessage)));
    }
    ~BusPeer() override { QDBusConnection::disconnectFromBus("peer"); }
    void send(const QString& name, const QVariantMap& info) {
        QByteArray bytes;
        if (!info.isEmpty()) PlistCodec::encode(info, &bytes);
        QDBusMessage signal = QDBusMessage::createSignal(kBusPath, kBusInterface, kBusMember);
        signal << name << bytes;
        bus.send(signal);
    }
    QStringList names() const {
        QStringList out;
        for (const auto& notice : heard) out << notice.first;
        return out;
    }

    QDBusConnection bus;
    QList<QPair<QString, QByteArray>> heard;

public slots:
    void received(const QString& name, const QByteArray& info, const QDBusMessage& message) {
        if (message.service() != bus.baseService()) heard.append({name, info});
    }
};

TEST_F(NotificationCenterTest, DistributedNoticesCrossTheBusSafely) {
    // A session bus of the test's own, in place of the user's.
    QProcess daemon;
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    if (!daemon.waitForStarted() || !daemon.waitForReadyRead(5000)) GTEST_SKIP() << "no dbus-daemon";
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
    TDistributedNotificationCenter* distributed = TDistributedNotificationCenter::DefaultCenter();
    if (!distributed->IsConnected()) GTEST_SKIP() << "the distributed centre was made before the test bus";
    Diagnostics::Capture capture;
    BusPeer peer(address);

    // What comes in: plain values under the name it was sent under, never an object.
    QStringList names;
    QList<TObject*> values;
    QVariantMap lastInfo;
    auto heard = [&](TNotification* n) {
        names << n->GetName();
        values << n->GetObjectValue();
        lastInfo = n->CFType();
    };
    distributed->ObserveNotification(listener, "Test.remote", heard);
    distributed->ObserveNotification(listener, "Test.renamed", heard);
    const QByteArray address8(8, '\x41');
    peer.send("Test.remote", {{"notification", "Test.renamed"}, {"value", address8}, {"count", 3}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !names.isEmpty(); }, 5000));
    EXPECT_EQ(names, QStringList{"Test.remote"});
    EXPECT_EQ(values, QList<TObject*>{nullptr});
    EXPECT_EQ(lastInfo.value("count").toInt(), 3);

    // Too large a payload is refused unread; the next notice still arrives.
    peer.send("Test.remote", {{"blob", QByteArray(TDistributedNotificationCenter::kMaxPayloadBytes, 'x')}});
    peer.send("Test.remote", {{"count", 4}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return names.size() == 2; }, 5000));
    QTest::qWait(100);
    EXPECT_EQ(names.size(), 2);
    EXPECT_EQ(lastInfo.value("count").toInt(), 4);

    // What goes out: no address of this process.
    distributed->PostNotification(TNotification::Notification("Test.out", listener));
    ASSERT_TRUE(QTest::qWaitFor([&] { return peer.names().contains("Test.out"); }, 5000));
    const QByteArray payload = peer.heard.last().second;
    const QVariantMap sent = PlistCodec::decode(payload).toMap();
    EXPECT_EQ(sent.value("notification").toString(), "Test.out");
    EXPECT_FALSE(sent.contains("value"));
    const quintptr here = reinterpret_cast<quintptr>(listener);
    EXPECT_FALSE(payload.contains(QByteArray(reinterpret_cast<const char*>(&here), sizeof here).toBase64()));

    // A reply posted while a remote notice is delivered leaves the process; the notice is not echoed.
    distributed->ObserveNotification(listener, "Test.ping",
                                     [&](TNotification*) { distributed->PostNotification("Test.pong"); });
    peer.heard.clear();
    peer.send("Test.ping", {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return peer.names().contains("Test.pong"); }, 5000));
    QTest::qWait(100);
    EXPECT_EQ(peer.names(), QStringList{"Test.pong"});
    distributed->RemoveEveryObserver(listener);
}

} // namespace

#include "NotificationCenterTests.moc"
