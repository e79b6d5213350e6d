#include "ModelFakes.h"
#include "foundation/Archiver.h"
#include "model/ListCard.h"
#include "model/Memoleaf.h"
#include "model/SheetConverter.h"
#include "model/SheetManager.h"
#include "model/Task.h"
#include "platform/AlertPresenter.h"
#include "platform/ApplicationInfo.h"
#include "platform/AtomicFile.h"
#include "platform/Diagnostics.h"
#include "platform/PanelPresenter.h"
#include "platform/PlistCodec.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "utilities/StringPathUtilities.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QStringList listedCards(const QString& sheetPath) {
    return PlistCodec::decode(readAll(sheetPath + "/info.plist")).toMap()["cards"].toStringList();
}

// Rewrites one key of a property-list file (removes it for an invalid value), as another program would.
void rewriteKey(const QString& path, const QString& key, const QVariant& value) {
    QVariantMap map = PlistCodec::decode(readAll(path)).toMap();
    if (value.isValid())
        map[key] = value;
    else
        map.remove(key);
    QByteArray bytes;
    ASSERT_TRUE(PlistCodec::encode(map, &bytes));
    writeAll(path, bytes);
}

QString storedKey(const QString& path, const QString& key) {
    return PlistCodec::decode(readAll(path)).toMap().value(key).toString();
}

class SheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterModelClasses();
        UserDefaults::setStandardUserDefaults(&defaults);
        Workspace::setShared(&workspace);
    }
    void TearDown() override {
        Workspace::setShared(nullptr);
        UserDefaults::setStandardUserDefaults(nullptr);
    }
    QString sheetPath() const { return dir.filePath("Plans.qxsheet"); }
    // A saved sheet with two cards, read back from disk with its cards loaded.
    Ref<TSheet> savedSheet() {
        {
            Ref<TSheet> sheet = Ref<TSheet>::adopt(TSheet::Create(sheetPath()));
            for (const char* title : {"One", "Two"}) {
                Ref<TCard> card = Ref<TCard>::adopt(TListCard::Create(QString::fromLatin1(title)));
                sheet->AddCard(card.get());
            }
            EXPECT_TRUE(sheet->Save());
        }
        Ref<TSheet> sheet = Ref<TSheet>::retain(TSheet::SheetFromPath(sheetPath()));
        sheet->LoadCards();
        return sheet;
    }
    // The sheet open in the shared manager, with one card "One" saved.
    TSheet* openSavedSheet(RecordingAppController* app, Ref<TCard>* card) {
        TSheetManager* manager = TSheetManager::SharedManager();
        manager->SetDelegate(app);
        TSheet* sheet = manager->RegisterSheet(sheetPath());
        manager->Open(sheet);
        *card = Ref<TCard>::adopt(TListCard::Create(QStringLiteral("One")));
        manager->AddCard(card->get());
        manager->Save();
        return sheet;
    }
    ScopedManualScheduler clock;
    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath("defaults.plist")};
    RecordingWorkspace workspace;
    ScopedScriptedAlertPresenter alerts;
    Diagnostics::Capture capture;
};

TEST_F(SheetTest, SavesWriteOnlyWhatChanged) {
    Ref<TSheet> sheet = savedSheet();
    ASSERT_EQ(sheet->GetCards()->Count(), 2);
    EXPECT_TRUE(QFileInfo::exists(sheetPath() + "/info.plist"));
    EXPECT_FALSE(sheet->IsModified());
    const QString one =
        sheet->GetCardPath(static_cast<TCard*>(sheet->GetCards()->GetObjectValue(0))->GetUUID());
    const QDateTime written = QFileInfo(one).lastModified();
    const QByteArray info = readAll(sheetPath() + "/info.plist");
    clock.scheduler.advance(5);
    EXPECT_TRUE(sheet->Save());
    EXPECT_EQ(QFileInfo(one).lastModified(), written);
    EXPECT_EQ(readAll(sheetPath() + "/info.plist"), info);

    QFile::remove(one); // deleted by hand: written again though nothing changed
    EXPECT_TRUE(sheet->Save());
    EXPECT_TRUE(QFileInfo::exists(one));

    static_cast<TCard*>(sheet->GetCards()->GetObjectValue(1))->SetTitle("Changed");
    EXPECT_TRUE(sheet->IsModified());
    EXPECT_TRUE(sheet->Save());
    EXPECT_FALSE(sheet->IsModified());
    Ref<TSheet> again = Ref<TSheet>::retain(TSheet::SheetFromPath(sheetPath()));
    again->LoadCards();
    EXPECT_EQ(static_cast<TCard*>(again->GetCards()->GetObjectValue(1))->GetTitle(), "Changed");
}

TEST_F(SheetTest, FailedWritesKeepTheFlags) {
    Ref<TSheet> sheet = savedSheet();
    auto* card = static_cast<TCard*>(sheet->GetCards()->GetObjectValue(0));
    const QString path = sheet->GetCardPath(card->GetUUID());
    const QByteArray before = readAll(path);
    AtomicFile::setBeforeRenameHook([](const QString&) { return false; });
    card->SetTitle("Unsaved");
    EXPECT_FALSE(sheet->Save());
    AtomicFile::setBeforeRenameHook({});
    EXPECT_TRUE(card->IsModified());
    EXPECT_EQ(readAll(path), before);
    EXPECT_TRUE(sheet->Save());
    EXPECT_FALSE(card->IsModified());
}

TEST_F(SheetTest, UnreadableMissingAndLateCardFilesSurviveASave) {
    QStringList uuids;
    {
        Ref<TSheet> sheet = savedSheet();
        for (TObject* card : *sheet->GetCards()) uuids << static_cast<TCard*>(card)->GetUUID();
    }
    const QString broken = sheetPath() + "/" + uuids[0] + ".qxcard";
    writeAll(broken, "garbage");
    QFile::remove(sheetPath() + "/" + uuids[1] + ".qxcard"); // a sync still under way
    const QString stray = sheetPath() + "/ABANDONED.qxcard";
    writeAll(stray, "old");

    Ref<TSheet> sheet = Ref<TSheet>::retain(TSheet::SheetFromPath(sheetPath()));
    sheet->LoadCards();
    EXPECT_EQ(sheet->GetCards()->Count(), 0);
    ASSERT_EQ(alerts.questions().size(), 1u);
    EXPECT_EQ(alerts.questions()[0].alert.messageText, "Error Loading Sheet");
    const QString late = sheetPath() + "/LATE.qxcard";
    writeAll(late, "from another device");

    Ref<TCard> added = Ref<TCard>::adopt(TCard::Create(QStringLiteral("New")));
    sheet->AddCard(added.get());
    EXPECT_TRUE(sheet->Save());
    // The late file came from elsewhere: asked about, kept and listed, though it can't be read.
    EXPECT_EQ(alerts.questions().back().alert.messageText, "Resolve Conflict");
    EXPECT_EQ(listedCards(sheetPath()), (QStringList{uuids[0], uuids[1], added->GetUUID(), "LATE"}));
    EXPECT_EQ(readAll(broken), "garbage");
    EXPECT_TRUE(QFileInfo::exists(late));
    ASSERT_EQ(workspace.requests.size(), 1);
    EXPECT_EQ(workspace.requests[0], (RecordingWorkspace::Request{"moveToTrash", {stray}}));
}

TEST_F(SheetTest, MissingInfoPlistIsAnErrorNotAnException) {
    QDir().mkpath(dir.filePath("Empty.qxsheet"));
    EXPECT_EQ(TSheet::SheetFromPath(dir.filePath("Empty.qxsheet")), nullptr);
    EXPECT_EQ(TSheetManager::SharedManager()->RegisterSheet(dir.filePath("Empty.qxsheet")), nullptr);
}

TEST_F(SheetTest, ConflictsAskAndYesReloadsOnce) {
    RecordingAppController app;
    TSheetManager* manager = TSheetManager::SharedManager();
    manager->SetDelegate(&app);
    TSheet* sheet = manager->RegisterSheet(sheetPath());
    Ref<TCard> card = Ref<TCard>::adopt(TCard::Create(QStringLiteral("Mine")));
    manager->Open(sheet);
    manager->AddCard(card.get());
    manager->Save();

    // Another device rewrites the card; "No" keeps this version.
    const QString file = sheet->GetCardPath(card->GetUUID());
    const auto rewrite = [&](const QString& title) {
        ASSERT_TRUE(retitleCardFile(file, title));
        clock.scheduler.advance(2);
    };
    rewrite("Theirs");
    card->SetTitle("Mine, changed");
    alerts.setNextAnswer(NSAlertFirstButtonReturn);
    manager->Save();
    ASSERT_EQ(alerts.questions().size(), 2u);
    EXPECT_EQ(alerts.questions()[0].alert.messageText, "Resolve Conflict");
    EXPECT_FALSE(card->IsModified());

    // "Yes" takes the other version: the sheet is read again at once and not asked about again.
    rewrite("Theirs again");
    card->SetTitle("Discarded");
    alerts.setNextAnswer(NSAlertSecondButtonReturn);
    manager->Save();
    EXPECT_EQ(alerts.questions().size(), 4u);
    TSheet* fresh = manager->GetActiveSheet();
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(fresh, sheet);
    EXPECT_EQ(static_cast<TCard*>(fresh->GetCards()->GetObjectValue(0))->GetTitle(), "Theirs again");
    manager->Save();
    EXPECT_EQ(alerts.questions().size(), 4u);
    manager->Close();
    manager->UnregisterAllSheets();
    manager->SetDelegate(nullptr);
    clock.scheduler.advance(1);
}

TEST_F(SheetTest, YesAfterATabCardChangedTakesTheOtherVersionOnce) {
    RecordingAppController app;
    TSheetManager* manager = TSheetManager::SharedManager();
    manager->SetDelegate(&app);
    TSheet* sheet = manager->RegisterSheet(sheetPath());
    Ref<TCard> top = Ref<TCard>::adopt(TCard::Create(QStringLiteral("Top")));
    Ref<TCard> tab = Ref<TCard>::adopt(TCard::Create(QStringLiteral("Tab")));
    top->AddChild(tab.get());
    manager->Open(sheet);
    manager->AddCard(top.get());
    manager->Save();
    const QString file = sheet->GetCardPath(top->GetUUID());

    // Another device rewrites the card; meanwhile only the tab card changes here.
    rewriteKey(file, "title", "Theirs");
    ASSERT_TRUE(StringPathUtilities::setFileAttributeObjectValueError(
        sheetPath(), StringPathUtilities::kNSFileModificationDate,
        TSheet::FolderDate(sheetPath()).addSecs(30)));
    tab->SetTitle("Mine");
    alerts.setNextAnswer(NSAlertSecondButtonReturn);
    manager->Save();
    ASSERT_EQ(alerts.questions().size(), 2u);
    EXPECT_EQ(alerts.questions()[1].alert.messageText, "This device's version was moved to the Trash.");
    EXPECT_EQ(storedKey(file, "title"), "Theirs");
    ASSERT_NE(manager->GetActiveSheet(), nullptr);
    EXPECT_EQ(static_cast<TCard*>(manager->GetActiveSheet()->GetCards()->GetObjectValue(0))->GetTitle(),
              "Theirs");
    manager->Close();
    EXPECT_EQ(alerts.questions().size(), 2u);
    manager->UnregisterAllSheets();
    manager->SetDelegate(nullptr);
    clock.scheduler.advance(1);
}

// Another device (or program) changes the folder under the open sheet. Whichever path saves next and
// whatever the answer, both versions are left where a person finds them (the folder or the Trash),
// and the person is told.
TEST_F(SheetTest, OutsideChangesKeepBothVersionsOnEverySavePath) {
    enum class Path { Autosave, CardWindow, Close };
    struct Case {
        const char* name;
        std::function<void(const QString& sheet, const QString& one, const QString& two)> elsewhere;
        bool editHere; // card One retitled "Mine"
        Path path;
        int answer;
        QStringList onDisk;
        QStringList inTrash;
        QString told;                          // the message after the answer; empty: none
        QString mine = QStringLiteral("Mine"); // the title card One gets here
    };
    // 100 characters of three UTF-8 bytes each: cut short in the name kept aside.
    const QString longTitle = QString(100, QChar(0x65E5));
    const auto addCard = [](const QString& sheet, const QString&, const QString&) {
        Ref<TCard> added = Ref<TCard>::adopt(TListCard::Create(QStringLiteral("Added")));
        TArchiver* archiver = added->CopyArchive();
        ASSERT_EQ(archiver->Save(sheet + "/" + added->GetUUID() + ".qxcard"), 0);
        archiver->Release();
        rewriteKey(sheet + "/info.plist", "cards", listedCards(sheet) << added->GetUUID());
    };
    const auto editOne = [](const QString&, const QString& one, const QString&) {
        ASSERT_TRUE(retitleCardFile(one, "Theirs"));
    };
    const auto removeTwo = [](const QString&, const QString&, const QString& two) {
        ASSERT_TRUE(QFile::remove(two));
    };
    const QString kept = "The other device's version was moved to the Trash.";
    const QString given = "This device's version was moved to the Trash.";
    const Case cases[] = {
        {"card window Save, edited elsewhere, No",
         editOne,
         true,
         Path::CardWindow,
         NSAlertFirstButtonReturn,
         {"Mine", "Two"},
         {"Theirs"},
         kept},
        {"card window Save, a card added elsewhere, No",
         addCard,
         true,
         Path::CardWindow,
         NSAlertFirstButtonReturn,
         {"Added", "Mine", "Two"},
         {},
         {}},
        {"nothing edited, deleted elsewhere, Close, Yes",
         removeTwo,
         false,
         Path::Close,
         NSAlertSecondButtonReturn,
         {"One"},
         {"Two"},
         given},
        {"nothing edited, deleted elsewhere, Close, No",
         removeTwo,
         false,
         Path::Close,
         NSAlertFirstButtonReturn,
         {"One", "Two"},
         {},
         {}},
        {"changed in place, autosave, Yes",
         editOne,
         true,
         Path::Autosave,
         NSAlertSecondButtonReturn,
         {"Theirs", "Two"},
         {"Mine"},
         given},
        {"changed in place, a long title in a multi-byte script, autosave, Yes",
         editOne,
         true,
         Path::Autosave,
         NSAlertSecondButtonReturn,
         {"Theirs", "Two"},
         {longTitle},
         given,
         longTitle},
        {"quit with a card added and one edited elsewhere, No",
         [&](const QString& sheet, const QString& one, const QString& two) {
             addCard(sheet, one, two);
             editOne(sheet, one, two);
         },
         true,
         Path::Autosave,
         NSAlertFirstButtonReturn,
         {"Added", "Mine", "Two"},
         {"Theirs"},
         kept},
        {"the question closed unanswered",
         editOne,
         true,
         Path::Autosave,
         0,
         {"Theirs", "Two"},
         {"Mine"},
         "Nobody answered, so the other device's version was kept; this device's version was moved to the "
         "Trash."},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QStringLiteral("Case %1.qxsheet").arg(++n));
        const QString trash = dir.filePath(QStringLiteral("Trash %1").arg(n));
        ASSERT_TRUE(QDir().mkpath(trash));
        workspace.trashFolder = trash;
        RecordingAppController app;
        TSheetManager* manager = TSheetManager::SharedManager();
        manager->SetDelegate(&app);
        TSheet* sheet = manager->RegisterSheet(path);
        manager->Open(sheet);
        Ref<TCard> one = Ref<TCard>::adopt(TListCard::Create(QStringLiteral("One")));
        Ref<TCard> two = Ref<TCard>::adopt(TListCard::Create(QStringLiteral("Two")));
        manager->AddCard(one.get());
        manager->AddCard(two.get());
        manager->Save();
        const QDateTime folderDate = TSheet::FolderDate(path);
        clock.scheduler.advance(5);
        c.elsewhere(path, sheet->GetCardPath(one->GetUUID()), sheet->GetCardPath(two->GetUUID()));
        // However the folder's date moved, the files decide.
        ASSERT_TRUE(StringPathUtilities::setFileAttributeObjectValueError(
            path, StringPathUtilities::kNSFileModificationDate, folderDate));
        if (c.editHere) one->SetTitle(c.mine);
        const size_t before = alerts.questions().size();
        alerts.setNextAnswer(c.answer);
        app.calls.clear();
        switch (c.path) {
        case Path::Autosave:
            manager->Save();
            break;
        case Path::CardWindow:
            manager->SaveCard(one.get());
            break;
        case Path::Close:
            manager->Close();
            break;
        }

        ASSERT_GT(alerts.questions().size(), before);
        EXPECT_EQ(alerts.questions()[before].alert.messageText, "Resolve Conflict");
        EXPECT_EQ(alerts.questions().size(), before + (c.told.isEmpty() ? 1 : 2));
        if (!c.told.isEmpty()) {
            EXPECT_EQ(alerts.questions().back().alert.messageText, c.told);
        }
        QStringList onDisk = storedCardTitles(path);
        QStringList inTrash = storedCardTitles(trash);
        onDisk.sort();
        inTrash.sort();
        EXPECT_EQ(onDisk, c.onDisk);
        EXPECT_EQ(inTrash, c.inTrash);
        EXPECT_GE(listedCards(path).size(), c.onDisk.size()); // a card deleted elsewhere may stay listed
        if (c.onDisk.contains("Added") && c.answer == NSAlertFirstButtonReturn) {
            EXPECT_TRUE(app.calls.contains("makeControllerForCard")); // shown with the sheet's cards
        }
        if (c.answer == 0) {
            // Labelled as this device's; the next saves (an edit, the save at quit) ask nothing again.
            const QStringList names = QDir(trash).entryList(QDir::Files);
            ASSERT_EQ(names.size(), 1);
            EXPECT_TRUE(names[0].startsWith("Mine (this device's version, ")) << names[0].toStdString();
            const size_t asked = alerts.questions().size();
            manager->Save();
            ASSERT_NE(manager->GetActiveSheet(), nullptr);
            auto* shown = static_cast<TCard*>(manager->GetActiveSheet()->GetCards()->GetObjectValue(0));
            EXPECT_EQ(shown->GetTitle(), "Theirs");
            shown->SetTitle("Mine again");
            manager->Save();
            EXPECT_EQ(alerts.questions().size(), asked);
            EXPECT_EQ(QDir(trash).entryList(QDir::Files), names);
            onDisk = storedCardTitles(path);
            onDisk.sort();
            EXPECT_EQ(onDisk, QStringList({"Mine again", "Two"}));
        }
        if (TSheet* active = manager->GetActiveSheet()) {
            EXPECT_FALSE(active->IsModified());
            active->SetAllModified(false);
        }
        manager->Close();
        manager->UnregisterAllSheets();
        manager->SetDelegate(nullptr);
        clock.scheduler.advance(1);
    }
}

// A sync tool goes on while the question is open: a card file it changes then is not overwritten
// after "No"; the person is asked again, and every version given up is kept.
TEST_F(SheetTest, ACardFileChangedWhileAskingIsNotOverwritten) {
    const QString trash = dir.filePath("Trash");
    ASSERT_TRUE(QDir().mkpath(trash));
    workspace.trashFolder = trash;
    Ref<TSheet> sheet = savedSheet();
    auto* one = static_cast<TCard*>(sheet->GetCards()->GetObjectValue(0));
    auto* two = static_cast<TCard*>(sheet->GetCards()->GetObjectValue(1));
    clock.scheduler.advance(2);
    ASSERT_TRUE(retitleCardFile(sheet->GetCardPath(one->GetUUID()), "Theirs"));
    one->SetTitle("Mine");
    two->SetTitle("Mine too");
    alerts.whileAsking(
        [&] { ASSERT_TRUE(retitleCardFile(sheet->GetCardPath(two->GetUUID()), "Theirs too")); });
    alerts.setNextAnswer(NSAlertFirstButtonReturn); // No: keep this version
    alerts.setNextAnswer(NSAlertFirstButtonReturn); // told
    alerts.setNextAnswer(NSAlertFirstButtonReturn); // No again
    EXPECT_TRUE(sheet->Save());

    QStringList questions;
    for (const auto& question : alerts.questions()) questions.append(question.alert.messageText);
    EXPECT_EQ(questions.count("Resolve Conflict"), 2);
    QStringList onDisk = storedCardTitles(sheetPath());
    QStringList inTrash = storedCardTitles(trash);
    onDisk.sort();
    inTrash.sort();
    EXPECT_EQ(onDisk, QStringList({"Mine", "Mine too"}));
    EXPECT_EQ(inTrash, QStringList({"Theirs", "Theirs too"}));
}

// A sync tool replaces the file after the pass compared it, while this version is being written.
TEST_F(SheetTest, ACardFileReplacedWhileItIsWrittenIsNotOverwritten) {
    const QString trash = dir.filePath("Trash");
    ASSERT_TRUE(QDir().mkpath(trash));
    workspace.trashFolder = trash;
    Ref<TSheet> sheet = savedSheet();
    auto* one = static_cast<TCard*>(sheet->GetCards()->GetObjectValue(0));
    clock.scheduler.advance(2);
    one->SetTitle("Mine");
    bool replaced = false;
    AtomicFile::setBeforeRenameHook([&](const QString&) {
        if (!replaced) replaced = retitleCardFile(sheet->GetCardPath(one->GetUUID()), "Theirs");
        return true;
    });
    alerts.setNextAnswer(NSAlertFirstButtonReturn); // No: keep this version
    alerts.setNextAnswer(NSAlertFirstButtonReturn); // told
    const bool saved = sheet->Save();
    AtomicFile::setBeforeRenameHook(nullptr);

    ASSERT_TRUE(replaced);
    EXPECT_TRUE(saved);
    ASSERT_FALSE(alerts.questions().empty());
    EXPECT_EQ(alerts.questions()[0].alert.messageText, "Resolve Conflict");
    QStringList onDisk = storedCardTitles(sheetPath());
    onDisk.sort();
    EXPECT_EQ(onDisk, QStringList({"Mine", "Two"}));
    EXPECT_EQ(storedCardTitles(trash), QStringList({"Theirs"}));
}

// A card deleted here whose file another device edited since it was read: that version is kept in the
// Trash and the person told; a file nobody else touched is only deleted.
TEST_F(SheetTest, DeletingACardEditedElsewhereKeepsTheOtherVersion) {
    struct Case {
        const char* name;
        std::function<void(const QString& file)> elsewhere;
        QStringList inTrash;
        bool told;
    };
    const Case cases[] = {
        {"untouched", [](const QString&) {}, {}, false},
        {"edited elsewhere",
         [](const QString& file) { ASSERT_TRUE(retitleCardFile(file, "Theirs")); },
         {"Theirs"},
         true},
        {"deleted elsewhere", [](const QString& file) { ASSERT_TRUE(QFile::remove(file)); }, {}, false},
    };
    const QString trash = dir.filePath("Trash");
    workspace.trashFolder = trash;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(sheetPath()).removeRecursively();
        QDir(trash).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(trash));
        Ref<TSheet> sheet = savedSheet();
        auto* one = static_cast<TCard*>(sheet->GetCards()->GetObjectValue(0));
        const QString file = sheet->GetCardPath(one->GetUUID());
        c.elsewhere(file);
        const size_t asked = alerts.questions().size();
        sheet->RemoveCard(one, true);

        EXPECT_FALSE(QFileInfo::exists(file));
        EXPECT_EQ(storedCardTitles(trash), c.inTrash);
        EXPECT_EQ(alerts.questions().size() - asked, c.told ? 1u : 0u);
        if (c.told) {
            const QStringList names = QDir(trash).entryList(QDir::Files);
            ASSERT_EQ(names.size(), 1);
            EXPECT_TRUE(names[0].startsWith("One (other version, ")) << names[0].toStdString();
            EXPECT_TRUE(alerts.questions().back().alert.informativeText.contains(names[0]));
        }
        EXPECT_TRUE(sheet->Save());
        EXPECT_EQ(storedCardTitles(sheetPath()), QStringList{"Two"});
        EXPECT_EQ(storedCardTitles(trash), c.inTrash);
    }
}

// Card files from a Mac may be binary lists: an edit saved here keeps a file in the form it was read
// in, and a date it did not change exactly as stored (a binary date holds microseconds).
TEST_F(SheetTest, CardFilesKeepTheirFormAndExactDates) {
    struct Case {
        const char* fixture;
        const char* uuid;
        bool binary;
    };
    const Case cases[] = {
        {"binary.qxcard", "5D1B7C1E-0000-4000-8000-0000000000C4", true},
        {"outline.qxcard", "5D1B7C1E-0000-4000-8000-0000000000C0", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        QDir(sheetPath()).removeRecursively();
        const QByteArray original = readAll(QStringLiteral(JOBSLATE_FIXTURES "/model/") + c.fixture);
        ASSERT_EQ(original.startsWith("bplist"), c.binary);
        const QVariantMap stored = PlistCodec::decode(original).toMap();
        ASSERT_TRUE(QDir().mkpath(sheetPath()));
        const QString file = sheetPath() + "/" + c.uuid + ".qxcard";
        writeAll(file, original);
        QByteArray info;
        ASSERT_TRUE(PlistCodec::encode(
            QVariantMap{{"system.class", "TSheet"}, {"uuid", "S"}, {"cards", QStringList{c.uuid}}}, &info));
        writeAll(sheetPath() + "/info.plist", info);

        Ref<TSheet> sheet = Ref<TSheet>::retain(TSheet::SheetFromPath(sheetPath()));
        ASSERT_NE(sheet.get(), nullptr);
        sheet->LoadCards();
        ASSERT_EQ(sheet->GetCards()->Count(), 1);
        auto* card = static_cast<TCard*>(sheet->GetCards()->GetObjectValue(0));
        card->SetTitle("Edited");
        ASSERT_TRUE(sheet->Save());

        const QByteArray saved = readAll(file);
        EXPECT_EQ(saved.startsWith("bplist"), c.binary);
        const QVariantMap written = PlistCodec::decode(saved).toMap();
        EXPECT_EQ(written["title"].toString(), "Edited");
        const QVariant created = written["createdDate"];
        if (c.binary) {
            ASSERT_EQ(created.metaType(), QMetaType::fromType<PlistCodec::ExactDate>());
            EXPECT_EQ(created.value<PlistCodec::ExactDate>(),
                      stored["createdDate"].value<PlistCodec::ExactDate>());
        } else {
            EXPECT_EQ(created, stored["createdDate"]);
        }
        // Edited here: the new date, to the millisecond in a binary list.
        EXPECT_EQ(written["modifiedDate"].toDateTime(),
                  c.binary ? card->GetModifiedDate()
                           : card->GetModifiedDate().addMSecs(-card->GetModifiedDate().time().msec()));
        // Read again and saved with nothing changed in it: the same dates.
        Ref<TSheet> again = Ref<TSheet>::retain(TSheet::SheetFromPath(sheetPath()));
        again->LoadCards();
        again->SetAllModified(true);
        ASSERT_TRUE(again->Save());
        const QVariantMap rewritten = PlistCodec::decode(readAll(file)).toMap();
        EXPECT_EQ(rewritten["createdDate"].toDateTime(), created.toDateTime());
        EXPECT_EQ(rewritten["createdDate"].metaType(), created.metaType());
    }
}

// A sheet whose save fails when it closes (at a switch or quit): its changed cards are kept in a
// recovery folder, and the person is told where.
TEST_F(SheetTest, ClosingAfterAFailedSaveKeepsTheChangesForRecovery) {
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
    RecordingAppController app;
    TSheetManager* manager = TSheetManager::SharedManager();
    Ref<TCard> card;
    TSheet* sheet = openSavedSheet(&app, &card);
    ASSERT_TRUE(QDir().rename(sheetPath(), dir.filePath("Gone.qxsheet")));
    card->SetTitle("Changed");
    manager->Close();

    ASSERT_FALSE(alerts.questions().empty());
    EXPECT_EQ(alerts.questions().back().alert.messageText,
              QStringLiteral("The changes to the sheet \"%1\" could not be saved.").arg(sheet->GetTitle()));
    const QString recovered = dir.filePath("data/") + ApplicationInfo::name() + "/Recovered";
    const QStringList folders = QDir(recovered).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(folders.size(), 1);
    EXPECT_TRUE(alerts.questions().back().alert.informativeText.contains(folders[0]));
    EXPECT_EQ(storedCardTitles(recovered + "/" + folders[0]), QStringList({"Changed"}));
    manager->UnregisterAllSheets();
    manager->SetDelegate(nullptr);
    qputenv("XDG_DATA_HOME", oldData);
}

// A sheet whose folder went away mid-session: told once, naming the folder, edits kept, and saved
// into another folder when the person asks.
TEST_F(SheetTest, AFailedSaveIsToldOnceAndCanGoElsewhere) {
    ScopedScriptedPanelPresenter panels;
    RecordingAppController app;
    TSheetManager* manager = TSheetManager::SharedManager();
    Ref<TCard> card;
    TSheet* sheet = openSavedSheet(&app, &card);
    const QString renamed = dir.filePath("Renamed.qxsheet");
    ASSERT_TRUE(QDir().rename(sheetPath(), renamed));

    card->SetTitle("Mine");
    manager->Save();
    ASSERT_EQ(alerts.questions().size(), 1u);
    EXPECT_TRUE(alerts.questions()[0].alert.messageText.contains(sheetPath()));
    EXPECT_EQ(alerts.questions()[0].alert.buttons, (QStringList{"OK", "Save Elsewhere…"}));
    EXPECT_TRUE(card->IsModified());
    card->SetTitle("Mine again");
    manager->Save();
    EXPECT_EQ(alerts.questions().size(), 1u);
    EXPECT_TRUE(card->IsModified());

    // "Save Elsewhere…": the whole sheet goes into a new folder; the old one stays as it was.
    ASSERT_TRUE(QDir().rename(renamed, sheetPath()));
    manager->Save();
    EXPECT_FALSE(card->IsModified());
    ASSERT_TRUE(QDir().rename(sheetPath(), renamed));
    card->SetTitle("Saved elsewhere");
    ASSERT_TRUE(QDir().mkpath(dir.filePath("Elsewhere")));
    panels.setNextChoice({dir.filePath("Elsewhere")});
    alerts.setNextAnswer(NSAlertSecondButtonReturn);
    app.calls.clear();
    manager->Save();
    EXPECT_EQ(alerts.questions().size(), 2u);
    EXPECT_EQ(sheet->GetPath(), dir.filePath("Elsewhere/Plans.qxsheet"));
    EXPECT_EQ(storedCardTitles(sheet->GetPath()), QStringList{"Saved elsewhere"});
    EXPECT_EQ(storedCardTitles(renamed), QStringList{"Mine again"});
    EXPECT_EQ(listedCards(sheet->GetPath()), QStringList{card->GetUUID()});
    EXPECT_FALSE(card->IsModified());
    EXPECT_TRUE(app.calls.contains("activeSheetDidChange"));
    manager->Close();
    manager->UnregisterAllSheets();
    manager->SetDelegate(nullptr);
    clock.scheduler.advance(1);
}

// Links planted in the folder after the cards were read: a save never writes through one that leads
// out of the folder, nowhere, or to another card's file; it says so and keeps the edits.
TEST_F(SheetTest, LinkedCardNamesAreRefusedNotFollowed) {
    Ref<TSheet> sheet = savedSheet();
    for (const char* title : {"Three", "Four"}) {
        Ref<TCard> card = Ref<TCard>::adopt(TListCard::Create(QString::fromLatin1(title)));
        sheet->AddCard(card.get());
    }
    ASSERT_TRUE(sheet->Save());
    QList<TCard*> cards;
    for (TObject* card : *sheet->GetCards()) cards << static_cast<TCard*>(card);
    const auto file = [&](int i) { return sheet->GetCardPath(cards[i]->GetUUID()); };
    writeAll(dir.filePath("Outside.qxcard"), "outside");
    const QByteArray four = readAll(file(3));
    for (int i : {0, 1, 2}) ASSERT_TRUE(QFile::remove(file(i)));
    ASSERT_TRUE(QFile::link(dir.filePath("Outside.qxcard"), file(0)));
    ASSERT_TRUE(QFile::link(dir.filePath("Nowhere.qxcard"), file(1)));
    ASSERT_TRUE(QFile::link(file(3), file(2)));
    for (TCard* card : cards.mid(0, 3)) card->SetTitle(card->GetTitle() + " edited");

    EXPECT_FALSE(sheet->Save());
    EXPECT_EQ(readAll(dir.filePath("Outside.qxcard")), "outside");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("Nowhere.qxcard")));
    EXPECT_EQ(readAll(file(3)), four);
    for (int i : {0, 1, 2}) {
        EXPECT_TRUE(QFileInfo(file(i)).isSymLink());
        EXPECT_TRUE(cards[i]->IsModified());
    }
    ASSERT_EQ(alerts.questions().size(), 1u);
    const QString told = alerts.questions()[0].alert.informativeText;
    for (int i : {0, 1, 2}) EXPECT_TRUE(told.contains(QFileInfo(file(i)).fileName())) << i;
    EXPECT_TRUE(told.contains("another card's file"));
}

TEST_F(SheetTest, CardsAreKnownByTheirFileNames) {
    QStringList uuids;
    {
        Ref<TSheet> sheet = savedSheet();
        for (TObject* card : *sheet->GetCards()) uuids << static_cast<TCard*>(card)->GetUUID();
    }
    // One file lost its uuid, the other holds a foreign one; "cards" names one twice and one outside.
    rewriteKey(sheetPath() + "/" + uuids[0] + ".qxcard", "uuid", QVariant());
    rewriteKey(sheetPath() + "/" + uuids[1] + ".qxcard", "uuid", "FOREIGN");
    QFile::copy(sheetPath() + "/" + uuids[1] + ".qxcard", dir.filePath("Outside.qxcard"));
    const QByteArray outside = readAll(dir.filePath("Outside.qxcard"));
    rewriteKey(sheetPath() + "/info.plist", "cards", QStringList{uuids[0], uuids[1], uuids[0], "../Outside"});

    Ref<TSheet> sheet = Ref<TSheet>::retain(TSheet::SheetFromPath(sheetPath()));
    sheet->LoadCards();
    ASSERT_EQ(sheet->GetCards()->Count(), 2);
    auto* second = static_cast<TCard*>(sheet->GetCards()->GetObjectValue(1));
    EXPECT_EQ(static_cast<TCard*>(sheet->GetCards()->GetObjectValue(0))->GetUUID(), uuids[0]);
    EXPECT_EQ(second->GetUUID(), uuids[1]);
    sheet->ReorderCard(second, 0);
    EXPECT_TRUE(sheet->Save());
    EXPECT_EQ(listedCards(sheetPath()), (QStringList{uuids[1], uuids[0], "../Outside"}));
    EXPECT_EQ(storedKey(sheetPath() + "/" + uuids[0] + ".qxcard", "uuid"), uuids[0]);
    EXPECT_EQ(storedKey(sheetPath() + "/" + uuids[1] + ".qxcard", "uuid"), uuids[1]);
    EXPECT_FALSE(QFileInfo::exists(sheetPath() + "/FOREIGN.qxcard"));
    EXPECT_EQ(readAll(dir.filePath("Outside.qxcard")), outside);
    EXPECT_TRUE(workspace.requests.isEmpty());
}

TEST_F(SheetTest, LinksPipesAndHugeFilesAreNeitherReadNorWritten) {
    QStringList uuids;
    {
        Ref<TSheet> sheet = savedSheet();
        for (TObject* card : *sheet->GetCards()) uuids << static_cast<TCard*>(card)->GetUUID();
        Ref<TCard> third = Ref<TCard>::adopt(TCard::Create(QStringLiteral("Three")));
        sheet->AddCard(third.get());
        ASSERT_TRUE(sheet->Save());
        uuids << third->GetUUID();
    }
    const auto cardFile = [&](int i) { return sheetPath() + "/" + uuids[i] + ".qxcard"; };
    // A link leaving the folder, a pipe, and a file far larger than any card.
    ASSERT_TRUE(QFile::rename(cardFile(0), dir.filePath("Elsewhere.qxcard")));
    const QByteArray elsewhere = readAll(dir.filePath("Elsewhere.qxcard"));
    ASSERT_TRUE(QFile::link(dir.filePath("Elsewhere.qxcard"), cardFile(0)));
    ASSERT_TRUE(QFile::remove(cardFile(1)));
    ASSERT_EQ(::mkfifo(QFile::encodeName(cardFile(1)).constData(), 0600), 0);
    {
        QFile huge(cardFile(2));
        ASSERT_TRUE(huge.open(QIODevice::ReadWrite));
        ASSERT_TRUE(huge.resize(qint64(300) * 1024 * 1024));
    }

    Ref<TSheet> sheet = Ref<TSheet>::retain(TSheet::SheetFromPath(sheetPath()));
    sheet->LoadCards();
    EXPECT_EQ(sheet->GetCards()->Count(), 0);
    EXPECT_EQ(alerts.questions().size(), 3u);
    Ref<TCard> added = Ref<TCard>::adopt(TCard::Create(QStringLiteral("New")));
    sheet->AddCard(added.get());
    EXPECT_TRUE(sheet->Save());
    EXPECT_EQ(listedCards(sheetPath()), (QStringList{uuids[0], uuids[1], uuids[2], added->GetUUID()}));
    EXPECT_EQ(readAll(dir.filePath("Elsewhere.qxcard")), elsewhere);
    EXPECT_TRUE(QFileInfo(cardFile(0)).isSymLink());
    EXPECT_EQ(QFileInfo(cardFile(2)).size(), qint64(300) * 1024 * 1024);
    EXPECT_TRUE(workspace.requests.isEmpty());

    // An info.plist that is a link leaving the folder is not read.
    ASSERT_TRUE(QFile::rename(sheetPath() + "/info.plist", dir.filePath("info.plist")));
    ASSERT_TRUE(QFile::link(dir.filePath("info.plist"), sheetPath() + "/info.plist"));
    EXPECT_EQ(TSheet::SheetFromPath(sheetPath()), nullptr);
}

TEST_F(SheetTest, DamagedCardListKeepsEveryCardFile) {
    QStringList uuids;
    {
        Ref<TSheet> sheet = savedSheet();
        for (TObject* card : *sheet->GetCards()) uuids << static_cast<TCard*>(card)->GetUUID();
    }
    rewriteKey(sheetPath() + "/info.plist", "cards", "not a list");
    Ref<TSheet> sheet = Ref<TSheet>::retain(TSheet::SheetFromPath(sheetPath()));
    sheet->LoadCards();
    EXPECT_EQ(sheet->GetCards()->Count(), 2);
    EXPECT_TRUE(sheet->Save());
    uuids.sort();
    EXPECT_EQ(listedCards(sheetPath()), uuids);
    EXPECT_TRUE(workspace.requests.isEmpty());
}

TEST_F(SheetTest, UnsavedWorkSurvivesLoadingAndAFailedFirstWrite) {
    // A new sheet whose info.plist could not be written writes it at the next save.
    AtomicFile::setBeforeRenameHook([](const QString&) { return false; });
    Ref<TSheet> fresh = Ref<TSheet>::adopt(TSheet::Create(dir.filePath("Fresh.qxsheet")));
    AtomicFile::setBeforeRenameHook({});
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("Fresh.qxsheet/info.plist")));
    EXPECT_TRUE(fresh->IsModified());
    EXPECT_TRUE(fresh->Save());
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("Fresh.qxsheet/info.plist")));

    // A card added to a sheet before its files are read stays.
    savedSheet();
    Ref<TSheet> sheet = Ref<TSheet>::retain(TSheet::SheetFromPath(sheetPath()));
    Ref<TCard> early = Ref<TCard>::adopt(TCard::Create(QStringLiteral("Early")));
    sheet->AddCard(early.get());
    sheet->LoadCards();
    EXPECT_EQ(sheet->GetCards()->Count(), 3);
    EXPECT_EQ(sheet->FindCardWithUUID(early->GetUUID()), early.get());
}

TEST_F(SheetTest, FavouriteMarkReachesTheFileAndLeavesTheRestAsItWas) {
    struct Case {
        const char* name;
        bool open, editedBefore, changedElsewhere, unreadableInfo;
        bool modifiedAfter, inFileAfter;
    };
    const Case cases[] = {
        // A sheet that is not open has no next save: its file takes the mark at once.
        {"closed", false, false, false, false, false, true},
        {"closed, with an unsaved edit", false, true, false, false, true, true},
        {"closed, changed elsewhere", false, false, true, false, false, true},
        {"closed, info.plist unreadable", false, false, false, true, true, false},
        // The open sheet's next save writes it.
        {"open", true, false, false, false, true, false},
    };
    TSheetManager* manager = TSheetManager::SharedManager();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(sheetPath()).removeRecursively();
        Ref<TSheet> sheet = savedSheet();
        auto* card = static_cast<TCard*>(sheet->GetCards()->GetObjectValue(0));
        if (c.open) manager->SetActiveSheet(sheet.get());
        if (c.editedBefore) card->SetTitle("Edited");
        if (c.changedElsewhere) {
            ASSERT_TRUE(StringPathUtilities::setFileAttributeObjectValueError(
                sheetPath(), StringPathUtilities::kNSFileModificationDate,
                TSheet::FolderDate(sheetPath()).addSecs(30)));
        }
        const QString info = sheetPath() + "/info.plist";
        // The test's own changes to the folder are no other device's.
        const QDateTime seen = TSheet::FolderDate(sheetPath());
        const auto keepDate = [&] {
            ASSERT_TRUE(StringPathUtilities::setFileAttributeObjectValueError(
                sheetPath(), StringPathUtilities::kNSFileModificationDate, seen));
        };
        if (c.unreadableInfo) {
            ASSERT_TRUE(QFile::remove(info));
            ASSERT_TRUE(QDir().mkdir(info));
            keepDate();
        }
        const size_t asked = alerts.questions().size();

        sheet->SetFavorite(true);
        EXPECT_TRUE(sheet->IsFavorite());
        EXPECT_EQ(sheet->IsModified(), c.modifiedAfter);
        EXPECT_EQ(PlistCodec::decode(readAll(info)).toMap()["favorite"].toBool(), c.inFileAfter);
        EXPECT_EQ(PlistCodec::decode(readAll(info)).toMap()["cards"].toStringList().size(),
                  c.unreadableInfo ? 0 : 2)
            << "the rest of the file is kept";

        // A newer folder date alone asks nothing (no card file differs); the favourite is never lost.
        if (c.unreadableInfo) {
            ASSERT_TRUE(QDir().rmdir(info));
            keepDate();
        }
        card->SetTitle("Later");
        alerts.setNextAnswer(NSAlertFirstButtonReturn);
        EXPECT_TRUE(sheet->Save());
        EXPECT_EQ(alerts.questions().size() - asked, 0u);
        EXPECT_FALSE(sheet->IsModified());
        EXPECT_TRUE(Ref<TSheet>::retain(TSheet::SheetFromPath(sheetPath()))->IsFavorite());
        sheet->SetFavorite(true);
        EXPECT_FALSE(sheet->IsModified()) << "the same mark again is no change";
        if (c.open) manager->SetActiveSheet(nullptr);
    }
}

// Another device changes the sheet's info.plist while it is open here: what only one side changed is
// merged, and where both changed the card order differently (or the file can't be read) this side's
// version is written and the other one is kept in the Trash.
TEST_F(SheetTest, InfoChangedElsewhereIsMergedOrKept) {
    struct Case {
        const char* name;
        std::function<void(QVariantMap& info, const QStringList& uuids)> elsewhere; // uuids: A, B, C
        std::function<void(TSheet* sheet)> here;
        QStringList listed; // titles, in the order written ("Elsewhere": a card listed there, no file yet)
        bool favorite;
        QString extra;    // the "note" key written
        bool keptInTrash; // the other info.plist was put aside
    };
    const auto reorderHere = [](TSheet* sheet) {
        sheet->ReorderCard(static_cast<TCard*>(sheet->GetCards()->GetObjectValue(2)), 0); // C A B
    };
    const auto retitleHere = [](TSheet* sheet) {
        static_cast<TCard*>(sheet->GetCards()->GetObjectValue(0))->SetTitle("A");
        sheet->SetModified(true);
    };
    const auto reverseThere = [](QVariantMap& info, const QStringList& uuids) {
        info["cards"] = QStringList{uuids[2], uuids[1], uuids[0]};
    };
    const Case cases[] = {
        {"reordered elsewhere, a card edited here",
         reverseThere,
         retitleHere,
         {"C", "B", "A"},
         false,
         {},
         false},
        {"marked a favourite and a key added elsewhere, reordered here",
         [](QVariantMap& info, const QStringList&) {
             info["favorite"] = true;
             info["note"] = "theirs";
         },
         reorderHere,
         {"C", "A", "B"},
         true,
         "theirs",
         false},
        {"a card listed elsewhere, one removed here",
         [](QVariantMap& info, const QStringList&) {
             info["cards"] = info["cards"].toStringList() << "ELSEWHERE";
         },
         [](TSheet* sheet) {
             sheet->RemoveCard(static_cast<TCard*>(sheet->GetCards()->GetObjectValue(1)), true);
         },
         {"A", "C", "Elsewhere"},
         false,
         {},
         false},
        {"a card removed elsewhere and here",
         [](QVariantMap& info, const QStringList& uuids) {
             info["cards"] = QStringList{uuids[0], uuids[2]};
         },
         [](TSheet* sheet) {
             sheet->RemoveCard(static_cast<TCard*>(sheet->GetCards()->GetObjectValue(1)), true);
         },
         {"A", "C"},
         false,
         {},
         false},
        {"reordered differently on both sides", reverseThere, reorderHere, {"C", "A", "B"}, false, {}, true},
        {"damaged elsewhere",
         [](QVariantMap& info, const QStringList&) { info.clear(); },
         retitleHere,
         {"A", "B", "C"},
         false,
         {},
         true},
    };
    const QString trash = dir.filePath("Trash");
    ASSERT_TRUE(QDir().mkpath(trash));
    workspace.trashFolder = trash;
    const QString info = sheetPath() + "/info.plist";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(sheetPath()).removeRecursively();
        QDir(trash).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(trash));
        QStringList uuids;
        {
            Ref<TSheet> sheet = Ref<TSheet>::adopt(TSheet::Create(sheetPath()));
            for (const char* title : {"A", "B", "C"}) {
                Ref<TCard> card = Ref<TCard>::adopt(TListCard::Create(QString::fromLatin1(title)));
                sheet->AddCard(card.get());
                uuids << card->GetUUID();
            }
            ASSERT_TRUE(sheet->Save());
        }
        QHash<QString, QString> titles{
            {uuids[0], "A"}, {uuids[1], "B"}, {uuids[2], "C"}, {"ELSEWHERE", "Elsewhere"}};
        Ref<TSheet> sheet = Ref<TSheet>::retain(TSheet::SheetFromPath(sheetPath()));
        sheet->LoadCards();

        QVariantMap map = PlistCodec::decode(readAll(info)).toMap();
        c.elsewhere(map, uuids);
        QByteArray bytes = "not a property list";
        if (!map.isEmpty()) {
            ASSERT_TRUE(PlistCodec::encode(map, &bytes));
        }
        writeAll(info, bytes);
        // A new modification time, as a sync tool gives, whatever the clock's granularity.
        QFile file(info);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(
            file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(60), QFileDevice::FileModificationTime));
        file.close();
        c.here(sheet.get());
        const size_t asked = alerts.questions().size();
        EXPECT_TRUE(sheet->Save());

        const QVariantMap written = PlistCodec::decode(readAll(info)).toMap();
        QStringList listed;
        for (const QString& uuid : written["cards"].toStringList()) listed << titles.value(uuid, uuid);
        EXPECT_EQ(listed, c.listed);
        EXPECT_EQ(written["favorite"].toBool(), c.favorite);
        EXPECT_EQ(sheet->IsFavorite(), c.favorite);
        EXPECT_EQ(written.value("note").toString(), c.extra);
        EXPECT_EQ(written.value("uuid").toString(), sheet->GetUUID());
        // The cards in memory follow the list written.
        QStringList shown;
        for (TObject* card : *sheet->GetCards()) shown << static_cast<TCard*>(card)->GetTitle();
        QStringList loaded = c.listed;
        loaded.removeAll("Elsewhere");
        EXPECT_EQ(shown, loaded);
        const QStringList kept = QDir(trash).entryList(QDir::Files);
        EXPECT_EQ(kept.size(), c.keptInTrash ? 1 : 0);
        EXPECT_EQ(alerts.questions().size() - asked, c.keptInTrash ? 1u : 0u);
        if (c.keptInTrash && !kept.isEmpty()) {
            EXPECT_TRUE(kept[0].startsWith("Plans (other version, ") && kept[0].endsWith(".plist"))
                << kept[0].toStdString();
            EXPECT_EQ(readAll(trash + "/" + kept[0]), bytes);
            EXPECT_EQ(alerts.questions().back().alert.messageText,
                      "The other device's version of the sheet's properties was moved to the Trash.");
        }
        // Merged once: the next save has nothing from elsewhere to take or keep.
        sheet->SetModified(true);
        EXPECT_TRUE(sheet->Save());
        EXPECT_EQ(QDir(trash).entryList(QDir::Files).size(), kept.size());
        EXPECT_EQ(PlistCodec::decode(readAll(info)).toMap()["cards"], written["cards"]);
    }
}

// A sync tool replaces info.plist after the save compared it, while this side's version is being
// written: the other version is merged in, not overwritten.
TEST_F(SheetTest, InfoReplacedWhileItIsWrittenIsMergedNotOverwritten) {
    const QString trash = dir.filePath("Trash");
    ASSERT_TRUE(QDir().mkpath(trash));
    workspace.trashFolder = trash;
    Ref<TSheet> sheet = savedSheet();
    const QString info = sheetPath() + "/info.plist";
    sheet->ReorderCard(static_cast<TCard*>(sheet->GetCards()->GetObjectValue(1)), 0);
    bool replaced = false;
    AtomicFile::setBeforeRenameHook([&](const QString&) {
        if (replaced) return true;
        QVariantMap map = PlistCodec::decode(readAll(info)).toMap();
        map["note"] = "theirs";
        QByteArray bytes;
        replaced = PlistCodec::encode(map, &bytes);
        writeAll(info, bytes);
        return true;
    });
    const bool saved = sheet->Save();
    AtomicFile::setBeforeRenameHook(nullptr);

    ASSERT_TRUE(replaced);
    EXPECT_TRUE(saved);
    const QVariantMap written = PlistCodec::decode(readAll(info)).toMap();
    EXPECT_EQ(written.value("note").toString(), "theirs");
    EXPECT_EQ(written.value("cards").toStringList().value(0),
              static_cast<TCard*>(sheet->GetCards()->GetObjectValue(0))->GetUUID());
    EXPECT_TRUE(QDir(trash).entryList(QDir::Files).isEmpty());
}

// A sheet's info.plist written as a binary list (on a Mac) stays one, with its exact dates.
TEST_F(SheetTest, BinaryInfoKeepsItsFormAndExactDates) {
    savedSheet();
    const QString info = sheetPath() + "/info.plist";
    QVariantMap map = PlistCodec::decode(readAll(info)).toMap();
    const PlistCodec::ExactDate opened{800000000.123456};
    map["opened"] = QVariant::fromValue(opened);
    QByteArray bytes;
    ASSERT_TRUE(PlistCodec::encode(map, &bytes, PlistCodec::Format::Binary));
    writeAll(info, bytes);
    Ref<TSheet> sheet = Ref<TSheet>::retain(TSheet::SheetFromPath(sheetPath()));
    sheet->LoadCards();
    sheet->ReorderCard(static_cast<TCard*>(sheet->GetCards()->GetObjectValue(1)), 0);
    ASSERT_TRUE(sheet->Save());

    const QByteArray saved = readAll(info);
    EXPECT_TRUE(saved.startsWith("bplist"));
    const QVariantMap written = PlistCodec::decode(saved).toMap();
    EXPECT_EQ(written.value("opened").value<PlistCodec::ExactDate>(), opened);
    EXPECT_EQ(written.value("cards").toStringList().value(0),
              static_cast<TCard*>(sheet->GetCards()->GetObjectValue(0))->GetUUID());
}

// The mark written straight to the file of a sheet that was not open, then taken off once it is: the
// next save writes it off, not back on.
TEST_F(SheetTest, FavouriteMarkedClosedAndUnmarkedOpenStaysUnmarked) {
    TSheetManager* manager = TSheetManager::SharedManager();
    Ref<TSheet> sheet = savedSheet();
    sheet->SetFavorite(true);
    ASSERT_TRUE(Ref<TSheet>::retain(TSheet::SheetFromPath(sheetPath()))->IsFavorite());
    manager->SetActiveSheet(sheet.get());
    sheet->SetFavorite(false);
    EXPECT_TRUE(sheet->Save());
    EXPECT_FALSE(sheet->IsFavorite());
    EXPECT_FALSE(Ref<TSheet>::retain(TSheet::SheetFromPath(sheetPath()))->IsFavorite());
    manager->SetActiveSheet(nullptr);
}

TEST_F(SheetTest, ManagerTellsTheDelegateInOrder) {
    RecordingAppController app;
    TSheetManager* manager = TSheetManager::SharedManager();
    manager->SetDelegate(&app);
    TSheet* first = manager->RegisterSheet(sheetPath());
    EXPECT_EQ(manager->RegisterSheet(sheetPath()), first);
    EXPECT_TRUE(TSheetManager::VerifySheet(sheetPath()));
    Ref<TCard> top = Ref<TCard>::adopt(TCard::Create(QStringLiteral("Top")));
    Ref<TCard> tab = Ref<TCard>::adopt(TCard::Create(QStringLiteral("Tab")));
    top->AddChild(tab.get());
    first->AddCard(top.get());
    TSheet* second = manager->RegisterSheet(dir.filePath("Other.qxsheet"));

    manager->Open(first);
    EXPECT_EQ(app.calls, (QStringList{"activeSheetDidChange", "makeControllerForCard"}));
    ASSERT_EQ(manager->GetControllers().size(), 1);
    EXPECT_EQ(manager->GetController(tab.get()), manager->GetControllers()[0]);
    EXPECT_EQ(static_cast<RecordingCardController*>(manager->GetControllers()[0])->calls,
              QStringList{"showWindow"});
    app.calls.clear();
    manager->Open(second); // another sheet is open: nothing at all
    EXPECT_TRUE(app.calls.isEmpty());
    EXPECT_EQ(manager->GeneratePreviewImage(QSizeF(1600, 800)).size(), QSize(200, 100));

    app.calls.clear();
    manager->Close();
    EXPECT_EQ(app.calls, (QStringList{"activeSheetWillChange", "removeController", "activeSheetDidChange"}));
    EXPECT_TRUE(manager->GetControllers().isEmpty());
    EXPECT_TRUE(manager->GeneratePreviewImage(QSizeF(1600, 800)).isNull());
    app.calls.clear();
    manager->Close();
    EXPECT_TRUE(app.calls.isEmpty());

    TSheet* reread = manager->Reload(first); // not active: read again, left closed
    ASSERT_NE(reread, nullptr);
    EXPECT_EQ(manager->GetActiveSheet(), nullptr);
    EXPECT_EQ(manager->FindSheetWithUUID(reread->GetUUID()), reread);
    manager->UnregisterAllSheets();
    manager->SetDelegate(nullptr);
    clock.scheduler.advance(1);
}

TEST(SheetConverter, FramesAreClamped) {
    const auto data = [](float value) {
        QByteArray bytes(4, '\0');
        qToBigEndian(value, bytes.data());
        return bytes;
    };
    const auto frame = [&](float x, float y, float w, float h) {
        return QVariantMap{{"frame.origin.x", data(x)},
                           {"frame.origin.y", data(y)},
                           {"frame.size.width", data(w)},
                           {"frame.size.height", data(h)}};
    };
    EXPECT_EQ(ConvertFrameToRect(frame(10, -10, 100, 50)), QRectF(10, 40, 216, 80));
    EXPECT_EQ(ConvertFrameToRect(frame(-5, 900, 300, 200)), QRectF(-5, 780, 300, 200));
    EXPECT_EQ(ConvertFrameToRect(frame(1, 0, 216, 80)), QRectF(1, 40, 216, 80));
    EXPECT_EQ(ConvertFrameToRect(frame(1, 780, 217, 81)), QRectF(1, 780, 217, 81));
    EXPECT_EQ(ConvertFrameToRect({{"frame.origin.x", QByteArray("\x01", 1)}}), QRectF(0, 40, 400, 300));
}

TEST_F(SheetTest, ConvertsLegacyProjectsAndSheets) {
    const QString legacy = QStringLiteral(JOBSLATE_FIXTURES "/model/legacy/");
    Ref<TSheet> project =
        Ref<TSheet>::adopt(ConvertJobslateSheet(legacy + "project.qxproj", dir.filePath("Project.qxsheet")));
    ASSERT_TRUE(project);
    ASSERT_EQ(project->GetCards()->Count(), 3);
    auto* low = static_cast<TJobslate*>(project->GetCards()->GetObjectValue(0));
    EXPECT_EQ(low->GetTitle(), "Low card");
    EXPECT_EQ(low->GetFrame(), QRectF(10, 40, 216, 80));
    QStringList kinds;
    for (qint64 i = 0; i < low->GetRoot()->ChildCount(); ++i)
        kinds << low->GetRoot()->GetChild(i)->ClassName();
    EXPECT_EQ(kinds, (QStringList{"TTask", "TSeperatorItem", "TURLAttachment", "TFileAttachment",
                                  "TMailAttachment", "TImageAttachment"}));
    auto* parent = static_cast<TTask*>(low->GetRoot()->GetChild(0));
    EXPECT_TRUE(parent->IsExpanded());
    ASSERT_EQ(parent->ChildCount(), 2);
    EXPECT_TRUE(static_cast<TTask*>(parent->GetChild(0))->IsCompleted());
    EXPECT_EQ(static_cast<TTask*>(parent->GetChild(1))->GetPlainText(), "Open child");
    EXPECT_EQ(static_cast<TFileAttachment*>(low->GetRoot()->GetChild(3))->GetPath(),
              QDir::homePath() + "/notes.txt");
    EXPECT_EQ(static_cast<TJobslate*>(project->GetCards()->GetObjectValue(1))->GetFrame(),
              QRectF(20, 780, 300, 200));
    EXPECT_TRUE(project->Save());

    Ref<TSheet> notes =
        Ref<TSheet>::adopt(ConvertMemoleafSheet(legacy + "notes.mzsheet", dir.filePath("Notes.qxsheet")));
    ASSERT_TRUE(notes);
    QStringList titles;
    for (TObject* card : *notes->GetCards()) titles << static_cast<TCard*>(card)->GetTitle();
    EXPECT_EQ(titles, (QStringList{"Book", "First", "Second"})); // the stack dissolved
    auto* book = static_cast<TMemoleaf*>(notes->GetCards()->GetObjectValue(0));
    EXPECT_EQ(book->GetPlainText(), "One");
    ASSERT_EQ(book->ChildCount(), 3);
    EXPECT_EQ(static_cast<TCard*>(book->GetChild(0))->GetTitle(), "Page 2");
    EXPECT_EQ(static_cast<TCard*>(book->GetChild(1))->GetTitle(), "Page 3");
    EXPECT_EQ(static_cast<TMemoleaf*>(book->GetChild(2))->GetPlainText(), "Embedded");
    EXPECT_EQ(book->GetTabIdentifiers().size(), 4);

    QString error;
    EXPECT_EQ(ConvertMemoleafSheet(legacy + "missing.mzsheet", dir.filePath("X.qxsheet"), &error), nullptr);
    EXPECT_FALSE(error.isEmpty());
    // Never into something that is there already.
    Ref<TSheet> existing = Ref<TSheet>::adopt(TSheet::Create(dir.filePath("Existing.qxsheet")));
    const QByteArray info = readAll(dir.filePath("Existing.qxsheet/info.plist"));
    error.clear();
    EXPECT_EQ(ConvertJobslateSheet(legacy + "project.qxproj", existing->GetPath(), &error), nullptr);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(ConvertMemoleafSheet(legacy + "notes.mzsheet", existing->GetPath()), nullptr);
    EXPECT_EQ(readAll(dir.filePath("Existing.qxsheet/info.plist")), info);
    QDir().mkpath(dir.filePath("project (Converted).qxsheet"));
    EXPECT_EQ(ConvertedSheetPath(legacy + "project.qxproj", dir.path()),
              dir.filePath("project (Converted) 2.qxsheet"));
}

} // namespace

namespace {

TEST_F(SheetTest, APropertyListThatIsNoLegacySheetConvertsIntoNothing) {
    const QVariantMap card{{"title", "A card"}};
    struct Case {
        const char* name;
        QVariant list;
        bool richText;
    };
    const Case cases[] = {
        {"an empty dictionary", QVariantMap(), false},
        {"a sheet's info.plist", QVariantMap{{"system.class", "TSheet"}, {"cards", QStringList{"a"}}}, false},
        {"objects that are no list", QVariantMap{{"system.objects", "text"}}, false},
        {"objects that are no cards",
         QVariantMap{{"system.objects", QVariantList{1, "two", QVariantMap{{"x", 1}}}}}, false},
        {"rich text without cards or stacks",
         QVariantMap{{"system.objects", QVariantList{QVariantMap{{"system.class", "TOther"}}}}}, true},
        {"a project's cards read as rich text", QVariantMap{{"system.objects", QVariantList{card}}}, true},
    };
    int n = 0;
    for (const Case& c : cases) {
        QByteArray bytes;
        ASSERT_TRUE(PlistCodec::encode(c.list, &bytes)) << c.name;
        const QString source = dir.filePath(QStringLiteral("source%1.plist").arg(n));
        const QString destination = dir.filePath(QStringLiteral("Converted%1.qxsheet").arg(n++));
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        QString error;
        TSheet* sheet = c.richText ? ConvertMemoleafSheet(source, destination, &error)
                                   : ConvertJobslateSheet(source, destination, &error);
        EXPECT_EQ(sheet, nullptr) << c.name;
        if (sheet) sheet->Release();
        EXPECT_TRUE(error.contains("not a sheet")) << c.name << " " << error.toStdString();
        EXPECT_FALSE(QFileInfo::exists(destination)) << c.name;
    }
    // A legacy sheet without cards is still one.
    QByteArray empty;
    ASSERT_TRUE(PlistCodec::encode(QVariantMap{{"system.objects", QVariantList()}}, &empty));
    QFile file(dir.filePath("empty.qxproj"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(empty);
    file.close();
    Ref<TSheet> converted =
        Ref<TSheet>::adopt(ConvertJobslateSheet(file.fileName(), dir.filePath("Empty.qxsheet")));
    ASSERT_TRUE(converted);
    EXPECT_EQ(converted->GetCards()->Count(), 0);
}

} // namespace
