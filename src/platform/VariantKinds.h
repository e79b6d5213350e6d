#pragma once

#include <QVariant>
#include <QVariantMap>
#include <optional>

// What kind of property-list value a QVariant holds.
namespace VariantKinds {

bool isInteger(const QVariant& value);
bool isUnsigned(const QVariant& value); // an integer of an unsigned type
bool isReal(const QVariant& value);
inline bool isNumber(const QVariant& value) {
    return isInteger(value) || isReal(value);
}
// The number as a 32-bit integer when it is exactly one; nothing otherwise (or when not a number).
std::optional<qint32> exactInt32(const QVariant& value);
// The entries whose values a property list can hold (no pointers, objects or nulls, also nested).
QVariantMap propertyListEntries(const QVariantMap& map);

} // namespace VariantKinds
