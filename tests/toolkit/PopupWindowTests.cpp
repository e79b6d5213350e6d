#include "ToolkitTestSupport.h"
#include "platform/Diagnostics.h"
#include "platform/Scheduler.h"
#include "toolkit/NSPopupBackgroundView.h"
#include "toolkit/NSPopupWindow.h"
#include "toolkit/ScreenProvider.h"
#include "toolkit/WindowPlacement.h"

#include <QPointer>
#include <gtest/gtest.h>

namespace {

using WindowPlacement::Side;

const QRectF kScreen(0, 0, 1000, 800);

TEST(ArrowedPlacement, EachSideKeepsTheGapAndTheArrowInsetFromTheTarget) {
    struct Case {
        const char* name;
        QRectF target;
        Side side;
        double inset;
        QRectF frame;
        double cut;
    };
    const Case cases[] = {
        {"right", {500, 400, 20, 20}, Side::Right, 10, {530, 350, 220, 120}, 0},
        {"left", {500, 400, 20, 20}, Side::Left, 10, {270, 350, 220, 120}, 0},
        {"above", {500, 400, 20, 20}, Side::Above, 10, {400, 270, 220, 120}, 0},
        {"below", {500, 400, 20, 20}, Side::Below, 10, {400, 430, 220, 120}, 0},
        {"above, no inset", {500, 400, 20, 20}, Side::Above, 0, {410, 290, 200, 100}, 0},
        {"above, shortened", {500, 50, 20, 20}, Side::Above, 0, {410, 10, 200, 30}, 70},
        {"below, shortened", {500, 730, 20, 20}, Side::Below, 0, {410, 760, 200, 30}, 70},
        {"left, off screen, not shortened", {50, 400, 20, 20}, Side::Left, 0, {-160, 360, 200, 100}, 0},
    };
    for (const Case& c : cases) {
        const WindowPlacement::ArrowedPlacement placed =
            WindowPlacement::arrowedFrameBeside({c.target, {200, 100}, kScreen, 10, c.inset}, c.side);
        EXPECT_EQ(placed.frame, c.frame) << c.name;
        EXPECT_EQ(placed.heightCut, c.cut) << c.name;
    }
}

TEST(ArrowedPlacement, FallsBackToAnotherSideOrTheLeastOverflow) {
    struct Case {
        const char* name;
        QRectF target;
        QSizeF size;
        std::optional<Side> preferred;
        std::optional<Side> side;
        QRectF frame; // empty: not checked
    };
    const Case cases[] = {
        {"fits where preferred",
         {500, 400, 20, 20},
         {200, 100},
         Side::Right,
         Side::Right,
         {530, 360, 200, 100}},
        {"moved onto the screen",
         {500, 760, 20, 20},
         {200, 100},
         Side::Right,
         Side::Right,
         {530, 700, 200, 100}},
        {"right edge: left", {950, 400, 20, 20}, {200, 100}, Side::Right, Side::Left, {740, 360, 200, 100}},
        {"left edge: right", {30, 400, 20, 20}, {200, 100}, Side::Left, Side::Right, {60, 360, 200, 100}},
        {"top, wide: below", {400, 20, 200, 20}, {900, 100}, Side::Above, Side::Below, {50, 50, 900, 100}},
        {"nothing preferred", {950, 400, 20, 20}, {200, 100}, std::nullopt, Side::Left, {740, 360, 200, 100}},
        {"covers the screen", {5, 5, 990, 790}, {100, 100}, Side::Right, std::nullopt, {}},
    };
    for (const Case& c : cases) {
        const WindowPlacement::ArrowedRequest request{c.target, c.size, kScreen, 10, 0};
        WindowPlacement::ArrowedPlacement proposed{{}, c.preferred, 0};
        if (c.preferred) proposed = WindowPlacement::arrowedFrameBeside(request, *c.preferred);
        const WindowPlacement::ArrowedPlacement placed =
            WindowPlacement::availableFrame(request, proposed, c.preferred);
        EXPECT_EQ(placed.side, c.side) << c.name;
        if (!c.frame.isEmpty()) {
            EXPECT_EQ(placed.frame, c.frame) << c.name;
        }
    }
}

TEST(ArrowedPlacement, TheSideWithTheMostRoomWins) {
    struct Case {
        QPointF centre;
        Side side;
    };
    const Case cases[] = {
        {{100, 100}, Side::Right}, {{500, 100}, Side::Below}, {{900, 700}, Side::Left},
        {{500, 750}, Side::Above}, {{500, 400}, Side::Above}, // a tie: the first
    };
    for (const Case& c : cases) {
        const QRectF target(c.centre - QPointF(10, 10), QSizeF(20, 20));
        EXPECT_EQ(WindowPlacement::mostAvailableSide(target, kScreen), c.side)
            << c.centre.x() << "," << c.centre.y();
    }
    EXPECT_EQ(WindowPlacement::mostAvailableSide({0, 0, 20, 20}, QRectF()), Side::Above);
}

TEST(PopupBackgroundView, ArrowsPointAtTheTargetAndKeepClearOfTheCorners) {
    const QRectF panel(0, 0, 164, 124);
    const QSizeF side(16, 24), across(24, 16);
    struct Case {
        const char* name;
        QPointF targetCentre;
        qint32 edge;
        QSizeF size;
        QRectF arrow;
    };
    const Case cases[] = {
        {"left", {-20, 62}, 1, side, {0, 50, 16, 24}},
        {"right", {200, 62}, 2, side, {148, 50, 16, 24}},
        {"top", {82, -20}, 3, across, {70, 0, 24, 16}},
        {"bottom", {82, 200}, 4, across, {70, 108, 24, 16}},
        {"left, near the top corner", {-20, 40}, 1, side, {}},
        {"left, near the bottom corner", {-20, 95}, 1, side, {}},
        {"top, near the left corner", {30, -20}, 3, across, {}},
        {"top, near the right corner", {140, -20}, 3, across, {}},
        {"no arrow", {82, -20}, 0, across, {}},
    };
    for (const Case& c : cases) {
        const QRectF target(c.targetCentre - QPointF(10, 10), QSizeF(20, 20));
        EXPECT_EQ(NSPopupBackgroundView::arrowFrameFor(panel, target, c.edge, c.size), c.arrow) << c.name;
    }
}

TEST(PopupBackgroundView, SizesFollowTheContentAndItsInset) {
    NSPopupBackgroundView view(QSizeF(100, 60));
    EXPECT_EQ(view.size(), QSize(144, 104));
    EXPECT_EQ(view.contentSizeForBoundingSize({144, 104}), QSizeF(100, 60));
    view.setFrameAndContentSize({0, 0, 164, 124});
    EXPECT_EQ(view.contentSize(), QSizeF(120, 80));
    EXPECT_EQ(view.contentFrame(), QRectF(32, 22, 120, 80)); // the panel is raised, leaving room below
    view.setArrowEdge(3);
    EXPECT_EQ(view.contentFrame(), QRectF(32, 32, 120, 80));
}

class PopupWindowTest : public ::testing::Test {
protected:
    PopupWindowTest() : content(new QWidget), popup(new NSPopupWindow(content)), alive(popup) {
        content->resize(100, 60);
        popup->setContentView(content, {100, 60});
    }
    ~PopupWindowTest() override {
        delete alive;
        flushDeletes();
    }
    // Places the popup at a target without showing it.
    void placeAt(const QRectF& target, qint32 edge) {
        popup->setTargetFrame(target);
        popup->setPreferredEdge(edge);
        popup->reposition();
    }

    ScopedManualScheduler time;
    FixedScreenProvider screens{QRect(0, 0, 1000, 800)};
    QWidget* content;
    NSPopupWindow* popup;
    QPointer<NSPopupWindow> alive;
};

TEST_F(PopupWindowTest, PlacesItselfAtThePreferredEdgeAndFlipsWhereThereIsNoRoom) {
    placeAt({500, 400, 20, 20}, 2);
    EXPECT_EQ(popup->window()->geometry(), QRect(530, 348, 164, 124));
    EXPECT_EQ(popup->arrowEdge(), 1);
    EXPECT_EQ(content->geometry(), QRect(32, 22, 100, 60));

    placeAt({950, 400, 20, 20}, 2);
    EXPECT_EQ(popup->window()->geometry(), QRect(776, 348, 164, 124));
    EXPECT_EQ(popup->arrowEdge(), 2);
    EXPECT_EQ(popup->preferredEdge(), 1); // sticky
}

TEST_F(PopupWindowTest, ATallPopupAboveTheTargetIsShortenedByTheOverflow) {
    popup->setContentSize({100, 300});
    placeAt({500, 200, 20, 20}, 0);
    EXPECT_EQ(popup->arrowEdge(), 4);
    EXPECT_EQ(popup->backgroundView()->contentSize(), QSizeF(100, 128)); // 300 less 162 over, less 10
    EXPECT_EQ(popup->window()->geometry(), QRect(428, 8, 164, 192));
}

TEST_F(PopupWindowTest, APopupLargerThanTheScreenIsCutToIt) {
    struct Case {
        const char* name;
        QSizeF content;
        QRectF target;
        qint32 edge;
    };
    const Case cases[] = {
        {"wider", {1200, 60}, {500, 400, 20, 20}, 0},
        {"taller", {100, 1000}, {500, 400, 20, 20}, 2},
        {"both", {1200, 1000}, {500, 400, 20, 20}, 2},
    };
    for (const Case& c : cases) {
        popup->setContentSize(c.content);
        placeAt(c.target, c.edge);
        const QRect frame = popup->window()->geometry();
        EXPECT_TRUE(QRect(8, 8, 984, 784).contains(frame)) << c.name << " " << frame.x() << "," << frame.y()
                                                           << " " << frame.width() << "x" << frame.height();
        EXPECT_TRUE(QRect(QPoint(0, 0), frame.size()).contains(content->geometry())) << c.name;
    }
}

TEST_F(PopupWindowTest, OnASecondScreenItKeepsToThatScreen) {
    screens.addScreen(QRect(1000, 0, 800, 600));
    placeAt({1750, 300, 20, 20}, 2);
    EXPECT_EQ(popup->arrowEdge(), 2);
    EXPECT_TRUE(QRect(1008, 8, 784, 584).contains(popup->window()->geometry()));
    placeAt({1010, 300, 20, 20}, 1);
    EXPECT_EQ(popup->arrowEdge(), 1);
    EXPECT_TRUE(QRect(1008, 8, 784, 584).contains(popup->window()->geometry()));
}

TEST_F(PopupWindowTest, WithoutAPlaceAvoidingTheTargetThereIsNoArrow) {
    placeAt({5, 5, 990, 790}, 2);
    EXPECT_EQ(popup->arrowEdge(), 0);
    EXPECT_TRUE(QRectF(8, 8, 984, 784).contains(QRectF(popup->window()->geometry())));
}

TEST_F(PopupWindowTest, TheSideWithMostRoomIsChosenForAnUpperLeftTarget) {
    EXPECT_EQ(popup->mostAvailableEdgeForRect({100, 100, 20, 20}), 2);
}

TEST_F(PopupWindowTest, ContentSettersAlwaysApply) {
    QPointer<QWidget> old(content);
    auto* other = new QWidget;
    popup->setContentViewController(other, {50, 40});
    EXPECT_EQ(popup->contentView(), other);
    EXPECT_EQ(popup->contentViewController(), other);
    EXPECT_EQ(popup->backgroundView()->contentSize(), QSizeF(50, 40));
    EXPECT_TRUE(old.isNull());
}

TEST_F(PopupWindowTest, ShowsFollowsItsTargetAndClosesWithTheOthers) {
    QWidget target;
    target.setGeometry(200, 200, 300, 200);
    target.show();
    NoticeRecorder notices(popup->window());

    popup->popupInView(&target, {10, 10, 20, 20}, 2);
    EXPECT_EQ(popup->targetFrame(), QRectF(210, 210, 20, 20));
    EXPECT_TRUE(popup->isVisible());
    EXPECT_TRUE(NSPopupWindow::isOpen());
    EXPECT_EQ(NSPopupWindow::sharedController(), popup);
    time.scheduler.advance(0.2);
    EXPECT_EQ(notices.names,
              QStringList({NSPopupWindowWillShowNotification, NSPopupWindowDidShowNotification}));

    popup->popupInView(nullptr, {600, 300, 20, 20}, 2);
    EXPECT_EQ(popup->targetFrame(), QRectF(600, 300, 20, 20));
    {
        QWidget other;
        Diagnostics::Capture capture;
        popup->popupInView(&other, {0, 0, 20, 20}, 2);
        EXPECT_EQ(capture.count("Warning: attempted to change NSPopupWindow view."), 1);
        EXPECT_EQ(popup->targetFrame(), QRectF(600, 300, 20, 20));
    }

    NSPopupWindow::closeAll();
    time.scheduler.advance(0.2);
    EXPECT_EQ(notices.names,
              QStringList({NSPopupWindowWillShowNotification, NSPopupWindowDidShowNotification,
                           NSPopupWindowWillHideNotification, NSPopupWindowDidHideNotification}));
    flushDeletes();
    EXPECT_TRUE(alive.isNull());
    EXPECT_EQ(NSPopupWindow::sharedController(), nullptr);
}

TEST_F(PopupWindowTest, CloseAfterDelayClosesOnce) {
    popup->popupInView(nullptr, {500, 400, 20, 20}, 2);
    time.scheduler.advance(0.2);
    popup->closeAfterDelay(1);
    time.scheduler.advance(0.9);
    EXPECT_TRUE(popup->isVisible());
    time.scheduler.advance(0.5);
    flushDeletes();
    EXPECT_TRUE(alive.isNull());
}

TEST(PopupViewControllerUtilities, PopsAViewUpAndClosesIt) {
    ScopedManualScheduler time;
    FixedScreenProvider screens{QRect(0, 0, 1000, 800)};
    auto* view = new QWidget;
    view->resize(80, 40);
    QPointer<NSPopupWindow> popup =
        NSPopupViewControllerUtilities::popupInView(view, nullptr, {500, 400, 20, 20}, 0);
    EXPECT_TRUE(NSPopupViewControllerUtilities::isPopupOpen(view));
    EXPECT_EQ(popup->backgroundView()->contentSize(), QSizeF(80, 40));
    NSPopupViewControllerUtilities::setPopupWindowContentSize(view, {90, 50});
    EXPECT_EQ(popup->backgroundView()->contentSize(), QSizeF(90, 50));
    NSPopupViewControllerUtilities::closePopupWindow(view);
    time.scheduler.advance(0.5);
    flushDeletes();
    EXPECT_TRUE(popup.isNull());
}

} // namespace
