#pragma once

#include "ToolboxAll.h"
#include "platform/CoreTypes.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <string>

// Routines over the Qt values that stand for strings, data, numbers, ranges, sets, arrays,
// dictionaries, URLs and the application's resources. Text is never cut.
namespace CFUtilities {

// String encodings a C string can be made in; the default one is UTF-8.
enum : quint32 {
    kCFStringEncodingMacRoman = 0, // taken as UTF-8 here
    kCFStringEncodingISOLatin1 = 0x0201,
    kCFStringEncodingASCII = 0x0600,
    kCFStringEncodingUTF8 = 0x08000100,
};

struct CFLimit {
    qint64 minimum = 0;
    qint64 maximum = 0;
};
struct CFLimitFloat {
    double minimum = 0;
    double maximum = 0;
};

using ToolboxAll::CFStr;

// Strings.
QString CFCopyLocalizedString(const QString& key);
// Replaces every "^1", "^2"... by the argument of that position, in one pass: text that came in
// with an argument is not searched again. A number with no argument stays as it is.
QString CFCopyLocalizedString(const QString& key, const QStringList& args);
QString CFStringAppendPathComponent(const QString& path, const QString& component);
// Replaces each occurrence, left to right without overlaps; returns how many were replaced.
int CFStringFindAndReplace(QString& s, const QString& find, const QString& replacement);
bool CFStringFind(const QString& s, const QString& find);
bool CFStringFind(const QString& s, const QStringList& finds);
QString CFStringCreateWithPascalString(const QString& s);
QString CFStringCreateFromNumber(const QVariant& number);
QString CFStringCreateWithInteger(qint32 n);
const QString& CFNStr(qint32 n);
bool CFStringIsLineEnding(const QString& s);
QChar CFStringGetLineEnding(const QString& s); // the null character when there is none
bool CFStringLineBreakOffset(const QString& s, qint64 index);
qint64 CFStringConstrainIndex(const QString& s, qint64& index);
CFRange CFStringGetRange(const QString& s);
bool CFStringCompare(const QString& a, const QString& b); // both set and equal
QString CFStringToPascalRange(const QString& s, const CFRange& range);
QString CFStringToPascal(const QString& s);
QString PCFStr(const QString& s);
void CFStringAppendLine(QString& s, const QString& line);
void CFStringWriteln(QString& s, const QString& line);
QByteArray CFStringCopyData(const QString& s); // UTF-16 characters
std::u16string CFStringCopyUnicodeString(const QString& s);
// A zero-terminated copy; null for an empty string or when a character does not fit the encoding.
QByteArray CFStringCopyCString(const QString& s, quint32 encoding = kCFStringEncodingUTF8);

// Data, numbers, collections, resources and ranges.
CFRange CFDataGetRange(const QByteArray& d);
QByteArray CFDataCopyBytes(const QByteArray& d);
QByteArray CFDataCopyBytes(const QByteArray& d, const CFRange& range);
// Copies at most capacity bytes into the buffer; false when the data did not fit whole (what fits
// is copied).
bool CFDataGetBytes(const QByteArray& d, void* buffer, qsizetype capacity);
void CFDataAppendData(QByteArray& d, const QByteArray& more);
QByteArray CFDataCreateWithDataRange(const QByteArray& d, const CFRange& range);
// The data under the key (or a pointer value's own bytes) into the buffer, as CFDataGetBytes;
// false when the key is absent or the value did not fit whole.
bool CFDictionaryGetPointerValue(const QVariantMap& dictionary, const QString& key, void* buffer,
                                 qsizetype capacity);
void CFDictionaryCreateIndexedCopy(const QVariantMap& dictionary, QVariantList* keys, QVariantList* values);
qint32 CFNumberGetValue(const QVariant& number);
// Sets are lists without repeats, in first-seen order.
QVariantList CFArrayCreateCopyFromSet(const QVariantList& set);
QVariantList CFSetCreateCopyFromArray(const QVariantList& array);
void CFSetAddArray(QVariantList& set, const QVariantList& array);
int CFArrayCompareAlphaOrder(const QVariant& a, const QVariant& b, void* context);
bool CFURLCompareCFURLRefs(const QUrl& a, const QUrl& b);
QString CFBundleGetResourcePath(const QString& name);
QString CFBundleCopyResourcePath(const QString& name);
CFLimit CFLimitMake(qint64 minimum, qint64 maximum);
CFLimitFloat CFLimitFloatMake(double minimum, double maximum);
bool CFLimitEmpty(const CFLimit& limit);
bool CFLimitFloatEmpty(const CFLimitFloat& limit);
bool CFRangeValidBounds(const CFRange& range, quint32 length);
CFRange CFRangeConstrain(const CFRange& range, quint32 length);
bool CFRangeEmpty(const CFRange& range);
void CFRangeShow(const CFRange& range);

} // namespace CFUtilities
