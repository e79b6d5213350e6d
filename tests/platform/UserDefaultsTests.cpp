#include "platform/UserDefaults.h"
#include "platform/Workspace.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QPoint>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>
#include <limits>

namespace {

class UserDefaultsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath("Jobslate/defaults.plist"); }
};

TEST_F(UserDefaultsTest, ValuesSurviveARestart) {
    {
        UserDefaults defaults(path());
        EXPECT_TRUE(defaults.setObjectForKey("/home/me/Sheets", "sheetFolder"));
        EXPECT_TRUE(defaults.setIntegerForKey(3, "count"));
        EXPECT_TRUE(defaults.setObjectForKey(QVariantMap{{"name", "Sans"}, {"size", 13.5}}, "listFont"));
    }
    UserDefaults reopened(path());
    EXPECT_EQ(reopened.stringForKey("sheetFolder"), "/home/me/Sheets");
    EXPECT_EQ(reopened.integerForKey("count"), 3);
    EXPECT_EQ(reopened.dictionaryForKey("listFont").value("size").toDouble(), 13.5);
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("<?xml")) << "stored as an XML property list";
}

TEST_F(UserDefaultsTest, RegisteredDefaultsYieldUntilAValueIsSet) {
    UserDefaults defaults(path());
    defaults.registerDefaults({{"dashboardMode", true}, {"interval", 30}});
    EXPECT_TRUE(defaults.boolForKey("dashboardMode"));
    EXPECT_FALSE(QFile::exists(path())) << "registered defaults are not stored";
    defaults.setBoolForKey(false, "dashboardMode");
    EXPECT_FALSE(defaults.boolForKey("dashboardMode"));
    defaults.removeObjectForKey("dashboardMode");
    EXPECT_TRUE(defaults.boolForKey("dashboardMode"));
    EXPECT_EQ(UserDefaults(path()).objectForKey("interval"), QVariant())
        << "a new object has no registrations";
}

TEST_F(UserDefaultsTest, RemovingTheDomainKeepsOnlyRegisteredDefaults) {
    UserDefaults defaults(path());
    defaults.registerDefaults({{"a", 1}});
    defaults.setIntegerForKey(2, "a");
    defaults.setObjectForKey("x", "b");
    ASSERT_TRUE(QFile::exists(path()));
    QSignalSpy spy(&defaults, &UserDefaults::changed);
    EXPECT_TRUE(defaults.removePersistentDomain());
    EXPECT_FALSE(QFile::exists(path()));
    EXPECT_EQ(defaults.integerForKey("a"), 1);
    EXPECT_FALSE(defaults.objectForKey("b").isValid());
    EXPECT_EQ(spy.count(), 2);
    EXPECT_TRUE(UserDefaults(path()).persistentDomain().isEmpty());
}

TEST_F(UserDefaultsTest, ChangeSignalPerKey) {
    UserDefaults defaults(path());
    QObject context;
    int fontChanges = 0;
    defaults.observe("listFont", &context, [&] { ++fontChanges; });
    QSignalSpy spy(&defaults, &UserDefaults::changed);
    defaults.setObjectForKey("Sans", "listFont");
    defaults.setObjectForKey("Sans", "listFont"); // the same value: no change
    defaults.setObjectForKey("y", "other");
    defaults.registerDefaults({{"listFont", "Serif"}}); // hidden by the set value
    EXPECT_EQ(fontChanges, 1);
    defaults.removeObjectForKey("listFont"); // the registered one shows
    EXPECT_EQ(fontChanges, 2);
    EXPECT_EQ(defaults.stringForKey("listFont"), "Serif");
    ASSERT_EQ(spy.count(), 3);
    EXPECT_EQ(spy.at(1).at(0).toString(), "other");
}

TEST_F(UserDefaultsTest, AnObserverMayChangeTheDefaultsInTurn) {
    UserDefaults defaults(path());
    QObject context;
    bool lockFree = false;
    defaults.observe("sheetFolder", &context, [&] {
        QLockFile lock(path() + ".lock");
        lockFree = lock.tryLock(0);
        lock.unlock();
        defaults.setObjectForKey("derived", "activeSheet");
    });
    EXPECT_TRUE(defaults.setObjectForKey("/home/me/Sheets", "sheetFolder"));
    EXPECT_TRUE(lockFree) << "the file is unlocked before observers hear of a change";
    EXPECT_EQ(UserDefaults(path()).stringForKey("activeSheet"), "derived");
}

TEST_F(UserDefaultsTest, TypedReadersConvertAndRefuseWhatNoListHolds) {
    UserDefaults defaults(path());
    defaults.setObjectForKey("YES", "flag");
    defaults.setObjectForKey("42", "number");
    defaults.setObjectForKey(QVariantList{"a", "b"}, "list");
    EXPECT_TRUE(defaults.boolForKey("flag"));
    EXPECT_EQ(defaults.integerForKey("number"), 42);
    EXPECT_EQ(defaults.stringArrayForKey("list"), QStringList({"a", "b"}));
    EXPECT_TRUE(defaults.arrayForKey("number").isEmpty());
    defaults.setObjectForKey("1e300", "huge");
    defaults.setDoubleForKey(-1e300, "tiny");
    EXPECT_EQ(defaults.integerForKey("huge"), std::numeric_limits<qint64>::max());
    EXPECT_EQ(defaults.integerForKey("tiny"), std::numeric_limits<qint64>::min());
    QString error;
    EXPECT_FALSE(defaults.setObjectForKey(QVariant::fromValue(QPoint(1, 2)), "point", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(defaults.objectForKey("point").isValid());
}

TEST_F(UserDefaultsTest, AnUnreadableFileIsKeptAside) {
    QDir().mkpath(dir.filePath("Jobslate"));
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a property list");
    file.close();
    UserDefaults defaults(path());
    EXPECT_TRUE(defaults.persistentDomain().isEmpty());
    defaults.setObjectForKey(1, "a");
    QFile aside(path() + ".unreadable");
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_EQ(aside.readAll(), "not a property list");
}

TEST_F(UserDefaultsTest, ValuesReadTheSameBeforeAndAfterARestart) {
    UserDefaults defaults(path());
    const QDateTime noon(QDate(2024, 5, 1), QTime(12, 0, 0, 250), QTimeZone::utc());
    defaults.setObjectForKey(QStringList{"a", "b"}, "names");
    defaults.setObjectForKey(QVariant(float(1.5f)), "scale");
    defaults.setObjectForKey(QVariant(uint(7)), "count");
    defaults.setObjectForKey(noon, "when");
    defaults.setBoolForKey(true, "flag");
    const auto check = [&](const UserDefaults& d, const char* when) {
        EXPECT_EQ(d.stringArrayForKey("names"), QStringList({"a", "b"})) << when;
        EXPECT_EQ(d.doubleForKey("scale"), 1.5) << when;
        EXPECT_EQ(d.integerForKey("count"), 7) << when;
        EXPECT_EQ(d.objectForKey("when"), d.objectForKey("when").toDateTime()) << when;
        EXPECT_EQ(d.objectForKey("flag").metaType().id(), QMetaType::Bool) << when;
    };
    check(defaults, "before");
    check(UserDefaults(path()), "after");
    EXPECT_EQ(defaults.persistentDomain(), UserDefaults(path()).persistentDomain());

    // A number and a boolean of equal value are different settings.
    defaults.setIntegerForKey(1, "mode");
    QSignalSpy spy(&defaults, &UserDefaults::changed);
    defaults.setBoolForKey(true, "mode");
    EXPECT_EQ(UserDefaults(path()).objectForKey("mode").metaType().id(), QMetaType::Bool);
    EXPECT_EQ(spy.count(), 1);
}

TEST_F(UserDefaultsTest, TwoInstancesKeepEachOthersSettings) {
    UserDefaults first(path());
    UserDefaults second(path());
    QSignalSpy spy(&second, &UserDefaults::changed);
    EXPECT_TRUE(first.setObjectForKey("Sans", "listFont"));
    EXPECT_TRUE(second.setIntegerForKey(5, "interval"));
    UserDefaults reopened(path());
    EXPECT_EQ(reopened.stringForKey("listFont"), "Sans");
    EXPECT_EQ(reopened.integerForKey("interval"), 5);
    EXPECT_EQ(second.stringForKey("listFont"), "Sans") << "a write takes in what the other wrote";
    EXPECT_EQ(spy.count(), 2);
    EXPECT_TRUE(first.removeObjectForKey("listFont"));
    EXPECT_EQ(UserDefaults(path()).integerForKey("interval"), 5) << "a removal keeps the other's value";
}

TEST(Workspace, RecordingFakeAndQueuedOpenFiles) {
    RecordingWorkspace fake;
    Workspace::setShared(&fake);
    Workspace::shared().openFile("/tmp/a b.txt");
    Workspace::shared().selectFile("/tmp/c");
    EXPECT_TRUE(Workspace::shared().moveToTrash("/tmp/d"));
    ASSERT_EQ(fake.requests.size(), 3);
    EXPECT_EQ(fake.requests[0].kind, "openURL");
    EXPECT_EQ(fake.requests[0].arguments, QStringList{"file:///tmp/a b.txt"});
    EXPECT_EQ(fake.requests[2], (RecordingWorkspace::Request{"moveToTrash", {"/tmp/d"}}));
    Workspace::setShared(nullptr);

    QStringList opened;
    Workspace::setOpenFilesHandler([&](const QStringList& paths) { opened = paths; });
    DesktopWorkspace desktop;
    desktop.openFilesWithThisApplication({"/x/y.qxsheet"});
    EXPECT_TRUE(opened.isEmpty()) << "delivered later, on the event loop";
    QCoreApplication::processEvents();
    EXPECT_EQ(opened, QStringList{"/x/y.qxsheet"});
    Workspace::setOpenFilesHandler({});
}

} // namespace
