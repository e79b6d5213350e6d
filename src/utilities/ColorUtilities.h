#pragma once

#include "platform/CoreTypes.h"

#include <QColor>
#include <QVariant>
#include <QVariantList>

// The bridge between QColor and the colour record. QColor is for painting and for the colour
// dialog; the record is what is stored. A QColor keeps in-range components to 16 bits and
// components above 1.0 as half floats, so a record that passes through a QColor comes back within
// that precision. Every valid QColor converts (HSV, HSL and CMYK through their RGB values); an
// invalid one reads as transparent black.
namespace ColorUtilities {

// Components above 1.0 are kept; alpha is clamped to 0..1.
QColor colorWithRedGreenBlueAlpha(double red, double green, double blue, double alpha);
QColor colorWithCGRGB(const ATSURGBAlphaColor& colour);
ATSURGBAlphaColor cgRGB(const QColor& colour);
ATSURGBAlphaColor cgRGBWithOpacity(const QColor& colour, double opacity);
bool compareByRGBComponents(const QColor& colour, const QColor& other);
// Red, green and blue plus delta, not clamped; a colour that is not RGB comes back as it is.
QColor colorWithAdjustedRGBValues(const QColor& colour, double delta);
// [red, green, blue, alpha] as floats; [0, 0, 0, 0] for an invalid colour.
QVariantList components(const QColor& colour);
// The colour of the first four numbers of a list; invalid for anything else.
QColor colorWithComponents(const QVariant& components);
// QColor has no grey colour spaces: the white and black families are always false.
bool isWhiteColorSpace(const QColor& colour);
bool isBlackColorSpace(const QColor& colour);
bool isRGBColorSpace(const QColor& colour); // RGB, HSV and HSL colours
bool isWhite(const QColor& colour);         // opaque white
QColor blackColorWithAlpha(double alpha);
QColor whiteColorWithAlpha(double alpha);
// 1 - red, 1 - green, 1 - blue; alpha kept.
QColor invertedColor(const QColor& colour);

} // namespace ColorUtilities
