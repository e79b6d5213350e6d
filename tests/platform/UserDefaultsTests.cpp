#include "platform/UserDefaults.h"
#include "platform/Workspace.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPoint>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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

TEST_F(UserDefaultsTest, TypedReadersConvertAndRefuseWhatNoListHolds) {
    UserDefaults defaults(path());
    defaults.setObjectForKey("YES", "flag");
    defaults.setObjectForKey("42", "number");
    defaults.setObjectForKey(QVariantList{"a", "b"}, "list");
    EXPECT_TRUE(defaults.boolForKey("flag"));
    EXPECT_EQ(defaults.integerForKey("number"), 42);
    EXPECT_EQ(defaults.stringArrayForKey("list"), QStringList({"a", "b"}));
    EXPECT_TRUE(defaults.arrayForKey("number").isEmpty());
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
