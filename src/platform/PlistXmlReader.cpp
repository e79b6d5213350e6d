// Reads XML property lists: the elements of Apple's DTD, with comments, processing instructions,
// CDATA sections, character references and a DOCTYPE (its internal subset skipped) wherever XML
// allows them. Line ends in text become line feeds, as in every XML reader. Containers are read
// without recursion, so the nesting limit counts real elements only.
#include "PlistValues.h"

#include <QDateTime>
#include <QHash>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace PlistCodec::Detail {
namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
    return s;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xc0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xe0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3f));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    }
}

// Integers: an optional sign, then decimal digits or 0x and hexadecimal digits, from -2^63 to 2^64-1.
QVariant integerFrom(std::string_view text) {
    text = trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    quint64 magnitude = 0;
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (text.empty() || problem != std::errc() || end != text.data() + text.size()) return {};
    if (!negative) return unsignedValue(magnitude);
    if (magnitude > quint64(1) << 63) return {};
    return integerValue(static_cast<qint64>(0 - magnitude));
}

QVariant realFrom(std::string_view text) {
    text = trimmed(text);
    if (text.size() > 1 && text.front() == '+' && text[1] != '-' && text[1] != '+') text.remove_prefix(1);
    double d = 0;
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), d);
    if (text.empty() || problem != std::errc() || end != text.data() + text.size()) return {};
    return QVariant(d);
}

// Reads count digits at p as a number; false when one is not a digit.
bool digitsAt(std::string_view text, size_t at, size_t count, int* value) {
    if (at + count > text.size()) return false;
    *value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        *value = *value * 10 + (text[i] - '0');
    }
    return true;
}

// Dates: YYYY-MM-DDTHH:MM:SSZ in UTC, the year as ISO 8601 counts it (more digits and a sign allowed).
// A well-formed date beyond the range both forms hold sets outOfRange.
QVariant dateFrom(std::string_view text, bool* outOfRange) {
    text = trimmed(text);
    if (!text.empty() && text.back() == 'Z') text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const size_t yearDigits = text.find('-');
    if (yearDigits == std::string_view::npos || yearDigits < 4 || yearDigits > 9) return {};
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!digitsAt(text, 0, yearDigits, &year)) return {};
    const size_t at = yearDigits;
    if (text.size() != at + 15 || text[at] != '-' || text[at + 3] != '-' || text[at + 6] != 'T' ||
        text[at + 9] != ':' || text[at + 12] != ':')
        return {};
    if (!digitsAt(text, at + 1, 2, &month) || !digitsAt(text, at + 4, 2, &day) ||
        !digitsAt(text, at + 7, 2, &hour) || !digitsAt(text, at + 10, 2, &minute) ||
        !digitsAt(text, at + 13, 2, &second))
        return {};
    if (negative) year = -year;
    const QDate date(year <= 0 ? year - 1 : year, month, day);
    if (!date.isValid() || hour > 23 || minute > 59 || second > 59) return {};
    const QDateTime when(date, QTime(hour, minute, second), Qt::UTC);
    const QVariant value = when.isValid() ? dateValue(when.toMSecsSinceEpoch()) : QVariant();
    *outOfRange = !value.isValid();
    return value;
}

// Base64 with whitespace anywhere; anything else outside the alphabet is refused.
QVariant dataFrom(std::string_view text) {
    static const auto table = [] {
        std::array<signed char, 256> t{};
        t.fill(-1);
        const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (int i = 0; i < 64; ++i) t[static_cast<uchar>(alphabet[i])] = static_cast<signed char>(i);
        return t;
    }();
    QByteArray bytes(static_cast<qsizetype>(text.size() / 4 * 3 + 3), Qt::Uninitialized);
    char* o = bytes.data();
    quint32 bits = 0;
    int count = 0;
    bool padded = false;
    for (const char c : text) {
        const int v = table[static_cast<uchar>(c)];
        if (v >= 0) {
            if (padded) return {};
            bits = (bits << 6) | static_cast<quint32>(v);
            count += 6;
            if (count >= 8) {
                count -= 8;
                *o++ = static_cast<char>(bits >> count);
            }
        } else if (c == '=') {
            padded = true;
        } else if (!isSpace(c)) {
            return {};
        }
    }
    bytes.resize(o - bytes.constData());
    return QVariant(bytes);
}

class XmlReader {
public:
    XmlReader(const char* begin, const char* end) : m_p(begin), m_end(end) {}

    QVariant read(QString* error) {
        QVariant value;
        if (!document(&value)) {
            fail(error, m_reason ? m_reason : "not a property list");
            return {};
        }
        return value;
    }

private:
    struct Tag {
        std::string_view name;
        bool closing = false;
        bool empty = false; // <name/>
    };

    bool refuse(const char* reason) {
        if (!m_reason) m_reason = reason;
        return false;
    }

    bool at(std::string_view s) const {
        return static_cast<size_t>(m_end - m_p) >= s.size() && memcmp(m_p, s.data(), s.size()) == 0;
    }

    void skipSpace() {
        // Indentation is long runs of tabs: those go 32, then 8 bytes at a time.
        constexpr std::uint64_t kTabs = 0x0909090909090909ULL;
        const auto tabs = [this](int words) {
            std::uint64_t word[4];
            std::memcpy(word, m_p, static_cast<size_t>(words) * 8);
            for (int i = 0; i < words; ++i)
                if (word[i] != kTabs) return false;
            return true;
        };
        for (;;) {
            while (m_end - m_p >= 32 && tabs(4)) m_p += 32;
            while (m_end - m_p >= 8 && tabs(1)) m_p += 8;
            if (m_p >= m_end || !isSpace(*m_p)) return;
            ++m_p;
        }
    }

    // Moves past the next terminator; false when there is none.
    bool skipPast(std::string_view terminator) {
        const std::string_view rest(m_p, static_cast<size_t>(m_end - m_p));
        const size_t found = rest.find(terminator);
        if (found == std::string_view::npos) return refuse("unterminated markup");
        m_p += found + terminator.size();
        return true;
    }

    // A comment or processing instruction at m_p is skipped; true when one was.
    bool skipMisc(bool* skipped) {
        *skipped = true;
        if (at("<!--")) return skipPast("-->");
        if (at("<?")) return skipPast("?>");
        *skipped = false;
        return true;
    }

    bool skipDoctype() {
        m_p += 9; // <!DOCTYPE
        bool subset = false;
        while (m_p < m_end) {
            const char c = *m_p;
            if (c == '"' || c == '\'') {
                const void* close = memchr(m_p + 1, c, static_cast<size_t>(m_end - m_p - 1));
                if (!close) return refuse("unterminated DOCTYPE");
                m_p = static_cast<const char*>(close) + 1;
            } else if (subset && at("<!--")) {
                if (!skipPast("-->")) return false;
            } else {
                ++m_p;
                if (c == '[') subset = true;
                if (c == ']') subset = false;
                if (c == '>' && !subset) return true;
            }
        }
        return refuse("unterminated DOCTYPE");
    }

    // At '<' of a start or end tag.
    bool tag(Tag* t) {
        ++m_p;
        t->closing = m_p < m_end && *m_p == '/';
        if (t->closing) ++m_p;
        const char* name = m_p;
        while (m_p < m_end && !isSpace(*m_p) && *m_p != '>' && *m_p != '/') ++m_p;
        t->name = std::string_view(name, static_cast<size_t>(m_p - name));
        t->empty = false;
        if (t->name.empty()) return refuse("malformed tag");
        for (;;) {
            skipSpace();
            if (m_p >= m_end) return refuse("unterminated tag");
            if (*m_p == '>') {
                ++m_p;
                return true;
            }
            if (t->closing) return refuse("malformed end tag");
            if (at("/>")) {
                m_p += 2;
                t->empty = true;
                return true;
            }
            // An attribute: name = "value" or 'value'.
            while (m_p < m_end && *m_p != '=' && !isSpace(*m_p) && *m_p != '>' && *m_p != '/') ++m_p;
            skipSpace();
            if (m_p >= m_end || *m_p != '=') return refuse("malformed attribute");
            ++m_p;
            skipSpace();
            if (m_p >= m_end || (*m_p != '"' && *m_p != '\'')) return refuse("malformed attribute");
            const void* close = memchr(m_p + 1, *m_p, static_cast<size_t>(m_end - m_p - 1));
            if (!close) return refuse("malformed attribute");
            m_p = static_cast<const char*>(close) + 1;
        }
    }

    // The next tag, past whitespace, comments and processing instructions.
    bool nextTag(Tag* t) {
        for (;;) {
            skipSpace();
            if (m_p >= m_end) return refuse("unexpected end of the property list");
            if (*m_p != '<') return refuse("text outside a value");
            bool skipped = false;
            if (!skipMisc(&skipped)) return false;
            if (skipped) continue;
            if (at("<!")) return refuse("unexpected markup");
            return tag(t);
        }
    }

    // Appends text with references resolved and line ends made line feeds.
    bool appendText(const char* p, const char* end, std::string& out) {
        while (p < end) {
            const char c = *p;
            if (c == '\r') {
                out += '\n';
                p += (p + 1 < end && p[1] == '\n') ? 2 : 1;
            } else if (c == '&') {
                const char* semicolon = static_cast<const char*>(
                    memchr(p, ';', static_cast<size_t>(std::min<ptrdiff_t>(end - p, 32))));
                if (!semicolon) return refuse("malformed reference");
                if (!reference(std::string_view(p + 1, static_cast<size_t>(semicolon - p - 1)), out))
                    return false;
                p = semicolon + 1;
            } else {
                out += c;
                ++p;
            }
        }
        return true;
    }

    bool reference(std::string_view name, std::string& out) {
        if (name == "lt")
            out += '<';
        else if (name == "gt")
            out += '>';
        else if (name == "amp")
            out += '&';
        else if (name == "quot")
            out += '"';
        else if (name == "apos")
            out += '\'';
        else if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x';
            const std::string_view digits = name.substr(hex ? 2 : 1);
            quint32 code = 0;
            const auto [end, problem] =
                std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
            if (digits.empty() || problem != std::errc() || end != digits.data() + digits.size())
                return refuse("malformed character reference");
            if (code == 0) return refuse("a NUL character in XML");
            if (code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff) || code == 0xfffe || code == 0xffff)
                return refuse("malformed character reference");
            appendUtf8(out, code);
        } else {
            return refuse("unknown entity");
        }
        return true;
    }

    // The text of the element just opened, up to its end tag. It points into the input when nothing in
    // it needed resolving (raw is then true), else into a buffer that the next call reuses.
    bool content(std::string_view name, std::string_view* text, bool* raw) {
        const char* start = m_p;
        const char* lt = static_cast<const char*>(memchr(m_p, '<', static_cast<size_t>(m_end - m_p)));
        if (!lt) return refuse("unterminated element");
        const std::string_view plain(start, static_cast<size_t>(lt - start));
        if (plain.find_first_of("&\r") == std::string_view::npos && lt + 2 + name.size() < m_end &&
            lt[1] == '/' && memcmp(lt + 2, name.data(), name.size()) == 0 && lt[2 + name.size()] == '>') {
            m_p = lt + 3 + name.size();
            *text = plain;
            *raw = true;
            return true;
        }
        *raw = false;
        m_buffer.clear();
        for (;;) {
            lt = static_cast<const char*>(memchr(m_p, '<', static_cast<size_t>(m_end - m_p)));
            if (!lt) return refuse("unterminated element");
            if (!appendText(m_p, lt, m_buffer)) return false;
            m_p = lt;
            bool skipped = false;
            if (!skipMisc(&skipped)) return false;
            if (skipped) continue;
            if (at("<![CDATA[")) {
                const char* from = m_p + 9;
                if (!skipPast("]]>")) return false;
                for (const char* p = from; p < m_p - 3; ++p) {
                    if (*p != '\r')
                        m_buffer += *p;
                    else if (p + 1 >= m_p - 3 || p[1] != '\n')
                        m_buffer += '\n';
                }
                continue;
            }
            Tag end;
            if (!tag(&end)) return false;
            if (!end.closing) return refuse("an element inside text");
            if (end.name != name) return refuse("mismatched end tag");
            *text = m_buffer;
            return true;
        }
    }

    // Keys repeat from dictionary to dictionary: each distinct one becomes one shared QString.
    QString key(std::string_view text, bool raw) {
        if (!raw) return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        const QByteArrayView view(text.data(), static_cast<qsizetype>(text.size()));
        auto it = m_keys.constFind(view);
        if (it != m_keys.constEnd()) return it.value();
        const QString s = QString::fromUtf8(view);
        if (m_keys.size() < 4096) m_keys.insert(view, s);
        return s;
    }

    bool scalar(const Tag& t, QVariant* value) {
        const bool truth = t.name == "true";
        std::string_view text;
        bool raw = false;
        if (!t.empty && !content(t.name, &text, &raw)) return false;
        if (truth || t.name == "false") {
            if (!trimmed(text).empty()) return refuse("text in a Boolean");
            *value = QVariant(truth);
        } else if (t.name == "string") {
            *value = QVariant(
                QString::fromUtf8(text.empty() ? "" : text.data(), static_cast<qsizetype>(text.size())));
        } else if (t.name == "integer") {
            *value = integerFrom(text);
            if (!value->isValid()) return refuse("malformed integer");
        } else if (t.name == "real") {
            *value = realFrom(text);
            if (!value->isValid()) return refuse("malformed real");
        } else if (t.name == "date") {
            bool outOfRange = false;
            *value = dateFrom(text, &outOfRange);
            if (!value->isValid()) return refuse(outOfRange ? "date out of range" : "malformed date");
        } else if (t.name == "data") {
            *value = dataFrom(text);
            if (!value->isValid()) return refuse("malformed data");
        } else {
            return refuse("unknown element");
        }
        return true;
    }

    // One value from its first tag, containers without recursion.
    bool readValue(Tag t, QVariant* result) {
        struct Frame {
            bool dictionary;
            QVariantMap map;
            QVariantList list;
            QString key;
            bool keyed = false;
        };
        std::vector<Frame> stack;
        for (;;) {
            QVariant value;
            bool complete = true;
            if (t.closing) {
                if (stack.empty()) return refuse("unexpected end tag");
                Frame& top = stack.back();
                if (t.name != (top.dictionary ? "dict" : "array")) return refuse("mismatched end tag");
                if (top.keyed) return refuse("a key without a value");
                value = top.dictionary ? QVariant(top.map) : QVariant(top.list);
                stack.pop_back();
            } else if (!stack.empty() && stack.back().dictionary && !stack.back().keyed) {
                if (t.name != "key") return refuse("a dictionary value without a key");
                std::string_view text;
                bool raw = true;
                if (!t.empty && !content("key", &text, &raw)) return false;
                stack.back().key = key(text, raw);
                stack.back().keyed = true;
                complete = false;
            } else if (t.name == "dict" || t.name == "array") {
                if (stack.size() >= static_cast<size_t>(kMaxDepth)) return refuse("nesting too deep");
                const bool dictionary = t.name == "dict";
                if (t.empty) {
                    value = dictionary ? QVariant(QVariantMap()) : QVariant(QVariantList());
                } else {
                    stack.push_back(Frame{dictionary, {}, {}, {}, false});
                    complete = false;
                }
            } else if (!scalar(t, &value)) {
                return false;
            }
            if (complete) {
                if (stack.empty()) {
                    *result = std::move(value);
                    return true;
                }
                Frame& top = stack.back();
                if (top.dictionary) {
                    top.map.insert(top.map.cend(), top.key, value);
                    top.keyed = false;
                } else {
                    top.list.append(std::move(value));
                }
            }
            if (!nextTag(&t)) return false;
        }
    }

    bool document(QVariant* result) {
        if (memchr(m_p, 0, static_cast<size_t>(m_end - m_p))) return refuse("a NUL character in XML");
        // The prolog: declaration, comments, processing instructions and the DOCTYPE.
        for (;;) {
            skipSpace();
            bool skipped = false;
            if (!skipMisc(&skipped)) return false;
            if (skipped) continue;
            if (at("<!DOCTYPE")) {
                if (!skipDoctype()) return false;
                continue;
            }
            break;
        }
        if (m_p >= m_end || *m_p != '<' || at("<!")) return refuse("not a property list");
        Tag t;
        if (!tag(&t) || t.closing) return refuse("not a property list");
        // The value stands inside <plist> or alone.
        const bool wrapped = t.name == "plist";
        if (wrapped) {
            if (t.empty) return refuse("an empty property list");
            if (!nextTag(&t)) return false;
            if (t.closing && t.name == "plist") return refuse("an empty property list");
        }
        if (!readValue(t, result)) return false;
        if (wrapped && (!nextTag(&t) || !t.closing || t.name != "plist"))
            return refuse("more than one value in the property list");
        for (;;) {
            skipSpace();
            if (m_p >= m_end) return true;
            bool skipped = false;
            if (!skipMisc(&skipped)) return false;
            if (!skipped) return refuse("text after the property list");
        }
    }

    const char* m_p;
    const char* m_end;
    const char* m_reason = nullptr;
    std::string m_buffer;
    QHash<QByteArrayView, QString> m_keys;
};

} // namespace

QVariant readXml(const char* begin, const char* end, QString* error) {
    return XmlReader(begin, end).read(error);
}

} // namespace PlistCodec::Detail
