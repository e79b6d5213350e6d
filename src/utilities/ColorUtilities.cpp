#include "ColorUtilities.h"

#include "CGUtilities.h"
#include "platform/VariantKinds.h"

#include <cmath>

namespace ColorUtilities {

namespace {

float component(double v) {
    return std::isnan(v) ? 0.0f : static_cast<float>(v);
}

} // namespace

QColor colorWithRedGreenBlueAlpha(double red, double green, double blue, double alpha) {
    const float a = std::isnan(alpha) ? 0.0f : static_cast<float>(std::clamp(alpha, 0.0, 1.0));
    return QColor::fromRgbF(component(red), component(green), component(blue), a);
}

QColor colorWithCGRGB(const ATSURGBAlphaColor& colour) {
    return colorWithRedGreenBlueAlpha(colour.red, colour.green, colour.blue, colour.alpha);
}

ATSURGBAlphaColor cgRGB(const QColor& colour) {
    if (!colour.isValid()) return CGUtilities::kCGRGBColorClear;
    // Components outside 0..1 live only in an extended colour, which toRgb() would clamp.
    const QColor extended = colour.toExtendedRgb();
    const auto outside = [](float v) { return v < 0.0f || v > 1.0f; };
    const bool unclamped =
        outside(extended.redF()) || outside(extended.greenF()) || outside(extended.blueF());
    const QColor rgb = unclamped ? extended : colour.toRgb();
    return ATSURGBAlphaColor{rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF()};
}

ATSURGBAlphaColor cgRGBWithOpacity(const QColor& colour, double opacity) {
    return CGUtilities::CGRGBColorSetAlpha(cgRGB(colour), opacity);
}

bool compareByRGBComponents(const QColor& colour, const QColor& other) {
    return CGUtilities::CGRGBColorCompare(cgRGB(colour), cgRGB(other));
}

QColor colorWithAdjustedRGBValues(const QColor& colour, double delta) {
    if (!isRGBColorSpace(colour)) return colour;
    return colorWithCGRGB(CGUtilities::CGRGBColorAdjustValues(cgRGB(colour), delta));
}

QVariantList components(const QColor& colour) {
    const ATSURGBAlphaColor c = cgRGB(colour);
    return QVariantList{c.red, c.green, c.blue, c.alpha};
}

QColor colorWithComponents(const QVariant& components) {
    if (components.metaType().id() != QMetaType::QVariantList) return QColor();
    const QVariantList list = components.toList();
    if (list.size() < 4) return QColor();
    float values[4];
    for (int i = 0; i < 4; ++i) {
        const QVariant& value = list.at(i);
        if (!VariantKinds::isNumber(value) && value.metaType().id() != QMetaType::Bool) return QColor();
        values[i] = value.toFloat();
    }
    return colorWithRedGreenBlueAlpha(values[0], values[1], values[2], values[3]);
}

bool isWhiteColorSpace(const QColor&) {
    return false;
}

bool isBlackColorSpace(const QColor&) {
    return false;
}

bool isRGBColorSpace(const QColor& colour) {
    // RGB, extended RGB, HSV and HSL: every valid colour a CMYK conversion changes.
    return colour.isValid() && colour.toCmyk() != colour;
}

bool isWhite(const QColor& colour) {
    return CGUtilities::CGRGBColorCompare(cgRGB(colour), CGUtilities::kCGRGBColorWhite);
}

QColor blackColorWithAlpha(double alpha) {
    return colorWithRedGreenBlueAlpha(0, 0, 0, alpha);
}

QColor whiteColorWithAlpha(double alpha) {
    return colorWithRedGreenBlueAlpha(1, 1, 1, alpha);
}

QColor invertedColor(const QColor& colour) {
    if (!colour.isValid()) return colour;
    const ATSURGBAlphaColor c = cgRGB(colour);
    return colorWithRedGreenBlueAlpha(1.0 - c.red, 1.0 - c.green, 1.0 - c.blue, c.alpha);
}

} // namespace ColorUtilities
