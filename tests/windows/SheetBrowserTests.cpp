#include "foundation/NSObjectWrapper.h"
#include "model/Globals.h"
#include "model/ModelFakes.h"
#include "model/ModelObject.h"
#include "model/Preferences.h"
#include "model/SheetManager.h"
#include "platform/AlertPresenter.h"
#include "platform/AutoreleasePool.h"
#include "platform/Diagnostics.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "toolkit/NSLabelField.h"
#include "toolkit/ScreenProvider.h"
#include "windows/SheetBrowserRows.h"
#include "windows/SheetBrowserViews.h"
#include "windows/SheetBrowserWindowController.h"
#include "windows/SheetItemsFile.h"
#include "windows/SheetOutlineView.h"
#include "windows/SheetTree.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>

namespace {

QStringList names(const TSheetManagerItem* parent) {
    QStringList result;
    for (qint64 i = 0; i < parent->ChildCount(); ++i)
        result << QFileInfo(static_cast<TSheetManagerItem*>(parent->GetChild(i))->GetPath()).fileName();
    return result;
}

class SheetBrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterModelClasses();
        UserDefaults::setStandardUserDefaults(&defaults);
        defaults.setBoolForKey(true, kPreferenceKeyShowGroupRowsInBrowser);
        defaults.setBoolForKey(true, kPreferenceKeyShowSheetsAsList);
        defaults.setBoolForKey(false, kPreferenceKeyShowSheetBrowser);
        Workspace::setShared(&workspace);
        manager()->SetDelegate(&app);
        folder = dir.filePath("Sheets");
        QDir().mkpath(folder);
        defaults.setObjectForKey(folder, kPreferenceKeySheetFolder);
    }
    void TearDown() override {
        browser.reset();
        manager()->Close();
        manager()->UnregisterAllSheets();
        clock.scheduler.advance(1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        manager()->SetDelegate(nullptr);
        Workspace::setShared(nullptr);
        UserDefaults::setStandardUserDefaults(nullptr);
    }
    static TSheetManager* manager() { return TSheetManager::SharedManager(); }
    QString makeSheet(const QString& relative) {
        const QString path = folder + "/" + relative;
        QDir().mkpath(QFileInfo(path).path());
        TSheet* sheet = manager()->RegisterSheet(path);
        manager()->UnregisterSheet(sheet);
        return path;
    }
    SheetBrowserWindowController& open() {
        browser = std::make_unique<SheetBrowserWindowController>();
        browser->setApplicationActiveTest([this] { return active; });
        return *browser;
    }
    TSheetManagerItem* item(const QString& path) const { return browser->root()->FindItem(path, true); }
    TSheetOutlineView* outline() const { return browser->browser(); }
    QString selectedName() const {
        TSheetManagerItem* selected = browser->selectedItem();
        return selected ? QFileInfo(selected->GetPath()).fileName() : QString();
    }

    AutoreleasePool pool;
    ScopedManualScheduler clock;
    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath("defaults.plist")};
    FixedScreenProvider screens{QRect(0, 0, 1280, 800)};
    RecordingWorkspace workspace;
    ScopedScriptedAlertPresenter alerts;
    RecordingAppController app;
    Diagnostics::Capture capture;
    QString folder;
    bool active = true;
    std::unique_ptr<SheetBrowserWindowController> browser;
};

TEST_F(SheetBrowserTest, TheSmallEditionHasNoBrowser) {
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName("Jobslate Mini");
    EXPECT_EQ(SheetBrowserWindowController::sharedController(), nullptr);
    QCoreApplication::setApplicationName(name);
}

TEST_F(SheetBrowserTest, TheWindowStandsAtTheChosenEdgeWithItsShadowInside) {
    defaults.setIntegerForKey(9999, kPreferenceKeySheetBrowserWidth);
    open();
    struct Case {
        int side;
        int shadowX;
        int contentX;
        SlideGeometry::Edge edge;
    } const cases[] = {{0, 208, 0, SlideGeometry::Left}, {1, 0, 20, SlideGeometry::Right}};
    for (const Case& c : cases) {
        defaults.setIntegerForKey(c.side, kPreferenceKeySheetBrowserSide);
        EXPECT_EQ(browser->slideEdge(), c.edge) << c.side;
        EXPECT_EQ(browser->windowSize(), QSizeF(228, 800 - 22)) << c.side;
        EXPECT_EQ(browser->shadowView()->x(), c.shadowX) << c.side;
        EXPECT_EQ(browser->contentView()->x(), c.contentX) << c.side;
    }
}

TEST_F(SheetBrowserTest, RowsMadeWhileTheWindowIsHiddenSpanTheWholeListOnceShown) {
    makeSheet("Personal.qxsheet");
    makeSheet("Work.qxsheet");
    open();
    ASSERT_EQ(outline()->numberOfRows(), 2);
    browser->window()->show();
    for (qint64 row = 0; row < outline()->numberOfRows(); ++row)
        EXPECT_EQ(outline()->rowViewAtRow(row)->width(), outline()->viewport()->width()) << row;
    EXPECT_EQ(outline()->viewport()->width(), 208);
    browser->window()->hide();
}

TEST_F(SheetBrowserTest, SelectingASheetRowOpensItsSheetAndAGroupRowOpensNothing) {
    const QString a = makeSheet("A.qxsheet");
    makeSheet("Group/B.qxsheet");
    open();
    ASSERT_EQ(names(browser->root()), (QStringList{"A.qxsheet", "Group"}));
    outline()->selectRow(outline()->rowForItem(item(a)));
    ASSERT_NE(manager()->GetActiveSheet(), nullptr);
    EXPECT_EQ(manager()->GetActiveSheet()->GetPath(), a);
    EXPECT_TRUE(capture.lines().contains("open sheet file A.qxsheet"));

    TSheet* before = manager()->GetActiveSheet();
    outline()->selectRow(outline()->rowForItem(item(folder + "/Group")));
    EXPECT_EQ(manager()->GetActiveSheet(), before);
    EXPECT_FALSE(browser->shouldSelectItem(item(folder + "/Group")));
}

TEST_F(SheetBrowserTest, NextAndPreviousWrapOpenGroupsAndNeverSelectAGroup) {
    makeSheet("A.qxsheet");
    makeSheet("Group/B.qxsheet");
    makeSheet("Group/C.qxsheet");
    makeSheet("Z.qxsheet");
    open();
    ASSERT_EQ(names(browser->root()), (QStringList{"A.qxsheet", "Group", "Z.qxsheet"}));
    ASSERT_FALSE(item(folder + "/Group")->IsExpanded());

    browser->nextSheet();
    EXPECT_EQ(selectedName(), "A.qxsheet");
    browser->nextSheet();
    EXPECT_EQ(selectedName(), "B.qxsheet");
    EXPECT_TRUE(item(folder + "/Group")->IsExpanded());
    browser->nextSheet();
    browser->nextSheet();
    EXPECT_EQ(selectedName(), "Z.qxsheet");
    browser->nextSheet();
    EXPECT_EQ(selectedName(), "A.qxsheet");
    EXPECT_EQ(manager()->GetActiveSheet()->GetTitle(), "A");

    // Backwards from the first sheet: the last one; a collapsed group is opened to its last sheet.
    browser->previousSheet();
    EXPECT_EQ(selectedName(), "Z.qxsheet");
    outline()->collapseItem(item(folder + "/Group"));
    browser->previousSheet();
    EXPECT_EQ(selectedName(), "C.qxsheet");
}

TEST_F(SheetBrowserTest, NextAndPreviousStopOnATreeWithoutSheets) {
    QDir().mkpath(folder + "/One/Inner");
    QDir().mkpath(folder + "/Two");
    open();
    ASSERT_EQ(names(browser->root()), (QStringList{"One", "Two"}));
    browser->nextSheet();
    EXPECT_EQ(browser->selectedItem(), nullptr);
    browser->previousSheet();
    EXPECT_EQ(browser->selectedItem(), nullptr);
    EXPECT_EQ(manager()->GetActiveSheet(), nullptr);

    // And on an empty folder.
    QDir(folder + "/One").removeRecursively();
    QDir(folder + "/Two").removeRecursively();
    browser->update();
    browser->nextSheet();
    browser->previousSheet();
    EXPECT_EQ(browser->selectedItem(), nullptr);
}

TEST_F(SheetBrowserTest, DeletingClosesTheSheetUnsavedAndTrashesBeforeDroppingIt) {
    const QString a = makeSheet("A.qxsheet");
    makeSheet("B.qxsheet");
    open();
    outline()->selectRow(outline()->rowForItem(item(a)));
    TSheet* sheet = manager()->GetActiveSheet();
    ASSERT_NE(sheet, nullptr);
    Ref<TCard> card = Ref<TCard>::adopt(TCard::Create(QStringLiteral("Unsaved")));
    manager()->AddCard(card.get());
    manager()->Save();
    const auto contents = [&] {
        QStringList all;
        for (const QString& name : QDir(a).entryList(QDir::Files)) {
            QFile file(a + "/" + name);
            all << name + (file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString());
        }
        return all;
    };
    const QStringList filesBefore = contents();
    card->SetTitle("Changed, not saved");
    ASSERT_TRUE(sheet->IsModified());

    // The Trash refuses: an alert, and the sheet is back as it was.
    workspace.trashResult = false;
    alerts.setNextAnswer(NSAlertFirstButtonReturn);
    browser->deleteSheet();
    ASSERT_EQ(alerts.questions().size(), 2u);
    EXPECT_EQ(alerts.questions()[0].alert.messageText, "Delete the sheet \"A\"?");
    EXPECT_EQ(alerts.questions()[1].alert.messageText, "\"A\" could not be moved to the trash.");
    EXPECT_NE(item(a), nullptr);
    EXPECT_EQ(manager()->GetActiveSheet(), sheet);
    EXPECT_TRUE(sheet->IsModified());
    EXPECT_EQ(contents(), filesBefore);

    // Cancel: nothing.
    workspace.trashResult = true;
    alerts.setNextAnswer(NSAlertSecondButtonReturn);
    browser->deleteSheet();
    EXPECT_NE(item(a), nullptr);

    // The Trash takes it: nothing was written into the bundle on the way, the item and the sheet
    // are gone, and the next sheet opens.
    alerts.setNextAnswer(NSAlertFirstButtonReturn);
    browser->deleteSheet();
    EXPECT_EQ(contents(), filesBefore);
    EXPECT_EQ(workspace.requests.last(), (RecordingWorkspace::Request{"moveToTrash", {a}}));
    EXPECT_EQ(item(a), nullptr);
    EXPECT_FALSE(manager()->ContainsSheet(sheet));
    ASSERT_NE(manager()->GetActiveSheet(), nullptr);
    EXPECT_EQ(manager()->GetActiveSheet()->GetTitle(), "B");
}

TEST_F(SheetBrowserTest, DeletingAGroupDropsEverySheetInsideOnlyAfterTheTrash) {
    const QString inner = makeSheet("Group/Deep/In.qxsheet");
    makeSheet("Other.qxsheet");
    open();
    browser->selectRowForSheet(manager()->RegisterSheet(inner));
    outline()->selectRow(outline()->rowForItem(item(inner)));
    ASSERT_EQ(manager()->GetActiveSheet()->GetPath(), inner);
    TSheet* sheet = manager()->GetActiveSheet();
    outline()->setClickedRow(outline()->rowForItem(item(folder + "/Group")));

    workspace.trashResult = false;
    alerts.setNextAnswer(NSAlertFirstButtonReturn);
    browser->deleteSheet();
    EXPECT_EQ(alerts.questions()[0].alert.messageText, "Delete the group \"Group\" and all sheets inside?");
    EXPECT_TRUE(manager()->ContainsSheet(sheet));
    EXPECT_EQ(manager()->GetActiveSheet(), sheet);

    workspace.trashResult = true;
    outline()->setClickedRow(outline()->rowForItem(item(folder + "/Group")));
    alerts.setNextAnswer(NSAlertFirstButtonReturn);
    browser->deleteSheet();
    EXPECT_FALSE(manager()->ContainsSheet(sheet));
    EXPECT_EQ(names(browser->root()), QStringList{"Other.qxsheet"});
    EXPECT_EQ(manager()->GetActiveSheet()->GetTitle(), "Other");
}

TEST_F(SheetBrowserTest, RenamingRefusesUnusableNamesAndGivesTheOldTitleBack) {
    const QString a = makeSheet("Plans.qxsheet");
    makeSheet("Taken.qxsheet");
    open();
    auto* controller = browser->rowControllerForItem(item(a));
    controller->view();
    const QString refused[] = {"",        "   ",  ".", "..", "a/b", QString("x") + QChar(0) + "y",
                               ".hidden", "Taken"};
    for (const QString& name : refused) {
        const size_t asked = alerts.questions().size();
        controller->labelField()->setText(name);
        controller->titleChanged();
        EXPECT_EQ(controller->labelField()->text(), "Plans") << name.toStdString();
        EXPECT_EQ(alerts.questions().size(), asked + 1) << name.toStdString();
        EXPECT_TRUE(QFileInfo(a).isDir()) << name.toStdString();
    }
    EXPECT_TRUE(QFileInfo(folder + "/Taken.qxsheet/info.plist").exists());

    // A good name moves the bundle and keeps its extension.
    ASSERT_TRUE(browser->renameItem(item(a), "Ideas"));
    EXPECT_TRUE(QFileInfo(folder + "/Ideas.qxsheet").isDir());
    EXPECT_FALSE(QFileInfo::exists(a));
    EXPECT_NE(item(folder + "/Ideas.qxsheet"), nullptr);
}

TEST_F(SheetBrowserTest, RenamingAGroupMovesEveryPathBelowIt) {
    makeSheet("Group/Inner/Deep.qxsheet");
    open();
    TSheet* sheet = manager()->FindSheet(folder + "/Group/Inner/Deep.qxsheet");
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(browser->renameItem(item(folder + "/Group"), "Renamed"));
    EXPECT_EQ(sheet->GetPath(), folder + "/Renamed/Inner/Deep.qxsheet");
    browser->update();
    EXPECT_EQ(manager()->FindSheet(folder + "/Renamed/Inner/Deep.qxsheet"), sheet);
}

TEST_F(SheetBrowserTest, DroppingRowsPutsThemWhereTheyWereDropped) {
    for (const char* name : {"A", "B", "C", "D"}) makeSheet(QString(name) + ".qxsheet");
    open();
    ASSERT_EQ(names(browser->root()), (QStringList{"A.qxsheet", "B.qxsheet", "C.qxsheet", "D.qxsheet"}));
    struct Case {
        QStringList dragged;
        qint64 index;
        QStringList expected;
    } const cases[] = {
        {{"A"}, 3, {"B", "C", "A", "D"}}, // down: between C and D
        {{"A"}, 0, {"A", "B", "C", "D"}}, // up to the top
        {{"D"}, 1, {"A", "D", "B", "C"}},  {{"A", "B"}, 4, {"D", "C", "A", "B"}},
        {{"C"}, -1, {"D", "A", "B", "C"}}, // onto the top level: last
    };
    for (const Case& c : cases) {
        QList<TSheetManagerItem*> dragged;
        for (const QString& name : c.dragged) dragged << item(folder + "/" + name + ".qxsheet");
        std::unique_ptr<QMimeData> data(browser->writeItems(dragged));
        ASSERT_TRUE(browser->acceptDrop(data.get(), nullptr, c.index));
        QStringList expected;
        for (const QString& name : c.expected) expected << name + ".qxsheet";
        EXPECT_EQ(names(browser->root()), expected) << c.dragged.join(",").toStdString() << " at " << c.index;
    }
    // Stored as shown.
    SheetTree again(nullptr);
    again.setSheetFolderPath(folder);
    again.reload();
    EXPECT_EQ(names(again.root()), names(browser->root()));
}

TEST_F(SheetBrowserTest, AMoveFailingPartWaySavesAndShowsWhatMovedBeforeReporting) {
    makeSheet("A.qxsheet");
    makeSheet("B.qxsheet");
    makeSheet("Group/B.qxsheet"); // takes B's name in the group
    open();
    TSheetManagerItem* group = item(folder + "/Group");
    std::unique_ptr<QMimeData> data(
        browser->writeItems({item(folder + "/A.qxsheet"), item(folder + "/B.qxsheet")}));
    EXPECT_EQ(browser->validateDrop(data.get(), group), SheetBrowserWindowController::NSDragOperationGeneric);
    EXPECT_FALSE(browser->acceptDrop(data.get(), group, -1));
    ASSERT_EQ(alerts.questions().size(), 1u);
    EXPECT_EQ(alerts.questions()[0].alert.messageText,
              "There sheet \"B\" can't be moved into the group \"Group\".");
    EXPECT_TRUE(QFileInfo(folder + "/Group/A.qxsheet").isDir());
    EXPECT_NE(group->FindItem(folder + "/Group/A.qxsheet", false), nullptr);
    // What moved is stored: a fresh read shows A in the group.
    SheetTree again(nullptr);
    again.setSheetFolderPath(folder);
    again.reload();
    TSheetManagerItem* stored = again.root()->FindItem(folder + "/Group", false);
    ASSERT_NE(stored, nullptr);
    EXPECT_TRUE(names(stored).contains("A.qxsheet"));
    EXPECT_EQ(outline()->rowForItem(item(folder + "/B.qxsheet")) >= 0, true);
}

// A bundle the tree already shows, dropped from a file manager, moves as its row: its sheet keeps
// saving where the bundle now is, and the tree shows it once.
TEST_F(SheetBrowserTest, AShownBundleDroppedAsAFileMovesWithItsSheet) {
    const QString a = makeSheet("A.qxsheet");
    QDir().mkpath(folder + "/Group");
    open();
    TSheet* sheet = manager()->FindSheet(a);
    ASSERT_NE(sheet, nullptr);
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(a)});
    ASSERT_TRUE(browser->acceptDrop(&files, item(folder + "/Group"), -1));
    const QString moved = folder + "/Group/A.qxsheet";
    EXPECT_TRUE(QFileInfo(moved).isDir());
    EXPECT_EQ(sheet->GetPath(), moved);
    browser->update();
    EXPECT_EQ(manager()->FindSheet(moved), sheet);
    EXPECT_EQ(names(browser->root()), QStringList{"Group"});
    EXPECT_EQ(names(item(folder + "/Group")), QStringList{"A.qxsheet"});
}

// The open sheet's bundle, from outside the sheet folder, dropped in: the sheet follows its folder,
// so its next save lands there.
TEST_F(SheetBrowserTest, AnOpenBundleFromOutsideDroppedInKeepsSaving) {
    QDir().mkpath(folder + "/Group");
    open();
    const QString outside = dir.filePath("Outside.qxsheet");
    TSheet* sheet = manager()->RegisterSheet(outside);
    ASSERT_NE(sheet, nullptr);
    const Ref<TSheet> keep = Ref<TSheet>::retain(sheet);
    manager()->Close();
    manager()->Open(sheet);
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(outside)});
    ASSERT_TRUE(browser->acceptDrop(&files, item(folder + "/Group"), -1));
    const QString moved = folder + "/Group/Outside.qxsheet";
    EXPECT_EQ(sheet->GetPath(), moved);
    Ref<TCard> card = Ref<TCard>::adopt(TCard::Create(QStringLiteral("Written")));
    manager()->AddCard(card.get());
    manager()->Save();
    EXPECT_TRUE(QFileInfo::exists(moved + "/" + card->GetUUID() + ".qxcard"));
    EXPECT_FALSE(card->IsModified());
    EXPECT_TRUE(alerts.questions().empty());
}

TEST_F(SheetBrowserTest, DropsAreValidatedByWhatTheyCarry) {
    const QString a = makeSheet("A.qxsheet");
    QDir().mkpath(folder + "/G1");
    QDir().mkpath(folder + "/G2");
    open();
    TSheetManagerItem* g1 = item(folder + "/G1");
    std::unique_ptr<QMimeData> group(browser->writeItems({item(folder + "/G2")}));
    std::unique_ptr<QMimeData> sheet(browser->writeItems({item(a)}));
    EXPECT_EQ(browser->validateDrop(group.get(), g1), SheetBrowserWindowController::NSDragOperationNone);
    EXPECT_EQ(browser->validateDrop(group.get(), nullptr),
              SheetBrowserWindowController::NSDragOperationGeneric);
    EXPECT_EQ(browser->validateDrop(sheet.get(), g1), SheetBrowserWindowController::NSDragOperationGeneric);
    EXPECT_EQ(browser->validateDrop(sheet.get(), item(a)), SheetBrowserWindowController::NSDragOperationNone);

    // The row payload names no address and means nothing to another browser's tree.
    EXPECT_FALSE(sheet->data(sheet->formats().first()).contains(QByteArray::number(quintptr(item(a)), 16)));

    // Files: only an exact sheet bundle extension counts.
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(dir.filePath("x.QXSHEET")), QUrl::fromLocalFile(dir.filePath("y.txt")),
                   QUrl::fromLocalFile(dir.filePath("z.qxsheet"))});
    const auto items = browser->itemsForPasteboard(&files);
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0]->GetPath(), dir.filePath("z.qxsheet"));

    // Cards go onto sheets only.
    QMimeData card;
    card.setData(NSPasteboardTypeCardWrapper, QByteArray("x"));
    EXPECT_EQ(browser->validateDrop(&card, item(a)), SheetBrowserWindowController::NSDragOperationGeneric);
    EXPECT_EQ(browser->validateDrop(&card, g1), SheetBrowserWindowController::NSDragOperationNone);
    EXPECT_EQ(browser->validateDrop(&card, nullptr), SheetBrowserWindowController::NSDragOperationNone);
}

TEST_F(SheetBrowserTest, ACardDroppedOnASheetMovesIntoItAndOpensIt) {
    const QString a = makeSheet("A.qxsheet");
    const QString b = makeSheet("B.qxsheet");
    open();
    outline()->selectRow(outline()->rowForItem(item(a)));
    Ref<TCard> card = Ref<TCard>::adopt(TCard::Create(QStringLiteral("Travelling")));
    manager()->AddCard(card.get());
    auto* window = static_cast<RecordingCardController*>(manager()->GetController(card.get()));
    ASSERT_NE(window, nullptr);
    QMimeData data;
    data.setData(NSPasteboardTypeCardWrapper, NSObjectWrapper::wrapperWithObject(card.get())->encode());

    EXPECT_FALSE(browser->acceptDrop(&data, item(a), -1)); // its own sheet
    ASSERT_TRUE(browser->acceptDrop(&data, item(b), -1));
    TSheet* target = item(b)->GetSheet();
    EXPECT_EQ(target->FindCardWithUUID(card->GetUUID()), card.get());
    EXPECT_TRUE(window->calls.contains("removeCard"));
    EXPECT_EQ(workspace.requests.last(), (RecordingWorkspace::Request{"openFiles", {b}}));
}

TEST_F(SheetBrowserTest, MenuCommandsWantAClickedRowAndAddGroupRefusesASecondUntitled) {
    makeSheet("A.qxsheet");
    open();
    for (const char* title : {"Edit Title", "Delete", "Show in File Manager"})
        EXPECT_FALSE(browser->validateMenuItem(title));
    for (const char* title : {"Add Sheet", "Add Group"}) EXPECT_TRUE(browser->validateMenuItem(title));
    outline()->setClickedRow(0);
    EXPECT_TRUE(browser->validateMenuItem("Delete"));
    outline()->setClickedRow(-1);

    browser->addGroup();
    EXPECT_TRUE(QFileInfo(folder + "/Untitled").isDir());
    EXPECT_EQ(names(browser->root()).last(), "Untitled");
    EXPECT_TRUE(alerts.questions().empty());
    browser->addGroup();
    EXPECT_EQ(alerts.questions().size(), 1u);
    EXPECT_EQ(names(browser->root()).count("Untitled"), 1);
}

TEST_F(SheetBrowserTest, FolderChangesWaitForTheProgramToBeActive) {
    makeSheet("A.qxsheet");
    open();
    active = false;
    makeSheet("B.qxsheet");
    browser->directoryChanged();
    browser->tree().waitForBackgroundReload();
    EXPECT_TRUE(browser->needsReloadData());
    EXPECT_EQ(outline()->numberOfRows(), 1);
    active = true;
    browser->reloadDataIfNeeded();
    EXPECT_FALSE(browser->needsReloadData());
    EXPECT_EQ(outline()->numberOfRows(), 2);
}

TEST_F(SheetBrowserTest, PreferencesChangeTheRowsAndTheSliding) {
    makeSheet("A.qxsheet");
    open();
    auto* list = browser->rowControllerForItem(browser->root()->FindItem(folder + "/A.qxsheet", false));
    EXPECT_EQ(list->nibName(), "SheetListView");
    defaults.setBoolForKey(false, kPreferenceKeyShowSheetsAsList);
    auto* cell = browser->rowControllerForItem(browser->root()->FindItem(folder + "/A.qxsheet", false));
    EXPECT_EQ(cell->nibName(), "SheetCellView");

    // The value the slide controller already has: a reload instead.
    const bool sliding = browser->isSlidingEnabled();
    defaults.setBoolForKey(sliding, kPreferenceKeyAutoHideSheetBrowser);
    EXPECT_EQ(browser->isSlidingEnabled(), sliding);
    defaults.setBoolForKey(!sliding, kPreferenceKeyAutoHideSheetBrowser);
    EXPECT_EQ(browser->isSlidingEnabled(), !sliding);
}

TEST_F(SheetBrowserTest, ClickingAGroupRowTogglesItUnlessItHoldsTheSelectedSheet) {
    const QString inner = makeSheet("Group/In.qxsheet");
    makeSheet("Top.qxsheet");
    open();
    TSheetManagerItem* group = item(folder + "/Group");
    const auto click = [&] {
        QWidget* row = outline()->rowViewAtRow(outline()->rowForItem(group));
        ASSERT_NE(row, nullptr);
        QTest::mouseClick(browser->rowControllerForItem(group)->labelField(), Qt::LeftButton);
    };
    click();
    EXPECT_TRUE(group->IsExpanded());
    EXPECT_EQ(outline()->numberOfRows(), 3);
    click();
    EXPECT_FALSE(group->IsExpanded());
    EXPECT_EQ(outline()->numberOfRows(), 2);

    // Open its sheet: the group stays open.
    click();
    outline()->selectRow(outline()->rowForItem(item(inner)));
    ASSERT_EQ(manager()->GetActiveSheet()->GetPath(), inner);
    click();
    EXPECT_TRUE(group->IsExpanded());
    // The expanded states are stored.
    SheetTree again(nullptr);
    again.setSheetFolderPath(folder);
    again.reload();
    EXPECT_TRUE(again.root()->FindItem(folder + "/Group", false)->IsExpanded());
}

TEST_F(SheetBrowserTest, TheWindowTakesTheKeyboardOnlyWhileATitleIsEdited) {
    const QString a = makeSheet("A.qxsheet");
    open();
    EXPECT_FALSE(browser->browserWindow()->canBecomeKeyWindow());
    outline()->selectRow(outline()->rowForItem(item(a)));
    browser->editTitle();
    NSLabelField* field = browser->rowControllerForItem(item(a))->labelField();
    field->setEditMode(true);
    EXPECT_TRUE(browser->browserWindow()->canBecomeKeyWindow());
    field->setEditMode(false);
    EXPECT_FALSE(browser->browserWindow()->canBecomeKeyWindow());
}

TEST(SheetCellViewController, APreviewRectangleIsMeasuredOnTheWindowsOwnScreen) {
    Ref<TSheetManagerItem> item = Ref<TSheetManagerItem>::adopt(TSheetManagerItem::Create(nullptr));
    TSheetCellViewController controller(item.get(), nullptr);
    QWidget* view = controller.view();
    const QPoint origin = controller.imageView()->mapToGlobal(QPoint(0, 0));
    const QRectF first = controller.scaledRectForWindow(QRectF(100, 50, 400, 300), QRectF(0, 0, 1000, 620));
    const QRectF second =
        controller.scaledRectForWindow(QRectF(1100, 50, 400, 300), QRectF(1000, 0, 1000, 620));
    EXPECT_EQ(first, second);
    EXPECT_EQ(first.topLeft(), QPointF(origin) + QPointF(10, 5));
    delete view;
}

} // namespace
