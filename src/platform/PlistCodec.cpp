#include "PlistCodec.h"

#include "PlistValues.h"

#include <QStringDecoder>

namespace PlistCodec {

bool isPropertyListValue(const QVariant& value) {
    QByteArray scratch;
    return Detail::writeBinary(value, &scratch, nullptr);
}

bool encode(const QVariant& value, QByteArray* out, Format format, QString* error) {
    return format == Format::Xml ? Detail::writeXml(value, out, error)
                                 : Detail::writeBinary(value, out, error);
}

QByteArray toXml(const QVariant& value, bool* ok) {
    QByteArray out;
    const bool done = encode(value, &out, Format::Xml);
    if (ok) *ok = done;
    return out;
}

QVariant decode(const QByteArray& bytes, QString* error) {
    if (bytes.isEmpty()) {
        Detail::fail(error, "empty data");
        return {};
    }
    if (bytes.startsWith("bplist00")) return Detail::readBinary(bytes, error);
    if (bytes.startsWith("\xfe\xff") || bytes.startsWith("\xff\xfe")) {
        QStringDecoder utf16(bytes.startsWith("\xfe\xff") ? QStringConverter::Utf16BE
                                                          : QStringConverter::Utf16LE);
        const QByteArray utf8 = QString(utf16(bytes)).toUtf8();
        if (utf16.hasError()) {
            Detail::fail(error, "malformed UTF-16");
            return {};
        }
        return Detail::readXml(utf8.constData(), utf8.constData() + utf8.size(), error);
    }
    const qsizetype bom = bytes.startsWith("\xef\xbb\xbf") ? 3 : 0;
    return Detail::readXml(bytes.constData() + bom, bytes.constData() + bytes.size(), error);
}

} // namespace PlistCodec
