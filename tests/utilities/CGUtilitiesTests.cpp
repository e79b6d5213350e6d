#include "platform/Diagnostics.h"
#include "utilities/CGUtilities.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

using namespace CGUtilities;

std::string str(const QRectF& r) {
    return CGRectString(r).toStdString();
}

TEST(Geometry, TruncationGoesTowardZeroForOriginAndSizeApart) {
    struct Case {
        QRectF in, out;
    };
    const Case cases[] = {
        {{10.9, -3.7, 20.6, 5.5}, {10, -3, 20, 5}},
        {{-0.4, 0.4, -0.9, 0.9}, {0, 0, 0, 0}},
        {{0.6, 0, 0.6, 1}, {0, 0, 0, 1}}, // max edge trunc(x) + trunc(w), not trunc(x + w)
        {{1e300, -1e300, 3, 4}, {1e300, -1e300, 3, 4}},
    };
    for (const Case& c : cases) EXPECT_EQ(str(CGRectTruncate(c.in)), str(c.out)) << str(c.in);
    EXPECT_EQ(CGRectString(CGRectTruncate({-0.5, -0.5, 1, 1})), "{{0, 0}, {1, 1}}"); // no "-0"
    const QRectF nan(std::nan(""), 0, 1, 1);
    EXPECT_TRUE(std::isnan(CGRectTruncate(nan).x()));
}

TEST(Geometry, TestsAndConstructors) {
    EXPECT_FALSE(CGSizeIsEmpty({0, 5}));
    EXPECT_TRUE(CGSizeIsEmpty({0, 0}));
    EXPECT_TRUE(CGSizeIsEmpty({-1, -2}));
    EXPECT_TRUE(CGPointIsZero({}));
    EXPECT_TRUE(CGRectCompare(CGRectMake(CGSizeMake(3)), QRectF(0, 0, 3, 3)));
    EXPECT_TRUE(CGRectCompare(CGRectMake(CGPointMake(1, 2)), QRectF(1, 2, 0, 0)));
    EXPECT_FALSE(CGPointIsEqual({0.1 + 0.2, 0}, {0.3, 0})); // exact, no tolerance
    EXPECT_EQ(CGSizeInset({10, 10}, -2, 3), QSizeF(12, 7));
    EXPECT_EQ(CGPointDistanceBetweenPoints({1, 1}, {1, 1}), 0);
    EXPECT_EQ(CGPointDistanceBetweenPoints({0.5, 0}, {-3.9, 2.2}), 6);
}

TEST(Geometry, FlippingMirrorsInsideTheContainer) {
    EXPECT_EQ(str(CGRectFlipVertically({0, 10, 50, 20}, {0, 0, 100, 100})), str({0, 70, 50, 20}));
    // A container away from the origin keeps the mirror inside it.
    const QRectF container(0, 8, 100, 100);
    const QRectF flipped = CGRectFlipVertically({5, 18, 50, 20}, container);
    EXPECT_EQ(str(flipped), str({5, 78, 50, 20}));
    EXPECT_EQ(str(CGRectFlipVertically(flipped, container)), str({5, 18, 50, 20}));
    EXPECT_EQ(str(CGRectFlipVertically({3, 4, 5, 6})), str({3, 4, 5, 6}));
}

TEST(Geometry, PlacementTable) {
    const QRectF container(100, 50, 200, 100);
    EXPECT_EQ(str(CGRectCenter(QRectF(0, 0, 40, 20), container)), str({180, 90, 40, 20}));
    EXPECT_EQ(str(CGRectCenter(QRectF(7, 7, 400, 300), container)), str({0, -50, 400, 300}));
    QRectF r(0, 0, 40, 20);
    CGRectSetMidX(r, 100);
    CGRectSetMidY(r, 10);
    EXPECT_EQ(CGRectGetMidPoint(r), QPointF(100, 10));
    CGRectSetMaxX(r, 200);
    CGRectSetMaxY(r, 100);
    EXPECT_EQ(CGRectGetMaxPoint(r), QPointF(200, 100));

    EXPECT_EQ(CGRectGetEdgeAtPoint({0, 0, 100, 100}, {98, 99}, 4), 4);
    EXPECT_EQ(CGRectGetEdgeAtPoint({0, 0, 100, 100}, {1, 50}, 4), 1);
    EXPECT_EQ(CGRectGetEdgeAtPoint({0, 0, 100, 100}, {50, 50}, 4), 0);
    EXPECT_TRUE(CGRectContainsPointX({0, 0, 10, 10}, {10, 99}));

    struct Clip {
        QRectF rect, out;
    };
    const QRectF bounds(0, 0, 100, 100);
    for (const Clip& c : {Clip{{-10, 90, 50, 30}, {0, 90, 40, 10}}, Clip{{200, 0, 10, 10}, {0, 0, 0, 0}},
                          Clip{{10, 10, 0, 5}, {0, 0, 0, 0}}, Clip{{10, 10, 5, 5}, {10, 10, 5, 5}}})
        EXPECT_EQ(str(CGRectClipRect(c.rect, bounds)), str(c.out)) << str(c.rect);

    EXPECT_EQ(str(CGRectConstrainX(false, {-5, 0, 30, 10}, {0, 0, 20, 20})), str({-10, 0, 30, 10}));
    EXPECT_EQ(str(CGRectConstrainX(true, {-5, 0, 30, 10}, {0, 0, 20, 20})), str({0, 0, 20, 10}));
    EXPECT_EQ(str(CGRectConstrain({90, 95, 20, 20}, bounds)), str({90, 95, 10, 5}));
    EXPECT_EQ(str(CGRectInset({0, 0, 100, 50}, 0.1)), str({10, 5, 80, 40}));
    EXPECT_EQ(str(CGRectInset({0, 0, 100, 50}, 0.6)), str({0, 0, 0, 0}));
}

TEST(Geometry, ScalingTable) {
    struct Case {
        const char* what;
        QSizeF source, target, out;
    };
    const Case scale[] = {
        {"equal sizes keep the fraction", {10.5, 3.25}, {10.5, 3.25}, {10.5, 3.25}},
        {"wide source into a smaller square", {200, 100}, {48, 48}, {48, 24}},
        {"tall source into a smaller square", {100, 200}, {48, 48}, {24, 48}},
        {"smaller source, tall target", {10, 20}, {40, 80}, {40, 80}},
        {"smaller source, wide target", {30, 10}, {90, 45}, {135, 45}},
        {"truncated", {300, 200}, {100, 100}, {100, 66}},
    };
    for (const Case& c : scale) EXPECT_EQ(CGSizeScale(c.source, c.target), c.out) << c.what;

    const Case fit[] = {
        {"wide into tall", {200, 100}, {50, 100}, {50, 25}},
        {"tall into tall", {100, 200}, {50, 100}, {50, 100}},
        {"wide into square", {300, 100}, {100, 100}, {100, 33}},
        {"small grows", {10, 5}, {100, 100}, {100, 50}},
    };
    for (const Case& c : fit) EXPECT_EQ(CGSizeScaleToFit(c.source, c.target), c.out) << c.what;

    const Case fill[] = {
        {"wide into tall", {100, 50}, {40, 80}, {160, 80}},
        {"wide into wide", {100, 50}, {80, 40}, {80, 40}},
        {"tall into square", {50, 100}, {60, 60}, {60, 120}},
    };
    for (const Case& c : fill) EXPECT_EQ(CGSizeScaleToFill(c.source, c.target), c.out) << c.what;

    EXPECT_EQ(str(CGRectScaleToHeight({200, 100}, {10, 50}, {3, 4, 0, 0})), str({3, 4, 100, 50}));
    EXPECT_EQ(str(CGRectScaleToWidth({200, 100}, {50, 10}, {3, 4, 0, 0})), str({3, 4, 50, 25}));
    EXPECT_EQ(str(CGRectScale(QRectF(0, 0, 200, 100), QRectF(5, 5, 50, 50))), str({5, 5, 50, 25}));
}

TEST(Geometry, ScalingASourceWithoutAreaGivesNoNaN) {
    const QRectF rect(3.5, 4, 40, 80);
    for (const QSizeF source :
         {QSizeF(0, 0), QSizeF(0, 5), QSizeF(5, 0), QSizeF(-2, 5), QSizeF(std::nan(""), 5)}) {
        const std::string at = CGSizeString(source).toStdString();
        EXPECT_EQ(str(CGRectScale(source, rect.size(), rect)), str({3, 4, 0, 0})) << at;
        EXPECT_EQ(str(CGRectScaleToFit(source, rect.size(), rect)), str({3, 4, 0, 0})) << at;
        EXPECT_EQ(str(CGRectScaleToHeight(source, rect.size(), rect)), str({3, 4, 0, 0})) << at;
        EXPECT_EQ(str(CGRectScaleToWidth(source, rect.size(), rect)), str({3, 4, 0, 0})) << at;
        EXPECT_EQ(str(CGRectScaleToFill(source, rect.size(), rect)), str({3, 4, 40, 80})) << at;
    }
    EXPECT_EQ(CGSizeScaleToFit({10, 5}, {0, 0}), QSizeF(0, 0));
    EXPECT_EQ(CGSizeScaleToFill({10, 5}, {0, 0}), QSizeF(0, 0));
}

TEST(Geometry, RoundTrips) {
    for (const QRectF r : {QRectF(10, 20, 30, 40), QRectF(-5, -6, 7, 8), QRectF(0, 0, 0, 0)}) {
        EXPECT_EQ(str(QDRectToCG(CGRectToQD(r))), str(r));
        EXPECT_EQ(CGSizeInvert(CGSizeInvert(r.size())), r.size());
        EXPECT_EQ(CGPointInvert(CGPointInvert(r.topLeft())), r.topLeft());
        EXPECT_EQ(QDPointToCG(CGPointToQD(r.topLeft())), r.topLeft());
    }
    EXPECT_EQ(CGRectToQD({0, 0, 40000, 1}).right, static_cast<qint16>(40000)); // kept to 16 bits
    EXPECT_EQ(CGPointToQD({std::nan(""), 3}).h, 0);
    for (double degrees : {0.0, 45.0, 90.0, -180.0, 720.0})
        EXPECT_NEAR(RadiansToDegrees(DegreesToRadians(degrees)), degrees, 1e-12);
    EXPECT_DOUBLE_EQ(DegreesToRadians(180), M_PI);
}

TEST(ColourRecord, MakersAndAdjustersKeepComponentsOutOfRange) {
    const ATSURGBAlphaColor adjusted = CGRGBColorAdjustValues(CGRGBColorMake(0.9, 0.5, 0.1, 0.7), 0.2);
    EXPECT_NEAR(adjusted.red, 1.1, 1e-6);
    EXPECT_NEAR(adjusted.green, 0.7, 1e-6);
    EXPECT_NEAR(adjusted.blue, 0.3, 1e-6);
    EXPECT_FLOAT_EQ(adjusted.alpha, 0.7f);
    EXPECT_EQ(CGRGBColorMake(0.5), (ATSURGBAlphaColor{0.5f, 0.5f, 0.5f, 1}));
    EXPECT_EQ(CGRGBColorMake(0.5, 0.25), (ATSURGBAlphaColor{0.5f, 0.5f, 0.5f, 0.25f}));
    EXPECT_NEAR(CGRGBColorGetLuminosity(CGRGBColorMake(1, 1, 1, 0)), 1.0, 1e-6);
    EXPECT_FLOAT_EQ(CGRGBColorAdjustAlpha(kCGRGBColorBlack, -0.25).alpha, 0.75f);
    EXPECT_EQ(kCGRGBColorWhite.alpha, 1.0f);

    const ATSURGBAlphaColor nan = CGRGBColorMake(std::nan(""), 0, 0, 1);
    EXPECT_FALSE(CGRGBColorCompare(nan, nan));

    // Painting clamps; the record does not.
    const QColor painted = CGColorCreateRGB(adjusted);
    EXPECT_EQ(painted, QColor::fromRgba64(painted.rgba64())); // a plain 16-bit colour
    EXPECT_FLOAT_EQ(painted.redF(), 1.0f);
    EXPECT_EQ(CGColorCreateRGB(-1, std::nan(""), 2, 0.5).rgba(), QColor::fromRgbF(0, 0, 1, 0.5).rgba());

    const ATSURGBAlphaColor converted = CGConvertRGBColorToCGRGB({65535, 0, 32768}, 0.5);
    EXPECT_EQ(converted.red, 1.0f);
    EXPECT_EQ(converted.green, 0.0f);
    EXPECT_FLOAT_EQ(converted.blue, 32768.0f / 65535.0f);
    EXPECT_EQ(converted.alpha, 0.5f);
    ATSURGBAlphaColor filled;
    CGConvertRGBColorToCGRGB({65535, 0, 32768}, 0.5, &filled);
    EXPECT_EQ(filled, converted);
}

TEST(DebugText, Formats) {
    EXPECT_EQ(CGRectString({}), "{{0, 0}, {0, 0}}");
    EXPECT_EQ(CGStr(QRectF(10, 20, 300, 40.5)), "{{10, 20}, {300, 40.5}}");
    EXPECT_EQ(CGStr(QPointF(1.0 / 3, 1e20)), "{0.333333333333333, 1E20}");
    Diagnostics::Capture capture;
    CGShow(CGRGBColorMake(0, 1, 0, 1));
    CGRGBColorShow(CGRGBColorMake(0.5, 10, 0, 1));
    RGBColorShow({1, 2, 65535});
    QDRectShow({1, 2, 3, 4});
    CFRangeShow({3, 4});
    CGShow(QSizeF(2, 0.5));
    EXPECT_EQ(capture.lines(),
              QStringList({"0.000, 1.000, 0.000, 1.000", "0.500, 10.000, 0.000, 1.000", "1, 2, 65535",
                           "top: 1, left: 2, bottom: 3, right: 4", "{3, 4}", "{2, 0.5}"}));
}

} // namespace
