#include "VariantKinds.h"

#include "PlistCodec.h"

#include <cmath>
#include <limits>

namespace VariantKinds {

bool isInteger(const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool isUnsigned(const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::ULong:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool isReal(const QVariant& value) {
    const int id = value.metaType().id();
    return id == QMetaType::Double || id == QMetaType::Float;
}

std::optional<qint32> exactInt32(const QVariant& value) {
    if (isInteger(value)) {
        if (isUnsigned(value)) {
            const qulonglong n = value.toULongLong();
            if (n > static_cast<qulonglong>(std::numeric_limits<qint32>::max())) return std::nullopt;
            return static_cast<qint32>(n);
        }
        const qlonglong n = value.toLongLong();
        if (n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<qint32>::max())
            return std::nullopt;
        return static_cast<qint32>(n);
    }
    if (isReal(value)) {
        const double d = value.toDouble();
        if (!std::isfinite(d) || d < std::numeric_limits<qint32>::min() ||
            d > std::numeric_limits<qint32>::max() || d != std::trunc(d))
            return std::nullopt;
        return static_cast<qint32>(d);
    }
    return std::nullopt;
}

QVariantMap propertyListEntries(const QVariantMap& map) {
    QVariantMap plain;
    for (auto it = map.constBegin(); it != map.constEnd(); ++it)
        if (PlistCodec::isPropertyListValue(it.value())) plain.insert(it.key(), it.value());
    return plain;
}

} // namespace VariantKinds
