#include "utilities/CGUtilities.h"
#include "utilities/ColorUtilities.h"
#include "utilities/ScreenUtilities.h"

#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

namespace {

using namespace ColorUtilities;

std::string text(const ATSURGBAlphaColor& c) {
    return QStringLiteral("(%1, %2, %3, %4)").arg(c.red).arg(c.green).arg(c.blue).arg(c.alpha).toStdString();
}

TEST(Colours, QColorsComeBackExactlyThroughTheRecord) {
    const QColor colours[] = {
        QColor::fromRgbF(0.2f, 0.4f, 0.6f, 0.8f),  QColor(Qt::red),
        QColor::fromHsvF(0.3f, 0.5f, 0.7f),        QColor::fromHslF(0.9f, 0.2f, 0.4f, 0.5f),
        QColor::fromCmykF(0.1f, 0.2f, 0.3f, 0.4f), QColor::fromRgbF(1.25f, 0.5f, -0.25f, 1.0f), // extended
    };
    for (const QColor& colour : colours) {
        const QColor back = colorWithCGRGB(cgRGB(colour));
        EXPECT_TRUE(compareByRGBComponents(back, colour)) << text(cgRGB(colour)) << " " << text(cgRGB(back));
        EXPECT_TRUE(compareByRGBComponents(colorWithComponents(components(colour)), colour));
    }
}

TEST(Colours, RecordsComeBackWithinTheColoursPrecision) {
    const ATSURGBAlphaColor records[] = {{0.3f, 0.6f, 0.9f, 1.0f},
                                         {0, 0, 0, 0},
                                         {1, 1, 1, 0.5f},
                                         {1.1f, 0.7f, 0.3f, 0.7f},
                                         {-0.2f, 0.5f, 2.0f, 1}};
    for (const ATSURGBAlphaColor& record : records) {
        const ATSURGBAlphaColor back = cgRGB(colorWithCGRGB(record));
        // Components outside 0..1 are kept in an extended colour, at half-float precision.
        const auto outside = [](float v) { return v < 0.0f || v > 1.0f; };
        const bool extended = outside(record.red) || outside(record.green) || outside(record.blue);
        const double tolerance = extended ? 2e-3 : 1.0 / 65535;
        EXPECT_NEAR(back.red, record.red, tolerance) << text(record);
        EXPECT_NEAR(back.green, record.green, tolerance) << text(record);
        EXPECT_NEAR(back.blue, record.blue, tolerance) << text(record);
        EXPECT_NEAR(back.alpha, record.alpha, tolerance) << text(record);
        EXPECT_EQ(cgRGB(colorWithCGRGB(back)), back) << "a second pass changes nothing";
    }
    EXPECT_EQ(cgRGB(QColor()), CGUtilities::kCGRGBColorClear);
    EXPECT_FLOAT_EQ(cgRGBWithOpacity(Qt::blue, 0.25).alpha, 0.25f);
    EXPECT_EQ(colorWithRedGreenBlueAlpha(0, 0, 0, 3).alphaF(), 1.0f);
}

TEST(Colours, AdjustingInvertingAndFamilies) {
    const QColor adjusted = colorWithAdjustedRGBValues(QColor::fromRgbF(0.9f, 0.5f, 0.1f), 0.2);
    EXPECT_NEAR(cgRGB(adjusted).red, 1.1, 2e-3); // not clamped
    EXPECT_NEAR(cgRGB(adjusted).blue, 0.3, 1e-4);
    const QColor cmyk = QColor::fromCmykF(0, 0, 0, 0.5f);
    EXPECT_EQ(colorWithAdjustedRGBValues(cmyk, 0.2), cmyk);
    EXPECT_FALSE(colorWithAdjustedRGBValues(QColor(), 0.2).isValid());

    EXPECT_TRUE(isRGBColorSpace(QColor::fromHsvF(0.1f, 0.1f, 0.1f)));
    EXPECT_FALSE(isRGBColorSpace(cmyk));
    EXPECT_TRUE(isRGBColorSpace(QColor::fromRgbF(1.25f, 0.5f, -0.25f)));
    EXPECT_TRUE(isRGBColorSpace(QColor::fromHslF(0.1f, 0.1f, 0.1f)));
    EXPECT_FALSE(isRGBColorSpace(QColor()));
    EXPECT_FALSE(isWhiteColorSpace(Qt::white));
    EXPECT_TRUE(isWhite(Qt::white));
    EXPECT_FALSE(isWhite(whiteColorWithAlpha(0.5)));
    EXPECT_EQ(cgRGB(blackColorWithAlpha(0.5)).red, 0.0f);
    EXPECT_NEAR(cgRGB(blackColorWithAlpha(0.5)).alpha, 0.5, 1.0 / 65535);

    const ATSURGBAlphaColor inverted = cgRGB(invertedColor(QColor::fromRgbF(0.25f, 1.0f, 0.0f, 0.5f)));
    EXPECT_NEAR(inverted.red, 0.75, 1e-4);
    EXPECT_EQ(inverted.green, 0.0f);
    EXPECT_EQ(inverted.blue, 1.0f);
    EXPECT_NEAR(inverted.alpha, 0.5, 1e-4);
}

TEST(Colours, ComponentListsOutsideTheirShapeGiveNoColour) {
    EXPECT_EQ(components(QColor()), (QVariantList{0.0f, 0.0f, 0.0f, 0.0f}));
    const QVariant invalid[] = {QVariant(), QVariant(QStringLiteral("red")), QVariant(QVariantList{1, 0, 0}),
                                QVariant(QVariantList{1, 0, QStringLiteral("x"), 1}),
                                QVariant(QVariantMap{{"0", 1}})};
    for (const QVariant& value : invalid)
        EXPECT_FALSE(colorWithComponents(value).isValid()) << value.typeName();
    EXPECT_TRUE(compareByRGBComponents(colorWithComponents(QVariantList{1, 0, 0.5, 1, "extra"}),
                                       QColor::fromRgbF(1, 0, 0.5f)));
}

TEST(Screens, TheOneScreenIsTheBaseAndTheBounds) {
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    ASSERT_EQ(QGuiApplication::screens().size(), 1);
    EXPECT_EQ(ScreenUtilities::baseScreen(), screen);
    const QRectF frame = ScreenUtilities::frame(screen);
    EXPECT_EQ(frame, QRectF(screen->geometry()));
    EXPECT_EQ(ScreenUtilities::boundingFrameForDevices(), frame);
    const QRectF withoutMenu = ScreenUtilities::frameExcludingMenuBar(screen);
    EXPECT_EQ(withoutMenu, QRectF(frame.x(), 0, frame.width(), frame.height() - 22.0));
    const QRectF local = ScreenUtilities::localFrame(screen);
    EXPECT_EQ(local, QRectF(frame.x(), 22.0, frame.width(), frame.height() - 22.0));
    EXPECT_EQ(ScreenUtilities::screenForDisplay(ScreenUtilities::displayID(screen)), screen);
    EXPECT_EQ(ScreenUtilities::screenForDisplay(ScreenUtilities::displayID(screen) + 1), nullptr);
    EXPECT_EQ(ScreenUtilities::availablePositioningBounds(screen).size(), QSizeF(screen->availableSize()));
}

} // namespace
