#include "PlistValues.h"

#include "VariantKinds.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>
#include <limits>

namespace PlistCodec::Detail {

Kind kindOf(const QVariant& value) {
    if (VariantKinds::isInteger(value))
        return VariantKinds::isUnsigned(value) ? Kind::Unsigned : Kind::Integer;
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return Kind::Boolean;
    case QMetaType::Double:
    case QMetaType::Float:
        return Kind::Real;
    case QMetaType::QString:
        return Kind::String;
    case QMetaType::QByteArray:
        return Kind::Data;
    case QMetaType::QDateTime:
    case QMetaType::QDate:
        return Kind::Date;
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash:
        return Kind::Dictionary;
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return Kind::Array;
    default:
        if (value.metaType() == QMetaType::fromType<ExactDate>()) return Kind::Date;
        if (value.metaType() == QMetaType::fromType<SharedDictionary>() &&
            static_cast<const SharedDictionary*>(value.constData())->dictionary)
            return Kind::Dictionary;
        return Kind::None;
    }
}

QVariant integerValue(qint64 value) {
    if (value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max())
        return QVariant(static_cast<int>(value));
    return QVariant(value);
}

QVariant unsignedValue(quint64 value) {
    if (value <= static_cast<quint64>(std::numeric_limits<qint64>::max()))
        return integerValue(static_cast<qint64>(value));
    return QVariant(value);
}

namespace {

bool dateInRange(qint64 ms) {
    // ms - kEpochOffsetMs cannot overflow for any ms at most kDateRangeMs away.
    return ms >= kEpochOffsetMs - kDateRangeMs && ms <= kEpochOffsetMs + kDateRangeMs;
}

} // namespace

bool dateSeconds(const QVariant& value, double* seconds, QString* error) {
    if (value.metaType() == QMetaType::fromType<ExactDate>()) {
        *seconds = static_cast<const ExactDate*>(value.constData())->seconds;
        return (std::isfinite(*seconds) && std::fabs(*seconds) <= static_cast<double>(kDateRangeMs / 1000)) ||
               fail(error, "date out of range");
    }
    qint64 ms = 0;
    if (!dateMilliseconds(value, &ms, error)) return false;
    *seconds = static_cast<double>(ms - kEpochOffsetMs) / 1000.0;
    return true;
}

QVariant dateValue(double seconds) {
    const qint64 ms = static_cast<qint64>(std::floor(seconds * 1000));
    if (static_cast<double>(ms) / 1000.0 == seconds) return dateValue(ms + kEpochOffsetMs);
    static const bool registered =
        QMetaType::registerConverter<ExactDate, QDateTime>([](const ExactDate& date) {
            return QDateTime::fromMSecsSinceEpoch(
                static_cast<qint64>(std::floor(date.seconds * 1000)) + kEpochOffsetMs, Qt::UTC);
        });
    Q_UNUSED(registered);
    return dateInRange(ms + kEpochOffsetMs) ? QVariant::fromValue(ExactDate{seconds}) : QVariant();
}

bool dateMilliseconds(const QVariant& value, qint64* ms, QString* error) {
    if (value.metaType() == QMetaType::fromType<ExactDate>()) {
        const double seconds = static_cast<const ExactDate*>(value.constData())->seconds;
        if (!std::isfinite(seconds) || std::fabs(seconds) > static_cast<double>(kDateRangeMs / 1000))
            return fail(error, "date out of range");
        *ms = static_cast<qint64>(std::floor(seconds * 1000)) + kEpochOffsetMs;
        return dateInRange(*ms) || fail(error, "date out of range");
    }
    const QDateTime when = value.metaType().id() == QMetaType::QDate
                               ? QDateTime(value.toDate(), QTime(0, 0), Qt::UTC)
                               : value.toDateTime();
    if (!when.isValid()) return fail(error, "invalid date");
    *ms = when.toMSecsSinceEpoch();
    return dateInRange(*ms) || fail(error, "date out of range");
}

QVariant dateValue(qint64 ms) {
    if (!dateInRange(ms)) return {};
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
    return when.isValid() ? QVariant(when) : QVariant();
}

const QVariantMap& dictionaryOf(const QVariant& value, QVariantMap& scratch, const void** identity) {
    *identity = nullptr;
    if (value.metaType().id() == QMetaType::QVariantMap)
        return *static_cast<const QVariantMap*>(value.constData());
    if (value.metaType() == QMetaType::fromType<SharedDictionary>()) {
        const QVariantMap* shared = static_cast<const SharedDictionary*>(value.constData())->dictionary.get();
        *identity = shared;
        return *shared;
    }
    scratch = value.toMap();
    return scratch;
}

const QVariantList& listOf(const QVariant& value, QVariantList& scratch) {
    if (value.metaType().id() == QMetaType::QVariantList)
        return *static_cast<const QVariantList*>(value.constData());
    scratch = value.toList();
    return scratch;
}

bool fail(QString* error, const char* reason) {
    if (error) *error = QString::fromLatin1(reason);
    return false;
}

bool failUnsupported(QString* error, const QVariant& value) {
    if (error)
        *error = QStringLiteral("a value of type %1 has no property-list form")
                     .arg(QString::fromLatin1(value.metaType().name() ? value.metaType().name() : "none"));
    return false;
}

bool Nesting::enter(const void* identity, QString* error) {
    if (m_path.size() >= static_cast<size_t>(kMaxDepth)) return fail(error, "nesting too deep");
    if (identity && std::find(m_path.begin(), m_path.end(), identity) != m_path.end())
        return fail(error, "a dictionary holds itself");
    m_path.push_back(identity);
    return true;
}

} // namespace PlistCodec::Detail
