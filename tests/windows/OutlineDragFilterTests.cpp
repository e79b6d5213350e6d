#include "model/CardItems.h"
#include "model/Globals.h"
#include "model/ModelObject.h"
#include "model/Task.h"
#include "platform/AutoreleasePool.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "platform/calendar/FakeEventStore.h"
#include "utilities/Clock.h"
#include "windows/CardItemRowViewController.h"
#include "windows/CardViewController.h"
#include "windows/OutlineDragController.h"
#include "windows/OutlineDragDrop.h"
#include "windows/OutlineFilter.h"
#include "windows/OutlineView.h"
#include "windows/OutlineViewController.h"
#include "windows/TaskRowViewController.h"

#include <QApplication>
#include <QCheckBox>
#include <QDropEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QUndoStack>
#include <gtest/gtest.h>
#include <memory>

namespace {

QString textOf(TTreeNode* node) {
    auto* item = dynamic_cast<TTextItem*>(node);
    return item ? item->GetPlainText() : QString();
}

// The outline of a card with its drag controller and filters.
class OutlineDragFilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterModelClasses();
        UserDefaults::setStandardUserDefaults(&defaults);
        SetEventStore(store);
        TOutlineViewController::registerForListCards();
        card = Ref<TJobslate>::adopt(TJobslate::Create(QStringLiteral("Jobs")));
        card->SetDefaultItem(kItemKindTask);
    }
    void TearDown() override {
        controller.reset();
        SetEventStore(nullptr);
        UserDefaults::setStandardUserDefaults(nullptr);
    }
    TTask* add(TTreeNode* parent, const QString& text) {
        TTask* item = TTask::Create(text);
        parent->AddChild(item);
        item->Release();
        return item;
    }
    void open() {
        controller.reset(dynamic_cast<TOutlineViewController*>(CardViewControllers::make(card.get())));
        ASSERT_TRUE(controller);
        controller->view()->resize(400, 300);
        controller->view()->show();
        outline = controller->browser();
        drags = outline->findChild<OutlineDragController*>();
        ASSERT_TRUE(drags);
    }
    QStringList shownRows() const {
        QStringList rows;
        for (qint32 row = 0; row < outline->numberOfRows(); ++row)
            rows << QString(outline->levelForRow(row), QLatin1Char(' ')) + textOf(outline->itemAtRow(row));
        return rows;
    }
    // Drags the data into the outline's viewport and drops it at the point; answers whether it was taken.
    bool drop(const QMimeData& data, const QPoint& point,
              Qt::DropActions actions = Qt::MoveAction | Qt::CopyAction) {
        QDragEnterEvent enter(point, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(outline->viewport(), &enter);
        QDropEvent event(point, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(outline->viewport(), &event);
        return event.isAccepted();
    }
    QPoint pointInRow(qint32 row, double fraction) const {
        const QRectF rect = outline->rectOfRow(row);
        return QPoint(40, int(rect.top() + rect.height() * fraction) - outline->verticalScrollBar()->value());
    }

    AutoreleasePool pool;
    ScopedManualScheduler manual;
    ScopedManualClock clock{QDateTime(QDate(2026, 3, 18), QTime(15, 0), QTimeZone::utc()), QTimeZone::utc()};
    QTemporaryDir folder;
    UserDefaults defaults{folder.filePath(QStringLiteral("defaults.plist"))};
    std::shared_ptr<FakeEventStore> store = FakeEventStore::create();
    Ref<TJobslate> card;
    std::unique_ptr<TOutlineViewController> controller;
    TCardOutlineView* outline = nullptr;
    OutlineDragController* drags = nullptr;
};

TEST_F(OutlineDragFilterTest, DropPositionsFollowThePointerWithinARow) {
    TTask* a = add(card->GetRoot(), QStringLiteral("a"));
    add(a, QStringLiteral("a1"));
    TTask* b = add(card->GetRoot(), QStringLiteral("b"));
    open();
    ASSERT_EQ(outline->numberOfRows(), 2);
    const struct {
        qint32 row;
        double fraction;
        TCardItem* parent;
        qint64 index;
    } cases[] = {{0, 0.1, nullptr, 0}, {0, 0.5, a, -1}, {1, 0.9, nullptr, 2}, {1, 0.1, nullptr, 1}};
    for (const auto& c : cases) {
        const auto target = drags->dropTargetAt(pointInRow(c.row, c.fraction));
        EXPECT_EQ(target.parent, c.parent) << c.row << " " << c.fraction;
        EXPECT_EQ(target.index, c.index) << c.row << " " << c.fraction;
    }
    EXPECT_EQ(drags->dropTargetAt(QPoint(40, 290)).parent, nullptr); // below the rows: the root's end
    EXPECT_EQ(drags->dropTargetAt(QPoint(40, 290)).index, -1);
    (void)b;
}

TEST_F(OutlineDragFilterTest, DroppedRowsMoveUndoablyAndATaskKeepsItsEvent) {
    // GIVEN
    TTask* a = add(card->GetRoot(), QStringLiteral("a"));
    TTask* b = add(card->GetRoot(), QStringLiteral("b"));
    add(card->GetRoot(), QStringLiteral("c"));
    a->SetDueDate(clock.clock.now().addDays(1));
    ASSERT_TRUE(a->SaveEvent());
    open();
    QMimeData data;
    ASSERT_TRUE(OutlineDragDrop::writeItems({a, b}, false, data));

    // WHEN a and b are dropped below c
    EXPECT_TRUE(drop(data, pointInRow(2, 0.9)));

    // THEN they land there in order, each move one undo step, and the task keeps its event
    EXPECT_EQ(textOf(card->GetRoot()->GetChild(0)), "c");
    EXPECT_EQ(textOf(card->GetRoot()->GetChild(1)), "a");
    EXPECT_EQ(textOf(card->GetRoot()->GetChild(2)), "b");
    EXPECT_TRUE(a->HasEvent());
    EXPECT_EQ(controller->undoStack()->undoText(), "Move Item");
    controller->undoStack()->undo();
    controller->undoStack()->undo();
    EXPECT_EQ(textOf(card->GetRoot()->GetChild(0)), "a");
    EXPECT_TRUE(a->HasEvent());
}

TEST_F(OutlineDragFilterTest, AFilterShowsItsOwnRowsRefusesDropsAndLeavesTheCardAsItWas) {
    // GIVEN
    TTask* top = add(card->GetRoot(), QStringLiteral("top"));
    TTask* nested = add(top, QStringLiteral("nested"));
    top->SetExpanded(true);
    nested->SetDueDate(clock.clock.now().addSecs(3600));
    ASSERT_TRUE(nested->SaveEvent());
    open();

    // WHEN the forecast is shown
    controller->applyFilter(kFilterKindForecast);

    // THEN the outline shows the groups, nothing can be edited or dropped, and the task stays put
    EXPECT_EQ(shownRows(), QStringList({"Due Today", " nested"}));
    EXPECT_EQ(controller->filterKind(), kFilterKindForecast);
    EXPECT_FALSE(controller->isBrowserEditable());
    EXPECT_EQ(textOf(outline->parentForItem(nested)), "Due Today");
    EXPECT_EQ(nested->GetParent(), top);
    QMimeData text;
    text.setText(QStringLiteral("words"));
    EXPECT_FALSE(drop(text, QPoint(40, 5)));
    EXPECT_EQ(top->ChildCount(), 1);
    QMimeData drag;
    EXPECT_FALSE(OutlineDragDrop::writeItems({nested}, !controller->isBrowserEditable(), drag));

    // A task made important elsewhere shows in the important filter at once.
    controller->applyFilter(kFilterKindImportant);
    EXPECT_TRUE(shownRows().isEmpty());
    top->SetImportant(true);
    EXPECT_EQ(shownRows(), QStringList({"top"}));

    // Back to the card's rows, as they were.
    controller->applyFilter(kFilterKindNone);
    EXPECT_EQ(shownRows(), QStringList({"top", " nested"}));
    EXPECT_TRUE(controller->isBrowserEditable());
}

TEST_F(OutlineDragFilterTest, CompletingATaskInTheForecastTakesItsRowAwaySafely) {
    // GIVEN a task due today shown in the forecast
    TTask* task = add(card->GetRoot(), QStringLiteral("due"));
    task->SetDueDate(clock.clock.now().addSecs(3600));
    ASSERT_TRUE(task->SaveEvent());
    open();
    controller->applyFilter(kFilterKindForecast);
    ASSERT_EQ(shownRows(), QStringList({"Due Today", " due"}));
    TCardItemRowViewController* row = outline->ensureController(task);
    ASSERT_TRUE(row);
    auto* taskRow = dynamic_cast<TTaskViewController*>(row);
    ASSERT_TRUE(taskRow);
    QAbstractButton* box = taskRow->completedButton();
    ASSERT_TRUE(box);

    // WHEN its row's check box is clicked (completing drops the event)
    box->click();

    // THEN the task is completed and leaves the forecast, its row going after the click
    EXPECT_TRUE(task->IsCompleted());
    EXPECT_TRUE(shownRows().isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(task->GetViewRepresentation(), nullptr);
}

} // namespace
