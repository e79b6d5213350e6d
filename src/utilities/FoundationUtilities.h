#pragma once

#include "TextAttributes.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <optional>

class QObject;

// Small helpers on the Qt values that stand for numbers, URLs, data, arrays and dictionaries, and
// on objects. Short strings (results named "short string") are UTF-8 bytes, at most 255.

// cfType gives the very value it is handed, for code written against the other name.
namespace NumberUtilities {
inline const QVariant& cfType(const QVariant& number) {
    return number;
}
quint64 uint64Value(const QVariant& number);
QVariant numberWithUInt64(quint64 value);
} // namespace NumberUtilities

namespace URLUtilities {
inline const QUrl& cfType(const QUrl& url) {
    return url;
}
} // namespace URLUtilities

namespace DataUtilities {
inline const QByteArray& cfType(const QByteArray& data) {
    return data;
}
} // namespace DataUtilities

namespace ArrayUtilities {
inline const QVariantList& cfType(const QVariantList& array) {
    return array;
}
// Called with an element, the object and the context; 0 means "the same".
using Comparator = int (*)(const QVariant& element, const QVariant& object, void* context);
// The elements the other array doesn't hold, in order; nothing when there are none.
std::optional<QVariantList> arrayWithDifferencesFromArray(const QVariantList& array,
                                                          const QVariantList& other);
qint32 countOfObjectWithComparatorContext(const QVariantList& array, const QVariant& object,
                                          Comparator comparator, void* context);
} // namespace ArrayUtilities

namespace MutableArrayUtilities {
// Takes the element at from out and puts it at to - 1 when to is beyond from, else at to; indices
// out of range change nothing.
void moveObjectAtIndexToIndex(QVariantList& array, qsizetype from, qsizetype to);
void removeFirstObject(QVariantList& array); // nothing on an empty array
void addUniqueObject(QVariantList& array, const QVariant& object);
// By the texts of the elements, in the locale's collation, ignoring case.
void sortUsingLocalizedCaseInsensitiveCompare(QVariantList& array);
void addType(QVariantList& array, const QVariant& value);
// Keeps the first element of each group the comparator calls the same, in order.
void removeDuplicateObjectsWithComparatorContext(QVariantList& array, ArrayUtilities::Comparator comparator,
                                                 void* context);
} // namespace MutableArrayUtilities

namespace DictionaryUtilities {
inline const QVariantMap& cfType(const QVariantMap& dictionary) {
    return dictionary;
}
bool containsKey(const QVariantMap& dictionary, const QString& key);
} // namespace DictionaryUtilities

// Look-ups by key that read the value the way the program's own library wants it.
namespace DictionaryPascalHelpers {
bool isSet(const QVariantMap& dictionary, const QString& key); // a null value counts as set
// A number's text or the string, as a short string; empty for other values and absent keys.
QByteArray NSDictionaryPascalHelpers_stringForKey(const QVariantMap& dictionary, const QString& key);
qint32 NSDictionaryPascalHelpers_intForKey(const QVariantMap& dictionary, const QString& key);
double NSDictionaryPascalHelpers_floatForKey(const QVariantMap& dictionary, const QString& key);
bool NSDictionaryPascalHelpers_boolForKey(const QVariantMap& dictionary, const QString& key);
QVariant NSDictionaryPascalHelpers_objForKey(const QVariantMap& dictionary, const QString& key);
QVariant NSDictionaryPascalHelpers_arrayForKey(const QVariantMap& dictionary, const QString& key);
} // namespace DictionaryPascalHelpers

namespace ShadowUtilities {
Shadow shadowWithBlurRadius(double radius);
}

namespace ObjectUtilities {
// Removes the observer from every notice of the default notification centre.
void stopObservingNotifications(const void* observer);
// "<ClassName: 0x...>"; "(null)" for no object.
QString description(const QObject* object);
void showDescription(const QObject* object); // the description, as a developer line
QByteArray pascalClassName(const QObject* object);
QByteArray pascalDescription(const QObject* object);
QByteArray pointerAddressString(const void* pointer); // "<0x...>"
} // namespace ObjectUtilities
