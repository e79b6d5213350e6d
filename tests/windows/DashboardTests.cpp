#include "foundation/NSObjectWrapper.h"
#include "model/CardItems.h"
#include "model/Globals.h"
#include "model/ModelObject.h"
#include "model/Preferences.h"
#include "model/SheetManager.h"
#include "model/Task.h"
#include "platform/AlertPresenter.h"
#include "platform/AutoreleasePool.h"
#include "platform/Diagnostics.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "platform/calendar/FakeEventStore.h"
#include "utilities/Clock.h"
#include "utilities/PasteboardUtilities.h"
#include "windows/DashboardCells.h"
#include "windows/DashboardViewController.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QMimeData>
#include <QPointer>
#include <QTemporaryDir>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>

namespace {

class DashboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterModelClasses();
        UserDefaults::setStandardUserDefaults(&defaults);
        SetEventStore(store);
        Workspace::setShared(&workspace);
        folder = dir.filePath(QStringLiteral("Sheets"));
        QDir().mkpath(folder);
        defaults.setObjectForKey(folder, kPreferenceKeySheetFolder);
    }
    void TearDown() override {
        dashboard.reset();
        scheduler.scheduler.advance(1);
        TSheetManager::SharedManager()->UnregisterAllSheets();
        Workspace::setShared(nullptr);
        SetEventStore(nullptr);
        UserDefaults::setStandardUserDefaults(nullptr);
    }
    TSheet* makeSheet(const QString& relative) {
        return TSheetManager::SharedManager()->RegisterSheet(QDir(folder).filePath(relative));
    }
    void start() {
        dashboard = std::make_unique<TDashboardViewController>();
        tester = std::make_unique<QAbstractItemModelTester>(
            dashboard->model(), QAbstractItemModelTester::FailureReportingMode::Warning);
        dashboard->awakeFromNib();
    }
    TDashboardGroupRowItem* group(const QString& name) const { return dashboard->findGroup(name); }
    static TDashboardRowItem* row(TTreeNode* parent, qint64 index) {
        return static_cast<TDashboardRowItem*>(parent->GetChild(index));
    }
    template <class T> static T* cell(TTreeNode* parent, qint64 index) {
        return qobject_cast<T*>(row(parent, index)->GetViewRepresentation());
    }
    QStringList folderNames(TTreeNode* parent) const {
        QStringList names;
        for (qint64 i = 0; i < parent->ChildCount(); ++i)
            if (auto* folderCell = cell<TDashboardFolderCellViewController>(parent, i))
                names << QFileInfo(folderCell->path()).fileName();
        return names;
    }

    ScopedManualScheduler scheduler;
    ScopedManualClock clock{QDateTime(QDate(2026, 3, 10), QTime(9, 0), Qt::UTC), QTimeZone::utc()};
    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath(QStringLiteral("defaults.plist"))};
    std::shared_ptr<FakeEventStore> store = FakeEventStore::create();
    RecordingWorkspace workspace;
    ScopedScriptedAlertPresenter alerts;
    Diagnostics::Capture capture;
    QString folder;
    std::unique_ptr<TDashboardViewController> dashboard;
    std::unique_ptr<QAbstractItemModelTester> tester;
    AutoreleasePool pool;
};

TEST_F(DashboardTest, BuildsTheGroupsFromTheSheetFolder) {
    TSheet* home = makeSheet(QStringLiteral("Home.qxsheet"));
    home->SetFavorite(true);
    makeSheet(QStringLiteral("Work/Plans.qxsheet"));
    makeSheet(QStringLiteral(".Hidden.qxsheet"));
    QFile note(QDir(folder).filePath(QStringLiteral("note.txt")));
    ASSERT_TRUE(note.open(QIODevice::WriteOnly));
    note.close();

    // A task due tomorrow, a file, a link and a picture in a card of the sheet (kept in memory).
    TJobslate* card = TJobslate::Create(QStringLiteral("Jobs"));
    home->AddCard(card);
    card->Release();
    TTask* task = TTask::Create(QStringLiteral("File taxes"));
    card->GetRoot()->AddChild(task);
    task->Release();
    task->SetDueDate(clock.clock.now().addDays(1));
    ASSERT_TRUE(task->SaveEvent());
    for (TCardItem* item :
         {static_cast<TCardItem*>(TFileAttachment::Create(dir.filePath(QStringLiteral("a.pdf")))),
          static_cast<TCardItem*>(TURLAttachment::Create(QUrl(QStringLiteral("https://x.org")))),
          static_cast<TCardItem*>(TImageAttachment::Create(QImage(4, 4, QImage::Format_RGB32)))}) {
        card->GetRoot()->AddChild(item);
        item->Release();
    }

    start();
    QStringList titles;
    for (qint64 i = 0; i < dashboard->root()->ChildCount(); ++i)
        titles << static_cast<TDashboardGroupRowItem*>(dashboard->root()->GetChild(i))->GetTitle();
    EXPECT_EQ(titles,
              QStringList({"Favorites", "Sheets", "Archive", "Overview", "Attachments", "Important"}));

    ASSERT_EQ(group("Favorites")->ChildCount(), 1);
    EXPECT_EQ(cell<TDashboardSheetCellViewController>(group("Favorites"), 0)->sheet(), home);

    // The sheet folder: the sheet, then the folder with its sheet; hidden sheets and files left out.
    TDashboardGroupRowItem* sheets = group("Sheets");
    ASSERT_EQ(sheets->ChildCount(), 2);
    EXPECT_EQ(cell<TDashboardSheetCellViewController>(sheets, 0)->sheet(), home);
    EXPECT_EQ(folderNames(sheets), QStringList{"Work"});
    TDashboardRowItem* work = row(sheets, 1);
    ASSERT_EQ(work->ChildCount(), 1);
    EXPECT_EQ(cell<TDashboardSheetCellViewController>(work, 0)->sheet()->GetTitle(), QStringLiteral("Plans"));
    EXPECT_EQ(row(work, 0)->GetMembership(), QStringLiteral("Sheets"));

    // The overview: the task, in its card, due tomorrow with a time; the card was not read again.
    ASSERT_EQ(group("Overview")->ChildCount(), 1);
    auto* taskCell = cell<TDashboardTaskCellViewController>(group("Overview"), 0);
    ASSERT_NE(taskCell, nullptr);
    EXPECT_EQ(taskCell->task(), task);
    taskCell->view();
    EXPECT_TRUE(taskCell->statusField()->text().startsWith(QStringLiteral("Due Tomorrow")))
        << taskCell->statusField()->text().toStdString();
    EXPECT_TRUE(taskCell->statusField()->text().contains(QLatin1Char(':')));
    EXPECT_EQ(taskCell->labelField()->text(), QStringLiteral("In \"Jobs\""));
    EXPECT_EQ(home->GetCards()->Count(), 1);

    // The attachments: the search row, then every attachment row; a picture shows no text.
    TDashboardGroupRowItem* attachments = group("Attachments");
    ASSERT_EQ(attachments->ChildCount(), 4);
    EXPECT_NE(cell<TDashboardFilterCellViewController>(attachments, 0), nullptr);
    auto* picture = cell<TDashboardAttachmentCellViewController>(attachments, 3);
    picture->view();
    EXPECT_TRUE(picture->textField()->text().isEmpty());
    EXPECT_TRUE(group("Archive")->ChildCount() == 0 && group("Important")->ChildCount() == 0);
}

TEST_F(DashboardTest, LinksBackIntoTheSheetFolderAreNotFollowedAgain) {
    makeSheet(QStringLiteral("Home.qxsheet"));
    const QString work = QDir(folder).filePath(QStringLiteral("Work"));
    QDir().mkpath(work + QStringLiteral("/Deep"));
    ASSERT_TRUE(QFile::link(QStringLiteral("."), work + QStringLiteral("/self")));
    ASSERT_TRUE(QFile::link(QStringLiteral("../.."), work + QStringLiteral("/Deep/up")));
    const QString outside = dir.filePath(QStringLiteral("Outside"));
    QDir().mkpath(outside);
    ASSERT_TRUE(QFile::link(outside, QDir(folder).filePath(QStringLiteral("Linked"))));
    start();
    TDashboardGroupRowItem* sheets = group("Sheets");
    // A linked folder elsewhere is shown; links to a folder already on the way are left out.
    QStringList top = folderNames(sheets);
    top.sort();
    EXPECT_EQ(top, QStringList({"Linked", "Work"}));
    for (qint64 i = 0; i < sheets->ChildCount(); ++i) {
        auto* folderCell = cell<TDashboardFolderCellViewController>(sheets, i);
        if (!folderCell || QFileInfo(folderCell->path()).fileName() != QStringLiteral("Work")) continue;
        EXPECT_EQ(folderNames(row(sheets, i)), QStringList{"Deep"});
        EXPECT_EQ(row(sheets, i)->GetChild(0)->ChildCount(), 0);
    }
}

TEST_F(DashboardTest, TaskChangesRebuildTheOverviewOnceAndNothingElse) {
    makeSheet(QStringLiteral("Home.qxsheet"));
    start();
    TDashboardRowItem* sheetRow = row(group("Sheets"), 0);
    NotificationCenter::defaultCenter().post(kTaskChangedNotification);
    NotificationCenter::defaultCenter().post(kTaskChangedNotification);
    scheduler.scheduler.advance(0.1);
    EXPECT_EQ(capture.lines().count(QStringLiteral("reload dashboard overview")), 1);
    EXPECT_EQ(row(group("Sheets"), 0), sheetRow);
}

TEST_F(DashboardTest, MarkingAFavouriteRebuildsOnlyTheFavourites) {
    makeSheet(QStringLiteral("Home.qxsheet"));
    start();
    TDashboardRowItem* sheetRow = row(group("Sheets"), 0);
    EXPECT_EQ(group("Favorites")->ChildCount(), 0);
    auto* sheetCell = cell<TDashboardSheetCellViewController>(group("Sheets"), 0);
    sheetCell->view();
    sheetCell->toggleFavorite();
    EXPECT_EQ(sheetCell->favoriteButton()->objectName(), QStringLiteral("FavoriteTemplate"));
    scheduler.scheduler.advance(0.1);
    EXPECT_EQ(group("Favorites")->ChildCount(), 1);
    EXPECT_EQ(row(group("Sheets"), 0), sheetRow);
}

TEST_F(DashboardTest, WithoutASheetFolderTheSheetsGroupIsEmptyAndNothingIsWatched) {
    defaults.removeObjectForKey(kPreferenceKeySheetFolder);
    start();
    EXPECT_EQ(group("Sheets")->ChildCount(), 0);
    EXPECT_EQ(dashboard->directoryMonitor(), nullptr);
    EXPECT_TRUE(capture.lines().contains(QStringLiteral("sheet folder path is invalid.")));
}

TEST_F(DashboardTest, MembershipIsTheNearestGroupsTitle) {
    Ref<TDashboardRowItem> loose =
        Ref<TDashboardRowItem>::adopt(TDashboardRowItem::Create(new TDashboardFilterCellViewController));
    EXPECT_EQ(loose->GetMembership(), QString());
    Ref<TDashboardGroupRowItem> favourites =
        Ref<TDashboardGroupRowItem>::adopt(TDashboardGroupRowItem::Create("Favorites"));
    EXPECT_EQ(favourites->GetMembership(), QStringLiteral("Favorites"));
    // One wrapper stands for a row for its whole life.
    EXPECT_EQ(loose->GetCocoaObject().get(), loose->GetCocoaObject().get());
}

TEST_F(DashboardTest, FolderRowsMoveOnlyWithinTheirGroupAndLandWhereDropped) {
    for (const char* name : {"A", "B", "C"}) QDir(folder).mkdir(QString::fromLatin1(name));
    start();
    TDashboardOutlineModel* model = dashboard->model();
    const QModelIndex sheets = model->indexForItem(group("Sheets"));
    const QModelIndex favourites = model->indexForItem(group("Favorites"));
    const QModelIndex a = model->index(0, 0, sheets);
    EXPECT_FALSE(model->flags(model->indexForItem(group("Sheets"))) & Qt::ItemIsDragEnabled);
    std::unique_ptr<QMimeData> payload(model->mimeData({a}));
    ASSERT_NE(payload, nullptr);

    struct Case {
        QModelIndex parent;
        int row;
        bool accepted;
        const char* what;
    } const cases[] = {
        {sheets, 2, true, "between two rows of its group"},
        {favourites, 1, false, "another group"},
        {sheets, 0, false, "the first place"},
        {sheets, -1, false, "onto a row"},
        {a, 1, false, "into itself"},
        {QModelIndex(), 1, false, "the top level"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(model->canDropMimeData(payload.get(), Qt::MoveAction, c.row, 0, c.parent), c.accepted)
            << c.what;

    // Moving down lands before the row it was dropped on.
    ASSERT_TRUE(model->dropMimeData(payload.get(), Qt::MoveAction, 2, 0, sheets));
    EXPECT_EQ(folderNames(group("Sheets")), QStringList({"B", "A", "C"}));
    ASSERT_TRUE(model->dropMimeData(payload.get(), Qt::MoveAction, 3, 0, sheets));
    EXPECT_EQ(folderNames(group("Sheets")), QStringList({"B", "C", "A"}));

    // A payload that names no row of this process is refused.
    QMimeData foreign;
    foreign.setData(PasteboardUtilities::mimeTypeForType(TDashboardOutlineModel::kDashboardItemType),
                    "other:1");
    EXPECT_FALSE(model->canDropMimeData(&foreign, Qt::MoveAction, 1, 0, sheets));
}

TEST_F(DashboardTest, DeletingASheetTrashesItFirst) {
    TSheet* home = makeSheet(QStringLiteral("Home.qxsheet"));
    const QString path = home->GetPath();
    start();
    auto* sheetCell = cell<TDashboardSheetCellViewController>(group("Sheets"), 0);

    alerts.setNextAnswer(NSAlertSecondButtonReturn); // Cancel
    sheetCell->deleteSheet();
    EXPECT_TRUE(workspace.requests.isEmpty());

    workspace.trashResult = false;
    alerts.setNextAnswer(NSAlertFirstButtonReturn);
    sheetCell->deleteSheet();
    EXPECT_TRUE(TSheetManager::SharedManager()->ContainsSheet(home));
    EXPECT_EQ(alerts.questions().back().alert.style, Alert::Style::Critical);

    workspace.trashResult = true;
    alerts.setNextAnswer(NSAlertFirstButtonReturn);
    sheetCell->deleteSheet();
    EXPECT_EQ(alerts.questions().at(0).alert.messageText, QStringLiteral("Delete the sheet \"Home\"?"));
    EXPECT_EQ(workspace.requests.back(), (RecordingWorkspace::Request{"moveToTrash", {path}}));
    EXPECT_EQ(TSheetManager::SharedManager()->FindSheet(path), nullptr);
}

TEST_F(DashboardTest, ASheetRowRebuiltWhileItsDeleteQuestionIsOpenStillDeletesTheSheet) {
    TSheet* home = makeSheet(QStringLiteral("Home.qxsheet"));
    const QString path = home->GetPath();
    start();
    QPointer<TDashboardSheetCellViewController> sheetCell =
        cell<TDashboardSheetCellViewController>(group("Sheets"), 0);
    // WHEN the rows are built again while "Delete the sheet?" is open (the folder changed meanwhile)
    alerts.whileAsking([this] { dashboard->reload(); });
    alerts.setNextAnswer(NSAlertFirstButtonReturn);
    sheetCell->deleteSheet();
    // THEN the answer still counts, for the sheet it was asked about
    EXPECT_TRUE(sheetCell.isNull()) << "the row was not rebuilt";
    EXPECT_EQ(workspace.requests.back(), (RecordingWorkspace::Request{"moveToTrash", {path}}));
    EXPECT_EQ(TSheetManager::SharedManager()->FindSheet(path), nullptr);
}

TEST_F(DashboardTest, DeletingTheActiveSheetWritesNothingIntoItsBundle) {
    TSheet* home = makeSheet(QStringLiteral("Home.qxsheet"));
    const QString path = home->GetPath();
    TSheetManager* manager = TSheetManager::SharedManager();
    manager->Open(home);
    Ref<TCard> card = Ref<TCard>::adopt(TCard::Create(QStringLiteral("Saved")));
    manager->AddCard(card.get());
    manager->Save();
    const auto contents = [&] {
        QStringList all;
        for (const QString& name : QDir(path).entryList(QDir::Files)) {
            QFile file(path + "/" + name);
            all << name + (file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString());
        }
        return all;
    };
    const QStringList before = contents();
    card->SetTitle(QStringLiteral("Changed, not saved"));
    ASSERT_TRUE(home->IsModified());
    start();
    auto* sheetCell = cell<TDashboardSheetCellViewController>(group("Sheets"), 0);

    // The Trash refuses: the sheet is open again with its changes.
    workspace.trashResult = false;
    alerts.setNextAnswer(NSAlertFirstButtonReturn);
    sheetCell->deleteSheet();
    EXPECT_EQ(manager->GetActiveSheet(), home);
    EXPECT_TRUE(home->IsModified());
    EXPECT_EQ(contents(), before);

    // The Trash takes it: the sheet closes without being written back into the trashed bundle.
    workspace.trashResult = true;
    alerts.setNextAnswer(NSAlertFirstButtonReturn);
    sheetCell->deleteSheet();
    EXPECT_EQ(workspace.requests.back(), (RecordingWorkspace::Request{"moveToTrash", {path}}));
    EXPECT_EQ(manager->GetActiveSheet(), nullptr);
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(manager->FindSheet(path), nullptr);
}

TEST_F(DashboardTest, RenamingAFolderMovesItAndTheSheetsInside) {
    TSheet* plans = makeSheet(QStringLiteral("Work.box/Plans.qxsheet"));
    start();
    auto* folderCell = cell<TDashboardFolderCellViewController>(group("Sheets"), 0);
    ASSERT_NE(folderCell, nullptr);
    const QString old = folderCell->path();

    EXPECT_TRUE(folderCell->titleChanged(QStringLiteral("Work.box"))); // its own name: nothing moves
    EXPECT_FALSE(capture.lines().join('\n').contains(QStringLiteral("move ")));
    for (const char* unsafe : {"", "../Elsewhere", ".hidden", "a/b"}) {
        EXPECT_FALSE(folderCell->titleChanged(QString::fromLatin1(unsafe))) << unsafe;
        EXPECT_EQ(folderCell->path(), old) << unsafe;
    }

    EXPECT_TRUE(folderCell->titleChanged(QStringLiteral("Jobs")));
    const QString renamed = QDir(folder).filePath(QStringLiteral("Jobs.box"));
    EXPECT_EQ(folderCell->path(), renamed);
    EXPECT_TRUE(QFileInfo(renamed).isDir());
    EXPECT_EQ(plans->GetPath(), renamed + QStringLiteral("/Plans.qxsheet"));
}

TEST_F(DashboardTest, AddingAFolderTwiceTellsWhy) {
    start();
    auto* groupCell =
        qobject_cast<TDashboardGroupCellViewController*>(group("Sheets")->GetViewRepresentation());
    groupCell->addFolder();
    EXPECT_TRUE(QFileInfo(QDir(folder).filePath(QStringLiteral("Untitled"))).isDir());
    EXPECT_TRUE(alerts.questions().empty());
    scheduler.scheduler.advance(0.1);
    EXPECT_EQ(folderNames(group("Sheets")), QStringList{"Untitled"});
    groupCell = qobject_cast<TDashboardGroupCellViewController*>(group("Sheets")->GetViewRepresentation());
    groupCell->addFolder();
    ASSERT_EQ(alerts.questions().size(), 1u);
}

TEST_F(DashboardTest, AttachmentsRevealFilesAndOpenLinks) {
    Ref<TFileAttachment> file =
        Ref<TFileAttachment>::adopt(TFileAttachment::Create(QStringLiteral("/tmp/a.pdf")));
    Ref<TURLAttachment> link =
        Ref<TURLAttachment>::adopt(TURLAttachment::Create(QUrl(QStringLiteral("https://x.org"))));
    TDashboardAttachmentCellViewController fileCell(file.get());
    TDashboardAttachmentCellViewController linkCell(link.get());
    fileCell.reveal();
    linkCell.reveal();
    EXPECT_EQ(workspace.requests, (QList<RecordingWorkspace::Request>{{"selectFile", {"/tmp/a.pdf"}},
                                                                      {"openURL", {"https://x.org"}}}));
}

TEST_F(DashboardTest, RebuildingTheSheetsRowsWhileShownKeepsEveryCellInItsRow) {
    makeSheet(QStringLiteral("Home.qxsheet"));
    makeSheet(QStringLiteral("Work/Plans.qxsheet"));
    start();
    std::unique_ptr<TDashboardOutlineView> view(dashboard->browser());
    view->resize(300, 600);
    view->show();
    view->expandItem(group("Sheets"));
    view->expandItem(row(group("Sheets"), 1));

    const auto cellsInTheirRows = [&](const char* after) {
        // Widgets the view gave up go now, and the rows are laid out.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        TDashboardOutlineModel* model = dashboard->model();
        std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
            for (int r = 0; r < model->rowCount(parent); ++r) {
                const QModelIndex index = model->index(r, 0, parent);
                TDashboardCellViewController* cell = model->itemForIndex(index)->GetViewRepresentation();
                QPointer<QWidget> cellView = cell->view();
                QWidget* host = view->indexWidget(index);
                ASSERT_NE(host, nullptr) << after << " row " << r;
                EXPECT_EQ(cellView->parentWidget(), host) << after << " row " << r;
                // Screen readers (and journeys) find the row by what it says.
                EXPECT_FALSE(model->data(index, Qt::AccessibleTextRole).toString().isEmpty()) << after;
                if (view->isExpanded(parent) || !parent.isValid()) {
                    EXPECT_TRUE(cellView->isVisible()) << after << " row " << r;
                    EXPECT_EQ(host->geometry(), view->visualRect(index)) << after << " row " << r;
                    EXPECT_EQ(host->height(), cell->rowHeight()) << after << " row " << r;
                }
                walk(index);
            }
        };
        walk({});
    };
    cellsInTheirRows("the first build");
    dashboard->reloadGroup(TDashboardViewController::kSheets);
    view->expandItem(group("Sheets"));
    cellsInTheirRows("a rebuild of the sheets");
    dashboard->reloadBrowser();
    cellsInTheirRows("a reload of the outline");
    EXPECT_TRUE(view->isItemExpanded(group("Sheets")));
    dashboard->reload();
    cellsInTheirRows("a rebuild of every group");
}

TEST_F(DashboardTest, TheGroupsShowHideButtonFollowsItsState) {
    start();
    TDashboardOutlineView* view = dashboard->browser();
    view->resize(300, 600);
    view->show();
    TDashboardGroupRowItem* sheets = group("Sheets");
    view->expandItem(sheets);
    auto* groupCell = qobject_cast<TDashboardGroupCellViewController*>(sheets->GetViewRepresentation());
    EXPECT_EQ(groupCell->toggleButton()->text(), QStringLiteral("Hide"));
    groupCell->toggleState();
    EXPECT_FALSE(view->isItemExpanded(sheets));
    EXPECT_EQ(groupCell->toggleButton()->text(), QStringLiteral("Show"));
    delete view;
}

} // namespace
