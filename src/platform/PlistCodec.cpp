#include "PlistCodec.h"

#include "VariantKinds.h"

#include <QDateTime>
#include <cmath>
#include <plist/plist.h>

namespace PlistCodec {
namespace {

// Seconds between the Unix epoch and the property-list epoch (2001-01-01 UTC).
constexpr qint64 kEpochOffset = 978307200;
// Deeper nesting than this is refused before the parser sees it.
constexpr int kMaxDepth = 512;

struct NodeOwner {
    plist_t node = nullptr;
    ~NodeOwner() {
        if (node) plist_free(node);
    }
};

plist_t toNode(const QVariant& value, QString* error, int depth) {
    if (depth > kMaxDepth) {
        if (error) *error = QStringLiteral("nesting too deep");
        return nullptr;
    }
    const int id = value.metaType().id();
    if (id == QMetaType::Bool) return plist_new_bool(value.toBool() ? 1 : 0);
    if (VariantKinds::isInteger(value)) {
        if (id == QMetaType::ULongLong || id == QMetaType::ULong) return plist_new_uint(value.toULongLong());
        return plist_new_uint(static_cast<uint64_t>(value.toLongLong()));
    }
    if (id == QMetaType::Double || id == QMetaType::Float) return plist_new_real(value.toDouble());
    if (id == QMetaType::QString) {
        const QByteArray utf8 = value.toString().toUtf8();
        if (utf8.contains('\0')) {
            if (error) *error = QStringLiteral("a string holds a NUL character");
            return nullptr;
        }
        return plist_new_string(utf8.constData());
    }
    if (id == QMetaType::QByteArray) {
        const QByteArray bytes = value.toByteArray();
        return plist_new_data(bytes.constData(), static_cast<uint64_t>(bytes.size()));
    }
    if (id == QMetaType::QDateTime || id == QMetaType::QDate) {
        const QDateTime when = value.toDateTime();
        if (!when.isValid()) {
            if (error) *error = QStringLiteral("invalid date");
            return nullptr;
        }
        const qint64 ms = when.toMSecsSinceEpoch() - kEpochOffset * 1000;
        const qint64 secs = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
        const qint64 usec = (ms - secs * 1000) * 1000;
        return plist_new_date(static_cast<int32_t>(secs), static_cast<int32_t>(usec));
    }
    if (id == QMetaType::QVariantMap || id == QMetaType::QVariantHash) {
        const QVariantMap map = value.toMap();
        plist_t dict = plist_new_dict();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            const QByteArray key = it.key().toUtf8();
            plist_t child = key.contains('\0') ? nullptr : toNode(it.value(), error, depth + 1);
            if (!child) {
                if (error && key.contains('\0')) *error = QStringLiteral("a key holds a NUL character");
                plist_free(dict);
                return nullptr;
            }
            plist_dict_set_item(dict, key.constData(), child);
        }
        return dict;
    }
    if (id == QMetaType::QVariantList || id == QMetaType::QStringList) {
        const QVariantList list = value.toList();
        plist_t array = plist_new_array();
        for (const QVariant& element : list) {
            plist_t child = toNode(element, error, depth + 1);
            if (!child) {
                plist_free(array);
                return nullptr;
            }
            plist_array_append_item(array, child);
        }
        return array;
    }
    if (error)
        *error = QStringLiteral("a value of type %1 has no property-list form")
                     .arg(QString::fromLatin1(value.metaType().name() ? value.metaType().name() : "none"));
    return nullptr;
}

QVariant fromNode(plist_t node, int depth) {
    if (!node || depth > kMaxDepth) return {};
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return QVariant(b != 0);
    }
    case PLIST_UINT: {
        uint64_t raw = 0;
        plist_get_uint_val(node, &raw);
        const auto v = static_cast<qint64>(raw);
        if (v >= INT32_MIN && v <= INT32_MAX) return QVariant(static_cast<int>(v));
        return QVariant(v);
    }
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        return QVariant(d);
    }
    case PLIST_STRING: {
        uint64_t length = 0;
        const char* s = plist_get_string_ptr(node, &length);
        return QVariant(s ? QString::fromUtf8(s, static_cast<qsizetype>(length)) : QString(""));
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        return QVariant(bytes ? QByteArray(bytes, static_cast<qsizetype>(length)) : QByteArray(""));
    }
    case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        const qint64 ms = (static_cast<qint64>(sec) + kEpochOffset) * 1000 + usec / 1000;
        return QVariant(QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC));
    }
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        if (!it) return QVariant(map);
        for (;;) {
            char* key = nullptr;
            plist_t child = nullptr;
            plist_dict_next_item(node, it, &key, &child);
            if (!child) {
                free(key);
                break;
            }
            QVariant value = fromNode(child, depth + 1);
            if (!value.isValid()) {
                free(key);
                free(it);
                return {};
            }
            map.insert(key ? QString::fromUtf8(key) : QString(), value);
            free(key);
        }
        free(it);
        return QVariant(map);
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t n = plist_array_get_size(node);
        list.reserve(static_cast<qsizetype>(n));
        for (uint32_t i = 0; i < n; ++i) {
            QVariant value = fromNode(plist_array_get_item(node, i), depth + 1);
            if (!value.isValid()) return {};
            list.append(value);
        }
        return QVariant(list);
    }
    default:
        return {};
    }
}

// Rejects XML whose element nesting would run the parser too deep.
bool xmlNestingWithinLimit(const QByteArray& bytes) {
    int depth = 0;
    const char* p = bytes.constData();
    const char* end = p + bytes.size();
    for (; p < end; ++p) {
        if (*p != '<' || p + 1 >= end) continue;
        const char next = p[1];
        if (next == '/') {
            if (depth > 0) --depth;
        } else if (next != '?' && next != '!') {
            // a self-closing element does not nest
            const char* close = static_cast<const char*>(memchr(p, '>', static_cast<size_t>(end - p)));
            if (close && close[-1] == '/') continue;
            if (++depth > kMaxDepth) return false;
        }
    }
    return true;
}

// XML 1.0 has no NUL character, literal or referenced; the parser must never see one.
bool xmlFreeOfNul(const QByteArray& bytes) {
    if (bytes.contains('\0')) return false;
    for (qsizetype at = bytes.indexOf("&#"); at >= 0; at = bytes.indexOf("&#", at + 2)) {
        qsizetype i = at + 2;
        const bool hex = i < bytes.size() && (bytes[i] == 'x' || bytes[i] == 'X');
        if (hex) ++i;
        const qsizetype digits = i;
        while (i < bytes.size() && bytes[i] == '0') ++i;
        if (i > digits && i < bytes.size() && bytes[i] == ';') return false;
    }
    return true;
}

quint64 readBigEndian(const uchar* p, int size) {
    quint64 v = 0;
    for (int i = 0; i < size; ++i) v = (v << 8) | p[i];
    return v;
}

// Binary lists: every string object lies inside the data and holds no NUL character.
bool binaryStringsSound(const QByteArray& bytes) {
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    const quint64 size = static_cast<quint64>(bytes.size());
    if (size < 8 + 32) return false;
    const uchar* trailer = data + size - 32;
    const int offsetSize = trailer[6];
    const quint64 count = readBigEndian(trailer + 8, 8);
    const quint64 tableAt = readBigEndian(trailer + 24, 8);
    if (offsetSize < 1 || offsetSize > 8 || tableAt >= size - 32) return false;
    if (count > (size - 32 - tableAt) / static_cast<quint64>(offsetSize)) return false;
    for (quint64 i = 0; i < count; ++i) {
        const quint64 at = readBigEndian(data + tableAt + i * static_cast<quint64>(offsetSize), offsetSize);
        if (at >= size) return false;
        const uchar marker = data[at];
        const int kind = marker >> 4;
        if (kind != 0x5 && kind != 0x6) continue;
        quint64 length = marker & 0x0f;
        quint64 start = at + 1;
        if (length == 0x0f) {
            if (start >= size || (data[start] >> 4) != 0x1) return false;
            const int lengthSize = 1 << (data[start] & 0x0f);
            if (lengthSize > 8 || start + 1 + static_cast<quint64>(lengthSize) > size) return false;
            length = readBigEndian(data + start + 1, lengthSize);
            start += 1 + static_cast<quint64>(lengthSize);
        }
        const quint64 unit = kind == 0x6 ? 2 : 1;
        if (length > size || start + length * unit > size) return false;
        for (quint64 k = 0; k < length; ++k) {
            const bool nul =
                unit == 1 ? data[start + k] == 0 : (data[start + 2 * k] | data[start + 2 * k + 1]) == 0;
            if (nul) return false;
        }
    }
    return true;
}

} // namespace

bool isPropertyListValue(const QVariant& value) {
    QString error;
    NodeOwner owner{toNode(value, &error, 0)};
    return owner.node != nullptr;
}

bool encode(const QVariant& value, QByteArray* out, Format format, QString* error) {
    NodeOwner owner{toNode(value, error, 0)};
    if (!owner.node) return false;
    char* bytes = nullptr;
    uint32_t length = 0;
    if (format == Format::Xml) {
        plist_to_xml(owner.node, &bytes, &length);
    } else {
        plist_to_bin(owner.node, &bytes, &length);
    }
    if (!bytes) {
        if (error) *error = QStringLiteral("the property list could not be written");
        return false;
    }
    *out = QByteArray(bytes, static_cast<qsizetype>(length));
    if (format == Format::Xml)
        plist_to_xml_free(bytes);
    else
        plist_to_bin_free(bytes);
    return true;
}

QByteArray toXml(const QVariant& value, bool* ok) {
    QByteArray out;
    const bool done = encode(value, &out, Format::Xml);
    if (ok) *ok = done;
    return out;
}

QVariant decode(const QByteArray& bytes, QString* error) {
    auto fail = [error](const char* reason) {
        if (error) *error = QString::fromLatin1(reason);
        return QVariant();
    };
    if (bytes.isEmpty()) return fail("empty data");
    if (bytes.size() > INT32_MAX) return fail("data too large");
    const bool binary = bytes.startsWith("bplist00");
    if (!binary && !xmlNestingWithinLimit(bytes)) return fail("nesting too deep");
    if (!binary && !xmlFreeOfNul(bytes)) return fail("a NUL character in XML");
    if (binary && !binaryStringsSound(bytes)) return fail("a damaged or NUL-bearing string in a binary list");
    NodeOwner owner;
    if (binary)
        plist_from_bin(bytes.constData(), static_cast<uint32_t>(bytes.size()), &owner.node);
    else
        plist_from_xml(bytes.constData(), static_cast<uint32_t>(bytes.size()), &owner.node);
    if (!owner.node) return fail("not a property list");
    QVariant value = fromNode(owner.node, 0);
    if (!value.isValid()) return fail("unsupported or too deeply nested property list");
    return value;
}

} // namespace PlistCodec
