#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <memory>

// Property lists as Qt values, to and from XML (Apple's form: header, DOCTYPE, tab indent, sorted
// keys) and binary property lists. The codec reads and writes both forms itself.
//
// Values: QVariantMap (or QVariantHash), QVariantList (or QStringList), QString, QByteArray, bool,
// double (or float), integers, QDateTime and QDate. Integers read back as int when they fit 32 bits,
// qint64 when they fit 64 signed bits, quint64 above that (to 2^64-1). Dates are instants within
// about 285 million years of 2001 (farther ones are refused): they read back as UTC QDateTimes, to
// the second from XML and to the millisecond from binary (a time is never rounded up to the next
// second; a finer binary date reads as an ExactDate); a QDate is stored as the instant its day begins in UTC,
// so its QDateTime's date() is that day in every time zone. A string may hold a NUL character in binary
// lists, never in XML. Containers nest at most kMaxDepth deep.
namespace PlistCodec {

enum class Format { Xml, Binary };

// Deepest nesting of dictionaries and lists read or written; deeper values are refused.
constexpr int kMaxDepth = 512;

// A dictionary held by reference, for callers that share one dictionary between owners: written as
// the dictionary it holds, without copying it. A dictionary that holds itself, directly or further
// down, is refused. Decoding never gives one.
struct SharedDictionary {
    std::shared_ptr<QVariantMap> dictionary;
};

// A date read from a binary list that a QDateTime can't hold exactly (it is finer than a millisecond):
// its seconds since 2001 as stored. A binary list written again holds it unchanged, XML to the
// second; QVariant::toDateTime gives it to the millisecond (never rounded up).
struct ExactDate {
    double seconds = 0;
    friend bool operator==(const ExactDate&, const ExactDate&) = default;
};

// Serialises a value; false (with a reason in error) when it holds something the form cannot.
bool encode(const QVariant& value, QByteArray* out, Format format = Format::Xml, QString* error = nullptr);
QByteArray toXml(const QVariant& value, bool* ok = nullptr);

// Parses XML (UTF-8, with or without a byte-order mark, or UTF-16 with one) or binary bytes; an
// invalid QVariant (with a reason in error) for anything malformed.
QVariant decode(const QByteArray& bytes, QString* error = nullptr);

// True when the value and everything inside it is of a kind a property list can hold (XML further
// refuses strings that hold a NUL character).
bool isPropertyListValue(const QVariant& value);

} // namespace PlistCodec

Q_DECLARE_METATYPE(PlistCodec::SharedDictionary)
Q_DECLARE_METATYPE(PlistCodec::ExactDate)
