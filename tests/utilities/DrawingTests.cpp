#include "utilities/CGDrawing.h"
#include "utilities/CGUtilities.h"

#include <gtest/gtest.h>

namespace {

using namespace CGUtilities;

QImage canvas(int w, int h) {
    QImage image = CGBitmapContextCreate(QSizeF(w, h));
    EXPECT_FALSE(image.isNull());
    return image;
}

TEST(Drawing, BitmapsAreTransparentAndTruncated) {
    const QImage image = CGBitmapContextCreate({10.9, 4.2});
    EXPECT_EQ(image.size(), QSize(10, 4));
    EXPECT_EQ(image.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(qAlpha(image.pixel(5, 2)), 0);
    EXPECT_TRUE(CGBitmapContextCreate({0, 10}).isNull());
    EXPECT_TRUE(CGBitmapContextCreate({1e9, 1e9}).isNull());
}

TEST(Drawing, VerticalGradientStartsAtTheBottomAndHorizontalAtTheLeft) {
    const ATSURGBAlphaColor red = CGRGBColorMake(1, 0, 0, 1), blue = CGRGBColorMake(0, 0, 1, 1);
    QImage image = canvas(20, 40);
    {
        QPainter p(&image);
        CGContextFillRectWithGradient(p, false, red, blue, QRectF(0, 0, 20, 40));
    }
    EXPECT_GT(qRed(image.pixel(10, 39)), 240);
    EXPECT_LT(qBlue(image.pixel(10, 39)), 15);
    EXPECT_GT(qBlue(image.pixel(10, 0)), 240);
    QImage across = canvas(40, 10);
    {
        QPainter p(&across);
        CGContextFillRectWithGradient(p, true, red, blue, QRectF(0, 0, 40, 10));
    }
    EXPECT_GT(qRed(across.pixel(0, 5)), 240);
    EXPECT_GT(qBlue(across.pixel(39, 5)), 240);
}

TEST(Drawing, GradientIsNotExtendedBeyondItsEnds) {
    QImage image = canvas(30, 10);
    {
        QPainter p(&image);
        CGContextDrawRGBGradient(p, kCGRGBColorBlack, kCGRGBColorWhite, QPointF(10, 5), QPointF(20, 5));
    }
    EXPECT_EQ(qAlpha(image.pixel(2, 5)), 0);
    EXPECT_EQ(qAlpha(image.pixel(27, 5)), 0);
    EXPECT_EQ(qAlpha(image.pixel(15, 5)), 255);
}

TEST(Drawing, RoundedRectLeavesItsCornersOpenAndFillsItsInside) {
    QImage image = canvas(40, 40);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        CGContextSetRGBFillColor(p, CGRGBColorMake(0, 1, 0, 1));
        CGContextFillRoundedRect(p, QRectF(0, 0, 40, 40), 12, 12);
    }
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(39, 39)), 0);
    EXPECT_EQ(image.pixel(20, 20), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(20, 0), qRgb(0, 255, 0)); // the straight edge reaches the border

    // Oval sides of 0 give a plain rectangle, corners filled.
    QPainterPath plain;
    CGContextAddRoundedRect(plain, QRectF(0, 0, 10, 10), 0, 0);
    EXPECT_TRUE(plain.contains(QPointF(0.1, 0.1)));
}

TEST(Drawing, CompositingMapsTheRectOntoTheWholeImage) {
    CGCompositingContext record;
    ASSERT_TRUE(CGContextBeginCompositing(QRectF(100, 50, 8, 6), 0, record));
    EXPECT_EQ(record.bounds, QRectF(0, 0, 8, 6));
    record.context->fillRect(QRectF(100, 50, 8, 6), Qt::red);
    const QImage image = CGContextEndCompositing(record);
    ASSERT_EQ(image.size(), QSize(8, 6));
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(7, 5), qRgb(255, 0, 0));

    CGCompositingContext failed;
    EXPECT_FALSE(CGContextBeginCompositing(QSizeF(0, 4), 0, failed));
    EXPECT_EQ(failed.context, nullptr);
    EXPECT_TRUE(CGContextEndCompositing(failed).isNull());
}

TEST(Drawing, CurrentPainterStackRestoresInReverseOrder) {
    QImage a = canvas(2, 2), b = canvas(2, 2);
    QPainter pa(&a), pb(&b);
    EXPECT_EQ(NSGraphicsContextCurrent(), nullptr);
    NSGraphicsContextOpenCGContext(pa);
    NSGraphicsContextOpenCGContext(pb);
    EXPECT_EQ(NSGraphicsContextCurrent(), &pb);
    NSGraphicsContextCloseCGContext(pb);
    EXPECT_EQ(NSGraphicsContextCurrent(), &pa);
    NSGraphicsContextCloseCGContext(pa);
    EXPECT_EQ(NSGraphicsContextCurrent(), nullptr);
}

TEST(Drawing, InvalidColourLeavesTheFillAsItWas) {
    QImage image = canvas(2, 2);
    QPainter p(&image);
    CGContextSetRGBFillColor(p, QColor(Qt::red));
    CGContextSetRGBFillColor(p, QColor());
    EXPECT_EQ(p.brush().color(), QColor(Qt::red));
}

TEST(Drawing, ArcsRunClockwiseFromTwelveOClock) {
    QImage image = canvas(40, 40);
    {
        QPainter p(&image);
        p.setBrush(Qt::black);
        CGContextFillArc(p, QRectF(0, 0, 40, 40), 0, 90); // the top-right quarter
    }
    EXPECT_EQ(qAlpha(image.pixel(30, 10)), 255);
    EXPECT_EQ(qAlpha(image.pixel(10, 10)), 0);
    EXPECT_EQ(qAlpha(image.pixel(30, 30)), 0);
}

TEST(Drawing, RectPainterDefaultsDrawNothingAndShadowsFallDown) {
    QImage image = canvas(40, 40);
    {
        QPainter p(&image);
        CGRectDraw(p, QRectF(5, 5, 20, 20), CGRectBlendingDefaultOptions());
    }
    EXPECT_EQ(image, canvas(40, 40));

    CGRectBlendingOptions options = CGRectBlendingDefaultOptions();
    options.fillColour = CGRGBColorMake(1, 0, 0, 1);
    options.outerShadowBlur = 1;
    {
        QPainter p(&image);
        CGRectDraw(p, QRectF(5, 5, 20, 20), options);
    }
    EXPECT_EQ(image.pixel(15, 15), qRgb(255, 0, 0));
    EXPECT_GT(qAlpha(image.pixel(15, 27)), 0); // the shadow below and to the right
    EXPECT_EQ(qAlpha(image.pixel(15, 1)), 0);
}

TEST(Drawing, TheShadowOfAShapeFarLargerThanTheBitmapIsDrawnWhereItShows) {
    // 60,000 points square: its whole shadow would be a layer of 3.6 billion pixels.
    QPainterPath huge;
    huge.addRect(-30000, -30000, 60000, 60000);
    QImage image = canvas(40, 40);
    {
        QPainter p(&image);
        CGContextDrawShadowOfPath(p, huge, {QPointF(0, 2), 2, kCGRGBColorBlack});
    }
    EXPECT_EQ(qAlpha(image.pixel(20, 20)), 255);
    EXPECT_EQ(qAlpha(image.pixel(0, 39)), 255);
    // A shape beside the bitmap still throws its shadow in when the offset brings it there.
    QPainterPath beside;
    beside.addRect(-20000, 0, 20000, 40);
    QImage shifted = canvas(40, 40);
    {
        QPainter p(&shifted);
        CGContextDrawShadowOfPath(p, beside, {QPointF(10, 0), 1, kCGRGBColorBlack});
    }
    EXPECT_GT(qAlpha(shifted.pixel(5, 20)), 200);
    EXPECT_EQ(qAlpha(shifted.pixel(30, 20)), 0);
}

TEST(Drawing, InnerShadowStaysInsideThePath) {
    QImage image = canvas(40, 40);
    QPainterPath path;
    path.addRect(10, 10, 20, 20);
    {
        QPainter p(&image);
        CGContextDrawInnerShadow(p, path, {QPointF(0, 2), 2, kCGRGBColorBlack});
    }
    EXPECT_EQ(qAlpha(image.pixel(5, 5)), 0);
    EXPECT_GT(qAlpha(image.pixel(20, 11)), qAlpha(image.pixel(20, 28))); // thrown down from the top edge
}

} // namespace
