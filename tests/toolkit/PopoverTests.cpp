#include "ToolkitTestSupport.h"
#include "toolkit/NSPopoverController.h"
#include "toolkit/ScreenProvider.h"
#include "toolkit/WindowPlacement.h"

#include <QPointer>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

namespace {

using WindowPlacement::Side;

TEST(WindowPlacement, PlacesOnThePreferredSideOrFlipsWhenThereIsNoRoom) {
    const QRectF screen(0, 0, 1000, 800);
    const QSizeF size(200, 100);
    struct Case {
        const char* name;
        QRectF target;
        QSizeF size;
        Side preferred;
        QRectF frame;
        Side side;
    };
    const Case cases[] = {
        {"right", {500, 400, 20, 20}, size, Side::Right, {520, 360, 200, 100}, Side::Right},
        {"left", {500, 400, 20, 20}, size, Side::Left, {300, 360, 200, 100}, Side::Left},
        {"above", {500, 400, 20, 20}, size, Side::Above, {410, 300, 200, 100}, Side::Above},
        {"below", {500, 400, 20, 20}, size, Side::Below, {410, 420, 200, 100}, Side::Below},
        {"right flips left", {950, 400, 20, 20}, size, Side::Right, {750, 360, 200, 100}, Side::Left},
        {"left flips right", {20, 400, 20, 20}, size, Side::Left, {40, 360, 200, 100}, Side::Right},
        {"above flips below", {500, 10, 20, 20}, size, Side::Above, {410, 30, 200, 100}, Side::Below},
        {"below flips above", {500, 770, 20, 20}, size, Side::Below, {410, 670, 200, 100}, Side::Above},
        {"kept on screen across", {5, 400, 20, 20}, size, Side::Below, {0, 420, 200, 100}, Side::Below},
        {"kept on screen at the bottom",
         {500, 760, 20, 20},
         size,
         Side::Right,
         {520, 700, 200, 100},
         Side::Right},
        {"no room either side: preferred",
         {450, 400, 100, 20},
         {600, 100},
         Side::Right,
         {550, 360, 600, 100},
         Side::Right},
        {"no room either side: roomier",
         {600, 400, 100, 20},
         {700, 100},
         Side::Right,
         {-100, 360, 700, 100},
         Side::Left},
    };
    for (const Case& c : cases) {
        const WindowPlacement::Placement placed =
            WindowPlacement::placeBeside(c.target, c.size, c.preferred, screen, 0);
        EXPECT_EQ(placed.frame, c.frame) << c.name;
        EXPECT_EQ(placed.side, c.side) << c.name;
    }
}

TEST(WindowPlacement, ArrowPointsAtTheTargetAwayFromTheCorners) {
    const QRectF target(500, 400, 20, 20);
    const WindowPlacement::Placement right{{520, 360, 200, 100}, Side::Right};
    EXPECT_EQ(WindowPlacement::arrowOffset(right, target, 20, 6), 50);
    const WindowPlacement::Placement low{{520, 405, 200, 100}, Side::Right};
    EXPECT_EQ(WindowPlacement::arrowOffset(low, target, 20, 6), 16); // corner margin + half the arrow
    const WindowPlacement::Placement below{{300, 420, 200, 100}, Side::Below};
    EXPECT_EQ(WindowPlacement::arrowOffset(below, target, 20, 6), 184);
}

TEST(PopoverPlacement, StaysOnTheTargetsScreenEvenWithoutRoomBesideIt) {
    FixedScreenProvider screens(QRect(0, 0, 1000, 800));
    screens.addScreen(QRect(1000, 0, 800, 600));
    struct Case {
        const char* name;
        QRectF target;
        QSizeF content;
        QRect screen;
    };
    const Case cases[] = {
        {"fits", {500, 400, 20, 20}, {200, 100}, {0, 0, 1000, 800}},
        {"wider than the room on both sides", {600, 400, 100, 20}, {700, 100}, {0, 0, 1000, 800}},
        {"wider than the screen", {400, 400, 20, 20}, {1200, 100}, {0, 0, 1000, 800}},
        {"taller than the screen", {400, 400, 20, 20}, {200, 900}, {0, 0, 1000, 800}},
        {"on the second screen", {1700, 300, 20, 20}, {300, 100}, {1000, 0, 800, 600}},
        {"second screen, no room", {1400, 300, 20, 20}, {500, 100}, {1000, 0, 800, 600}},
    };
    for (const Case& c : cases) {
        NSPopover popover;
        popover.setContentSize(c.content);
        popover.showRelativeToRect(c.target, nullptr, NSMaxXEdge);
        const QRect frame = popover.geometry();
        // The window keeps its left and top edges on the screen and never leaves it when it fits.
        EXPECT_EQ(frame.left(), std::clamp(frame.left(), c.screen.left(), c.screen.right())) << c.name;
        EXPECT_EQ(frame.top(), std::clamp(frame.top(), c.screen.top(), c.screen.bottom())) << c.name;
        if (frame.width() <= c.screen.width()) {
            EXPECT_LE(frame.right(), c.screen.right()) << c.name;
        }
        if (frame.height() <= c.screen.height()) {
            EXPECT_LE(frame.bottom(), c.screen.bottom()) << c.name;
        }
        popover.closePopover();
    }
    flushDeletes();
}

TEST(PopoverPlacement, TheWindowShowsOnlyItsPanelAndArrow) {
    // Without a compositor, pixels left clear would be drawn black: the window's mask leaves them out.
    FixedScreenProvider screens(QRect(0, 0, 1000, 800));
    {
        NSPopover popover;
        popover.setScreenProvider(&screens);
        popover.setContentSize({200, 100});
        popover.showRelativeToRect({500, 400, 20, 20}, nullptr, NSMaxXEdge);
        ASSERT_EQ(popover.placement().side, Side::Right);
        const QRegion mask = popover.mask();
        const QRect frame = popover.rect();
        EXPECT_TRUE(mask.contains(frame.center()));
        EXPECT_TRUE(mask.contains(QPoint(2, int(popover.arrowOffset())))) << "the arrow";
        EXPECT_FALSE(mask.contains(QPoint(2, 2))) << "beside the arrow";
        EXPECT_FALSE(mask.contains(QPoint(frame.right(), frame.top()))) << "a rounded corner";
        popover.closePopover();
    }
    flushDeletes();
}

class RecordingControllerDelegate : public QObject, public NSPopoverControllerDelegate {
public:
    void popoverControllerWillShow(NSPopoverController*) override { calls << "willShow"; }
    void popoverControllerDidShow(NSPopoverController*) override { calls << "didShow"; }
    void popoverControllerWillClose(NSPopoverController*) override { calls << "willClose"; }
    void popoverControllerDidClose(NSPopoverController*) override { calls << "didClose"; }
    bool popoverControllerShouldClose(NSPopoverController*) override {
        calls << "shouldClose";
        return allowClose;
    }
    QStringList calls;
    bool allowClose = true;
};

// A content view that hears the popover's own events and learns its controller.
class ListeningContent : public QWidget, public NSPopoverDelegate, public NSPopoverControllerViewDelegate {
public:
    explicit ListeningContent(QStringList* log) : m_log(log) { resize(120, 60); }
    void popoverWillShow(NSPopover*) override { *m_log << "content willShow"; }
    void popoverDidClose(NSPopover*) override { *m_log << "content didClose"; }
    bool popoverShouldClose(NSPopover*) override {
        *m_log << "content asked";
        return false;
    }
    void setPopoverController(NSPopoverController* controller) override { this->controller = controller; }
    NSPopoverController* controller = nullptr;

private:
    QStringList* m_log;
};

class PopoverTest : public ::testing::Test {
protected:
    void SetUp() override {
        anchor.setGeometry(100, 100, 300, 200);
        anchor.show();
    }
    FixedScreenProvider screens{QRect(0, 0, 1000, 800)};
    QWidget anchor;
};

TEST_F(PopoverTest, ShownControllerLivesUntilItsPopoverClosesThenGoesWithItsContent) {
    auto* content = new QWidget;
    content->resize(120, 60);
    QPointer<QWidget> contentAlive(content);
    QPointer<NSPopoverController> controller(new NSPopoverController(content));
    controller->showRelativeToRect(QRectF(10, 10, 20, 20), &anchor, NSMaxXEdge);
    QPointer<NSPopover> popover(controller->popover());
    EXPECT_TRUE(controller->isShown());
    EXPECT_TRUE(popover->isVisible());
    EXPECT_EQ(popover->placement().side, Side::Right);
    EXPECT_EQ(popover->geometry().left(), 130); // the arrow touches the target's right edge
    EXPECT_EQ(content->parentWidget(), popover.data());
    flushDeletes();
    ASSERT_FALSE(controller.isNull());

    controller->performClose();
    EXPECT_FALSE(popover->isVisible());
    flushDeletes();
    EXPECT_TRUE(controller.isNull());
    EXPECT_TRUE(popover.isNull());
    EXPECT_TRUE(contentAlive.isNull());
}

TEST_F(PopoverTest, RefusedCloseKeepsThePopoverAndEventsReachContentThenDelegate) {
    QStringList log;
    auto* content = new ListeningContent(&log);
    RecordingControllerDelegate delegate;
    QPointer<NSPopoverController> controller(new NSPopoverController(content));
    controller->setDelegate(&delegate);
    controller->showRelativeToRect(QRectF(10, 10, 20, 20), &anchor, NSMinYEdge);
    NSPopover* popover = controller->popover();
    EXPECT_EQ(log, QStringList({"content willShow"}));
    EXPECT_EQ(delegate.calls, QStringList({"willShow", "didShow"}));

    delegate.allowClose = false;
    controller->performClose();
    QTest::keyClick(popover, Qt::Key_Escape);
    popover->close(); // what a click outside does
    flushDeletes();
    ASSERT_FALSE(controller.isNull());
    EXPECT_TRUE(controller->isShown());
    EXPECT_EQ(delegate.calls.count("shouldClose"), 3);
    EXPECT_FALSE(log.contains("content asked")); // only the delegate is asked

    delegate.allowClose = true;
    QTest::keyClick(popover, Qt::Key_Escape);
    EXPECT_EQ(delegate.calls.mid(5), QStringList({"shouldClose", "willClose", "didClose"}));
    EXPECT_EQ(log.last(), "content didClose");
    flushDeletes();
    EXPECT_TRUE(controller.isNull());
}

TEST_F(PopoverTest, ShowingTwiceHoldsOneSelfReference) {
    QPointer<NSPopoverController> controller(new NSPopoverController(new QWidget));
    controller->showRelativeToRect(QRectF(10, 10, 20, 20), &anchor, NSMaxXEdge);
    controller->showRelativeToRect(QRectF(40, 10, 20, 20), &anchor, NSMaxXEdge);
    controller->close();
    flushDeletes();
    EXPECT_TRUE(controller.isNull());
}

TEST_F(PopoverTest, ControllerWithAParentBelongsToIt) {
    QObject owner;
    QPointer<NSPopoverController> controller(new NSPopoverController(new QWidget, &owner));
    controller->showRelativeToRect(QRectF(10, 10, 20, 20), &anchor, NSMaxXEdge);
    controller->close();
    flushDeletes();
    ASSERT_FALSE(controller.isNull());
    EXPECT_FALSE(controller->isShown()); // a new popover, made on asking
}

// Owns its controller and drops it from the named notice, as an owner done with it may.
class DroppingControllerDelegate : public NSPopoverControllerDelegate {
public:
    void popoverControllerWillClose(NSPopoverController*) override { drop("willClose"); }
    void popoverControllerDidClose(NSPopoverController*) override { drop("didClose"); }
    void drop(const QString& notice) {
        if (notice == when) owned.reset();
    }
    QObject owner;
    QString when;
    std::unique_ptr<NSPopoverController> owned; // goes before its parent
};

TEST_F(PopoverTest, DelegateMayDeleteItsControllerWhileThePopoverCloses) {
    for (const QString when : {"willClose", "didClose"}) {
        for (const bool byKey : {false, true}) {
            DroppingControllerDelegate delegate;
            delegate.when = when;
            QPointer<QWidget> content(new QWidget);
            delegate.owned = std::make_unique<NSPopoverController>(content, &delegate.owner);
            delegate.owned->setDelegate(&delegate);
            delegate.owned->showRelativeToRect(QRectF(10, 10, 20, 20), &anchor, NSMaxXEdge);
            QPointer<NSPopover> popover(delegate.owned->popover());
            if (byKey)
                QTest::keyClick(popover, Qt::Key_Escape);
            else
                delegate.owned->performClose();
            EXPECT_FALSE(delegate.owned) << when.toStdString();
            EXPECT_TRUE(content.isNull()) << when.toStdString();
            flushDeletes();
            EXPECT_TRUE(popover.isNull()) << when.toStdString();
        }
    }
}

TEST_F(PopoverTest, SettersMakeThePopoverWhichTakesTheContentSizeOfThatMoment) {
    auto* content = new QWidget;
    content->resize(150, 80);
    NSPopoverController controller(content);
    controller.setAnimates(false);
    content->resize(300, 300);
    EXPECT_EQ(controller.popover()->contentSize(), QSizeF(150, 80));
    EXPECT_FALSE(controller.popover()->animates());
    EXPECT_FALSE(controller.isShown());
}

TEST_F(PopoverTest, ViewHelpersHandTheControllerToTheContentAndApplySettings) {
    QStringList log;
    auto* content = new ListeningContent(&log);
    QPointer<NSPopover> popover(NSPopoverControllerViewHelpers::showRelativeToRect(
        content, QRectF(10, 10, 20, 20), &anchor, NSMaxYEdge, NSPopoverAppearanceHUD,
        NSPopoverBehaviorApplicationDefined, false));
    ASSERT_NE(content->controller, nullptr);
    EXPECT_EQ(content->controller->popover(), popover.data());
    EXPECT_EQ(popover->appearance(), NSPopoverAppearanceHUD);
    EXPECT_EQ(popover->behavior(), NSPopoverBehaviorApplicationDefined);
    EXPECT_EQ(popover->placement().side, Side::Below);
    QPointer<NSPopoverController> controller(content->controller);
    popover->closePopover();
    flushDeletes();
    EXPECT_TRUE(controller.isNull());
    EXPECT_TRUE(popover.isNull());
}

} // namespace
