#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

// Property lists as Qt values: QVariantMap, QVariantList, QString, QByteArray, int / qint64,
// double, bool and QDateTime, to and from XML (Apple's form) and binary property lists.
namespace PlistCodec {

enum class Format { Xml, Binary };

// Serialises a value; false (with a reason in error) when it holds something a property list cannot.
bool encode(const QVariant& value, QByteArray* out, Format format = Format::Xml, QString* error = nullptr);
QByteArray toXml(const QVariant& value, bool* ok = nullptr);

// Parses XML or binary bytes; an invalid QVariant (with a reason in error) for anything malformed.
QVariant decode(const QByteArray& bytes, QString* error = nullptr);

// True when the value and everything inside it is of a kind a property list can hold.
bool isPropertyListValue(const QVariant& value);

} // namespace PlistCodec
