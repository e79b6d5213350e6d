#include "ToolkitTestSupport.h"
#include "platform/Scheduler.h"
#include "toolkit/NSSlideWindowController.h"
#include "toolkit/ScreenProvider.h"

#include <QPointer>
#include <gtest/gtest.h>

namespace {

const QRect kScreen(0, 0, 1000, 800);
const QRect kAvailable(0, 20, 1000, 780); // a panel of 20 at the top

class RecordingSlideDelegate : public NSSlideWindowDelegate {
public:
    void slideWindowWillExpand(QWidget*) override { calls << "willExpand"; }
    void slideWindowDidExpand(QWidget*) override { calls << "didExpand"; }
    void slideWindowWillCollapse(QWidget*) override { calls << "willCollapse"; }
    void slideWindowDidCollapse(QWidget*) override { calls << "didCollapse"; }
    bool slideWindowShouldClose(QWidget*) override { return shouldClose; }
    QStringList calls;
    bool shouldClose = true;
};

struct EdgeCase {
    qint32 edge;
    QSize size;
    QRect collapsed;
    QRect expanded;
    QPoint contentCollapsed; // the content's place in the collapsed window
};

const EdgeCase kEdges[] = {
    {SlideGeometry::Left, {200, 780}, {0, 20, 4, 780}, {0, 20, 200, 780}, {-196, 0}},
    {SlideGeometry::Right, {200, 780}, {996, 20, 4, 780}, {800, 20, 200, 780}, {0, 0}},
    {SlideGeometry::Top, {1000, 150}, {0, 20, 1000, 4}, {0, 20, 1000, 150}, {0, -146}},
    {SlideGeometry::Bottom, {1000, 150}, {0, 796, 1000, 4}, {0, 650, 1000, 150}, {0, 0}},
};

class SlideWindowTest : public ::testing::Test {
protected:
    std::unique_ptr<NSSlideWindowController> make(const EdgeCase& c) {
        auto controller = std::make_unique<NSSlideWindowController>();
        controller->setSlideEdge(c.edge);
        controller->setExposedEdge(4);
        controller->setContentView(new QWidget);
        controller->setWindowSize(c.size);
        controller->setDelegate(&delegate);
        return controller;
    }
    double extentOf(const EdgeCase& c, const QWidget* window) {
        return c.edge <= SlideGeometry::Right ? window->width() : window->height();
    }

    ScopedManualScheduler clock;
    FixedScreenProvider screens{kScreen, kAvailable};
    RecordingSlideDelegate delegate;
};

TEST_F(SlideWindowTest, EachEdgeCollapsesToAStripAndExpandsAgainstTheEdge) {
    for (const EdgeCase& c : kEdges) {
        delegate.calls.clear();
        auto controller = make(c);
        QWidget* window = controller->window();
        EXPECT_TRUE(controller->isCollapsed()) << c.edge;
        EXPECT_EQ(window->geometry(), c.collapsed) << c.edge;
        EXPECT_EQ(controller->contentView()->pos(), c.contentCollapsed) << c.edge;
        EXPECT_EQ(controller->contentView()->size(), c.size) << c.edge;

        controller->slideOut();
        EXPECT_TRUE(controller->isAnimating()) << c.edge;
        double previous = extentOf(c, window);
        int steps = 0;
        while (controller->isAnimating() && steps < 100) {
            clock.scheduler.advance(controller->stepInterval());
            const double now = extentOf(c, window);
            EXPECT_GE(now, previous) << c.edge;
            previous = now;
            ++steps;
        }
        EXPECT_LE(steps, 16) << c.edge;
        EXPECT_EQ(window->geometry(), c.expanded) << c.edge;
        EXPECT_EQ(controller->exposedAmount(), controller->destinationLocation()) << c.edge;
        EXPECT_EQ(controller->contentView()->pos(), QPoint(0, 0)) << c.edge;
        EXPECT_TRUE(controller->isExpanded() && !controller->isSlidingOut()) << c.edge;

        controller->slideIn();
        clock.scheduler.advance(1.0);
        EXPECT_FALSE(controller->isAnimating()) << c.edge;
        EXPECT_EQ(window->geometry(), c.collapsed) << c.edge;
        EXPECT_EQ(controller->exposedAmount(), 4.0) << c.edge;
        EXPECT_TRUE(controller->isCollapsed() && !controller->isSlidingIn()) << c.edge;
        EXPECT_EQ(delegate.calls, QStringList({"willExpand", "didExpand", "willCollapse", "didCollapse"}))
            << c.edge;
    }
}

TEST_F(SlideWindowTest, WindowLargerThanTheScreenKeepsItsSideAtTheEdgeInView) {
    // The available area is 1000 x 780; each window is 200 larger along its axis.
    struct LargeCase : EdgeCase {
        QPoint contentExpanded;
    };
    const LargeCase large[] = {
        {{SlideGeometry::Left, {1200, 780}, {0, 20, 4, 780}, {0, 20, 1000, 780}, {-1196, 0}}, {0, 0}},
        {{SlideGeometry::Right, {1200, 780}, {996, 20, 4, 780}, {0, 20, 1000, 780}, {0, 0}}, {-200, 0}},
        {{SlideGeometry::Top, {1000, 980}, {0, 20, 1000, 4}, {0, 20, 1000, 780}, {0, -976}}, {0, 0}},
        {{SlideGeometry::Bottom, {1000, 980}, {0, 796, 1000, 4}, {0, 20, 1000, 780}, {0, 0}}, {0, -200}},
    };
    for (const LargeCase& c : large) {
        auto controller = make(c);
        QWidget* content = controller->contentView();
        controller->slideOut();
        QPoint previous = content->mapToGlobal(QPoint(0, 0));
        while (controller->isAnimating()) {
            clock.scheduler.advance(controller->stepInterval());
            // The content keeps moving the same way until the slide ends.
            const QPoint now = content->mapToGlobal(QPoint(0, 0));
            EXPECT_NE(now, previous) << c.edge;
            previous = now;
        }
        EXPECT_EQ(controller->window()->geometry(), c.expanded) << c.edge;
        EXPECT_EQ(content->pos(), c.contentExpanded) << c.edge;

        controller->collapse();
        EXPECT_EQ(controller->window()->geometry(), c.collapsed) << c.edge;
        EXPECT_EQ(content->pos(), c.contentCollapsed) << c.edge;
    }
}

TEST_F(SlideWindowTest, ZeroDurationPlacesAtOnceWithoutTimerOrDidNotices) {
    auto controller = make(kEdges[0]);
    controller->setAnimationDuration(0);
    controller->slideOut();
    EXPECT_FALSE(controller->isAnimating());
    EXPECT_TRUE(controller->isExpanded());
    EXPECT_EQ(controller->window()->geometry(), kEdges[0].expanded);
    controller->slideIn();
    EXPECT_FALSE(controller->isAnimating());
    EXPECT_TRUE(controller->isCollapsed());
    EXPECT_EQ(controller->window()->geometry(), kEdges[0].collapsed);
    EXPECT_EQ(delegate.calls, QStringList({"willExpand", "willCollapse"}));
}

TEST_F(SlideWindowTest, ReversingMidwayEndsCollapsedAndCanSlideAgain) {
    auto controller = make(kEdges[1]);
    controller->slideOut();
    clock.scheduler.advance(controller->stepInterval() * 2.5);
    const double midway = controller->exposedAmount();
    EXPECT_GT(midway, 4.0);
    EXPECT_LT(midway, 200.0);

    controller->slideIn();
    EXPECT_FALSE(controller->isSlidingOut());
    EXPECT_TRUE(controller->isSlidingIn());
    clock.scheduler.advance(1.0);
    EXPECT_TRUE(controller->isCollapsed());
    EXPECT_EQ(controller->window()->geometry(), kEdges[1].collapsed);
    EXPECT_EQ(delegate.calls, QStringList({"willExpand", "willCollapse", "didCollapse"}));

    // Neither direction is left blocked.
    controller->slideOut();
    controller->slideIn();
    controller->slideOut();
    clock.scheduler.advance(1.0);
    EXPECT_TRUE(controller->isExpanded());
    EXPECT_EQ(controller->window()->geometry(), kEdges[1].expanded);
}

TEST_F(SlideWindowTest, RepeatedOrDisabledSlidesDoNothing) {
    auto controller = make(kEdges[0]);
    controller->slideOut();
    controller->slideOut();
    EXPECT_EQ(delegate.calls, QStringList({"willExpand"}));

    auto other = make(kEdges[0]);
    delegate.calls.clear();
    other->setSlidingEnabled(false, false, false);
    EXPECT_TRUE(other->isCollapsed()); // display NO: only the flag
    other->slideOut();
    EXPECT_TRUE(delegate.calls.isEmpty());
    EXPECT_FALSE(other->shouldClose());

    other->setSlidingEnabled(true, false, false);
    other->setSlidingEnabled(false, true, false);
    EXPECT_TRUE(other->isExpanded());
    EXPECT_EQ(other->window()->geometry(), kEdges[0].expanded);
    EXPECT_TRUE(delegate.calls.isEmpty());
}

TEST_F(SlideWindowTest, ReleaseWhenCollapsedFreesTheControllerAfterAnAnimatedCollapse) {
    auto* controller = make(kEdges[0]).release();
    QPointer<NSSlideWindowController> alive(controller);
    QPointer<QWidget> window(controller->window());
    controller->setReleaseWhenCollapsed(true);
    controller->window()->show();
    controller->slideOut();
    clock.scheduler.advance(1.0);
    controller->slideIn();
    clock.scheduler.advance(1.0);
    flushDeletes();
    EXPECT_TRUE(alive.isNull());
    EXPECT_TRUE(window.isNull());
}

// Drops its controller from the named notice, as an owner that is done with it may.
class DroppingSlideDelegate : public NSSlideWindowDelegate {
public:
    void slideWindowWillExpand(QWidget*) override { drop("willExpand"); }
    void slideWindowWillCollapse(QWidget*) override { drop("willCollapse"); }
    void slideWindowDidCollapse(QWidget*) override { drop("didCollapse"); }
    void drop(const QString& notice) {
        if (notice == when) owned.reset();
    }
    QString when;
    std::unique_ptr<NSSlideWindowController> owned;
};

TEST_F(SlideWindowTest, DelegateMayDeleteTheControllerFromItsNotices) {
    for (const QString when : {"willExpand", "willCollapse", "didCollapse"}) {
        DroppingSlideDelegate dropping;
        dropping.when = when;
        dropping.owned = make(kEdges[0]);
        dropping.owned->setDelegate(&dropping);
        dropping.owned->setReleaseWhenCollapsed(true);
        QPointer<NSSlideWindowController> alive(dropping.owned.get());
        alive->slideOut();
        clock.scheduler.advance(1.0);
        if (alive) alive->slideIn();
        clock.scheduler.advance(1.0);
        flushDeletes();
        EXPECT_TRUE(alive.isNull()) << when.toStdString();
        EXPECT_EQ(clock.scheduler.pendingCount(), 0) << when.toStdString();
    }
}

class PointerBackgroundView : public NSSlideWindowBackgroundView {
public:
    QPoint pointer;

protected:
    QPoint pointerLocation() const override { return pointer; }
};

TEST_F(SlideWindowTest, BackgroundViewSlidesOutOnlyOnceThePointerRests) {
    auto controller = make(kEdges[0]);
    auto* view = new PointerBackgroundView;
    controller->setContentView(view);
    EXPECT_EQ(view->slideWindow(), controller.get());

    view->mouseEntered();
    for (int tick = 0; tick < 5; ++tick) {
        view->pointer = QPoint(2, 100 + tick);
        clock.scheduler.advance(0.2);
    }
    EXPECT_TRUE(delegate.calls.isEmpty());
    clock.scheduler.advance(0.2); // the pointer rested for a whole tick
    EXPECT_EQ(delegate.calls, QStringList({"willExpand"}));
    EXPECT_FALSE(view->isTimerPending());

    clock.scheduler.advance(1.0);
    view->pointer = QPoint(500, 100); // outside the window
    delegate.shouldClose = false;
    view->mouseExited();
    EXPECT_FALSE(view->isTimerPending());
    clock.scheduler.advance(1.0);
    EXPECT_TRUE(controller->isExpanded());

    delegate.shouldClose = true;
    view->mouseExited();
    clock.scheduler.advance(0.7);
    EXPECT_TRUE(controller->isSlidingIn());
}

TEST_F(SlideWindowTest, BackgroundViewWaitsWhileTheControllerHoldsTheWindowOut) {
    auto controller = make(kEdges[0]);
    auto* view = new PointerBackgroundView;
    controller->setContentView(view);
    controller->expand();
    view->pointer = QPoint(500, 100); // outside the window
    view->mouseExited();
    delegate.shouldClose = false; // a menu of the window opened meanwhile
    clock.scheduler.advance(2.1);
    EXPECT_TRUE(controller->isExpanded());
    EXPECT_TRUE(view->isTimerPending());

    delegate.shouldClose = true;
    clock.scheduler.advance(0.7);
    EXPECT_TRUE(controller->isSlidingIn());
    EXPECT_FALSE(view->isTimerPending());
}

TEST_F(SlideWindowTest, BackgroundViewDoesNotKeepItsControllerAlive) {
    auto controller = make(kEdges[0]);
    auto* view = new NSSlideWindowBackgroundView;
    QWidget holder;
    view->setParent(&holder);
    view->setSlideWindow(controller.get());
    controller.reset();
    EXPECT_EQ(view->slideWindow(), nullptr);
    view->mouseEntered();
    clock.scheduler.advance(1.0); // ticks without a controller do nothing
}

} // namespace
