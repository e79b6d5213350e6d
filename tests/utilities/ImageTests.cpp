#include "foundation/CarbonUtilities.h"
#include "platform/ApplicationInfo.h"
#include "platform/Diagnostics.h"
#include "utilities/CGDrawing.h"
#include "utilities/CGImages.h"
#include "utilities/ImageUtilities.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace CGUtilities;

QImage sample() {
    QImage image(7, 5, QImage::Format_ARGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) image.setPixel(x, y, qRgba(x * 30, y * 50, 200, 255));
    image.setPixel(0, 0, qRgba(0, 0, 0, 0));
    return image;
}

bool samePixels(const QImage& a, const QImage& b) {
    return a.convertToFormat(QImage::Format_ARGB32) == b.convertToFormat(QImage::Format_ARGB32);
}

TEST(Images, RoundTripThroughPngAndTiffKeepsThePixels) {
    QTemporaryDir dir;
    for (const char* extension : {"png", "tiff"}) {
        const QString path = dir.filePath(QStringLiteral("picture.") + extension);
        ASSERT_EQ(CGImageSaveToFile(sample(), path), kCGImageNoErr) << extension;
        EXPECT_TRUE(samePixels(CGImageCreateWithPath(path), sample())) << extension;
        EXPECT_TRUE(samePixels(CGImageCreateWithURL(QUrl::fromLocalFile(path)), sample())) << extension;
    }
    EXPECT_TRUE(samePixels(CGImageConvertType(sample(), kUTTypeTIFF), sample()));
}

TEST(Images, SavingReportsWhatCouldNotBeDone) {
    QTemporaryDir dir;
    // The extension is compared case-sensitively: nothing encoded, nothing written.
    EXPECT_EQ(CGImageSaveToFile(sample(), dir.filePath("picture.PNG")), kCGImageNothingEncoded);
    EXPECT_FALSE(QFile::exists(dir.filePath("picture.PNG")));
    {
        Diagnostics::Capture capture;
        EXPECT_EQ(CGImageSaveToFile(sample(), dir.filePath("missing/picture.png")), kCGImageIOErr);
    }
    EXPECT_EQ(CGImageSaveToFile(sample(), FSRef{dir.filePath("absent.png")}), kCGImageFnfErr);
    EXPECT_EQ(CGImageSaveToFile(sample(), FSRef{dir.path()}, "new.png"), kCGImageNoErr);
    EXPECT_EQ(CGImageSaveToFile(sample(), FSRef{dir.path()}, "new.png"), kCGImageDupFNErr);
    EXPECT_EQ(CGImageSaveToFile(sample(), FSRef{dir.filePath("new.png")}), kCGImageNoErr);
    EXPECT_TRUE(CGImageCopyData(sample(), QString()).isEmpty());
    EXPECT_FALSE(CGImageCopyData(sample(), QString()).isNull());
    EXPECT_TRUE(CGImageCopyBytes(sample(), QString()).isNull());
}

TEST(Images, LoadersAnswerNullForWhatIsNoImage) {
    void* block = ToolboxAll::NewPtr(16);
    EXPECT_TRUE(CGImageCreateWithBytes(block).isNull());
    ToolboxAll::DisposePtr(block);
    const QByteArray png = CGImageCopyData(sample(), kUTTypePNG);
    EXPECT_TRUE(samePixels(CGImageCreateWithBytes(png.constData(), png.size()), sample()));
    QTemporaryDir dir;
    EXPECT_TRUE(CGImageCreateWithPath(dir.path()).isNull());
    EXPECT_TRUE(CGImageCreateWithFSRef(FSRef{}).isNull());
    EXPECT_EQ(CGImageGetSize(QImage()), QSizeF(0, 0));
    EXPECT_TRUE(CGImageCreateCopyWithSize(sample(), {0, 10}).isNull());
    EXPECT_EQ(CGImageCreateCopyWithSize(sample(), {14, 3}).size(), QSize(14, 3));
}

TEST(Images, ResourcesLoadByNameAndSubfolder) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("Arrows");
    ASSERT_EQ(CGImageSaveToFile(sample(), dir.filePath("Arrows/up.png")), kCGImageNoErr);
    ApplicationInfo::setResourcesFolder(dir.path());
    EXPECT_TRUE(samePixels(CGImageLoadFromResource("up.png", "Arrows"), sample()));
    EXPECT_TRUE(samePixels(CGImageLoadFromResource("Arrows/up.png"), sample()));
    EXPECT_TRUE(samePixels(ImageUtilities::imageWithResourceOfType("Arrows/up", "png"), sample()));
    EXPECT_TRUE(ImageUtilities::isTemplate(ImageUtilities::templateNamed("Arrows/up.png")));
    EXPECT_TRUE(CGImageLoadFromResource("down.png", "Arrows").isNull());
    ApplicationInfo::setResourcesFolder(QString());
}

TEST(Images, InversionKeepsAlphaAndPointSize) {
    QImage image = sample();
    image.setDevicePixelRatio(2);
    const QImage inverted = ImageUtilities::invertedImage(image);
    ASSERT_FALSE(inverted.isNull());
    EXPECT_EQ(ImageUtilities::width(inverted), 3.5);
    const QRgb before = image.pixel(3, 2), after = inverted.pixel(3, 2);
    EXPECT_EQ(qRed(after), 255 - qRed(before));
    EXPECT_EQ(qBlue(after), 255 - qBlue(before));
    EXPECT_EQ(qAlpha(inverted.pixel(0, 0)), 0);
    {
        Diagnostics::Capture capture;
        EXPECT_TRUE(ImageUtilities::invertedImage(QImage()).isNull());
        EXPECT_EQ(capture.count("Warning: CGImageCopyWithFilter failed to allocate context."), 1);
    }
    EXPECT_TRUE(ImageUtilities::imageByApplyingFilterNamed(sample(), "CINoSuchFilter").isNull());
}

TEST(Images, DoubleResolutionSiblingBecomesASecondRepresentation) {
    QTemporaryDir dir;
    const QString path = dir.filePath("badge.png");
    ASSERT_EQ(CGImageSaveToFile(sample(), path), kCGImageNoErr);
    EXPECT_EQ(ImageUtilities::initRetinaImageWithContentsOfURL(QUrl::fromLocalFile(path)).size(), 1);
    ASSERT_EQ(CGImageSaveToFile(CGImageCreateCopyWithSize(sample(), {14, 10}), dir.filePath("badge@2x.png")),
              0);
    const QList<QImage> both = ImageUtilities::initRetinaImageWithContentsOfURL(QUrl::fromLocalFile(path));
    ASSERT_EQ(both.size(), 2);
    EXPECT_EQ(ImageUtilities::width(both[1]), ImageUtilities::width(both[0]));
    EXPECT_EQ(ImageUtilities::height(both[1]), 5);
    EXPECT_TRUE(ImageUtilities::initRetinaImageWithContentsOfURL(QUrl::fromLocalFile(dir.filePath("x.png")))
                    .isEmpty());
}

TEST(Images, CopiesAndEncodings) {
    const QImage half = ImageUtilities::imageWithTransparency(sample(), 0.5);
    EXPECT_NEAR(qAlpha(half.pixel(3, 3)), 128, 1);
    const QImage grey = ImageUtilities::imageByApplyingColorSpace(sample(), "NSCalibratedWhiteColorSpace");
    EXPECT_EQ(grey.format(), QImage::Format_Grayscale8);
    EXPECT_TRUE(ImageUtilities::imageByApplyingColorSpace(sample(), "NSPatternColorSpace").isNull());
    EXPECT_TRUE(
        samePixels(CGImageCreateWithData(ImageUtilities::dataForType(sample(), kUTTypePNG)), sample()));
    EXPECT_TRUE(ImageUtilities::dataForType(sample(), "public.unknown").isNull());
    EXPECT_TRUE(samePixels(CGImageCreateWithData(ImageUtilities::dataForRepresentation(
                               sample(), ImageUtilities::BitmapImageFileType::TIFF)),
                           sample()));
    QTemporaryDir dir;
    EXPECT_TRUE(ImageUtilities::writeToFile(sample(), dir.filePath("a.png"),
                                            ImageUtilities::BitmapImageFileType::PNG));
    Diagnostics::Capture capture;
    EXPECT_FALSE(ImageUtilities::writeToFile(sample(), dir.filePath("no/a.png"),
                                             ImageUtilities::BitmapImageFileType::PNG));
}

TEST(Images, EtchedDrawingChoosesByWidthAndStaysInTheShape) {
    EXPECT_EQ(ImageUtilities::etchedHighlightOffset(64), 1);
    EXPECT_EQ(ImageUtilities::etchedHighlightOffset(65), 2);
    EXPECT_EQ(ImageUtilities::etchedInnerShadowBlur(32), 1);
    EXPECT_EQ(ImageUtilities::etchedInnerShadowBlur(33), 4);
    QImage mask(20, 20, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    QPainter(&mask).fillRect(5, 5, 10, 10, Qt::black);
    QImage out = CGBitmapContextCreate({20, 20});
    {
        QPainter p(&out);
        ImageUtilities::drawEtchedInRect(p, mask, QRectF(0, 0, 20, 20));
    }
    EXPECT_EQ(qAlpha(out.pixel(1, 1)), 0);
    EXPECT_EQ(qAlpha(out.pixel(10, 10)), 255);
    EXPECT_EQ(qRed(out.pixel(10, 15)), 255); // the light edge just below the shape
}

} // namespace
