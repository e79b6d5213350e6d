#include "foundation/NSObjectWrapper.h"
#include "platform/Scheduler.h"
#include "toolkit/BarItemPasteboard.h"
#include "toolkit/NSDraggingSession.h"
#include "toolkit/NSItemBar.h"
#include "toolkit/NSSeparatorBarItem.h"

#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QUuid>
#include <gtest/gtest.h>

namespace {

struct MoveRecorder : NSItemBarDelegate {
    QStringList notices;
    void willMoveItemToIndex(NSItemBar*, NSBarItem*, qint64 index) override {
        notices << QString("willMove %1").arg(index);
    }
    void didMoveItemToIndex(NSItemBar*, NSBarItem*, qint64 index) override {
        notices << QString("didMove %1").arg(index);
    }
};

struct SeparatorSource : NSItemBarDataSource {
    bool takes = false;
    qint32 itemBarItemCount(NSItemBar*) override { return 0; }
    NSBarItem* itemBarCreateItemForIndex(NSItemBar*, qint32) override { return nullptr; }
    bool canInsertObjectForIdentifier(NSItemBar*, const QString& id) override { return takes && id == "---"; }
    bool insertObjectForIdentifier(NSItemBar*, const QString& id, qint64) override {
        return takes && id == "---";
    }
};

class ItemBarDragTest : public ::testing::Test {
protected:
    void SetUp() override {
        bar.resize(400, 20);
        bar.setAnimationDuration(0);
        for (double width : {40, 50, 60}) bar.addItem(NSBarItem::initWithWidth(width));
        bar.arrangeItems();
        a = bar.items()[0];
        b = bar.items()[1];
        c = bar.items()[2];
    }
    void TearDown() override { QCoreApplication::sendPostedEvents(); }
    // Presses b inside and drags it 3 points: the recording session gets the drag.
    void startDraggingB() {
        QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
        b->mouseDragged(QPointF(8, 5), nullptr);
    }
    std::unique_ptr<QMimeData> payloadOf(NSBarItem* item) {
        auto data = std::make_unique<QMimeData>();
        BarItemPasteboard::write(data.get(), item);
        return data;
    }

    ScopedManualScheduler time;
    RecordingDraggingSession session;
    NSItemBar bar;
    NSBarItem* a = nullptr;
    NSBarItem* b = nullptr;
    NSBarItem* c = nullptr;
};

TEST_F(ItemBarDragTest, ADragStartsAfterThreePointsFromARecordedPress) {
    b->mouseDragged(QPointF(8, 8), nullptr); // no press yet
    EXPECT_EQ(session.count, 0);
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
    b->mouseDragged(QPointF(7, 6), nullptr);
    EXPECT_EQ(session.count, 0);
    b->mouseDragged(QPointF(8, 5), nullptr);
    ASSERT_EQ(session.count, 1);
    EXPECT_TRUE(b->isDragging());
    EXPECT_EQ(BarItemPasteboard::read(session.data.get()), b);
    EXPECT_FALSE(session.slideBack);

    bar.setArrangingRequiresEditMode(true);
    b->mouseDragged(QPointF(20, 5), nullptr);
    EXPECT_EQ(session.count, 1);
    bar.setArrangingRequiresEditMode(false);
    bar.setArrangingRequiresCommandKey(true);
    QMouseEvent plain(QEvent::MouseMove, QPointF(20, 5), QPointF(20, 5), Qt::LeftButton, Qt::LeftButton, {});
    EXPECT_FALSE(b->mouseDraggedShouldArrange(&plain));
    QMouseEvent command(QEvent::MouseMove, QPointF(20, 5), QPointF(20, 5), Qt::LeftButton, Qt::LeftButton,
                        Qt::ControlModifier);
    EXPECT_TRUE(b->mouseDraggedShouldArrange(&command));
}

TEST_F(ItemBarDragTest, APressAndReleaseWithoutADragIsAClick) {
    struct ClickRecorder : NSItemBarDelegate {
        QList<NSBarItem*> clicked;
        int doubleClicks = 0;
        void itemClicked(NSItemBar*, NSBarItem* item) override { clicked << item; }
        void itemDoubleClicked(NSItemBar*, NSBarItem*) override { ++doubleClicks; }
    } recorder;
    bar.setDelegate(&recorder);

    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(recorder.clicked, QList<NSBarItem*>{b});
    // A jitter under the drag distance is still a click.
    QTest::mousePress(c, Qt::LeftButton, {}, QPoint(5, 5));
    c->mouseDragged(QPointF(6, 6), nullptr);
    QTest::mouseRelease(c, Qt::LeftButton, {}, QPoint(6, 6));
    EXPECT_EQ(recorder.clicked, (QList<NSBarItem*>{b, c}));

    // A drag, a release off the item or a lone release are no clicks.
    startDraggingB();
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(8, 5));
    QTest::mousePress(a, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(a, Qt::LeftButton, {}, QPoint(5, 40));
    QTest::mouseRelease(a, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(recorder.clicked.size(), 2);

    // A double click is one click, then the double click, whose release is none.
    QTest::mouseClick(a, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseDClick(a, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(a, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(recorder.clicked.size(), 3);
    EXPECT_EQ(recorder.doubleClicks, 1);
    bar.setDelegate(nullptr);
}

TEST_F(ItemBarDragTest, DroppingOnTheSameBarMovesTheItem) {
    MoveRecorder recorder;
    bar.setDelegate(&recorder);
    startDraggingB();
    b->draggingSessionWillBegin({});
    EXPECT_FALSE(b->hasSuperview());
    EXPECT_TRUE(bar.isTrackingDrag());
    EXPECT_EQ(c->x(), 42);                                     // b's place closed
    NSDraggingInfo info{session.data.get(), QPointF(100, 10)}; // right half of c
    EXPECT_EQ(bar.draggingEntered(info), NSDragOperationMove);
    EXPECT_EQ(bar.dropIndicatorWidth(), 50);
    bar.draggingUpdated(info);
    EXPECT_EQ(bar.dropTrackingIndex(), 3);
    EXPECT_TRUE(bar.performDragOperation(info));
    b->draggingSessionEnded({}, NSDragOperationMove);
    bar.draggingEnded();
    EXPECT_EQ(bar.items(), (QList<NSBarItem*>{a, c, b}));
    EXPECT_EQ(recorder.notices, (QStringList{"willMove 3", "didMove 3"}));
    EXPECT_TRUE(b->hasSuperview());
    EXPECT_EQ(bar.dropTrackingIndex(), NSItemBar::kNoDropIndex);
    EXPECT_FALSE(bar.isTrackingDrag());
}

TEST_F(ItemBarDragTest, ADropIntoTheItemsOwnGapLeavesItInPlace) {
    for (const double x : {30.0, 50.0}) { // right half of a, left half of c: both border b's gap
        startDraggingB();
        b->draggingSessionWillBegin({});
        NSDraggingInfo info{session.data.get(), QPointF(x, 10)};
        bar.draggingEntered(info);
        bar.draggingUpdated(info);
        EXPECT_TRUE(bar.performDragOperation(info));
        b->draggingSessionEnded({}, NSDragOperationMove);
        bar.draggingEnded();
        EXPECT_EQ(bar.items(), (QList<NSBarItem*>{a, b, c})) << x;
    }
}

TEST_F(ItemBarDragTest, ADropBeforeThePointerRestedLandsWhereItWasDropped) {
    bar.setAnimationDuration(0.25);
    startDraggingB();
    b->draggingSessionWillBegin({});
    NSDraggingInfo info{session.data.get(), QPointF(5, 10)};
    bar.draggingEntered(info);
    bar.draggingUpdated(info);
    EXPECT_EQ(bar.dropTrackingIndex(), NSItemBar::kNoDropIndex); // not rested yet
    EXPECT_TRUE(bar.performDragOperation(info));
    b->draggingSessionEnded({}, NSDragOperationMove);
    EXPECT_EQ(bar.items(), (QList<NSBarItem*>{b, a, c}));
}

TEST_F(ItemBarDragTest, TheGapOpensAfterTheRestOnTheSchedulerClock) {
    bar.setAnimationDuration(0.25);
    QMimeData text;
    text.setText("hello");
    NSDraggingInfo info{&text, QPointF(50, 10)};
    EXPECT_EQ(bar.draggingEntered(info), NSDragOperationCopy);
    EXPECT_EQ(bar.dropIndicatorWidth(), 64);
    bar.draggingUpdated(info);
    EXPECT_EQ(bar.dropTrackingIndex(), NSItemBar::kNoDropIndex);
    time.scheduler.advance(0.3);
    bar.draggingUpdated(info);
    EXPECT_EQ(bar.dropTrackingIndex(), 1);
    bar.draggingExited({nullptr, QPointF(500, 10)});
    EXPECT_EQ(bar.dropTrackingIndex(), NSItemBar::kNoDropIndex);
    bar.draggingEnded();
    EXPECT_FALSE(time.scheduler.isPending(&bar, "dragTrackingTimer"));
}

TEST_F(ItemBarDragTest, ForgedOrStalePayloadsAreNotItems) {
    QMimeData forged;
    forged.setData(BarItemPasteboard::kPasteboardType,
                   BarItemPasteboard::payload(QUuid::createUuid().toRfc4122(), 1));
    EXPECT_EQ(BarItemPasteboard::read(&forged), nullptr);
    QMimeData garbage;
    garbage.setData(BarItemPasteboard::kPasteboardType, QByteArray(8, '\x01'));
    EXPECT_EQ(BarItemPasteboard::read(&garbage), nullptr);

    NSBarItem* gone = NSBarItem::initWithWidth(10);
    auto stale = payloadOf(gone);
    delete gone;
    EXPECT_EQ(BarItemPasteboard::read(stale.get()), nullptr);

    // Nobody takes them: the bar stays as it was.
    EXPECT_FALSE(bar.performDragOperation({&forged, QPointF(5, 5)}));
    EXPECT_FALSE(bar.performDragOperation({stale.get(), QPointF(5, 5)}));
    EXPECT_EQ(bar.items(), (QList<NSBarItem*>{a, b, c}));
}

TEST_F(ItemBarDragTest, ADragThatEndsElsewherePutsTheItemBack) {
    bar.setArrangingAllowsRemoval(false);
    startDraggingB();
    EXPECT_TRUE(session.slideBack);
    b->draggingSessionWillBegin({});
    b->draggingSessionEnded({}, NSDragOperationNone);
    EXPECT_EQ(bar.items(), (QList<NSBarItem*>{a, b, c}));
    EXPECT_EQ(b->parentWidget(), &bar);
    EXPECT_EQ(b->x(), 42);

    bar.setArrangingAllowsRemoval(true);
    startDraggingB();
    b->draggingSessionWillBegin({});
    b->draggingSessionEnded({}, NSDragOperationCopy); // taken by another program
    EXPECT_EQ(bar.items(), (QList<NSBarItem*>{a, b, c}));
    EXPECT_TRUE(b->hasSuperview());

    startDraggingB();
    b->draggingSessionWillBegin({});
    b->draggingSessionEnded({}, NSDragOperationNone); // released over nothing: removed
    EXPECT_EQ(bar.items(), (QList<NSBarItem*>{a, c}));
}

TEST_F(ItemBarDragTest, AnItemThatLeavesItsBarDuringItsDragLivesUntilTheDragEnds) {
    struct Source : NSItemBarDataSource {
        qint32 itemBarItemCount(NSItemBar*) override { return 1; }
        NSBarItem* itemBarCreateItemForIndex(NSItemBar*, qint32) override {
            return NSBarItem::initWithWidth(30);
        }
    } source;
    bar.setDataSource(&source);
    QPointer<NSBarItem> dragged = b;
    startDraggingB();
    b->draggingSessionWillBegin({});
    bar.reloadData();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(dragged.isNull()); // the drag still runs with it
    EXPECT_FALSE(bar.isTrackingDrag());
    b->draggingSessionEnded({}, NSDragOperationNone);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dragged.isNull());

    // The same when the bar itself goes away during the drag.
    auto other = std::make_unique<NSItemBar>();
    dragged = NSBarItem::initWithWidth(40);
    other->addItem(dragged);
    other->arrangeItems();
    QTest::mousePress(dragged, Qt::LeftButton, {}, QPoint(5, 5));
    dragged->mouseDragged(QPointF(9, 5), nullptr);
    dragged->draggingSessionWillBegin({});
    other.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(dragged.isNull());
    dragged->draggingSessionEnded({}, NSDragOperationMove);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dragged.isNull());
}

TEST_F(ItemBarDragTest, QtDragEventsOnTheItemsDriveTheBarAndLeavingEndsTheTracking) {
    QMimeData text;
    text.setText("x");
    const auto send = [](QWidget* target, QEvent* event) { QApplication::sendEvent(target, event); };
    QDragEnterEvent enter(QPoint(5, 10), Qt::CopyAction | Qt::MoveAction, &text, Qt::LeftButton, {});
    send(b, &enter);
    EXPECT_TRUE(bar.isTrackingDrag());
    QDragMoveEvent move(QPoint(40, 10), Qt::CopyAction | Qt::MoveAction, &text, Qt::LeftButton, {});
    send(b, &move); // right half of b, in the bar at x 82
    EXPECT_TRUE(move.isAccepted());
    EXPECT_EQ(move.dropAction(), Qt::CopyAction);
    EXPECT_EQ(bar.dropTrackingIndex(), 2);

    // From b onto c: Qt sends the leave and the enter together; the tracking goes on.
    QCursor::setPos(bar.mapToGlobal(QPoint(100, 10)));
    QDragLeaveEvent leaveB;
    send(b, &leaveB);
    QDragEnterEvent enterC(QPoint(5, 10), Qt::CopyAction | Qt::MoveAction, &text, Qt::LeftButton, {});
    send(c, &enterC);
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(bar.isTrackingDrag());
    EXPECT_EQ(bar.dropTrackingIndex(), 2);

    // Off the bar through c: nothing else will come, so the tracking ends.
    QCursor::setPos(bar.mapToGlobal(QPoint(100, 500)));
    QDragLeaveEvent leaveC;
    send(c, &leaveC);
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(bar.isTrackingDrag());
    EXPECT_EQ(bar.dropTrackingIndex(), NSItemBar::kNoDropIndex);
    EXPECT_FALSE(time.scheduler.isPending(&bar, "dragTrackingTimer"));

    // A drop nobody takes is refused and ends the tracking too.
    send(c, &enterC);
    QDropEvent drop(QPointF(5, 10), Qt::CopyAction | Qt::MoveAction, &text, Qt::LeftButton, {});
    send(c, &drop);
    EXPECT_FALSE(drop.isAccepted());
    EXPECT_FALSE(bar.isTrackingDrag());
    EXPECT_EQ(bar.items(), (QList<NSBarItem*>{a, b, c}));
}

TEST_F(ItemBarDragTest, ContextMenuOffersAddSeparatorOnlyWhereItAddsOne) {
    SeparatorSource source;
    bar.setDataSource(&source);
    EXPECT_EQ(bar.contextualMenu(), nullptr);
    source.takes = true;
    std::unique_ptr<QMenu> menu = bar.contextualMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), "Add Separator");
    menu->actions()[0]->trigger();
    ASSERT_EQ(bar.count(), 4);
    EXPECT_EQ(bar.items()[3]->representedObject().toString(), "---");

    struct Cancelling : NSItemBarDelegate {
        bool willPopupContextualMenu(NSItemBar*, QMenu*) override { return false; }
    } cancelling;
    bar.setDelegate(&cancelling);
    EXPECT_EQ(bar.contextualMenu(), nullptr);
}

TEST_F(ItemBarDragTest, ARightClickPopsTheMenuUp) {
    SeparatorSource source;
    source.takes = true;
    bar.setDataSource(&source);
    bar.show();
    QMenu* shown = nullptr;
    QObject::connect(&bar, &NSItemBar::contextualMenuShown, [&](QMenu* menu) { shown = menu; });
    QTest::mouseClick(&bar, Qt::RightButton, {}, QPoint(300, 10));
    ASSERT_NE(shown, nullptr);
    shown->close();
}

} // namespace
