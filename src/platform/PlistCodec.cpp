#include "PlistCodec.h"

#include "VariantKinds.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>
#include <plist/plist.h>
#include <vector>

namespace PlistCodec {
namespace {

// Seconds between the Unix epoch and the property-list epoch (2001-01-01 UTC).
constexpr qint64 kEpochOffset = 978307200;
// Deeper nesting than this is refused before the parser sees it.
constexpr int kMaxDepth = 4096;

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

// Binary lists are checked before the parser sees them: every object lies inside the data, no
// string holds a NUL character, references stay in the table, and containers neither nest deeper
// than the limit nor contain themselves.
class BinaryCheck {
public:
    explicit BinaryCheck(const QByteArray& bytes)
        : m_data(reinterpret_cast<const uchar*>(bytes.constData())),
          m_size(static_cast<quint64>(bytes.size())) {}

    bool sound() {
        if (m_size < 8 + 32) return false;
        const uchar* trailer = m_data + m_size - 32;
        m_offsetSize = trailer[6];
        m_refSize = trailer[7];
        m_count = readBigEndian(trailer + 8, 8);
        const quint64 top = readBigEndian(trailer + 16, 8);
        m_tableAt = readBigEndian(trailer + 24, 8);
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8) return false;
        if (m_tableAt >= m_size - 32 || top >= m_count) return false;
        if (m_count > (m_size - 32 - m_tableAt) / static_cast<quint64>(m_offsetSize)) return false;
        for (quint64 i = 0; i < m_count; ++i)
            if (!objectSound(i)) return false;
        return depthWithinLimit(top);
    }

private:
    struct Extent {
        int kind = 0;
        quint64 length = 0; // elements, or characters of a string
        quint64 start = 0;  // first byte after the marker and length
    };

    quint64 offsetOf(quint64 index) const {
        return readBigEndian(m_data + m_tableAt + index * static_cast<quint64>(m_offsetSize), m_offsetSize);
    }

    bool extent(quint64 index, Extent* e) const {
        const quint64 at = offsetOf(index);
        if (at >= m_size) return false;
        const uchar marker = m_data[at];
        e->kind = marker >> 4;
        e->length = marker & 0x0f;
        e->start = at + 1;
        const bool sized = e->kind == 0x4 || e->kind == 0x5 || e->kind == 0x6 || e->kind == 0xA ||
                           e->kind == 0xC || e->kind == 0xD;
        if (sized && e->length == 0x0f) {
            if (e->start >= m_size || (m_data[e->start] >> 4) != 0x1) return false;
            const int lengthSize = 1 << (m_data[e->start] & 0x0f);
            if (lengthSize > 8 || e->start + 1 + static_cast<quint64>(lengthSize) > m_size) return false;
            e->length = readBigEndian(m_data + e->start + 1, lengthSize);
            e->start += 1 + static_cast<quint64>(lengthSize);
        }
        return true;
    }

    // Number of references a container holds (a dictionary holds keys and values).
    static quint64 references(const Extent& e) {
        if (e.kind == 0xA || e.kind == 0xC) return e.length;
        if (e.kind == 0xD) return e.length > UINT64_MAX / 2 ? UINT64_MAX : e.length * 2;
        return 0;
    }

    quint64 reference(const Extent& e, quint64 k) const {
        return readBigEndian(m_data + e.start + k * static_cast<quint64>(m_refSize), m_refSize);
    }

    bool objectSound(quint64 index) const {
        Extent e;
        if (!extent(index, &e)) return false;
        if (e.kind == 0x5 || e.kind == 0x6) {
            const quint64 unit = e.kind == 0x6 ? 2 : 1;
            if (e.length > m_size || e.start + e.length * unit > m_size) return false;
            for (quint64 k = 0; k < e.length; ++k) {
                const bool nul = unit == 1 ? m_data[e.start + k] == 0
                                           : (m_data[e.start + 2 * k] | m_data[e.start + 2 * k + 1]) == 0;
                if (nul) return false;
            }
            return true;
        }
        const quint64 refs = references(e);
        if (refs == 0) return true;
        if (refs > m_size || e.start + refs * static_cast<quint64>(m_refSize) > m_size) return false;
        for (quint64 k = 0; k < refs; ++k)
            if (reference(e, k) >= m_count) return false;
        return true;
    }

    // Walks the containers from the top object without recursion, measuring for each object the
    // height of its subtree and the number of values it expands to (a shared object counts at every
    // use, as the parser copies it there).
    bool depthWithinLimit(quint64 top) const {
        enum : uchar { Unseen, Open, Done };
        std::vector<uchar> state(static_cast<size_t>(m_count), Unseen);
        std::vector<int> height(static_cast<size_t>(m_count), 0);
        std::vector<quint64> expanded(static_cast<size_t>(m_count), 0);
        // Every use of a value takes a reference of at least one byte, so a list that expands to more
        // values than it has bytes shares containers to blow itself up.
        const quint64 expandLimit = m_size + 1024;
        struct Frame {
            quint64 object;
            Extent extent;
            quint64 next;
            int childHeight;
            quint64 childValues;
        };
        std::vector<Frame> stack;
        auto enter = [&](quint64 object) {
            Extent e;
            extent(object, &e);
            state[object] = Open;
            stack.push_back({object, e, 0, 0, 0});
            return static_cast<int>(stack.size()) <= kMaxDepth;
        };
        auto add = [&](Frame& frame, int childHeight, quint64 childValues) {
            frame.childHeight = std::max(frame.childHeight, childHeight);
            frame.childValues = std::min(expandLimit + 1, frame.childValues + childValues);
        };
        if (!enter(top)) return false;
        while (!stack.empty()) {
            Frame& frame = stack.back();
            if (frame.next < references(frame.extent)) {
                const quint64 child = reference(frame.extent, frame.next++);
                if (state[child] == Open) return false; // contains itself
                if (state[child] == Unseen) {
                    if (!enter(child)) return false;
                    continue;
                }
                if (static_cast<qsizetype>(stack.size()) + height[child] > kMaxDepth) return false;
                add(frame, height[child], expanded[child]);
                if (frame.childValues > expandLimit) return false;
                continue;
            }
            const Frame done = frame;
            stack.pop_back();
            state[done.object] = Done;
            height[done.object] = done.childHeight + 1;
            expanded[done.object] = std::min(expandLimit + 1, done.childValues + 1);
            if (expanded[done.object] > expandLimit) return false;
            if (!stack.empty()) add(stack.back(), height[done.object], expanded[done.object]);
        }
        return true;
    }

    const uchar* m_data;
    quint64 m_size;
    int m_offsetSize = 0;
    int m_refSize = 0;
    quint64 m_count = 0;
    quint64 m_tableAt = 0;
};

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
    if (binary && !BinaryCheck(bytes).sound())
        return fail("a damaged, self-containing or too deeply nested binary list");
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
