#include "app/DashboardMode.h"
#include "model/Preferences.h"
#include "platform/UserDefaults.h"
#include "windows/WindowLevel.h"

#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Starts animations when asked and ends them when the test says.
class FakeAnimator : public EffectsAnimator {
public:
    void start(TEffectsWindowController* controller, int id, const EffectsAnimation& animation) override {
        this->controller = controller;
        started.push_back({id, animation});
        controller->animationDidStart(id);
    }
    void stopLast(bool finished) { controller->animationDidStop(started.back().first, finished); }
    TEffectsWindowController* controller = nullptr;
    std::vector<std::pair<int, EffectsAnimation>> started;
};

class FakeDashboardHost : public DashboardHost {
public:
    FakeDashboardHost() {
        for (auto& window : windows) window = std::make_unique<QWidget>();
        WindowLevel::setLevel(&desktop, WindowLevel::kDesktopLevel);
    }
    QList<QPointer<QWidget>> cardWindows() const override {
        QList<QPointer<QWidget>> out;
        for (const auto& window : windows) out << window.get();
        return out;
    }
    QWidget* desktopWindow() override { return &desktop; }
    void repositionDesktop() override {}
    qint32 floatingLevel(QWidget* window) const override {
        return window == windows[0].get() ? WindowLevel::kFloatingLevel : WindowLevel::kNormalLevel;
    }
    void hideApplication() override { calls << QStringLiteral("hide"); }
    void beep() override { calls << QStringLiteral("beep"); }
    void saveActiveSheet() override { calls << QStringLiteral("save"); }
    void reloadDataIfNeeded() override { calls << QStringLiteral("reload"); }

    std::unique_ptr<QWidget> windows[2];
    QWidget desktop;
    QStringList calls;
};

class DashboardModeTest : public ::testing::Test {
protected:
    void SetUp() override {
        UserDefaults::setStandardUserDefaults(&defaults);
        defaults.setBoolForKey(true, kPreferenceKeyDashboardMode);
        defaults.setBoolForKey(true, kPreferenceKeyAnimateDashboardTransitions);
    }
    void TearDown() override { UserDefaults::setStandardUserDefaults(nullptr); }
    double opacity(int i) const { return host.windows[i]->windowOpacity(); }

    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath("defaults.plist")};
    FakeDashboardHost host;
    FakeAnimator* animator = new FakeAnimator;
    TEffectsWindowController effects{std::unique_ptr<EffectsAnimator>(animator)};
    DashboardMode mode{&host, &effects};
};

TEST_F(DashboardModeTest, LeavingZoomsOutAndHidesComingBackZoomsIn) {
    mode.setDashboardModeEnabled(true);
    EXPECT_EQ(WindowLevel::level(host.windows[1].get()), WindowLevel::kDesktopLevel + 1);
    mode.applicationDidBecomeActive(); // the first activation only places the windows
    EXPECT_TRUE(animator->started.empty());

    mode.applicationWillResignActive();
    EXPECT_TRUE(mode.isDeactivating());
    ASSERT_EQ(animator->started.size(), 1u);
    EXPECT_EQ(animator->started[0].second.marker, kDashboardTransitionOutKey);
    EXPECT_EQ(opacity(0), 0.0);
    EXPECT_EQ(host.desktop.windowOpacity(), 0.0);
    EXPECT_TRUE(effects.isAnimating());
    mode.deactivate(); // a second click starts nothing
    mode.toggleDashboardState();
    EXPECT_EQ(animator->started.size(), 1u);
    EXPECT_EQ(host.calls, QStringList{"beep"});

    animator->stopLast(true);
    EXPECT_FALSE(effects.isAnimating());
    EXPECT_TRUE(effects.isDashboardOpen());
    EXPECT_EQ(host.calls, (QStringList{"beep", "hide"}));
    EXPECT_FALSE(mode.isDeactivating());
    mode.applicationDidResignActive();

    mode.applicationDidBecomeActive();
    ASSERT_EQ(animator->started.size(), 2u);
    EXPECT_EQ(animator->started[1].second.marker, kDashboardTransitionInKey);
    EXPECT_EQ(host.desktop.windowOpacity(), 1.0);
    animator->stopLast(true);
    EXPECT_FALSE(effects.isDashboardOpen());
    EXPECT_EQ(opacity(0), 1.0);
    EXPECT_EQ(opacity(1), 1.0);
}

TEST_F(DashboardModeTest, InterruptedTransitionRestoresWindowsAndCount) {
    mode.applicationDidBecomeActive();
    mode.deactivate();
    EXPECT_EQ(opacity(1), 0.0);
    animator->stopLast(false);
    EXPECT_EQ(effects.animationCount(), 0);
    EXPECT_FALSE(effects.isDashboardOpen());
    EXPECT_EQ(opacity(0), 1.0);
    EXPECT_EQ(opacity(1), 1.0);
    EXPECT_EQ(host.desktop.windowOpacity(), 1.0);
    EXPECT_FALSE(mode.isDeactivating());
    // The mode goes on: the next leave zooms out again.
    mode.deactivate();
    EXPECT_EQ(animator->started.size(), 2u);
    EXPECT_EQ(animator->started[1].second.marker, kDashboardTransitionOutKey);
}

TEST_F(DashboardModeTest, LeavingDuringTheZoomInIsRefusedAndLeavesNothingPending) {
    mode.applicationDidBecomeActive();
    mode.deactivate();
    animator->stopLast(true); // zoomed out, the program hidden
    mode.applicationDidBecomeActive();
    ASSERT_EQ(animator->started.size(), 2u); // the zoom-in runs
    // A click on the desktop now (the program stays active, no resign notice comes).
    mode.deactivate();
    EXPECT_EQ(animator->started.size(), 2u);
    EXPECT_FALSE(mode.isDeactivating());
    animator->stopLast(true);
    // The next click leaves as usual.
    mode.deactivate();
    ASSERT_EQ(animator->started.size(), 3u);
    EXPECT_EQ(animator->started[2].second.marker, kDashboardTransitionOutKey);
}

TEST_F(DashboardModeTest, WithoutAnimationLeavingHidesAtOnceAndDisablingRestoresLevels) {
    defaults.setBoolForKey(false, kPreferenceKeyAnimateDashboardTransitions);
    mode.setDashboardModeEnabled(true);
    mode.applicationDidBecomeActive();
    mode.applicationWillResignActive();
    EXPECT_TRUE(animator->started.empty());
    EXPECT_EQ(host.calls, QStringList{"hide"});
    mode.applicationDidResignActive();
    EXPECT_FALSE(mode.isDeactivating());
    mode.applicationDidBecomeActive();
    EXPECT_TRUE(animator->started.empty());
    EXPECT_EQ(WindowLevel::level(host.windows[0].get()), WindowLevel::kDesktopLevel + 1);

    mode.setDashboardModeEnabled(false);
    EXPECT_EQ(WindowLevel::level(host.windows[0].get()), WindowLevel::kFloatingLevel);
    EXPECT_EQ(WindowLevel::level(host.windows[1].get()), WindowLevel::kNormalLevel);
    EXPECT_FALSE(host.desktop.isVisible());
}

TEST_F(DashboardModeTest, HideOnDeactivateOutsideDashboardMode) {
    defaults.setBoolForKey(false, kPreferenceKeyDashboardMode);
    defaults.setBoolForKey(true, kPreferenceHideOnDeactive);
    for (auto& window : host.windows) window->show();
    mode.applicationWillResignActive();
    mode.applicationDidResignActive();
    EXPECT_FALSE(host.windows[0]->isVisible());
    EXPECT_FALSE(host.windows[1]->isVisible());
    EXPECT_TRUE(host.calls.contains("save"));
    mode.applicationDidBecomeActive();
    EXPECT_TRUE(host.windows[0]->isVisible());
    EXPECT_TRUE(host.windows[1]->isVisible());
    EXPECT_FALSE(DashboardMode::hidesOnDeactivate(host.windows[0].get()));
}

TEST_F(DashboardModeTest, ThePreferenceTakesEffectAtOnceAndKeyCardWindowsRiseAboveTheDesktop) {
    // GIVEN the mode following the preference, which the launch found off
    mode.followPreference();
    defaults.setBoolForKey(false, kPreferenceKeyDashboardMode);
    EXPECT_FALSE(host.desktop.isVisible());

    // WHEN the preference is turned on THEN the desktop shows and the card windows sit above it
    defaults.setBoolForKey(true, kPreferenceKeyDashboardMode);
    EXPECT_TRUE(mode.isEnabled());
    EXPECT_TRUE(host.desktop.isVisible());
    EXPECT_EQ(WindowLevel::level(host.windows[0].get()), WindowLevel::kDesktopLevel + 1);

    // WHEN a card window at another level becomes key THEN it rises above the desktop
    WindowLevel::setLevel(host.windows[1].get(), WindowLevel::kNormalLevel);
    mode.windowDidBecomeKey(host.windows[1].get());
    EXPECT_EQ(WindowLevel::level(host.windows[1].get()), WindowLevel::kDesktopLevel + 1);

    // WHEN the preference is turned off THEN the windows are back at their levels, and becoming
    // key leaves them there
    defaults.setBoolForKey(false, kPreferenceKeyDashboardMode);
    EXPECT_FALSE(host.desktop.isVisible());
    EXPECT_EQ(WindowLevel::level(host.windows[0].get()), WindowLevel::kFloatingLevel);
    mode.windowDidBecomeKey(host.windows[1].get());
    EXPECT_EQ(WindowLevel::level(host.windows[1].get()), WindowLevel::kNormalLevel);
}

TEST_F(DashboardModeTest, TheWindowItWasTurnedOnFromStaysInFrontOfTheDesktop) {
    mode.followPreference();
    defaults.setBoolForKey(false, kPreferenceKeyDashboardMode);
    QWidget preferences;
    preferences.show();
    preferences.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&preferences));

    defaults.setBoolForKey(true, kPreferenceKeyDashboardMode);
    EXPECT_EQ(WindowLevel::level(&preferences), WindowLevel::kDesktopLevel + 1);
    defaults.setBoolForKey(false, kPreferenceKeyDashboardMode);
    EXPECT_EQ(WindowLevel::level(&preferences), WindowLevel::kNormalLevel);
}

} // namespace
