#include "model/Preferences.h"
#include "platform/Diagnostics.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "toolkit/ScreenProvider.h"
#include "utilities/UserDefaultsUtilities.h"
#include "windows/Compositor.h"
#include "windows/DesktopPicture.h"
#include "windows/DesktopWindowController.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

namespace {

TEST(DesktopPicture, ReadsWhatGsettingsPrints) {
    struct Case {
        const char* printed;
        QString value;
    } const cases[] = {
        {"'file:///usr/share/backgrounds/a.jpg'\n", "file:///usr/share/backgrounds/a.jpg"},
        {"\"it's here\"", "it's here"},
        {"'a\\'b'", "a'b"},
        {"''", ""},
        {"@as []", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GnomeDesktopPictureProvider::parseString(c.printed), c.value) << c.printed;

    struct Option {
        const char* name;
        std::optional<qint32> scaling;
    } const options[] = {{"none", std::nullopt}, {"stretched", 1}, {"centered", 2}, {"wallpaper", 2},
                         {"scaled", 3},          {"zoom", 3},      {"spanned", 3},  {"other", std::nullopt}};
    for (const Option& o : options)
        EXPECT_EQ(GnomeDesktopPictureProvider::scalingForPictureOptions(o.name), o.scaling) << o.name;
}

TEST(DesktopPicture, TheDesktopsScalingGoesThroughThePreferencesTable) {
    // Whatever the desktop gives comes out as the same image scaling.
    for (qint32 scaling : {0, 1, 2, 3})
        EXPECT_EQ(TDesktopWindowController::imageScalingForMode(
                      TDesktopWindowController::modeForSystemScaling(scaling)),
                  scaling)
            << scaling;
    EXPECT_EQ(TDesktopWindowController::modeForSystemScaling(std::nullopt), 0);
    EXPECT_EQ(TDesktopWindowController::imageScalingForMode(4), std::nullopt);
}

class DesktopWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        UserDefaults::setStandardUserDefaults(&defaults);
        DesktopPictureProvider::setShared(&provider);
        QImage image(200, 100, QImage::Format_RGB32);
        image.fill(Qt::red);
        picture = dir.filePath(QStringLiteral("picture.png"));
        ASSERT_TRUE(image.save(picture));
        UserDefaultsUtilities::setColorForKey(defaults, QColor(Qt::blue), kPreferenceKeyDesktopColor);
        defaults.setDoubleForKey(1.0, kPreferenceKeyDesktopTransparency);
        defaults.setBoolForKey(false, kPreferenceKeyDesktopInheritFromSystem);
    }
    void TearDown() override {
        TDesktopWindowController::destroyShared();
        TDesktopImageView::setDeactivateHandler({});
        DesktopPictureProvider::setShared(nullptr);
        UserDefaults::setStandardUserDefaults(nullptr);
        Compositor::clearForced();
    }
    QImage render() {
        TDesktopWindowController* controller = TDesktopWindowController::sharedController();
        QImage image(controller->contentView()->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        controller->contentView()->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    }

    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath(QStringLiteral("defaults.plist"))};
    ScopedManualScheduler scheduler;
    FixedScreenProvider screens{QRect(0, 0, 400, 400)};
    FixedDesktopPictureProvider provider;
    Diagnostics::Capture capture;
    QString picture;
};

TEST_F(DesktopWindowTest, EachModeDrawsThePictureAsItsScalingSays) {
    defaults.setObjectForKey(picture, kPreferenceKeyDesktopBackgroundImage);
    const QColor red(Qt::red), blue(Qt::blue);
    struct Case {
        qint64 mode;
        QPoint point;
        QColor colour;
    } const cases[] = {
        {0, {200, 200}, red}, {0, {200, 50}, blue},  // fitted, bands above and below
        {1, {200, 200}, red}, {1, {200, 50}, blue},  // fitted too (up or down)
        {2, {200, 200}, red}, {2, {5, 5}, red},      // stretched over the whole screen
        {3, {200, 200}, red}, {3, {200, 120}, blue}, // its own size, centred
        {3, {50, 200}, blue}, {4, {200, 200}, blue}, // the colour alone
    };
    for (const Case& c : cases) {
        defaults.setIntegerForKey(c.mode, kPreferenceKeyDesktopBackgroundImageMode);
        EXPECT_EQ(render().pixelColor(c.point), c.colour)
            << "mode " << c.mode << " at " << c.point.x() << "," << c.point.y();
    }
    EXPECT_EQ(TDesktopWindowController::sharedController()->window()->geometry(), QRect(0, 0, 400, 400));
}

TEST_F(DesktopWindowTest, FollowsTheDesktopsPictureAtTheNextActivation) {
    provider.picture = DesktopPicture{picture, 2};
    defaults.setBoolForKey(true, kPreferenceKeyDesktopInheritFromSystem);
    TDesktopWindowController* controller = TDesktopWindowController::sharedController();
    EXPECT_EQ(controller->imageView()->imageScaling(), 2);
    EXPECT_EQ(render().pixelColor(200, 120), QColor(Qt::blue));

    QImage green(10, 10, QImage::Format_RGB32);
    green.fill(Qt::green);
    const QString other = dir.filePath(QStringLiteral("other.png"));
    ASSERT_TRUE(green.save(other));
    provider.picture = DesktopPicture{other, 1};
    controller->applicationWillBecomeActive();
    EXPECT_EQ(controller->desktopImagePath(), other);
    EXPECT_EQ(render().pixelColor(5, 5), QColor(Qt::green));

    // The desktop showing no picture leaves the colour.
    provider.picture.reset();
    controller->applicationWillBecomeActive();
    EXPECT_EQ(render().pixelColor(200, 200), QColor(Qt::blue));
}

TEST_F(DesktopWindowTest, TransparencyAppliesAtOnceWhereACompositorRuns) {
    Compositor::setForced(true);
    TDesktopWindowController* controller = TDesktopWindowController::sharedController();
    defaults.setDoubleForKey(0.5, kPreferenceKeyDesktopTransparency);
    EXPECT_DOUBLE_EQ(controller->contentView()->alphaValue(), 0.5);
    EXPECT_NEAR(render().pixelColor(200, 200).alphaF(), 0.5, 0.02);
    // A stored value that is no number leaves the backdrop opaque.
    controller->contentView()->setAlphaValue(std::nan(""));
    EXPECT_DOUBLE_EQ(controller->contentView()->alphaValue(), 1.0);

    TDesktopWindowController::destroyShared();
    Compositor::setForced(false);
    EXPECT_DOUBLE_EQ(TDesktopWindowController::sharedController()->contentView()->alphaValue(), 1.0);
}

TEST_F(DesktopWindowTest, AClickSendsTheProgramAwayOnlyInDashboardMode) {
    int deactivations = 0;
    TDesktopImageView::setDeactivateHandler([&deactivations] { ++deactivations; });
    TDesktopImageView* view = TDesktopWindowController::sharedController()->imageView();
    const auto click = [view] {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), QPointF(10, 10), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &press);
    };
    click();
    EXPECT_EQ(deactivations, 0);
    defaults.setBoolForKey(true, kPreferenceKeyDashboardMode);
    click();
    EXPECT_EQ(deactivations, 1);
}

} // namespace
