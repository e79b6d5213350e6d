#pragma once

#include "PlistCodec.h"

#include <QVariant>
#include <vector>

// What the property-list readers and writers share; used inside the codec only.
namespace PlistCodec::Detail {

// Milliseconds between the Unix epoch and the property-list epoch (2001-01-01 UTC).
constexpr qint64 kEpochOffsetMs = 978307200000;
// Dates lie at most this far from the property-list epoch (9e15 seconds, about 285 million years):
// a binary list's seconds hold them to the second, and QDateTime holds them. Both forms refuse
// farther ones, so whatever one form reads the other writes.
constexpr qint64 kDateRangeMs = 9'000'000'000'000'000'000;

enum class Kind { Boolean, Integer, Unsigned, Real, String, Data, Date, Dictionary, Array, None };
Kind kindOf(const QVariant& value);

// The narrowest of int, qint64 and quint64 that holds the integer.
QVariant integerValue(qint64 value);
QVariant unsignedValue(quint64 value);

// A date value as milliseconds since the Unix epoch; false (with a reason in error) for an invalid
// date or one out of range.
bool dateMilliseconds(const QVariant& value, qint64* ms, QString* error);
// The UTC date and time of ms; invalid out of range.
QVariant dateValue(qint64 ms);
// The date of a binary list's seconds since 2001: a QDateTime when it holds them exactly, else an
// ExactDate; invalid out of range.
QVariant dateValue(double seconds);
// A date value as seconds since 2001, an ExactDate's exactly; false (with a reason) as dateMilliseconds.
bool dateSeconds(const QVariant& value, double* seconds, QString* error);

// The dictionary or list a container holds, converted into scratch when it is of another type.
// identity is set to a dictionary held by reference (null otherwise), for the loop check.
const QVariantMap& dictionaryOf(const QVariant& value, QVariantMap& scratch, const void** identity);
const QVariantList& listOf(const QVariant& value, QVariantList& scratch);

// Sets the reason (when error is given) and returns false.
bool fail(QString* error, const char* reason);
// The reason a value of no property-list kind is refused.
bool failUnsupported(QString* error, const QVariant& value);

// The containers a writer is inside: refuses nesting deeper than kMaxDepth and a shared dictionary
// inside itself.
class Nesting {
public:
    bool enter(const void* identity, QString* error);
    void leave() { m_path.pop_back(); }

private:
    std::vector<const void*> m_path;
};

// The forms. Readers get bytes without a byte-order mark; writers fill out whole or fail.
QVariant readXml(const char* begin, const char* end, QString* error);
bool writeXml(const QVariant& value, QByteArray* out, QString* error);
QVariant readBinary(const QByteArray& bytes, QString* error);
bool writeBinary(const QVariant& value, QByteArray* out, QString* error);

} // namespace PlistCodec::Detail
