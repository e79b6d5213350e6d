#include "AppTestSupport.h"
#include "model/ModelFakes.h"

#include "foundation/Archiver.h"
#include "model/Card.h"
#include "model/Globals.h"
#include "model/ListCard.h"
#include "model/Memoleaf.h"
#include "model/ModelContracts.h"
#include "model/Task.h"
#include "platform/ApplicationInfo.h"
#include "platform/NotificationCenter.h"
#include "platform/PanelPresenter.h"
#include "platform/calendar/FakeEventStore.h"

namespace {

const QString kSave = QStringLiteral("saveActiveSheet");

bool fileHas(const QString& path, const QString& text) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && QString::fromUtf8(file.readAll()).contains(text);
}

TEST_F(AppControllerTest, TenEditsWithinTwoSecondsSaveOnceTwoSecondsAfterTheLast) {
    // GIVEN a saved card
    const Ref<TMemoleaf> card = Ref<TMemoleaf>::adopt(TMemoleaf::Create(QStringLiteral("First")));
    manager()->AddCard(card.get());
    manager()->Save();
    const QString file = home->FindCard(card->GetUUID());

    // WHEN it is edited ten times, 0.15 s apart, each edit announced
    for (int i = 0; i < 10; ++i) {
        card->SetTitle(QStringLiteral("Edit %1").arg(i));
        NotificationCenter::defaultCenter().post(kCardModifiedNotification);
        scheduler.scheduler.advance(0.15);
    }

    // THEN nothing is written until two seconds after the last edit, then everything at once
    scheduler.scheduler.advance(1.8);
    EXPECT_FALSE(fileHas(file, QStringLiteral("Edit 9")));
    EXPECT_TRUE(home->IsModified());
    scheduler.scheduler.advance(0.1);
    EXPECT_TRUE(fileHas(file, QStringLiteral("Edit 9")));
    EXPECT_FALSE(card->IsModified());
    EXPECT_FALSE(scheduler.scheduler.isPending(controller.get(), kSave));
}

TEST_F(AppControllerTest, ClosingTheSheetDropsThePendingSaveAndForgetsTheActiveSheet) {
    EXPECT_EQ(defaults.stringForKey(kPreferenceKeyActiveSheet), home->GetPath());
    controller->cardModifiedNotification();
    ASSERT_TRUE(scheduler.scheduler.isPending(controller.get(), kSave));
    manager()->Close();
    EXPECT_FALSE(scheduler.scheduler.isPending(controller.get(), kSave));
    EXPECT_TRUE(defaults.stringForKey(kPreferenceKeyActiveSheet).isEmpty());
}

TEST_F(AppControllerTest, ARenamedActiveSheetIsReopenedFromItsNewFolder) {
    const QString renamed = QFileInfo(home->GetPath()).path() + QStringLiteral("/Office.qxsheet");
    ASSERT_TRUE(QDir().rename(home->GetPath(), renamed));
    home->SetPath(renamed);
    controller->saveActiveSheet();
    EXPECT_EQ(defaults.stringForKey(kPreferenceKeyActiveSheet), renamed);
}

TEST_F(AppControllerTest, TheDockFollowsTheActiveSheetAlsoWhenNoneIsLeft) {
    // The dock must not keep showing the cards of a closed sheet, which may be gone.
    struct Dock : TDockWindowController {
        void setSheet(TSheet* sheet) override { sheets.append(sheet); }
        QList<TSheet*> sheets;
    } dock;
    ModelContracts::setDockWindow(&dock);
    const Ref<TSheet> keep = Ref<TSheet>::retain(home); // closing unregisters it
    manager()->Close();
    manager()->Open(home);
    ModelContracts::setDockWindow(nullptr);
    EXPECT_EQ(dock.sheets, (QList<TSheet*>{nullptr, home}));
}

TEST_F(AppControllerTest, MiniaturisedCardsGetNoWindowAndPreviewsWaitOutFullScreen) {
    const Ref<TMemoleaf> card = Ref<TMemoleaf>::adopt(TMemoleaf::Create(QStringLiteral("Small")));
    card->SetMiniaturized(true);
    EXPECT_EQ(controller->makeControllerForCard(card.get()), nullptr);

    controller->windowWillEnterFullScreen();
    controller->updateSheetPreviewAfterDelay();
    EXPECT_FALSE(scheduler.scheduler.isPending(controller.get(), QStringLiteral("updateSheetPreview")));
    controller->windowDidExitFullScreen();
    controller->updateSheetPreviewAfterDelay();
    EXPECT_TRUE(scheduler.scheduler.isPending(controller.get(), QStringLiteral("updateSheetPreview")));
}

TEST_F(AppControllerTest, PreviewsAreTakenOnlyForCardsWithoutAStoredOne) {
    for (const bool stored : {false, true}) {
        const Ref<TMemoleaf> card = Ref<TMemoleaf>::adopt(TMemoleaf::Create(QStringLiteral("Seen")));
        if (stored) card->SetPreviewImage(QImage(8, 8, QImage::Format_ARGB32));
        RecordingCardController window(card.get());
        window.frame = QRectF(10, 20, 300, 200);
        QRectF frame;
        controller->previewForController(&window, &frame);
        EXPECT_EQ(window.calls.contains(QStringLiteral("updatePreviewImage")), !stored) << stored;
        EXPECT_EQ(frame, window.frame);
    }
}

TEST_F(AppControllerTest, MissingEventsAreCountedOnOutputWhenNoticesAreOff) {
    defaults.setBoolForKey(false, kPreferenceKeyEventMissingNotifications);
    controller->displayMissingEventsNotice();
    EXPECT_TRUE(alerts.questions().empty());
    EXPECT_TRUE(TTask::MissingEvents().isEmpty());
}

TEST_F(AppControllerTest, SheetsReadTogetherTellTheirMissingEventsInOneNoticeByTheTasksText) {
    // GIVEN sheets whose tasks name events another device's store holds, and this one does not
    defaults.setBoolForKey(true, kPreferenceKeyEventMissingNotifications);
    const auto writeSheet = [&](const QString& name, const QStringList& tasks) {
        const QString path = folder + u'/' + name + QStringLiteral(".qxsheet");
        Ref<TSheet> sheet = Ref<TSheet>::adopt(TSheet::Create(path));
        Ref<TJobslate> card = Ref<TJobslate>::adopt(TJobslate::Create(name));
        for (const QString& text : tasks) {
            TTask* task = TTask::Create(text);
            card->GetRoot()->AddChild(task);
            task->Release();
            task->SetDueDate(QDateTime(QDate(2026, 5, 1), QTime(8, 0), Qt::UTC));
            EXPECT_TRUE(task->SaveEvent());
        }
        sheet->AddCard(card.get());
        EXPECT_TRUE(sheet->Save());
        return path;
    };
    SetEventStore(FakeEventStore::create());
    const QString one = writeSheet(QStringLiteral("One"), {QStringLiteral("Dentist")});
    const QString two =
        writeSheet(QStringLiteral("Two"), {QStringLiteral("Pay rent"), QStringLiteral("Call")});
    SetEventStore(FakeEventStore::create());
    TTask::ClearMissingEvents();

    struct Case {
        QStringList sheets;
        QString message, text;
    };
    const Case cases[] = {
        {{one}, QStringLiteral("Missing Calendar Event"), QStringLiteral("\"Dentist\"")},
        {{one, two}, QStringLiteral("Missing Calendar Events"), QStringLiteral("There are 3 ")},
    };
    for (const Case& c : cases) {
        // WHEN the sheets are read at once
        const size_t asked = alerts.questions().size();
        QList<Ref<TSheet>> sheets;
        for (const QString& path : c.sheets) {
            sheets.append(Ref<TSheet>::retain(TSheet::SheetFromPath(path)));
            sheets.last()->LoadCards();
        }
        scheduler.scheduler.advance(2);

        // THEN one notice tells them, by the tasks' text
        ASSERT_EQ(alerts.questions().size(), asked + 1) << c.message.toStdString();
        EXPECT_EQ(alerts.questions().back().alert.messageText, c.message);
        EXPECT_TRUE(alerts.questions().back().alert.informativeText.contains(c.text))
            << alerts.questions().back().alert.informativeText.toStdString();
    }
    SetEventStore(nullptr);
}

TEST_F(AppControllerTest, ImportedListsHaveOneRowPerNonEmptyLineWhateverTheLineEnds) {
    const QString path = write(QStringLiteral("Errands.txt"), "milk\r\neggs\rbread\n\n\r\ntea\n");
    controller->importList(path, true);
    TCard* card = nullptr;
    for (TObject* object : *home->GetCards())
        if (static_cast<TCard*>(object)->GetTitle() == QLatin1String("Errands"))
            card = static_cast<TCard*>(object);
    ASSERT_NE(card, nullptr);
    QStringList rows;
    for (TObject* row : *static_cast<TListCard*>(card)->GetRoot()->GetChildren()) {
        EXPECT_TRUE(row->IsMember(TTask::StaticClass()));
        rows.append(static_cast<TTextItem*>(row)->GetPlainText());
    }
    EXPECT_EQ(rows, (QStringList{"milk", "eggs", "bread", "tea"}));
}

TEST_F(AppControllerTest, OpenedFilesAreSortedByKind) {
    const QString text = write(QStringLiteral("Letter.txt"), "Dear reader");
    const QString other = write(QStringLiteral("picture.bin"), QByteArray(16, '\0'));
    controller->openFiles({text, other});
    ASSERT_EQ(home->GetCards()->Count(), 1);
    auto* card = static_cast<TCard*>(home->GetCards()->GetObjectValue(0));
    ASSERT_TRUE(card->IsMember(TMemoleaf::StaticClass()));
    EXPECT_EQ(card->GetTitle(), QStringLiteral("Letter"));
    EXPECT_EQ(static_cast<TMemoleaf*>(card)->GetPlainText(), QStringLiteral("Dear reader"));
}

TEST_F(AppControllerTest, ACardFileMovedIntoTheSheetIsTrashedOnlyOnceTheSheetHoldsIt) {
    // GIVEN a loose card file (the sheet "Home" leaves the manager when another opens)
    const QString homePath = home->GetPath();
    const Ref<TMemoleaf> loose = Ref<TMemoleaf>::adopt(TMemoleaf::Create(QStringLiteral("Loose")));
    const QString path = write(QStringLiteral("Loose.qxcard"), loose->GetArchivedData());

    // WHEN "No" keeps it out of the active sheet
    alerts.setNextAnswer(NSAlertSecondButtonReturn);
    controller->openCardFile(path);

    // THEN it is shown from the scratch sheet and the file stays
    ASSERT_NE(manager()->GetActiveSheet(), nullptr);
    EXPECT_EQ(manager()->GetActiveSheet()->GetPath(), AppController::scratchSheetPath());
    EXPECT_TRUE(workspace.requests.isEmpty());
    EXPECT_EQ(alerts.questions().front().alert.messageText,
              QStringLiteral("Move the card \"Loose\" into the sheet \"Home\"?"));

    // WHEN it is opened again into the scratch sheet
    alerts.setNextAnswer(NSAlertFirstButtonReturn);
    controller->openCardFile(path);
    EXPECT_EQ(alertMessages().last(),
              QStringLiteral("The card \"Loose\" already exists in the scratch sheet."));

    // WHEN "Yes" moves it into a sheet
    manager()->Close();
    manager()->Open(manager()->RegisterSheet(homePath));
    alerts.setNextAnswer(NSAlertFirstButtonReturn);
    controller->openCardFile(path);
    TSheet* sheet = manager()->GetActiveSheet();
    EXPECT_FALSE(sheet->FindCard(loose->GetUUID()).isEmpty());
    ASSERT_EQ(workspace.requests.size(), 1);
    EXPECT_EQ(workspace.requests.first(),
              (RecordingWorkspace::Request{QStringLiteral("moveToTrash"), {path}}));
}

TEST_F(AppControllerTest, LinksJumpAcrossSheetsAndReportWhatNoSheetHolds) {
    TSheet* other = manager()->RegisterSheet(folder + QStringLiteral("/Other.qxsheet"));
    const Ref<TMemoleaf> card = Ref<TMemoleaf>::adopt(TMemoleaf::Create(QStringLiteral("Far")));
    other->AddCard(card.get());
    other->Save();

    controller->processURL(QUrl(QStringLiteral("jobslate://goto?card=") + card->GetUUID()));
    EXPECT_EQ(manager()->GetActiveSheet(), other);
    EXPECT_TRUE(alerts.questions().empty());

    controller->processURL(QUrl(QStringLiteral("jobslate://goto?card=none&item")));
    EXPECT_EQ(alertMessages(), (QStringList{"The card could not be found in any sheets.",
                                            "The item could not be found in any sheets."}));
    controller->processURL(QUrl(QStringLiteral("jobslate://delete?card=none")));
    EXPECT_EQ(alerts.questions().size(), 2u);
}

TEST_F(AppControllerTest, ALinkToAMinimisedCardBringsItBackThroughTheDock) {
    struct Dock : TDockWindowController {
        void setSheet(TSheet*) override {}
        void restoreMiniaturizedCard(TCard* card) override {
            restored.append(card);
            card->SetMiniaturized(false);
        }
        QList<TCard*> restored;
    } dock;
    ModelContracts::setDockWindow(&dock);
    const Ref<TMemoleaf> open = Ref<TMemoleaf>::adopt(TMemoleaf::Create(QStringLiteral("Open")));
    const Ref<TMemoleaf> minimised = Ref<TMemoleaf>::adopt(TMemoleaf::Create(QStringLiteral("Small")));
    minimised->SetMiniaturized(true);
    home->AddCard(open.get());
    home->AddCard(minimised.get());

    for (TMemoleaf* card : {open.get(), minimised.get()})
        controller->processURL(QUrl(QStringLiteral("jobslate://goto?card=") + card->GetUUID()));
    ModelContracts::setDockWindow(nullptr);
    EXPECT_EQ(dock.restored, QList<TCard*>{minimised.get()});
    EXPECT_TRUE(alerts.questions().empty());
}

TEST_F(AppControllerTest, SheetBundlesOpenAfterTheMoveOfferUnlessRegistered) {
    TSheet* other = manager()->RegisterSheet(folder + QStringLiteral("/Other.qxsheet"));
    EXPECT_TRUE(controller->openSheetFile(other->GetPath()));
    EXPECT_EQ(manager()->GetActiveSheet(), other);
    EXPECT_TRUE(alerts.questions().empty());

    const QString outside = dir.filePath(QStringLiteral("Away.qxsheet"));
    manager()->RegisterSheet(outside)->Save();
    manager()->UnregisterSheet(manager()->FindSheet(outside));
    alerts.setNextAnswer(NSAlertSecondButtonReturn);
    EXPECT_TRUE(controller->openSheetFile(outside));
    EXPECT_EQ(alertMessages(), QStringList{"Move the sheet \"Away.qxsheet\" into the sheet folder?"});
    EXPECT_EQ(manager()->GetActiveSheet()->GetPath(), outside);
}

TEST_F(AppControllerTest, NewCardKindsFollowTheSetting) {
    struct Case {
        qint64 kind;
        TObjectClass cardClass;
    };
    const Case cases[] = {{1, TJobslate::StaticClass()},
                          {2, TMemoleaf::StaticClass()},
                          {3, TJobslate::StaticClass()},
                          {0, TJobslate::StaticClass()},
                          {7, TJobslate::StaticClass()}};
    for (const Case& c : cases) {
        defaults.setIntegerForKey(c.kind, kPreferenceKeyDefaultNewCardKind);
        const qint64 before = home->GetCards()->Count();
        controller->perform(QStringLiteral("newDocument"));
        ASSERT_EQ(home->GetCards()->Count(), before + 1) << c.kind;
        auto* card = static_cast<TCard*>(home->GetCards()->GetObjectValue(before));
        EXPECT_TRUE(card->IsMember(c.cardClass)) << c.kind;
        EXPECT_EQ(card->GetTitle(), QStringLiteral("Untitled")) << c.kind;
    }
}

TEST_F(AppControllerTest, NewSheetTakesAFreeNameAndGetsAFirstCard) {
    QDir().mkpath(folder + QStringLiteral("/Untitled.qxsheet"));
    controller->perform(QStringLiteral("newSheet"));
    TSheet* sheet = manager()->GetActiveSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_NE(sheet, home);
    EXPECT_EQ(QFileInfo(sheet->GetPath()).dir().path(), folder);
    EXPECT_NE(QFileInfo(sheet->GetPath()).fileName(), QStringLiteral("Untitled.qxsheet"));
    EXPECT_EQ(sheet->GetCards()->Count(), 1);
}

TEST_F(AppControllerTest, ConvertOffersOnlyLegacySheetsAndConvertsNoOtherFile) {
    ScopedScriptedPanelPresenter panels;
    // A property list that would convert into an empty sheet were its kind not looked at.
    const QString other =
        write(QStringLiteral("Notes.plist"), "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict/></plist>");
    panels.setNextChoice({other});
    controller->perform(QStringLiteral("convertLegacySheets"));
    ASSERT_EQ(panels.panels().size(), 1u);
    EXPECT_EQ(panels.panels()[0].allowedExtensions, (QStringList{"qxproj", "mzsheet"}));
    EXPECT_TRUE(alertMessages().contains(QStringLiteral("Some sheets could not be converted.")));
    EXPECT_EQ(QDir(folder).entryList({QStringLiteral("*Converted*")}, QDir::AllEntries), QStringList());
}

TEST_F(AppControllerTest, CheckForUpdatesAnswersWithTheVersion) {
    controller->perform(QStringLiteral("checkForUpdates"));
    ASSERT_EQ(alerts.questions().size(), 1u);
    EXPECT_TRUE(alerts.questions()[0].alert.messageText.contains(ApplicationInfo::version()));
}

TEST_F(AppControllerTest, OpenSheetChoosesASheetFolderAndSaysWhenAFolderIsNone) {
    ScopedScriptedPanelPresenter panels;
    // A sheet is a folder here: the panel chooses folders, which a file panel would only open.
    const QString sheet = folder + QStringLiteral("/Other.qxsheet");
    const QString plain = folder + QStringLiteral("/Photos");
    ASSERT_TRUE(QDir().mkpath(sheet) && QDir().mkpath(plain));
    panels.setNextChoice({sheet});
    controller->perform(QStringLiteral("openDocument"));
    ASSERT_EQ(panels.panels().size(), 1u);
    EXPECT_TRUE(panels.panels()[0].canChooseDirectories);
    EXPECT_FALSE(panels.panels()[0].canChooseFiles);
    ASSERT_EQ(workspace.requests.size(), 1);
    EXPECT_EQ(workspace.requests[0].arguments, QStringList{sheet});
    EXPECT_TRUE(alertMessages().isEmpty());

    // A folder that is no sheet opens nothing, and the person is told.
    panels.setNextChoice({plain});
    controller->perform(QStringLiteral("openDocument"));
    EXPECT_EQ(workspace.requests.size(), 1);
    EXPECT_EQ(alertMessages(), QStringList{QStringLiteral("\"Photos\" is not a sheet.")});
}

TEST_F(AppControllerTest, DrawerOffAlsoTurnsTheListOff) {
    defaults.setBoolForKey(true, kPreferenceKeyShowSheetsAsDrawer);
    defaults.setBoolForKey(true, kPreferenceKeyShowSheetsAsList);
    controller->perform(QStringLiteral("showSheetsAsDrawer"));
    EXPECT_FALSE(defaults.boolForKey(kPreferenceKeyShowSheetsAsDrawer));
    EXPECT_FALSE(defaults.boolForKey(kPreferenceKeyShowSheetsAsList));
}

} // namespace

namespace {

TEST_F(AppControllerTest, ItemLinksFocusTheRowInItsSheet) {
    TSheet* other = manager()->RegisterSheet(folder + QStringLiteral("/Other.qxsheet"));
    const Ref<TJobslate> card = Ref<TJobslate>::adopt(TJobslate::Create(QStringLiteral("Plans")));
    TTask* task = TTask::Create(QStringLiteral("Call the plumber"));
    card->GetRoot()->AddChild(task);
    task->Release();
    other->AddCard(card.get());
    other->Save();
    TCardItem* focused = nullptr;
    controller->hooks.focusItem = [&](TCard*, TCardItem* item) { focused = item; };

    controller->processURL(QUrl(QStringLiteral("jobslate://goto?item=") + task->GetUUID().toLower()));

    EXPECT_EQ(manager()->GetActiveSheet(), other);
    ASSERT_NE(focused, nullptr);
    EXPECT_EQ(focused->GetUUID(), task->GetUUID());
    EXPECT_TRUE(alerts.questions().empty());
}

} // namespace

namespace {

TEST_F(AppControllerTest, LaunchOpensTheCalendarStoreAndReopensOnlyAStoredSheetThatExists) {
    // GIVEN a stored active sheet that exists, the program's first launch
    manager()->Close();
    const QString homePath = folder + QStringLiteral("/Home.qxsheet");
    defaults.setObjectForKey(homePath, kPreferenceKeyActiveSheet);
    SetEventStore(nullptr);

    // WHEN it launches
    ASSERT_TRUE(controller->applicationDidFinishLaunching());

    // THEN the store is open, the defaults are written once, and the sheet comes back as an open request
    EXPECT_NE(EventStore(), nullptr);
    EXPECT_TRUE(defaults.boolForKey(kPreferenceKeyLaunchedFirstTime));
    EXPECT_TRUE(capture.lines().contains(QStringLiteral("Launched first time.")));
    EXPECT_TRUE(controller->restoringPreviousSheet());
    EXPECT_TRUE(
        workspace.requests.contains(RecordingWorkspace::Request{QStringLiteral("openFiles"), {homePath}}));

    // WHEN the program launches again with a stored sheet that is gone
    AppController again;
    defaults.setObjectForKey(folder + QStringLiteral("/Gone.qxsheet"), kPreferenceKeyActiveSheet);
    workspace.requests.clear();
    ASSERT_TRUE(again.applicationDidFinishLaunching());
    EXPECT_FALSE(again.restoringPreviousSheet());
    EXPECT_TRUE(workspace.requests.isEmpty());
    manager()->SetDelegate(controller.get());
    ModelContracts::setApplicationDelegate(controller.get());
    SetEventStore(nullptr);
}

} // namespace

namespace {

// A card file as another copy of the program (or someone else) wrote it, with the uuid given.
void writeCardFile(TCard* card, const QString& uuid, const QString& path) {
    TArchiver* archiver = card->CopyArchive();
    archiver->SetValue(QStringLiteral("uuid"), uuid);
    ASSERT_EQ(archiver->Save(path), 0);
    archiver->Release();
}

TEST_F(AppControllerTest, AnOpenedCardFileNeverReplacesACardOfTheSheetNorWritesOutsideIt) {
    // GIVEN a saved card in the active sheet
    const Ref<TMemoleaf> kept = Ref<TMemoleaf>::adopt(TMemoleaf::Create(QStringLiteral("Kept")));
    manager()->AddCard(kept.get());
    manager()->Save();
    const QString keptFile = home->FindCard(kept->GetUUID());
    ASSERT_FALSE(keptFile.isEmpty());

    // WHEN its own file, and another version with its uuid, are opened and moved into the sheet
    const Ref<TMemoleaf> other = Ref<TMemoleaf>::adopt(TMemoleaf::Create(QStringLiteral("Other")));
    const QString otherFile = dir.filePath(QStringLiteral("Other.qxcard"));
    writeCardFile(other.get(), kept->GetUUID(), otherFile);
    for (const QString& path : {keptFile, otherFile}) {
        alerts.setNextAnswer(NSAlertFirstButtonReturn);
        controller->openCardFile(path);
    }

    // THEN both are refused: nothing is trashed and the sheet keeps one card of that uuid, its own
    EXPECT_TRUE(workspace.requests.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(keptFile));
    EXPECT_TRUE(QFileInfo::exists(otherFile));
    EXPECT_EQ(alertMessages().last(),
              QStringLiteral("The card \"Other\" already exists in the sheet \"Home\"."));
    manager()->Save();
    EXPECT_TRUE(fileHas(keptFile, QStringLiteral("Kept")));
    EXPECT_FALSE(fileHas(keptFile, QStringLiteral("Other")));
    int copies = 0;
    for (TObject* object : *home->GetCards())
        if (static_cast<TCard*>(object)->GetUUID() == kept->GetUUID()) ++copies;
    EXPECT_EQ(copies, 1);

    // WHEN a card file names a uuid that leads out of the sheet folder
    const QString hostile = dir.filePath(QStringLiteral("Hostile.qxcard"));
    writeCardFile(other.get(), QStringLiteral("../Escaped"), hostile);
    alerts.setNextAnswer(NSAlertFirstButtonReturn);
    EXPECT_FALSE(controller->openCardFile(hostile));
    manager()->Save();

    // THEN it is not read: nothing is written beside the sheet and the file stays
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/Escaped.qxcard")));
    EXPECT_TRUE(QFileInfo::exists(hostile));
    EXPECT_TRUE(workspace.requests.isEmpty());
}

} // namespace
