#include "foundation/Archiver.h"
#include "model/ModelFakes.h"
#include "model/ModelObject.h"
#include "model/Preferences.h"
#include "model/SheetManager.h"
#include "platform/AlertPresenter.h"
#include "platform/AtomicFile.h"
#include "platform/Diagnostics.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "utilities/StringPathUtilities.h"
#include "windows/SheetFolderWatcher.h"
#include "windows/SheetItemsFile.h"
#include "windows/SheetTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <functional>
#include <gtest/gtest.h>
#include <utility>

namespace {

class RecordingHost : public SheetTreeHost {
public:
    void nextSheet() override { calls << QStringLiteral("nextSheet"); }
    void setPreviewImage(TSheetManagerItem*, const QImage&) override { calls << QStringLiteral("preview"); }
    void notify(const QString& title, const QString& body) override { calls << title + ": " + body; }
    void directoryChanged() override { calls << QStringLiteral("directoryChanged"); }
    void reloadedInBackground() override { calls << QStringLiteral("reloaded"); }
    QStringList calls;
};

QStringList names(const TSheetManagerItem* parent) {
    QStringList result;
    for (qint64 i = 0; i < parent->ChildCount(); ++i) {
        auto* child = static_cast<TSheetManagerItem*>(parent->GetChild(i));
        result << (MemberOfClass(child, TSheetManagerSeperatorItem::StaticClass())
                       ? QStringLiteral("---")
                       : QFileInfo(child->GetPath()).fileName());
    }
    return result;
}

// Answers as scripted, first running m_during once inside the question's event loop.
class ActingPresenter : public ScriptedAlertPresenter {
public:
    int runModal(const Alert& alert, QObject* window) override {
        if (auto during = std::exchange(m_during, {})) during();
        return ScriptedAlertPresenter::runModal(alert, window);
    }
    std::function<void()> m_during;
};

class SheetTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterModelClasses();
        UserDefaults::setStandardUserDefaults(&defaults);
        defaults.setBoolForKey(true, kPreferenceKeyShowGroupRowsInBrowser);
        Workspace::setShared(&workspace);
        manager()->SetDelegate(&app);
        folder = dir.filePath("Sheets");
        QDir().mkpath(folder);
        QDir().mkpath(dir.filePath("Trash"));
        workspace.trashFolder = dir.filePath("Trash");
        tree.setSheetFolderPath(folder);
    }
    void TearDown() override {
        manager()->Close();
        manager()->UnregisterAllSheets();
        clock.scheduler.advance(1); // retired windows go
        manager()->SetDelegate(nullptr);
        Workspace::setShared(nullptr);
        UserDefaults::setStandardUserDefaults(nullptr);
    }
    static TSheetManager* manager() { return TSheetManager::SharedManager(); }
    // A sheet bundle made as another copy of the program would, then forgotten here.
    QString makeSheet(const QString& relative) {
        const QString path = folder + "/" + relative;
        QDir().mkpath(QFileInfo(path).path());
        TSheet* sheet = manager()->RegisterSheet(path);
        manager()->UnregisterSheet(sheet);
        return path;
    }
    // Moves the folder's date on, as a change by another device does.
    void touch(const QString& path) {
        const QDateTime later = TSheet::FolderDate(path).addSecs(30);
        ASSERT_TRUE(StringPathUtilities::setFileAttributeObjectValueError(
            path, StringPathUtilities::kNSFileModificationDate, later));
    }
    ScopedManualScheduler clock;
    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath("defaults.plist")};
    RecordingWorkspace workspace;
    ScopedScriptedAlertPresenter alerts;
    RecordingAppController app;
    Diagnostics::Capture capture;
    RecordingHost host;
    QString folder;
    SheetTree tree{&host};
};

TEST_F(SheetTreeTest, ReconcilesStoredOrderWithTheFolder) {
    makeSheet("A.qxsheet");
    makeSheet("B.qxsheet");
    makeSheet("Sub/Inner/C.qxsheet");
    QDir().mkpath(folder + "/notasheet.QXSHEET");
    {
        // Stored: b (case differs), a separator, a bundle since removed, a stray path.
        Ref<TSheetManagerItem> root = Ref<TSheetManagerItem>::adopt(TSheetManagerItem::Create(nullptr));
        for (const char* name :
             std::initializer_list<const char*>{"b.qxsheet", nullptr, "Gone.qxsheet", "../../B.qxsheet"}) {
            TSheetManagerItem* item =
                name ? TSheetManagerItem::Create(nullptr)
                     : static_cast<TSheetManagerItem*>(TSheetManagerSeperatorItem::Create());
            if (name) item->SetPath(QString::fromLatin1(name));
            root->AddChild(item);
            item->Release();
        }
        ASSERT_TRUE(SheetItemsFile::write(folder, root.get()));
    }
    const QByteArray stored = [&] {
        QFile file(SheetItemsFile::path(folder));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    EXPECT_TRUE(stored.contains("TSheetManagerSeperatorItem"));
    EXPECT_FALSE(stored.contains(dir.path().toUtf8()));

    tree.reload();
    TSheetManagerItem* root = tree.root();
    ASSERT_NE(root, nullptr);
    // The stray name stands for B in this folder and claims it before the case-insensitive b.
    EXPECT_EQ(names(root), (QStringList{"---", "B.qxsheet", "A.qxsheet", "Sub"}));
    auto* sub = static_cast<TSheetManagerItem*>(root->GetChild(3));
    EXPECT_TRUE(MemberOfClass(sub, TSheetManagerGroupItem::StaticClass()));
    ASSERT_EQ(names(sub), QStringList{"Inner"});
    EXPECT_EQ(names(static_cast<TSheetManagerItem*>(sub->GetChild(0))), QStringList{"C.qxsheet"});
    for (int i : {1, 2}) {
        auto* item = static_cast<TSheetManagerItem*>(root->GetChild(i));
        ASSERT_NE(item->GetSheet(), nullptr);
        EXPECT_EQ(item->GetPath(), folder + "/" + names(root)[i]);
        EXPECT_TRUE(tree.containsSheet(item->GetSheet()));
    }
    EXPECT_TRUE(tree.sheetItemsModifiedDate().isValid());

    // Read back from the file as a fresh browser would: the same tree.
    SheetTree again(&host);
    again.setSheetFolderPath(folder);
    again.reload();
    EXPECT_EQ(names(again.root()), names(root));

    // Without group rows every sheet lands at the top level.
    defaults.setBoolForKey(false, kPreferenceKeyShowGroupRowsInBrowser);
    tree.reload();
    EXPECT_EQ(names(tree.root()), (QStringList{"A.qxsheet", "B.qxsheet", "C.qxsheet"}));

    // A renamed folder: the old group goes, the new one comes last.
    defaults.setBoolForKey(true, kPreferenceKeyShowGroupRowsInBrowser);
    tree.reload();
    ASSERT_TRUE(QDir(folder).rename("Sub", "Renamed"));
    tree.reload();
    EXPECT_EQ(names(tree.root()).last(), "Renamed");
    EXPECT_FALSE(names(tree.root()).contains("Sub"));
    EXPECT_TRUE(capture.lines().contains("- " + folder + "/Sub was removed from "));
}

// Stored names that no sheet bundle or plain folder of their kind stands for leave the tree, so no
// item ever points at the sheet folder, its parent, a hidden entry or a plain file.
TEST_F(SheetTreeTest, StoredNamesOutsideTheFolderOrOfAnotherKindLeaveTheTree) {
    makeSheet("A.qxsheet");
    QDir().mkpath(folder + "/.hidden");
    QDir().mkpath(folder + "/Notes");
    QFile plain(folder + "/readme.txt");
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    {
        Ref<TSheetManagerItem> root = Ref<TSheetManagerItem>::adopt(TSheetManagerItem::Create(nullptr));
        const auto add = [&](const char* name, bool group) {
            TSheetManagerItem* item = group ? TSheetManagerGroupItem::Create(QString::fromLatin1(name))
                                            : TSheetManagerItem::Create(nullptr);
            item->SetPath(QString::fromLatin1(name));
            root->AddChild(item);
            item->Release();
        };
        add("..", true);
        add(".", true);
        add(".hidden", true);
        add("readme.txt", true);
        add("A.qxsheet", false);
        add("A.qxsheet", false);
        add("Notes", false);    // a sheet item named like a plain folder
        add("A.qxsheet", true); // a group item named like a sheet bundle
        ASSERT_TRUE(SheetItemsFile::write(folder, root.get()));
    }
    tree.reload();
    TSheetManagerItem* root = tree.root();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(names(root), (QStringList{"A.qxsheet", "Notes"}));
    ASSERT_NE(static_cast<TSheetManagerItem*>(root->GetChild(0))->GetSheet(), nullptr);
    EXPECT_TRUE(MemberOfClass(root->GetChild(1), TSheetManagerGroupItem::StaticClass()));
    for (TSheetManagerItem* item : SheetTree::descendants(root))
        EXPECT_TRUE(item->GetPath().startsWith(folder + "/") && !item->GetPath().contains("/."))
            << item->GetPath().toStdString();
}

// A link back up to the sheet folder is neither a group nor walked, with or without group rows.
TEST_F(SheetTreeTest, ALinkBackUpIsNotWalked) {
    makeSheet("A.qxsheet");
    makeSheet("Sub/B.qxsheet");
    ASSERT_TRUE(QFile::link("..", folder + "/Sub/up"));
    ASSERT_TRUE(QFile::link(folder, folder + "/Sub/top"));
    tree.reload();
    ASSERT_EQ(names(tree.root()), (QStringList{"A.qxsheet", "Sub"}));
    EXPECT_EQ(names(static_cast<TSheetManagerItem*>(tree.root()->GetChild(1))), QStringList{"B.qxsheet"});
    defaults.setBoolForKey(false, kPreferenceKeyShowGroupRowsInBrowser);
    tree.reload();
    EXPECT_EQ(names(tree.root()), (QStringList{"A.qxsheet", "B.qxsheet"}));
}

// A bundle reached through a link and by its own path is one registered sheet, reload after reload.
TEST_F(SheetTreeTest, ABundleReachedTwiceIsOneSheet) {
    makeSheet("Sub/A.qxsheet");
    ASSERT_TRUE(QFile::link(folder + "/Sub", folder + "/Linked"));
    ASSERT_TRUE(QFile::link(folder + "/Sub/A.qxsheet", folder + "/Alias.qxsheet"));
    for (int pass = 0; pass < 2; ++pass) {
        tree.reload();
        ASSERT_EQ(names(tree.root()), (QStringList{"Alias.qxsheet", "Linked", "Sub"})) << pass;
        const auto* linked = static_cast<TSheetManagerItem*>(tree.root()->GetChild(1));
        const auto* sub = static_cast<TSheetManagerItem*>(tree.root()->GetChild(2));
        ASSERT_EQ(linked->ChildCount(), 1);
        ASSERT_EQ(sub->ChildCount(), 1);
        TSheet* sheet = static_cast<TSheetManagerItem*>(sub->GetChild(0))->GetSheet();
        EXPECT_NE(sheet, nullptr);
        EXPECT_EQ(static_cast<TSheetManagerItem*>(linked->GetChild(0))->GetSheet(), sheet);
        EXPECT_EQ(static_cast<TSheetManagerItem*>(tree.root()->GetChild(0))->GetSheet(), sheet);
        EXPECT_EQ(manager()->GetSheets()->Count(), 1);
    }
}

TEST_F(SheetTreeTest, AnUnreadableBundleIsReportedOnceAndLeftOut) {
    makeSheet("Good.qxsheet");
    QDir().mkpath(folder + "/Broken.qxsheet");
    tree.reload();
    tree.reload();
    EXPECT_EQ(names(tree.root()), QStringList{"Good.qxsheet"});
    ASSERT_EQ(alerts.questions().size(), 1u);
    EXPECT_EQ(alerts.questions()[0].alert.messageText,
              "The sheet \"Broken.qxsheet\" could not be unarchived due to an error.");
}

// A damaged list is kept beside the new one and named to the person; the sheets are listed all the same.
TEST_F(SheetTreeTest, AnUnreadableListIsKeptAsideAndReported) {
    makeSheet("A.qxsheet");
    makeSheet("B.qxsheet");
    const QByteArray notATree = "<?xml version=\"1.0\"?><plist version=\"1.0\"><array/></plist>";
    const QList<QByteArray> damaged{"<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>sys", "",
                                    notATree};
    const QString file = SheetItemsFile::path(folder);
    for (qsizetype i = 0; i < damaged.size(); ++i) {
        SCOPED_TRACE(i);
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(damaged[i]);
        out.close();
        SheetTree fresh(&host);
        fresh.setSheetFolderPath(folder);
        fresh.reload();

        EXPECT_EQ(names(fresh.root()), (QStringList{"A.qxsheet", "B.qxsheet"}));
        const QString kept =
            folder + (i == 0 ? QStringLiteral("/SheetItems (unreadable).plist")
                             : QStringLiteral("/SheetItems (unreadable %1).plist").arg(i + 1));
        QFile copy(kept);
        ASSERT_TRUE(copy.open(QIODevice::ReadOnly)) << kept.toStdString();
        EXPECT_EQ(copy.readAll(), damaged[i]);
        ASSERT_EQ(alerts.questions().size(), size_t(i + 1));
        EXPECT_EQ(alerts.questions().back().alert.messageText,
                  QStringLiteral("The sheet list \"%1\" could not be read.").arg(file));
        EXPECT_TRUE(alerts.questions().back().alert.informativeText.contains(QFileInfo(kept).fileName()));
        // The new list is whole and read back without a question.
        Ref<TSheetManagerItem> stored = Ref<TSheetManagerItem>::adopt(SheetItemsFile::read(folder));
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->ChildCount(), 2);
    }
}

// The question comes after the pass: a sheet reloaded while it is up (an autosave taking another
// device's version) is not found again, freed, by a later bundle of the same pass.
TEST_F(SheetTreeTest, ASheetReloadedDuringTheUnreadableQuestionIsNotReusedFreed) {
    ActingPresenter presenter;
    AlertPresenter::setShared(&presenter);
    const QString path = makeSheet("B.qxsheet");
    tree.reload();
    QDir().mkpath(folder + "/A broken.qxsheet");
    presenter.m_during = [&] {
        TSheetManagerItem* item = tree.root()->FindItem(path, false);
        item->SetSheet(manager()->Reload(item->GetSheet()));
    };
    tree.reload();
    AlertPresenter::setShared(&alerts);
    ASSERT_EQ(presenter.questions().size(), 1u);
    TSheet* sheet = tree.root()->FindItem(path, false)->GetSheet();
    ASSERT_TRUE(manager()->ContainsSheet(sheet));
    EXPECT_EQ(sheet->GetPath(), path);
    EXPECT_EQ(manager()->GetSheets()->Count(), 1);
}

TEST_F(SheetTreeTest, AFailedWriteOfTheListIsReported) {
    makeSheet("A.qxsheet");
    AtomicFile::setBeforeRenameHook([](const QString&) { return false; });
    tree.reload();
    AtomicFile::setBeforeRenameHook({});
    EXPECT_FALSE(QFileInfo::exists(SheetItemsFile::path(folder)));
    EXPECT_FALSE(tree.sheetItemsModifiedDate().isValid());
    EXPECT_TRUE(capture.lines().join('\n').contains("Warning: The sheet list could not be written"));
}

TEST_F(SheetTreeTest, AnExternalChangeToTheActiveSheetKeepsBothVersions) {
    const QString path = makeSheet("Plans.qxsheet");
    tree.reload();
    TSheet* sheet = tree.root()->FindItem(path, false)->GetSheet();
    manager()->Open(sheet);
    Ref<TCard> card = Ref<TCard>::adopt(TCard::Create(QStringLiteral("Mine")));
    manager()->AddCard(card.get());
    manager()->Save();
    const QString file = sheet->GetCardPath(card->GetUUID());

    // Only the folder's date moved: no file this sheet read or wrote changed, so nothing is asked.
    clock.scheduler.advance(5);
    touch(path);
    tree.reload();
    EXPECT_TRUE(alerts.questions().empty());
    EXPECT_EQ(TSheet::FolderDate(path), sheet->GetModifiedDate());

    // "No": this version is written over the other device's, which goes to the Trash first.
    clock.scheduler.advance(5);
    ASSERT_TRUE(retitleCardFile(file, "Theirs"));
    touch(path);
    card->SetTitle("Mine, changed");
    alerts.setNextAnswer(NSAlertFirstButtonReturn);
    tree.reload();
    ASSERT_EQ(alerts.questions().size(), 2u);
    EXPECT_EQ(alerts.questions()[0].alert.messageText, "Resolve Conflict");
    EXPECT_EQ(alerts.questions()[1].alert.messageText, "The other device's version was moved to the Trash.");
    EXPECT_EQ(manager()->GetActiveSheet(), sheet);
    EXPECT_EQ(TSheet::FolderDate(path), sheet->GetModifiedDate());
    EXPECT_EQ(storedCardTitles(path), QStringList{"Mine, changed"});
    EXPECT_EQ(storedCardTitles(dir.filePath("Trash")), QStringList{"Theirs"});

    // "Yes": the other device's version is read again; the unsaved edit goes to the Trash.
    clock.scheduler.advance(5);
    ASSERT_TRUE(retitleCardFile(file, "Theirs again"));
    touch(path);
    card->SetTitle("Edited here");
    alerts.setNextAnswer(NSAlertSecondButtonReturn);
    tree.reload();
    TSheet* fresh = manager()->GetActiveSheet();
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(tree.root()->FindItem(path, false)->GetSheet(), fresh);
    EXPECT_EQ(storedCardTitles(path), QStringList{"Theirs again"});
    QStringList trashed = storedCardTitles(dir.filePath("Trash"));
    trashed.sort();
    EXPECT_EQ(trashed, (QStringList{"Edited here", "Theirs"}));
}

// A card another device added, seen by the folder watcher: after "No" it is shown with the sheet's
// cards at once, and its file stays.
TEST_F(SheetTreeTest, ACardAddedElsewhereIsShownWhenTheWatcherSeesIt) {
    const QString path = makeSheet("Plans.qxsheet");
    tree.reload();
    TSheet* sheet = tree.root()->FindItem(path, false)->GetSheet();
    manager()->Open(sheet);
    Ref<TCard> mine = Ref<TCard>::adopt(TCard::Create(QStringLiteral("Mine")));
    manager()->AddCard(mine.get());
    manager()->Save();

    clock.scheduler.advance(5);
    Ref<TCard> added = Ref<TCard>::adopt(TCard::Create(QStringLiteral("Added")));
    TArchiver* archiver = added->CopyArchive();
    ASSERT_EQ(archiver->Save(path + "/" + added->GetUUID() + ".qxcard"), 0);
    archiver->Release();
    touch(path);
    mine->SetTitle("Mine, changed");
    app.calls.clear();
    alerts.setNextAnswer(NSAlertFirstButtonReturn);
    tree.reload();
    ASSERT_FALSE(alerts.questions().empty());
    EXPECT_EQ(alerts.questions()[0].alert.messageText, "Resolve Conflict");
    EXPECT_EQ(manager()->GetActiveSheet(), sheet);
    ASSERT_NE(sheet->FindCardWithUUID(added->GetUUID()), nullptr);
    EXPECT_NE(manager()->GetController(sheet->FindCardWithUUID(added->GetUUID())), nullptr);
    EXPECT_TRUE(app.calls.contains("makeControllerForCard"));
    QStringList stored = storedCardTitles(path);
    stored.sort();
    EXPECT_EQ(stored, (QStringList{"Added", "Mine, changed"}));
    EXPECT_TRUE(sheet->GetCardIdentifiers().contains(added->GetUUID()));
}

// A reload asked for while the conflict question is up (the folder watcher firing inside the
// question's event loop) waits for the running one: one question, no items freed under it.
TEST_F(SheetTreeTest, AReloadAskedForDuringAQuestionRunsAfterIt) {
    ActingPresenter presenter;
    AlertPresenter::setShared(&presenter);
    const QString path = makeSheet("Plans.qxsheet");
    makeSheet("Other.qxsheet");
    tree.reload();
    TSheet* sheet = tree.root()->FindItem(path, false)->GetSheet();
    manager()->Open(sheet);
    Ref<TCard> card = Ref<TCard>::adopt(TCard::Create(QStringLiteral("Mine")));
    manager()->AddCard(card.get());
    manager()->Save();
    clock.scheduler.advance(5);
    ASSERT_TRUE(retitleCardFile(sheet->GetCardPath(card->GetUUID()), "Theirs"));
    touch(path);
    presenter.setNextAnswer(NSAlertSecondButtonReturn);
    presenter.setNextAnswer(NSAlertSecondButtonReturn);
    presenter.m_during = [&] {
        // Another writer changed the list too: a reload now would drop the tree being walked.
        ASSERT_TRUE(StringPathUtilities::setFileAttributeObjectValueError(
            SheetItemsFile::path(folder), StringPathUtilities::kNSFileModificationDate,
            tree.sheetItemsModifiedDate().addSecs(30)));
        tree.reload();
    };
    tree.reload();
    AlertPresenter::setShared(&alerts);
    EXPECT_EQ(presenter.questions().size(), 1u);
    TSheet* fresh = manager()->GetActiveSheet();
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(tree.root()->FindItem(path, false)->GetSheet(), fresh);
    EXPECT_EQ(names(tree.root()), (QStringList{"Other.qxsheet", "Plans.qxsheet"}));
}

TEST_F(SheetTreeTest, AnInactiveSheetChangedElsewhereReloadsAndNotifiesWhenAsked) {
    const QString path = makeSheet("Plans.qxsheet");
    tree.reload();
    defaults.setBoolForKey(true, kPreferenceKeySheetChangeNotifications);
    touch(path);
    tree.reload();
    EXPECT_TRUE(alerts.questions().empty());
    EXPECT_TRUE(
        host.calls.contains("Sheet Modified: The sheet \"Plans\" has been updated to reflect changes."));
    TSheet* now = tree.root()->FindItem(path, false)->GetSheet();
    ASSERT_NE(now, nullptr);
    EXPECT_TRUE(manager()->ContainsSheet(now));
}

TEST_F(SheetTreeTest, TheWatcherSeesOtherProcessesAndIgnoresOwnWrites) {
    makeSheet("A.qxsheet");
    tree.reload();
    SheetFolderWatcher* watcher = tree.directoryMonitor();
    ASSERT_NE(watcher, nullptr);
    EXPECT_TRUE(watcher->watchedFolders().contains(folder));

    // Our own save of the list and of a sheet: nothing to report.
    tree.saveState();
    watcher->pathChanged(folder);
    clock.scheduler.advance(SheetFolderWatcher::kLatency);
    watcher->waitForRescan();
    clock.scheduler.advance(0);
    EXPECT_FALSE(host.calls.contains("directoryChanged"));

    // A bundle copied in by another process, then the latency and one pass.
    const QString source = dir.filePath("Elsewhere/New.qxsheet");
    QDir().mkpath(QFileInfo(source).path());
    {
        TSheet* sheet = manager()->RegisterSheet(source);
        manager()->UnregisterSheet(sheet);
    }
    ASSERT_EQ(QProcess::execute("cp", {"-r", source, folder + "/New.qxsheet"}), 0);
    watcher->pathChanged(folder);
    clock.scheduler.advance(SheetFolderWatcher::kLatency - 0.5);
    EXPECT_FALSE(host.calls.contains("directoryChanged"));
    clock.scheduler.advance(0.5);
    // Read on a worker: nothing is reported before the read is compared.
    EXPECT_TRUE(watcher->isRescanning());
    clock.scheduler.advance(0);
    EXPECT_FALSE(host.calls.contains("directoryChanged"));
    watcher->waitForRescan();
    clock.scheduler.advance(0);
    EXPECT_EQ(host.calls.count("directoryChanged"), 1);
    EXPECT_TRUE(watcher->watchedFolders().contains(folder + "/New.qxsheet"));
    tree.reload();
    EXPECT_EQ(names(tree.root()), (QStringList{"A.qxsheet", "New.qxsheet"}));

    // A new sheet folder: the watcher follows it.
    const QString other = dir.filePath("Other");
    QDir().mkpath(other);
    tree.setSheetFolderPath(other);
    EXPECT_EQ(watcher->watchedFolders(), QStringList{other});
    EXPECT_EQ(tree.root(), nullptr);
}

TEST_F(SheetTreeTest, AReloadInTheBackgroundAppliesTheNewestReadOnly) {
    makeSheet("A.qxsheet");
    tree.reload();
    makeSheet("B.qxsheet");
    tree.reloadInBackground();
    EXPECT_TRUE(tree.isReloadingInBackground());
    // Nothing changes here before the read is applied.
    EXPECT_EQ(names(tree.root()), (QStringList{"A.qxsheet"}));
    // Asked again while reading: the first read is dropped and the folder read anew.
    makeSheet("C.qxsheet");
    tree.reloadInBackground();
    tree.waitForBackgroundReload();
    EXPECT_FALSE(tree.isReloadingInBackground());
    EXPECT_EQ(names(tree.root()), (QStringList{"A.qxsheet", "B.qxsheet", "C.qxsheet"}));
    EXPECT_EQ(host.calls.count("reloaded"), 1);

    // Through the event loop as in the program.
    makeSheet("D.qxsheet");
    tree.reloadInBackground();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !tree.isReloadingInBackground(); }, 5000));
    EXPECT_EQ(names(tree.root()).last(), "D.qxsheet");
    EXPECT_EQ(host.calls.count("reloaded"), 2);
}

TEST_F(SheetTreeTest, AReadInTheBackgroundOverTakenByAReloadOrANewFolderIsDropped) {
    makeSheet("A.qxsheet");
    tree.reload();
    const QString other = dir.filePath("Other");
    QDir().mkpath(other);
    for (const auto& overtake : std::vector<std::function<void()>>{[&] { tree.reload(); },
                                                                   [&] { tree.setSheetFolderPath(other); }}) {
        tree.reloadInBackground();
        overtake();
        const QStringList shown = tree.root() ? names(tree.root()) : QStringList{"none"};
        tree.waitForBackgroundReload();
        EXPECT_EQ(tree.root() ? names(tree.root()) : QStringList{"none"}, shown);
    }
    EXPECT_FALSE(host.calls.contains("reloaded"));
}

// A sheet made here after the read took its listing stays: the read is made again, not applied.
TEST_F(SheetTreeTest, ASheetMadeHereDuringAReadInTheBackgroundStays) {
    makeSheet("A.qxsheet");
    tree.reload();
    tree.reloadInBackground();
    // The listing is taken; its result waits for the event loop.
    ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(5000));
    const QString path = makeSheet("New.qxsheet");
    TSheet* sheet = manager()->RegisterSheet(path);
    TSheetManagerItem* item = TSheetManagerItem::Create(sheet);
    tree.root()->AddChild(item);
    item->Release();
    ASSERT_TRUE(tree.saveState());
    tree.waitForBackgroundReload();
    EXPECT_EQ(names(tree.root()), (QStringList{"A.qxsheet", "New.qxsheet"}));
    EXPECT_TRUE(manager()->ContainsSheet(sheet));
}

TEST_F(SheetTreeTest, ATreeGoneDuringARead) {
    for (int i = 0; i < 20; ++i) makeSheet(QStringLiteral("S%1.qxsheet").arg(i));
    {
        SheetTree gone(&host);
        gone.setSheetFolderPath(folder);
        gone.reloadInBackground();
        gone.directoryMonitor()->rescan();
    }
    ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(5000));
    QCoreApplication::processEvents();
    EXPECT_FALSE(host.calls.contains("reloaded"));
}

// A bundle removed between the read and its application is gone, not unreadable.
TEST_F(SheetTreeTest, ABundleGoneSinceTheReadIsNoUnreadableSheet) {
    makeSheet("A.qxsheet");
    tree.reload();
    const QString late = makeSheet("Late.qxsheet");
    const SheetFolderScan scan = tree.scanJob()();
    ASSERT_TRUE(QDir(late).removeRecursively());
    tree.apply(scan);
    tree.reload();
    EXPECT_EQ(names(tree.root()), QStringList{"A.qxsheet"});
    EXPECT_TRUE(alerts.questions().empty());
}

TEST_F(SheetTreeTest, ARescanAskedForWhileReadingReadsAgain) {
    tree.reload();
    SheetFolderWatcher* watcher = tree.directoryMonitor();
    watcher->rescan();
    makeSheet("Late.qxsheet");
    watcher->rescan();
    watcher->waitForRescan();
    clock.scheduler.advance(0);
    EXPECT_EQ(host.calls.count("directoryChanged"), 1);
    EXPECT_TRUE(watcher->watchedFolders().contains(folder + "/Late.qxsheet"));
}

} // namespace
