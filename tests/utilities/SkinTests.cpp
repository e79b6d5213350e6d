#include "utilities/CGDrawing.h"
#include "utilities/CGImages.h"
#include "utilities/CGUtilities.h"
#include "utilities/HICommonThemes.h"
#include "utilities/NSDrawingThemes.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace HICommonThemes;

QImage solid(int w, int h, QColor colour) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

// Corners red, edges green, centre blue; 4 x 4 parts.
HITheme9PartImage skin() {
    HITheme9PartImage record;
    for (size_t i = 0; i < 9; ++i) {
        const QColor colour = i == 4 ? Qt::blue : (i % 2 == 0 ? Qt::red : Qt::green);
        record.images[i] = solid(4, 4, colour);
    }
    return record;
}

TEST(Skins, NinePartSkinKeepsItsCornersAtEverySize) {
    for (const QSize size : {QSize(20, 12), QSize(60, 90)}) {
        QImage out = CGUtilities::CGBitmapContextCreate(size);
        {
            QPainter p(&out);
            HIThemeDraw9PartImage(p, skin(), QRectF(QPointF(0, 0), size));
        }
        const int w = size.width(), h = size.height();
        for (const QPoint corner :
             {QPoint(0, 0), QPoint(3, 3), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 4, h - 4)})
            EXPECT_EQ(out.pixel(corner), qRgb(255, 0, 0))
                << w << "x" << h << " at " << corner.x() << "," << corner.y();
        EXPECT_EQ(out.pixel(w / 2, 1), qRgb(0, 255, 0));
        EXPECT_EQ(out.pixel(1, h / 2), qRgb(0, 255, 0));
        EXPECT_EQ(out.pixel(w / 2, h / 2), qRgb(0, 0, 255));
    }
}

TEST(Skins, CornerSizeFallsBackToTheNextCorner) {
    HITheme9PartImage record = skin();
    record.images[0] = QImage();
    record.images[2] = solid(6, 6, Qt::red);
    EXPECT_EQ(HITheme9PartCornerSize(record), 6);
    HIThemeRelease9PartImage(record);
    for (const QImage& image : record.images) EXPECT_TRUE(image.isNull());
}

TEST(Skins, LoadingFromAFolderLeavesMissingPartsNull) {
    QTemporaryDir dir;
    ASSERT_EQ(CGUtilities::CGImageSaveToFile(solid(4, 4, Qt::red), dir.filePath("top_left.png")), 0);
    ASSERT_EQ(CGUtilities::CGImageSaveToFile(solid(4, 4, Qt::blue), dir.filePath("middle_center.png")), 0);
    const HITheme9PartImage byRef = HIThemeLoad9PartImage(FSRef{dir.path()});
    const HITheme9PartImage byPath = HIThemeLoad9PartImage(dir.path());
    for (size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(byRef.images[i].isNull(), i != 0 && i != 4) << i;
        EXPECT_EQ(byPath.images[i].isNull(), i != 0 && i != 4) << i;
    }
}

TEST(Skins, GridImageIsCutIntoCellsFromTheTopLeft) {
    QTemporaryDir dir;
    QImage grid(120, 90, QImage::Format_ARGB32);
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col)
            QPainter(&grid).fillRect(col * 30, row * 30, 30, 30, QColor(col * 60, row * 100, 0));
    ASSERT_EQ(CGUtilities::CGImageSaveToFile(grid, dir.filePath("grid.png")), 0);
    const HITheme9PartImage cells = HIThemeLoadGridImage(dir.filePath("grid.png"), 30);
    for (int i = 0; i < 9; ++i) {
        ASSERT_EQ(cells.images[static_cast<size_t>(i)].size(), QSize(30, 30));
        EXPECT_EQ(cells.images[static_cast<size_t>(i)].pixel(15, 15), qRgb((i % 3) * 60, (i / 3) * 100, 0))
            << i;
    }
    const HITheme9PartImage byThirds = HIThemeLoadGridImage(dir.filePath("grid.png"), 0); // cells of 40
    EXPECT_EQ(byThirds.images[0].size(), QSize(40, 40));
    EXPECT_TRUE(HIThemeLoadGridImage(dir.filePath("none.png"), 0).images[0].isNull());
}

TEST(Skins, ThreePartCapsKeepTheirSizeWhenTheRectIsNarrow) {
    QImage out = CGUtilities::CGBitmapContextCreate({30, 10});
    {
        QPainter p(&out);
        HIThemeDrawCustomButton(p, solid(10, 10, Qt::red), solid(1, 10, Qt::green), solid(10, 10, Qt::blue),
                                QRectF(0, 0, 30, 10));
    }
    EXPECT_EQ(out.pixel(9, 5), qRgb(255, 0, 0));
    EXPECT_EQ(out.pixel(15, 5), qRgb(0, 255, 0));
    EXPECT_EQ(out.pixel(29, 5), qRgb(0, 0, 255));
    QImage narrow = CGUtilities::CGBitmapContextCreate({15, 10});
    {
        QPainter p(&narrow);
        HIThemeDrawCustomButton(p, solid(10, 10, Qt::red), solid(1, 10, Qt::green), solid(10, 10, Qt::blue),
                                QRectF(0, 0, 15, 10));
    }
    EXPECT_EQ(narrow.pixel(2, 5), qRgb(255, 0, 0));
    EXPECT_EQ(narrow.pixel(14, 5), qRgb(0, 0, 255)); // the right cap still ends at the right edge
    EXPECT_EQ(narrow.pixel(7, 5), qRgb(0, 0, 255));  // and overlaps the left one
}

TEST(Skins, BevelRectAndTriangle) {
    EXPECT_EQ(NSDrawingThemes::NSRecessedBevelRect(QRectF(10, 20, 200, 28)), QRectF(11.5, 21.5, 197, 25));
    QImage out = CGUtilities::CGBitmapContextCreate({20, 18});
    {
        QPainter p(&out);
        NSDrawingThemes::NSDrawRecessedDiscolsureTriangle(p, QRectF(0, 0, 20, 18), 0);
    }
    EXPECT_GT(qAlpha(out.pixel(10, 12)), 0); // points down: filled near the bottom middle
    EXPECT_EQ(qAlpha(out.pixel(1, 16)), 0);
    QImage none = CGUtilities::CGBitmapContextCreate({20, 18});
    {
        QPainter p(&none);
        NSDrawingThemes::NSDrawRecessedBevel(p, QRectF(0, 0, 20, 18), 7);
    }
    EXPECT_EQ(none, CGUtilities::CGBitmapContextCreate({20, 18}));
}

TEST(Skins, ProgressRingFillsItsFractionClockwise) {
    QImage out = CGUtilities::CGBitmapContextCreate({40, 40});
    {
        QPainter p(&out);
        HIThemeDrawProgressRing(0.25, CGUtilities::CGRGBColorMake(1, 0, 0, 1), QRectF(0, 0, 40, 40), p);
    }
    EXPECT_EQ(qAlpha(out.pixel(28, 12)), 255);
    EXPECT_LT(qAlpha(out.pixel(12, 28)), 64);
}

} // namespace
