#pragma once

#include <QFont>
#include <QVariant>
#include <QVariantMap>
#include <optional>

// Fonts as the stored description {"name": family, "size": points (a real)}, and as the text the
// preferences show.
namespace FontUtilities {

QVariantMap fontInfo(const QFont& font);
// An invalid description: the system font at 12 points. Otherwise the installed family of "name"
// at "size" (12 when missing or not above 0); null when no installed font has that name (Qt would
// substitute another) or the description is no dictionary.
std::optional<QFont> fontWithInfo(const QVariant& info);
// "<family> <points>pt", the points rounded to the nearest whole number, halves to even.
QString nameAndSizeString(const QFont& font);

} // namespace FontUtilities
