#include "InkTestSupport.h"
#include "platform/text/AttributedString.h"
#include "platform/text/RTFCodec.h"
#include "platform/text/RTFDCodec.h"
#include "utilities/CGText.h"

#include <QGuiApplication>
#include <QPalette>
#include <gtest/gtest.h>

namespace {

using namespace CGUtilities;

const QRect kBox(15, 10, 200, 50);

template <class Draw> QImage drawn(Draw draw) {
    QImage image = transparentCanvas(240, 80);
    QPainter painter(&image);
    draw(painter);
    painter.end();
    return image;
}

AttributedString sample() {
    TextAttributes red;
    red.foregroundColor = ATSURGBAlphaColor{1, 0, 0, 1};
    AttributedString text("Plain and ");
    text.append("red", red);
    text.append(" words that run on long enough to wrap over several lines in the box and beyond its bottom");
    return text;
}

bool isRed(QColor c) {
    return c.alpha() == 255 && c.red() > 200 && c.green() < 60 && c.blue() < 60;
}

TEST(RichTextDrawing, AttributedBoxKeepsColoursAndStaysInside) {
    const QImage image = drawn([](QPainter& p) { CGContextDrawTextBox(p, kBox, sample()); });
    const Ink ink = inkOf(image, kBox);
    ASSERT_GT(ink.pixels, 0);
    EXPECT_EQ(ink.outside, 0);
    EXPECT_GT(inkOf(image, {}, isRed).pixels, 0);
    EXPECT_GT(inkOf(image, {}, [](QColor c) { return c.alpha() == 255 && c.lightness() < 40; }).pixels, 0);
}

TEST(RichTextDrawing, RTFAndRTFDBoxesDrawTheirText) {
    const QByteArray rtf = RTFCodec::write(sample());
    const QByteArray rtfd = RTFDCodec::write(sample());
    for (const bool flattened : {false, true}) {
        bool ok = false;
        const QImage image = drawn([&](QPainter& p) {
            ok = flattened ? CGContextDrawTextBoxWithRTFD(p, kBox, rtfd)
                           : CGContextDrawTextBoxWithRTF(p, kBox, rtf);
        });
        EXPECT_TRUE(ok) << flattened;
        const Ink ink = inkOf(image, kBox);
        EXPECT_GT(ink.pixels, 0) << flattened;
        EXPECT_EQ(ink.outside, 0) << flattened;
        EXPECT_GT(inkOf(image, {}, isRed).pixels, 0) << flattened;
    }
}

TEST(RichTextDrawing, UnreadableDataDrawsNothing) {
    const QByteArray notRich = "just some bytes";
    QString error;
    bool ok = true;
    QImage image = drawn([&](QPainter& p) { ok = CGContextDrawTextBoxWithRTF(p, kBox, notRich, &error); });
    EXPECT_FALSE(ok);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(inkOf(image).pixels, 0);
    error.clear();
    image = drawn([&](QPainter& p) { ok = CGContextDrawTextBoxWithRTFD(p, kBox, notRich, &error); });
    EXPECT_FALSE(ok);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(inkOf(image).pixels, 0);
}

TEST(RichTextDrawing, EmptyRTFDDrawsNothingAndSelectionsShow) {
    bool ok = false;
    const QImage empty =
        drawn([&](QPainter& p) { ok = CGContextDrawTextBoxWithRTFD(p, kBox, RTFDCodec::write({})); });
    EXPECT_TRUE(ok);
    EXPECT_EQ(inkOf(empty).pixels, 0);

    const QColor highlight = QGuiApplication::palette().color(QPalette::Inactive, QPalette::Highlight);
    const auto isHighlight = [&](QColor c) { return c == highlight; };
    const QByteArray rtfd = RTFDCodec::write(sample());
    const QImage plain = drawn([&](QPainter& p) { CGContextDrawTextBoxWithRTFD(p, kBox, rtfd); });
    EXPECT_EQ(inkOf(plain, {}, isHighlight).pixels, 0);
    const QImage selected = drawn([&](QPainter& p) { CGContextDrawTextBoxWithRTFD(p, kBox, rtfd, {0, 5}); });
    const Ink marked = inkOf(selected, kBox, isHighlight);
    EXPECT_GT(marked.pixels, 0);
    EXPECT_EQ(marked.outside, 0);
    // A selection past the end is cut to the text.
    const QImage past = drawn([&](QPainter& p) { CGContextDrawTextBoxWithRTFD(p, kBox, rtfd, {5, 100000}); });
    EXPECT_GT(inkOf(past, kBox, isHighlight).pixels, 0);
}

} // namespace
