#include "ToolkitTestSupport.h"
#include "platform/Scheduler.h"
#include "toolkit/NSFadeWindowController.h"

#include <QPointer>
#include <gtest/gtest.h>
#include <memory>

namespace {

class RecordingFadeDelegate : public NSFadeWindowDelegate {
public:
    void windowWillFadeIn(QWidget*) override { calls << "willFadeIn"; }
    void windowDidFadeIn(QWidget*) override { calls << "didFadeIn"; }
    void windowWillFadeOut(QWidget*) override { calls << "willFadeOut"; }
    void windowDidFadeOut(QWidget*) override { calls << "didFadeOut"; }
    QStringList calls;
};

class FadeWindowTest : public ::testing::Test {
protected:
    FadeWindowTest() : controller(std::make_unique<NSFadeWindowController>(new QWidget)) {
        controller->setDelegate(&delegate);
    }
    ScopedManualScheduler time;
    RecordingFadeDelegate delegate;
    std::unique_ptr<NSFadeWindowController> controller;
};

TEST_F(FadeWindowTest, WithoutDurationsShowAndCloseAreImmediate) {
    controller->setFadeDuration(0);
    controller->showWindow();
    EXPECT_TRUE(controller->window()->isVisible());
    EXPECT_TRUE(controller->isFadedIn());
    controller->close();
    EXPECT_FALSE(controller->window()->isVisible());
    EXPECT_EQ(delegate.calls, QStringList({"didFadeIn", "didFadeOut"}));
    EXPECT_EQ(time.scheduler.pendingCount(), 0);
}

TEST_F(FadeWindowTest, ShowFadesInAndCloseFadesOutBeforeClosing) {
    controller->showWindow();
    EXPECT_TRUE(controller->window()->isVisible());
    EXPECT_TRUE(controller->isFadedOut());
    EXPECT_TRUE(controller->isAnimating());
    time.scheduler.advance(0.2);
    EXPECT_TRUE(controller->isFadedIn());
    EXPECT_FALSE(controller->isAnimating());
    EXPECT_EQ(delegate.calls, QStringList({"willFadeIn", "didFadeIn"}));

    controller->close();
    EXPECT_TRUE(controller->isClosing());
    EXPECT_TRUE(controller->window()->isVisible());
    time.scheduler.advance(0.05);
    EXPECT_TRUE(controller->window()->isVisible());
    time.scheduler.advance(0.2);
    EXPECT_FALSE(controller->window()->isVisible());
    EXPECT_TRUE(controller->isFadedOut());
    EXPECT_EQ(delegate.calls, QStringList({"willFadeIn", "didFadeIn", "willFadeOut", "didFadeOut"}));
}

TEST_F(FadeWindowTest, CloseDuringAFadeHappensWhenTheFadeEnds) {
    struct Case {
        const char* name;
        bool fadingOut; // else fading in
    };
    for (const Case c : {Case{"fading in", false}, Case{"fading out", true}}) {
        controller = std::make_unique<NSFadeWindowController>(new QWidget);
        controller->showWindow();
        if (c.fadingOut) {
            time.scheduler.advance(0.2);
            controller->fadeOut(false);
        }
        time.scheduler.advance(0.05);
        controller->close();
        EXPECT_TRUE(controller->window()->isVisible()) << c.name;
        time.scheduler.advance(1);
        EXPECT_FALSE(controller->window()->isVisible()) << c.name;
        EXPECT_EQ(time.scheduler.pendingCount(), 0) << c.name;
    }
}

TEST_F(FadeWindowTest, ShowingAgainCancelsACloseAskedForDuringTheFade) {
    controller->showWindow();
    time.scheduler.advance(0.05);
    controller->close();
    controller->showWindow();
    time.scheduler.advance(1);
    EXPECT_TRUE(controller->window()->isVisible());
    EXPECT_TRUE(controller->isFadedIn());
}

TEST_F(FadeWindowTest, CloseEndsWhenBothOpacitiesAreTheSame) {
    controller->setMinimumOpacity(1.0);
    controller->showWindow();
    time.scheduler.advance(0.2);
    controller->close();
    time.scheduler.advance(1);
    EXPECT_FALSE(controller->window()->isVisible());
    EXPECT_EQ(time.scheduler.pendingCount(), 0);
}

TEST_F(FadeWindowTest, EndOfAFadeFollowsItsDirectionWhateverTheMinimumOpacity) {
    controller->setMinimumOpacity(0.3);
    controller->setMaximumOpacity(0.9);
    controller->showWindow();
    EXPECT_NEAR(controller->window()->windowOpacity(), 0.3, 0.01);
    time.scheduler.advance(0.2);
    EXPECT_NEAR(controller->window()->windowOpacity(), 0.9, 0.01);
    controller->fadeOut(true);
    time.scheduler.advance(0.2);
    EXPECT_TRUE(controller->isFadedOut());
    EXPECT_FALSE(controller->window()->isVisible()); // ordered out
    EXPECT_EQ(delegate.calls, QStringList({"willFadeIn", "didFadeIn", "willFadeOut", "didFadeOut"}));
}

TEST_F(FadeWindowTest, AControllerReleasedWhenClosedGoesOnceItsWindowClosed) {
    auto* released = new NSFadeWindowController(new QWidget);
    QPointer<NSFadeWindowController> alive(released);
    released->setReleasedWhenClosed(true);
    released->showWindow();
    time.scheduler.advance(0.2);
    released->close();
    time.scheduler.advance(0.2);
    flushDeletes();
    EXPECT_TRUE(alive.isNull());
}

} // namespace
