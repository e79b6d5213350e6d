#include "FoundationUtilities.h"

#include "StringUtilities.h"
#include "platform/NotificationCenter.h"
#include "platform/VariantKinds.h"

#include "platform/Diagnostics.h"
#include <QCollator>
#include <QObject>
#include <algorithm>
#include <cmath>

#include <cstdio>
#include <limits>

namespace NumberUtilities {

quint64 uint64Value(const QVariant& number) {
    return number.toULongLong();
}

QVariant numberWithUInt64(quint64 value) {
    return QVariant::fromValue<qulonglong>(value);
}

} // namespace NumberUtilities

namespace ArrayUtilities {

std::optional<QVariantList> arrayWithDifferencesFromArray(const QVariantList& array,
                                                          const QVariantList& other) {
    QVariantList result;
    for (const QVariant& element : array)
        if (!other.contains(element)) result.append(element);
    if (result.isEmpty()) return std::nullopt;
    return result;
}

qint32 countOfObjectWithComparatorContext(const QVariantList& array, const QVariant& object,
                                          Comparator comparator, void* context) {
    if (!comparator) return 0;
    qint32 count = 0;
    for (const QVariant& element : array)
        if (comparator(element, object, context) == 0) ++count;
    return count;
}

} // namespace ArrayUtilities

namespace MutableArrayUtilities {

void moveObjectAtIndexToIndex(QVariantList& array, qsizetype from, qsizetype to) {
    if (from < 0 || from >= array.size() || to < 0 || to > array.size()) return;
    const QVariant element = array.takeAt(from);
    array.insert(to > from ? to - 1 : to, element);
}

void removeFirstObject(QVariantList& array) {
    if (!array.isEmpty()) array.removeFirst();
}

void addUniqueObject(QVariantList& array, const QVariant& object) {
    if (!array.contains(object)) array.append(object);
}

void sortUsingLocalizedCaseInsensitiveCompare(QVariantList& array) {
    if (array.isEmpty()) return;
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(array.begin(), array.end(), [&collator](const QVariant& a, const QVariant& b) {
        return collator.compare(a.toString(), b.toString()) < 0;
    });
}

void addType(QVariantList& array, const QVariant& value) {
    array.append(value);
}

void removeDuplicateObjectsWithComparatorContext(QVariantList& array, ArrayUtilities::Comparator comparator,
                                                 void* context) {
    if (!comparator) return;
    QVariantList kept;
    for (const QVariant& element : array)
        if (ArrayUtilities::countOfObjectWithComparatorContext(kept, element, comparator, context) == 0)
            kept.append(element);
    array = kept;
}

} // namespace MutableArrayUtilities

namespace DictionaryUtilities {

bool containsKey(const QVariantMap& dictionary, const QString& key) {
    return dictionary.contains(key);
}

} // namespace DictionaryUtilities

namespace DictionaryPascalHelpers {

namespace {

bool isBool(const QVariant& value) {
    return value.metaType().id() == QMetaType::Bool;
}

bool isString(const QVariant& value) {
    return value.metaType().id() == QMetaType::QString;
}

// A number's value read as a 32-bit integer: whole part, clamped.
qint32 intOf(double value) {
    if (std::isnan(value)) return 0;
    return static_cast<qint32>(std::clamp(std::trunc(value), double(std::numeric_limits<qint32>::min()),
                                          double(std::numeric_limits<qint32>::max())));
}

} // namespace

bool isSet(const QVariantMap& dictionary, const QString& key) {
    return dictionary.contains(key);
}

QByteArray NSDictionaryPascalHelpers_stringForKey(const QVariantMap& dictionary, const QString& key) {
    const QVariant value = dictionary.value(key);
    QString text;
    if (isString(value))
        text = value.toString();
    else if (isBool(value))
        text = value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    else if (VariantKinds::isInteger(value))
        text = value.toString();
    else if (VariantKinds::isReal(value))
        text = StringUtilities::stringWithFloat(value.toDouble());
    return StringPascalUtilities::pascalString(text);
}

qint32 NSDictionaryPascalHelpers_intForKey(const QVariantMap& dictionary, const QString& key) {
    const QVariant value = dictionary.value(key);
    if (isString(value)) return StringUtilities::intValue(value.toString());
    if (VariantKinds::isNumber(value) || isBool(value)) return intOf(value.toDouble());
    return 0;
}

double NSDictionaryPascalHelpers_floatForKey(const QVariantMap& dictionary, const QString& key) {
    const QVariant value = dictionary.value(key);
    double d = 0;
    if (isString(value))
        d = StringUtilities::doubleValue(value.toString());
    else if (VariantKinds::isNumber(value) || isBool(value))
        d = value.toDouble();
    return static_cast<double>(static_cast<float>(d));
}

bool NSDictionaryPascalHelpers_boolForKey(const QVariantMap& dictionary, const QString& key) {
    const QVariant value = dictionary.value(key);
    if (isString(value)) return StringUtilities::boolValue(value.toString());
    if (VariantKinds::isNumber(value) || isBool(value)) return value.toDouble() != 0;
    return false;
}

QVariant NSDictionaryPascalHelpers_objForKey(const QVariantMap& dictionary, const QString& key) {
    return dictionary.value(key);
}

QVariant NSDictionaryPascalHelpers_arrayForKey(const QVariantMap& dictionary, const QString& key) {
    return dictionary.value(key);
}

} // namespace DictionaryPascalHelpers

namespace ShadowUtilities {

Shadow shadowWithBlurRadius(double radius) {
    Shadow shadow;
    shadow.blurRadius = radius;
    return shadow;
}

} // namespace ShadowUtilities

namespace ObjectUtilities {

void stopObservingNotifications(const void* observer) {
    if (observer) NotificationCenter::defaultCenter().removeObserver(observer);
}

QString description(const QObject* object) {
    if (!object) return QStringLiteral("(null)");
    return QStringLiteral("<%1: %2>")
        .arg(QString::fromLatin1(object->metaObject()->className()), QString::asprintf("%p", object));
}

void showDescription(const QObject* object) {
    Diagnostics::line(description(object));
}

QByteArray pascalClassName(const QObject* object) {
    return object
               ? StringPascalUtilities::pascalString(QString::fromLatin1(object->metaObject()->className()))
               : QByteArray();
}

QByteArray pascalDescription(const QObject* object) {
    return StringPascalUtilities::pascalString(description(object));
}

QByteArray pointerAddressString(const void* pointer) {
    return StringPascalUtilities::pascalString(QString::asprintf("<%p>", pointer));
}

} // namespace ObjectUtilities
