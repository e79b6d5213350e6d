#include "app/WelcomeWindowController.h"
#include "model/Globals.h"
#include "model/ModelObject.h"
#include "model/Preferences.h"
#include "model/Sheet.h"
#include "model/Task.h"
#include "platform/AlertPresenter.h"
#include "platform/ApplicationInfo.h"
#include "platform/AutoreleasePool.h"
#include "platform/Diagnostics.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "platform/calendar/FakeEventStore.h"
#include "windows/SavePanelPresenter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class WelcomeWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterModelClasses();
        QCoreApplication::setApplicationName(QStringLiteral("Jobslate"));
        m_home = qgetenv("HOME");
        m_data = qgetenv("XDG_DATA_HOME");
        qputenv("HOME", dir.filePath("home").toUtf8());
        qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
        QDir().mkpath(dir.filePath("home/Documents"));
        QDir().mkpath(dir.filePath("data"));
        UserDefaults::setStandardUserDefaults(&defaults);
        Workspace::setShared(&workspace);
        TWelcomeWindowController::setExitHandler([this](int code) { exitCodes << code; });
    }
    void TearDown() override {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        TWelcomeWindowController::setExitHandler(nullptr);
        Workspace::setShared(nullptr);
        UserDefaults::setStandardUserDefaults(nullptr);
        qputenv("HOME", m_home);
        qputenv("XDG_DATA_HOME", m_data);
    }
    QString defaultFolder() const { return dir.filePath("data/Jobslate/Sheets"); }

    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath("defaults.plist")};
    RecordingWorkspace workspace;
    ScopedScriptedAlertPresenter alerts;
    ScriptedSavePanelPresenter panels;
    Diagnostics::Capture capture;
    QList<int> exitCodes;

private:
    QByteArray m_home, m_data;
};

QStringList titles(const QList<WelcomeLocation>& locations) {
    QStringList out;
    for (const WelcomeLocation& location : locations) out << location.title;
    return out;
}

TEST_F(WelcomeWindowTest, LocationsOfThisSystem) {
    EXPECT_EQ(titles(TWelcomeWindowController::availableLocations()), (QStringList{"Default", "Custom"}));
    QDir().mkpath(dir.filePath("home/Dropbox"));
    const QList<WelcomeLocation> locations = TWelcomeWindowController::availableLocations();
    EXPECT_EQ(titles(locations), (QStringList{"Default", "Custom", "Dropbox"}));
    EXPECT_EQ(locations[0].where, dir.filePath("data/Jobslate"));
    EXPECT_EQ(locations[1].where, dir.filePath("home/Documents"));
    EXPECT_TRUE(locations[0].isDefault);
}

TEST_F(WelcomeWindowTest, DefaultMakesTheFolderAndCopiesTheSamples) {
    auto* controller = new TWelcomeWindowController;
    QPointer<QWidget> window = controller->window();
    EXPECT_EQ(controller->browser()->currentRow(), 0);
    controller->next();
    EXPECT_TRUE(panels.panels().empty());
    EXPECT_TRUE(alerts.questions().empty());
    EXPECT_EQ(defaults.stringForKey(kPreferenceKeySheetFolder), defaultFolder());
    EXPECT_EQ(defaults.stringForKey(kPreferenceKeyActiveSheet), defaultFolder() + "/demo.qxsheet");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());

    // The samples read as sheets; the demo holds a task card, a list and a note.
    AutoreleasePool pool;
    std::shared_ptr<FakeEventStore> store = FakeEventStore::create();
    SetEventStore(store);
    for (const QString& name : QDir(defaultFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        SCOPED_TRACE(name.toStdString());
        TSheet* sheet = TSheet::SheetFromPath(defaultFolder() + "/" + name);
        ASSERT_NE(sheet, nullptr);
        Ref<TSheet> held = Ref<TSheet>::retain(sheet);
        sheet->LoadCards();
        EXPECT_GT(sheet->GetCards()->Count(), 0);
        EXPECT_EQ(sheet->GetCards()->Count(), sheet->GetCardIdentifiers().size());
    }
    Ref<TSheet> demo = Ref<TSheet>::retain(TSheet::SheetFromPath(defaultFolder() + "/demo.qxsheet"));
    ASSERT_TRUE(demo);
    demo->LoadCards();
    QStringList classes;
    for (qint64 i = 0; i < demo->GetCards()->Count(); ++i)
        classes << demo->GetCards()->GetObjectValue(i)->ClassName();
    EXPECT_EQ(classes, (QStringList{"TJobslate", "TListCard", "TMemoleaf"}));
    SetEventStore(nullptr);
}

TEST_F(WelcomeWindowTest, DefaultSheetsStayApartFromTheCalendars) {
    // The calendar store lives in the data folder; the sheets must not take it in, nor offer to
    // replace it.
    QDir().mkpath(dir.filePath("data/Jobslate/calendars"));
    auto* controller = new TWelcomeWindowController;
    controller->next();
    EXPECT_TRUE(alerts.questions().empty());
    EXPECT_TRUE(workspace.requests.isEmpty());
    EXPECT_EQ(defaults.stringForKey(kPreferenceKeySheetFolder), defaultFolder());
    EXPECT_FALSE(QFileInfo::exists(defaultFolder() + "/calendars"));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("data/Jobslate/calendars")));
}

TEST_F(WelcomeWindowTest, ExistingFolderIsUsedAsItIs) {
    QDir().mkpath(defaultFolder() + "/Mine.qxsheet");
    auto* controller = new TWelcomeWindowController;
    alerts.setNextAnswer(NSAlertFirstButtonReturn); // "Use Folder"
    controller->next();
    ASSERT_EQ(alerts.questions().size(), 1u);
    EXPECT_EQ(alerts.questions()[0].alert.messageText, "Existing Folder");
    EXPECT_EQ(alerts.questions()[0].alert.buttons, (QStringList{"Use Folder", "Choose New", "Replace"}));
    EXPECT_EQ(defaults.stringForKey(kPreferenceKeySheetFolder), defaultFolder());
    EXPECT_FALSE(defaults.objectForKey(kPreferenceKeyActiveSheet).isValid());
    EXPECT_FALSE(QFileInfo::exists(defaultFolder() + "/demo.qxsheet"));
}

TEST_F(WelcomeWindowTest, ReplaceStopsWhenTheOldFolderStays) {
    QDir().mkpath(defaultFolder() + "/Mine.qxsheet");
    workspace.trashResult = false;
    auto* controller = new TWelcomeWindowController;
    QPointer<QWidget> window = controller->window();
    alerts.setNextAnswer(NSAlertThirdButtonReturn); // "Replace"
    controller->next();
    ASSERT_EQ(alerts.questions().size(), 2u);
    EXPECT_EQ(alerts.questions()[1].alert.messageText, "Error");
    EXPECT_FALSE(QFileInfo::exists(defaultFolder() + "/demo.qxsheet"));
    EXPECT_FALSE(defaults.objectForKey(kPreferenceKeySheetFolder).isValid());
    EXPECT_FALSE(window.isNull());
    EXPECT_TRUE(exitCodes.isEmpty());
    window->close();
}

TEST_F(WelcomeWindowTest, AFolderThatCannotBeMadeEndsWithAnError) {
    QFile blocker(dir.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("XDG_DATA_HOME", dir.filePath("blocker").toUtf8());
    auto* controller = new TWelcomeWindowController;
    QPointer<QWidget> window = controller->window();
    controller->next();
    ASSERT_EQ(alerts.questions().size(), 1u);
    EXPECT_EQ(alerts.questions()[0].alert.messageText, "Error");
    EXPECT_EQ(exitCodes, QList<int>{1});
    if (window) window->close();
}

TEST_F(WelcomeWindowTest, CustomAsksForTheFolderAndQuitForgetsEverything) {
    auto* controller = new TWelcomeWindowController;
    controller->selectRow(1);
    panels.setNextChoice(""); // cancelled: the window stays
    controller->next();
    EXPECT_FALSE(defaults.objectForKey(kPreferenceKeySheetFolder).isValid());
    panels.setNextChoice(dir.filePath("home/Documents/Sheets"));
    controller->next();
    EXPECT_EQ(panels.panels().back().title, "Choose Sheet Folder");
    EXPECT_EQ(defaults.stringForKey(kPreferenceKeySheetFolder), dir.filePath("home/Documents/Sheets"));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("home/Documents/Sheets/demo.qxsheet/info.plist")));

    defaults.setBoolForKey(true, kPreferenceKeyLaunchedFirstTime);
    auto* again = new TWelcomeWindowController;
    again->quit();
    for (const QString& key :
         {kPreferenceKeySheetFolder, kPreferenceKeyActiveSheet, kPreferenceKeyLaunchedFirstTime})
        EXPECT_FALSE(defaults.objectForKey(key).isValid());
}

} // namespace
