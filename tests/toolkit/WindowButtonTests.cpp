#include "toolkit/NSStandardWindowButton.h"

#include <QApplication>
#include <QEnterEvent>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QColor rgba(double r, double g, double b, double a) {
    return QColor::fromRgbF(float(r), float(g), float(b), float(a));
}

TEST(StandardWindowButton, FillFollowsKindStateAndHover) {
    struct Case {
        qint64 kind;
        bool enabled, active, inside;
        QColor fill;
    };
    const QColor grey = rgba(0, 0, 0, 0.1);
    const Case cases[] = {
        {0, true, true, false, rgba(1, 0, 0, 0.55)},
        {1, true, true, false, rgba(1, 0.6, 0, 0.55)},
        {2, true, true, false, rgba(0, 0.7, 0, 0.55)},
        {0, true, false, false, grey},
        {0, true, false, true, rgba(1, 0, 0, 0.55)},
        {2, false, true, false, grey},
        {7, true, true, false, grey},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NSStandardWindowButton::fillColor(c.kind, c.enabled, c.active, c.inside), c.fill)
            << c.kind << c.enabled << c.active << c.inside;
    EXPECT_EQ(NSStandardWindowButton::rimColor(rgba(1, 0.6, 0, 0.55)), rgba(0.9, 0.5, 0, 0.55));
}

QImage rendered(NSStandardWindowButton& button) {
    QImage image(button.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    button.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

void enter(QWidget* widget) {
    QEnterEvent event(QPointF(7, 7), QPointF(7, 7), widget->mapToGlobal(QPointF(7, 7)));
    QApplication::sendEvent(widget, &event);
}

void leave(QWidget* widget) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(widget, &event);
}

TEST(StandardWindowButton, InactiveCloseButtonShowsGreyUntilHoveredThenRedWithGlyph) {
    NSStandardWindowButton button(NSStandardWindowButton::CloseButton);
    button.resize(14, 14);
    QImage glyph(4, 4, QImage::Format_ARGB32_Premultiplied);
    glyph.fill(Qt::white);
    button.setImage(glyph);
    EXPECT_FALSE(button.isActive());
    const QColor idle = rendered(button).pixelColor(7, 7);
    EXPECT_LT(idle.alpha(), 40);

    enter(&button);
    EXPECT_TRUE(button.isMouseInside());
    EXPECT_EQ(rendered(button).pixelColor(7, 7), QColor(Qt::white)); // the glyph
    EXPECT_GT(rendered(button).pixelColor(3, 7).red(), 200);         // the red disc beside it

    leave(&button);
    EXPECT_FALSE(button.isMouseInside());
    button.setEnabled(false);
    enter(&button);
    EXPECT_FALSE(button.isMouseInside());
}

TEST(StandardWindowButton, ClickClearsTheHoverBeforeTheActionRuns) {
    NSStandardWindowButton button(NSStandardWindowButton::ZoomButton);
    button.resize(14, 14);
    enter(&button);
    bool insideWhenClicked = true;
    QObject::connect(&button, &QAbstractButton::clicked, [&] { insideWhenClicked = button.isMouseInside(); });
    button.click();
    EXPECT_FALSE(insideWhenClicked);
}

TEST(StandardWindowButton, FollowsOnlyItsOwnWindowsActivation) {
    QWidget mine, other;
    auto* button = new NSStandardWindowButton(NSStandardWindowButton::MiniaturizeButton, &mine);
    mine.show();
    other.show();
    QApplication::setActiveWindow(&mine);
    EXPECT_TRUE(button->isActive());
    QApplication::setActiveWindow(&other);
    EXPECT_FALSE(button->isActive());
    QApplication::setActiveWindow(&mine);
    EXPECT_TRUE(button->isActive());
}

} // namespace
