#include "InkTestSupport.h"
#include "utilities/CGStringDrawing.h"

#include <gtest/gtest.h>

namespace {

using namespace CGUtilities;

const QRect kBox(20, 10, 220, 60);

template <class Draw> QImage drawn(Draw draw, int width = 260, int height = 90) {
    QImage image = transparentCanvas(width, height);
    QPainter painter(&image);
    draw(painter);
    painter.end();
    return image;
}

TEST(TextDrawing, PlainTextIsBlackAndStaysInItsRect) {
    const QImage image =
        drawn([](QPainter& p) { CGContextDrawText(p, kBox, "Hello, world, and more words"); });
    const Ink ink = inkOf(image, kBox);
    ASSERT_GT(ink.pixels, 0);
    EXPECT_EQ(ink.outside, 0);
    EXPECT_LT(ink.bounds.top(), kBox.top() + 20); // top-aligned
    const Ink dark = inkOf(image, kBox, [](QColor c) { return c.alpha() == 255 && c.lightness() < 40; });
    EXPECT_GT(dark.pixels, 0);
    // A line too long for the rect is cut at its edge.
    const QRect narrow(20, 10, 40, 60);
    const QImage cut =
        drawn([&](QPainter& p) { CGContextDrawText(p, narrow, "A line far wider than its rect"); });
    EXPECT_EQ(inkOf(cut, narrow).outside, 0);
}

TEST(TextDrawing, OptionsPlaceTheText) {
    const QPointF centre = QRectF(kBox).center();
    struct Case {
        quint32 options;
        bool centredAcross;
        bool centredDown;
    };
    const Case cases[] = {
        {0, false, false},
        {kCGTextCenter, true, true},
        {kCGTextCenterHorizontally, true, false},
        {kCGTextCenterVertically, false, true},
        {kCGTextCenter | kCGTextFlipVertically, true, true},
    };
    const Ink reference = inkOf(drawn(
        [&](QPainter& p) { CGContextDrawText(p, kBox, "Centred", std::nullopt, QColor(), kCGTextCenter); }));
    for (const Case& c : cases) {
        const QImage image = drawn(
            [&](QPainter& p) { CGContextDrawText(p, kBox, "Centred", std::nullopt, QColor(), c.options); });
        const Ink ink = inkOf(image, kBox);
        ASSERT_GT(ink.pixels, 0) << c.options;
        EXPECT_EQ(ink.outside, 0) << c.options;
        const QPointF middle = QRectF(ink.bounds).center();
        EXPECT_EQ(std::abs(middle.x() - centre.x()) < 4, c.centredAcross) << c.options << " x " << middle.x();
        EXPECT_EQ(std::abs(middle.y() - centre.y()) < 5, c.centredDown) << c.options << " y " << middle.y();
        // Drawn once: as much ink as the plain centred text.
        EXPECT_NEAR(ink.pixels, reference.pixels, reference.pixels * 0.3) << c.options;
    }
}

TEST(TextDrawing, TurnedTextRunsAlongTheRectsHeight) {
    const QRect tall(100, 5, 30, 200);
    for (const quint32 turn : {quint32(kCGTextRotateCW), quint32(kCGTextRotateCCW)}) {
        const QImage image = drawn(
            [&](QPainter& p) {
                CGContextDrawText(p, tall, "Turned text", std::nullopt, Qt::blue, turn | kCGTextCenter);
            },
            260, 220);
        const Ink ink = inkOf(image, tall);
        ASSERT_GT(ink.pixels, 0) << turn;
        EXPECT_EQ(ink.outside, 0) << turn;
        EXPECT_GT(ink.bounds.height(), ink.bounds.width() * 2) << turn;
    }
}

TEST(TextDrawing, ShadowFallsAroundTheText) {
    const QImage plain =
        drawn([](QPainter& p) { CGContextDrawText(p, kBox, "Shadow", std::nullopt, {}, 0); });
    const QImage shadowed =
        drawn([](QPainter& p) { CGContextDrawText(p, kBox, "Shadow", std::nullopt, {}, kCGTextShadow); });
    EXPECT_GT(inkOf(shadowed).pixels, inkOf(plain).pixels);
}

TEST(TextDrawing, BoxDrawsOnlyTheLinesThatFitWhole) {
    TextAttributes attributes;
    attributes.foregroundColor = Qt::red;
    const QString text = "one two three four five six seven eight nine ten eleven twelve thirteen fourteen";
    const double line = CGContextGetTextSize("Xy", std::nullopt, false).height();
    const QRect box(20, 10, 120, static_cast<int>(line * 1.6));
    const Ink ink = inkOf(drawn([&](QPainter& p) { CGContextDrawTextBox(p, box, text, attributes); }), box);
    ASSERT_GT(ink.pixels, 0);
    EXPECT_EQ(ink.outside, 0);
    EXPECT_LE(ink.bounds.bottom(), box.top() + line); // the second line would be cut: not drawn
    const QRect tallBox(20, 10, 120, 70);
    const QImage tall = drawn([&](QPainter& p) { CGContextDrawTextBox(p, tallBox, text, attributes); });
    const Ink wrapped = inkOf(tall, tallBox);
    EXPECT_EQ(wrapped.outside, 0);
    EXPECT_GT(wrapped.bounds.height(), line * 1.5); // wrapped onto further lines
    EXPECT_GT(
        inkOf(tall, {}, [](QColor c) { return c.red() > 200 && c.green() < 60 && c.alpha() == 255; }).pixels,
        0);
}

TEST(TextDrawing, MeasurementsWrapAtTheWidth) {
    const QString text = "several words that wrap when narrow";
    const QSizeF wide = CGContextGetTextSize(text, kCGTextUnbounded, std::nullopt, false);
    const QSizeF narrow = CGContextGetTextSize(text, 60, std::nullopt, true);
    const QSizeF line = CGContextGetTextSize(text, std::nullopt, false);
    EXPECT_GT(narrow.height(), wide.height() * 2);
    EXPECT_LE(narrow.width(), 60);
    EXPECT_NEAR(wide.width(), line.width(), 1);
    EXPECT_NEAR(CGContextGetTextWidth(text, std::nullopt), line.width(), 1);
    QFont big = CGTextDefaultFont();
    big.setPointSizeF(24);
    EXPECT_GT(CGContextGetTextWidth(text, big), line.width() * 1.5);
    EXPECT_EQ(CGTextDefaultFont().pointSizeF(), 12);
}

} // namespace
