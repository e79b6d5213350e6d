#include "platform/UserDefaults.h"
#include "utilities/CocoaUtilities.h"
#include "utilities/SandboxUtilities.h"
#include "utilities/StringPathUtilities.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace SandboxUtilities;

class Sandbox : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QDir(dir.path()).mkpath("Sheets");
        QDir(dir.path()).mkpath("Other");
        UserDefaults::setStandardUserDefaults(&defaults);
    }
    void TearDown() override {
        qunsetenv("APP_SANDBOX_CONTAINER_ID");
        UserDefaults::setStandardUserDefaults(nullptr);
    }
    void enterSandbox() { qputenv("APP_SANDBOX_CONTAINER_ID", "test"); }
    QVariantMap bookmarks() const { return defaults.dictionaryForKey(kApplicationBookmarks); }
    QString sheets() const { return dir.filePath("Sheets"); }
    QString other() const { return dir.filePath("Other"); }

    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath("defaults.plist")};
    ScopedScriptedPanelPresenter panels;
    ScopedScriptedAlertPresenter alerts;
};

TEST_F(Sandbox, OutsideTheSandboxEveryRequestSucceedsAtOnce) {
    for (const QString& path : {QString(), sheets(), dir.filePath("missing")}) {
        EXPECT_TRUE(StartAccessingBookmark(path)) << path.toStdString();
        EXPECT_TRUE(RequestDirectoryAccessOutsideContainer(path)) << path.toStdString();
        EXPECT_TRUE(StartAccessingBookmark(path, "key")) << path.toStdString();
        EXPECT_TRUE(RequestDirectoryAccessOutsideContainer(path, "key")) << path.toStdString();
    }
    EXPECT_TRUE(defaults.persistentDomain().isEmpty());
    EXPECT_TRUE(panels.panels().empty());
}

TEST_F(Sandbox, AReadableFolderIsRegisteredWithoutAPanel) {
    enterSandbox();
    EXPECT_FALSE(StartAccessingBookmark(QString()));
    EXPECT_FALSE(RequestDirectoryAccessOutsideContainer(QString()));

    EXPECT_TRUE(RequestDirectoryAccessOutsideContainer(sheets()));
    EXPECT_TRUE(panels.panels().empty());
    EXPECT_EQ(GetRegisteredBookmark(sheets()), StringBookmarkUtilities::bookmarkData(sheets()));

    RegisterBookmark(sheets(), "another");
    EXPECT_EQ(GetRegisteredBookmark(sheets()), StringBookmarkUtilities::bookmarkData(sheets()));

    EXPECT_TRUE(StartAccessingBookmark(other()));
    EXPECT_EQ(bookmarks().keys(), (QStringList{other(), sheets()}));
    StartAccessingBookmarks();
}

TEST_F(Sandbox, AFolderThatIsGoneKeepsItsEntryAndIsLocatedAgain) {
    enterSandbox();
    const QString gone = dir.filePath("Gone");
    QDir(dir.path()).mkdir("Gone");
    ASSERT_TRUE(StartAccessingBookmark(gone));
    const QByteArray stored = GetRegisteredBookmark(gone);
    QDir(gone).removeRecursively();

    EXPECT_FALSE(StartAccessingBookmark(gone));
    // Another folder is not the one asked for: the alert's "Try Again" asks again, Cancel ends it.
    panels.setNextChoice({other()});
    panels.setNextChoice({});
    alerts.setNextAnswer(NSAlertFirstButtonReturn);
    EXPECT_FALSE(RequestDirectoryAccessOutsideContainer(gone));
    ASSERT_EQ(panels.panels().size(), 2u);
    ASSERT_EQ(alerts.questions().size(), 1u);
    EXPECT_EQ(alerts.questions()[0].alert.buttons, (QStringList{"Try Again", "Cancel"}));
    EXPECT_EQ(GetRegisteredBookmark(gone), stored);

    const OpenPanel& panel = panels.panels()[0];
    EXPECT_EQ(panel.title, "Locate Folder");
    EXPECT_EQ(panel.prompt, "Choose");
    EXPECT_EQ(panel.message,
              QString("%1 doesn't have access to the folder \"Gone\" which is outside the sandbox. "
                      "You will only need to locate the folder once.")
                  .arg(ApplicationUtilities::name()));
    EXPECT_TRUE(panel.canChooseDirectories);
    EXPECT_FALSE(panel.canChooseFiles);
    EXPECT_FALSE(panel.canCreateDirectories);
    EXPECT_EQ(panel.directory, gone);
}

TEST_F(Sandbox, BookmarksUnderTheirOwnKeys) {
    enterSandbox();
    EXPECT_TRUE(StartAccessingBookmark(sheets(), "sheetFolderBookmark"));
    EXPECT_EQ(defaults.dataForKey("sheetFolderBookmark"), StringBookmarkUtilities::bookmarkData(sheets()));
    RelinquishDirectoryAccess("sheetFolderBookmark");
    EXPECT_FALSE(defaults.persistentDomain().contains("sheetFolderBookmark"));

    EXPECT_TRUE(RequestDirectoryAccessOutsideContainer(sheets(), "key"));
    EXPECT_TRUE(RequestDirectoryAccessOutsideContainer(other(), "key")); // the key's bookmark stands
    EXPECT_EQ(defaults.dataForKey("key"), StringBookmarkUtilities::bookmarkData(sheets()));
    EXPECT_TRUE(RequestDirectoryAccessOutsideContainer(other(), "key", true));
    EXPECT_EQ(defaults.dataForKey("key"), StringBookmarkUtilities::bookmarkData(other()));

    panels.setNextChoice({other()});
    EXPECT_TRUE(RequestDirectoryAccess(sheets(), "Pick", "Pick a folder", "picked"));
    EXPECT_EQ(panels.panels().at(0).title, "Pick");
    EXPECT_EQ(defaults.dataForKey("picked"), StringBookmarkUtilities::bookmarkData(other()));
    EXPECT_TRUE(RequestDirectoryAccess(sheets(), "Pick", "Pick a folder", "picked")); // no second panel
    EXPECT_EQ(panels.panels().size(), 1u);
    EXPECT_FALSE(RequestDirectoryAccess(sheets(), "Pick", "Pick a folder", "cancelled"));
    EXPECT_TRUE(bookmarks().isEmpty());
}

TEST(SandboxPaths, KeysTildesAndComparison) {
    EXPECT_EQ(RegisterPath("/a/b"), "/a/b");
    EXPECT_EQ(ExpandTildeInPathForSystemUser("~/Sheets"), QDir::homePath() + "/Sheets");
    EXPECT_EQ(ExpandTildeInPathForSystemUser("/a/file~1"), "/a/file~1");
    EXPECT_TRUE(ComparePathsForSandbox("/a/b/", "/a/b"));
    EXPECT_FALSE(ComparePathsForSandbox("/a/c", "/a/b"));
}

} // namespace
