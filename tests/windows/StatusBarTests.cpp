#include "platform/Scheduler.h"
#include "windows/DateTextField.h"
#include "windows/StatusBar.h"
#include "windows/StatusBarBadge.h"

#include <QFontMetricsF>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

namespace {

TEST(StatusBarBadge, ImageAloneOrFittedToItsTitleWithHelpAndAction) {
    int clicks = 0;
    std::unique_ptr<TStatusBarBadge> plain(TStatusBarBadge::badgeWithImageNamed(
        QStringLiteral("icons/UnknownFile.png"), {}, {}, false, [&] { ++clicks; }));
    EXPECT_EQ(plain->button()->toolButtonStyle(), Qt::ToolButtonIconOnly);
    EXPECT_EQ(plain->button()->size(), QSize(16, 16));
    EXPECT_TRUE(plain->button()->toolTip().isEmpty());
    plain->button()->click();
    EXPECT_EQ(clicks, 1);

    std::unique_ptr<TStatusBarBadge> titled(TStatusBarBadge::badgeWithImageNamed(
        QStringLiteral("icons/UnknownFile.png"), QStringLiteral("Tomorrow"), QStringLiteral("Due date"), true,
        {}));
    EXPECT_EQ(titled->button()->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    EXPECT_GT(titled->button()->width(), 16);
    EXPECT_EQ(titled->button()->toolTip(), "Due date");
    EXPECT_EQ(titled->button()->parentWidget(), titled.get());
}

TEST(DateTextField, FitsItsWidthToItsTextKeepingOriginAndHeight) {
    NSDateTextField field;
    field.setGeometry(5, 6, 10, 18);
    field.setText(QStringLiteral("Tomorrow, 9:00"));
    const double expected = QFontMetricsF(field.font()).horizontalAdvance(field.text()) + 4.0;
    EXPECT_NEAR(field.width(), expected, 1.0);
    EXPECT_EQ(field.geometry().topLeft(), QPoint(5, 6));
    EXPECT_EQ(field.height(), 18);
    EXPECT_TRUE(field.textShouldEndEditing());
}

TEST(StatusBar, DrawsItsPanelUnderItsItems) {
    ScopedManualScheduler manual; // the bar's animations run on it
    TStatusBar bar;
    bar.resize(60, 20);
    const QImage image = bar.grab().toImage();
    EXPECT_GT(qAlpha(image.pixel(30, 10)), 0);
}

TEST(StatusBar, BadgesSitOnThePanelWithoutABackgroundOfTheirOwn) {
    ScopedManualScheduler manual;
    TStatusBar bar;
    bar.resize(120, 24);
    auto* badge = TStatusBarBadge::badgeWithImageNamed(QStringLiteral("icons/UnknownFile.png"),
                                                       QStringLiteral("Tomorrow"), {}, false, {});
    bar.addItem(badge);
    bar.show();
    const QImage panel = bar.grab().toImage();
    const QToolButton* button = badge->button();
    // Above the button's title, clear of the panel's rounded corners.
    const QPoint onBadge = button->mapTo(&bar, QPoint(button->width() / 2, 2));
    ASSERT_TRUE(bar.rect().contains(onBadge));
    const QPoint beside(bar.width() - 8, bar.height() / 2);
    ASSERT_GE(beside.x(), button->mapTo(&bar, QPoint(button->width(), 0)).x());
    EXPECT_EQ(panel.pixelColor(onBadge), panel.pixelColor(beside));
}

} // namespace
