// Writes property lists as XML in the form macOS writes them: the header and DOCTYPE, one element a
// line indented by tabs, keys in sorted order, reals to 17 significant digits, base64 data in lines
// that narrow with the depth, and dates to the whole second (never rounded up).
#include "PlistValues.h"

#include <QDateTime>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace PlistCodec::Detail {
namespace {

constexpr char kHeader[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                           "<plist version=\"1.0\">\n";

// The bytes written so far, in a buffer grown ahead of the writing.
class Output {
public:
    explicit Output(QByteArray& bytes) : m_bytes(bytes), m_size(bytes.size()) {}

    // At least n bytes to write at; end() takes the pointer past what was written.
    char* room(qsizetype n) {
        if (m_size + n > m_bytes.size()) m_bytes.resize(std::max(2 * m_bytes.size(), m_size + n + 4096));
        return m_bytes.data() + m_size;
    }
    void end(const char* past) { m_size = past - m_bytes.constData(); }
    void finish() { m_bytes.resize(m_size); }

private:
    QByteArray& m_bytes;
    qsizetype m_size;
};

char* put(char* o, const char* text, size_t length) {
    memcpy(o, text, length);
    return o + length;
}

template <size_t N> char* put(char* o, const char (&text)[N]) {
    return put(o, text, N - 1);
}

char* tabs(char* o, int count) {
    memset(o, '\t', static_cast<size_t>(count));
    return o + count;
}

// Escaped UTF-8; false at a NUL character. A carriage return is written as a reference, as XML
// readers turn a literal one into a line feed. Takes up to five bytes a UTF-16 unit.
bool escaped(const QString& s, char*& out) {
    char* o = out;
    const char16_t* p = reinterpret_cast<const char16_t*>(s.constData());
    const char16_t* end = p + s.size();
    while (p < end) {
        char32_t c = *p++;
        if (c < 0x80) {
            switch (c) {
            case 0:
                return false;
            case '&':
                o = put(o, "&amp;");
                break;
            case '<':
                o = put(o, "&lt;");
                break;
            case '>':
                o = put(o, "&gt;");
                break;
            case '\r':
                o = put(o, "&#13;");
                break;
            default:
                *o++ = static_cast<char>(c);
            }
            continue;
        }
        if (QChar::isHighSurrogate(c) && p < end && QChar::isLowSurrogate(*p))
            c = QChar::surrogateToUcs4(static_cast<char16_t>(c), *p++);
        else if (QChar::isSurrogate(c))
            c = QChar::ReplacementCharacter;
        if (c < 0x800) {
            *o++ = static_cast<char>(0xc0 | (c >> 6));
        } else {
            if (c < 0x10000) {
                *o++ = static_cast<char>(0xe0 | (c >> 12));
            } else {
                *o++ = static_cast<char>(0xf0 | (c >> 18));
                *o++ = static_cast<char>(0x80 | ((c >> 12) & 0x3f));
            }
            *o++ = static_cast<char>(0x80 | ((c >> 6) & 0x3f));
        }
        *o++ = static_cast<char>(0x80 | (c & 0x3f));
    }
    out = o;
    return true;
}

// Base64 of bytes in lines of width characters, each indented by level tabs.
char* base64(char* o, const QByteArray& bytes, int level, qsizetype width) {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype column = width;
    auto add = [&](char c) {
        if (column == width) {
            o = tabs(o, level);
            column = 0;
        }
        *o++ = c;
        if (++column == width) *o++ = '\n';
    };
    for (qsizetype i = 0; i < size; i += 3) {
        const quint32 chunk = (quint32(p[i]) << 16) | (i + 1 < size ? quint32(p[i + 1]) << 8 : 0) |
                              (i + 2 < size ? quint32(p[i + 2]) : 0);
        add(alphabet[chunk >> 18]);
        add(alphabet[(chunk >> 12) & 0x3f]);
        add(i + 1 < size ? alphabet[(chunk >> 6) & 0x3f] : '=');
        add(i + 2 < size ? alphabet[chunk & 0x3f] : '=');
    }
    if (column != width && column != 0) *o++ = '\n';
    return o;
}

class XmlWriter {
public:
    XmlWriter(QByteArray& bytes, QString* error) : m_out(bytes), m_error(error) {}

    bool write(const QVariant& value, int depth) {
        const Kind kind = kindOf(value);
        switch (kind) {
        case Kind::Boolean:
            line(depth, value.toBool() ? std::string_view("<true/>") : std::string_view("<false/>"));
            return true;
        case Kind::Integer:
        case Kind::Unsigned: {
            char digits[24];
            const auto end = kind == Kind::Unsigned
                                 ? std::to_chars(digits, digits + sizeof digits, value.toULongLong()).ptr
                                 : std::to_chars(digits, digits + sizeof digits, value.toLongLong()).ptr;
            element(depth, "integer", std::string_view(digits, static_cast<size_t>(end - digits)));
            return true;
        }
        case Kind::Real:
            real(value.toDouble(), depth);
            return true;
        case Kind::String:
            return text(depth, "string", *static_cast<const QString*>(value.constData()),
                        "a string holds a NUL character");
        case Kind::Data:
            data(*static_cast<const QByteArray*>(value.constData()), depth);
            return true;
        case Kind::Date:
            return date(value, depth);
        case Kind::Dictionary:
            return dictionary(value, depth);
        case Kind::Array:
            return array(value, depth);
        case Kind::None:
            break;
        }
        return failUnsupported(m_error, value);
    }

    void finish() { m_out.finish(); }

private:
    void line(int depth, std::string_view text) {
        char* o = m_out.room(depth + static_cast<qsizetype>(text.size()) + 1);
        o = tabs(o, depth);
        o = put(o, text.data(), text.size());
        *o++ = '\n';
        m_out.end(o);
    }

    // <name>content</name>
    void element(int depth, std::string_view name, std::string_view content) {
        char* o = m_out.room(depth + 2 * static_cast<qsizetype>(name.size() + 3) +
                             static_cast<qsizetype>(content.size()));
        o = tabs(o, depth);
        *o++ = '<';
        o = put(o, name.data(), name.size());
        *o++ = '>';
        o = put(o, content.data(), content.size());
        o = put(o, "</");
        o = put(o, name.data(), name.size());
        o = put(o, ">\n");
        m_out.end(o);
    }

    bool text(int depth, std::string_view name, const QString& s, const char* nulReason) {
        char* o = m_out.room(depth + 2 * static_cast<qsizetype>(name.size() + 3) + 5 * s.size());
        o = tabs(o, depth);
        *o++ = '<';
        o = put(o, name.data(), name.size());
        *o++ = '>';
        if (!escaped(s, o)) return fail(m_error, nulReason);
        o = put(o, "</");
        o = put(o, name.data(), name.size());
        o = put(o, ">\n");
        m_out.end(o);
        return true;
    }

    void real(double d, int depth) {
        if (d == 0) {
            element(depth, "real", std::signbit(d) ? "-0.0" : "0.0");
        } else if (std::isnan(d) || std::isinf(d)) {
            element(depth, "real", std::isnan(d) ? "nan" : d > 0 ? "+infinity" : "-infinity");
        } else {
            char digits[32];
            const char* end =
                std::to_chars(digits, digits + sizeof digits, d, std::chars_format::general, 17).ptr;
            element(depth, "real", std::string_view(digits, static_cast<size_t>(end - digits)));
        }
    }

    // Base64 in lines of 76 characters less 8 for each level (down to 12), indented by as many tabs.
    void data(const QByteArray& bytes, int depth) {
        const int level = std::min(depth, 8);
        const qsizetype width = 76 - 8 * level;
        const qsizetype characters = (bytes.size() + 2) / 3 * 4;
        const qsizetype lines = (characters + width - 1) / width;
        char* o = m_out.room(2 * depth + 17 + characters + lines * (level + 1));
        o = tabs(o, depth);
        o = put(o, "<data>\n");
        o = base64(o, bytes, level, width);
        o = tabs(o, depth);
        o = put(o, "</data>\n");
        m_out.end(o);
    }

    bool date(const QVariant& value, int depth) {
        qint64 ms = 0;
        if (!dateMilliseconds(value, &ms, m_error)) return false;
        // Whole seconds, rounded down: a time before 2001 must not gain a second.
        const qint64 seconds = ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
        const QDateTime when = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
        if (!when.isValid()) return fail(m_error, "date out of range");
        const QDate day = when.date();
        const QTime time = when.time();
        // Years as ISO 8601 counts them: 1 BC is year 0.
        const int year = day.year() < 0 ? day.year() + 1 : day.year();
        char text[48];
        const int length =
            snprintf(text, sizeof text, "%s%04d-%02d-%02dT%02d:%02d:%02dZ", year < 0 ? "-" : "",
                     std::abs(year), day.month(), day.day(), time.hour(), time.minute(), time.second());
        element(depth, "date", std::string_view(text, static_cast<size_t>(length)));
        return true;
    }

    bool dictionary(const QVariant& value, int depth) {
        QVariantMap scratch;
        const void* identity = nullptr;
        const QVariantMap& map = dictionaryOf(value, scratch, &identity);
        if (!m_nesting.enter(identity, m_error)) return false;
        if (map.isEmpty()) {
            line(depth, "<dict/>");
        } else {
            line(depth, "<dict>");
            for (auto it = map.cbegin(); it != map.cend(); ++it) {
                if (!text(depth + 1, "key", it.key(), "a key holds a NUL character")) return false;
                if (!write(it.value(), depth + 1)) return false;
            }
            line(depth, "</dict>");
        }
        m_nesting.leave();
        return true;
    }

    bool array(const QVariant& value, int depth) {
        QVariantList scratch;
        const QVariantList& list = listOf(value, scratch);
        if (!m_nesting.enter(nullptr, m_error)) return false;
        if (list.isEmpty()) {
            line(depth, "<array/>");
        } else {
            line(depth, "<array>");
            for (const QVariant& element : list)
                if (!write(element, depth + 1)) return false;
            line(depth, "</array>");
        }
        m_nesting.leave();
        return true;
    }

    Output m_out;
    QString* m_error;
    Nesting m_nesting;
};

} // namespace

bool writeXml(const QVariant& value, QByteArray* out, QString* error) {
    QByteArray bytes(kHeader);
    XmlWriter writer(bytes, error);
    if (!writer.write(value, 0)) return false;
    writer.finish();
    bytes.append("</plist>\n");
    *out = std::move(bytes);
    return true;
}

} // namespace PlistCodec::Detail
