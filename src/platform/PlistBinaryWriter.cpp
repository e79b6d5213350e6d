// Writes binary property lists (bplist00): the objects first (equal strings, keys included, written
// once), then the offset table and the trailer. Integers take the fewest bytes that hold them, with
// 8 signed bytes for negative ones and 16 for those above 2^63-1; dates and reals are 8-byte reals.
#include "PlistValues.h"

#include <QHash>
#include <QtEndian>
#include <limits>
#include <vector>

namespace PlistCodec::Detail {
namespace {

int bytesFor(quint64 largest) {
    if (largest <= 0xff) return 1;
    if (largest <= 0xffff) return 2;
    if (largest <= 0xffffffffULL) return 4;
    return 8;
}

void appendBigEndian(QByteArray& out, quint64 value, int size) {
    for (int shift = 8 * (size - 1); shift >= 0; shift -= 8) out.append(static_cast<char>(value >> shift));
}

void appendUnsigned(QByteArray& out, quint64 value) {
    if (value > static_cast<quint64>(std::numeric_limits<qint64>::max())) {
        out.append('\x14');
        out.append(8, '\0');
        appendBigEndian(out, value, 8);
        return;
    }
    const int size = value <= 0xffffffffULL ? bytesFor(value) : 8;
    out.append(static_cast<char>(0x10 | (size == 1 ? 0 : size == 2 ? 1 : size == 4 ? 2 : 3)));
    appendBigEndian(out, value, size);
}

void appendMarker(QByteArray& out, int kind, quint64 length) {
    if (length < 15) {
        out.append(static_cast<char>((kind << 4) | static_cast<int>(length)));
        return;
    }
    out.append(static_cast<char>((kind << 4) | 0x0f));
    appendUnsigned(out, length);
}

void appendDouble(QByteArray& out, char marker, double d) {
    out.append(marker);
    char bytes[8];
    qToBigEndian(d, bytes);
    out.append(bytes, 8);
}

class BinaryWriter {
public:
    explicit BinaryWriter(QString* error) : m_error(error) {}

    // Adds the value and everything in it; index is its object number.
    bool add(const QVariant& value, quint64* index) {
        const Kind kind = kindOf(value);
        switch (kind) {
        case Kind::None:
            return failUnsupported(m_error, value);
        case Kind::String:
            *index = string(*static_cast<const QString*>(value.constData()));
            return true;
        case Kind::Date: {
            double seconds = 0;
            if (!dateSeconds(value, &seconds, m_error)) return false;
            *index = push(Object(kind, {}, seconds));
            return true;
        }
        case Kind::Dictionary:
            return dictionary(value, index);
        case Kind::Array:
            return array(value, index);
        default:
            *index = push(Object(kind, value));
            return true;
        }
    }

    QByteArray finish(quint64 top) const {
        const quint64 count = m_objects.size();
        const int refSize = bytesFor(count - 1);
        QByteArray out("bplist00");
        std::vector<quint64> offsets;
        offsets.reserve(count);
        for (const Object& o : m_objects) {
            offsets.push_back(static_cast<quint64>(out.size()));
            write(out, o, refSize);
        }
        const quint64 table = static_cast<quint64>(out.size());
        const int offsetSize = bytesFor(table);
        for (const quint64 offset : offsets) appendBigEndian(out, offset, offsetSize);
        out.append(6, '\0');
        out.append(static_cast<char>(offsetSize));
        out.append(static_cast<char>(refSize));
        appendBigEndian(out, count, 8);
        appendBigEndian(out, top, 8);
        appendBigEndian(out, table, 8);
        return out;
    }

private:
    struct Object {
        Object(Kind k, const QVariant& v = {}, double s = 0, quint64 first = 0, quint64 count = 0)
            : kind(k), value(v), seconds(s), firstRef(first), refs(count) {}
        Kind kind;
        QVariant value;       // a scalar's value
        double seconds = 0;   // a date's, since 2001
        quint64 firstRef = 0; // a container's references in m_refs (keys, then values)
        quint64 refs = 0;
    };

    quint64 push(Object o) {
        m_objects.push_back(std::move(o));
        return m_objects.size() - 1;
    }

    quint64 string(const QString& s) {
        auto it = m_strings.constFind(s);
        if (it != m_strings.constEnd()) return it.value();
        const quint64 index = push(Object(Kind::String, QVariant(s)));
        m_strings.insert(s, index);
        return index;
    }

    quint64 container(Kind kind, const std::vector<quint64>& refs) {
        const quint64 index = push(Object(kind, {}, 0, m_refs.size(), refs.size()));
        m_refs.insert(m_refs.end(), refs.begin(), refs.end());
        return index;
    }

    bool dictionary(const QVariant& value, quint64* index) {
        QVariantMap scratch;
        const void* identity = nullptr;
        const QVariantMap& map = dictionaryOf(value, scratch, &identity);
        if (!m_nesting.enter(identity, m_error)) return false;
        std::vector<quint64> refs(2 * static_cast<size_t>(map.size()));
        size_t i = 0;
        for (auto it = map.cbegin(); it != map.cend(); ++it, ++i) {
            refs[i] = string(it.key());
            if (!add(it.value(), &refs[static_cast<size_t>(map.size()) + i])) return false;
        }
        m_nesting.leave();
        *index = container(Kind::Dictionary, refs);
        return true;
    }

    bool array(const QVariant& value, quint64* index) {
        QVariantList scratch;
        const QVariantList& list = listOf(value, scratch);
        if (!m_nesting.enter(nullptr, m_error)) return false;
        std::vector<quint64> refs(static_cast<size_t>(list.size()));
        for (size_t i = 0; i < refs.size(); ++i)
            if (!add(list[static_cast<qsizetype>(i)], &refs[i])) return false;
        m_nesting.leave();
        *index = container(Kind::Array, refs);
        return true;
    }

    void write(QByteArray& out, const Object& o, int refSize) const {
        switch (o.kind) {
        case Kind::Boolean:
            out.append(o.value.toBool() ? '\x09' : '\x08');
            break;
        case Kind::Integer: {
            const qint64 n = o.value.toLongLong();
            if (n >= 0) {
                appendUnsigned(out, static_cast<quint64>(n));
            } else {
                out.append('\x13');
                appendBigEndian(out, static_cast<quint64>(n), 8);
            }
            break;
        }
        case Kind::Unsigned:
            appendUnsigned(out, o.value.toULongLong());
            break;
        case Kind::Real:
            appendDouble(out, '\x23', o.value.toDouble());
            break;
        case Kind::Date:
            appendDouble(out, '\x33', o.seconds);
            break;
        case Kind::Data: {
            const QByteArray& bytes = *static_cast<const QByteArray*>(o.value.constData());
            appendMarker(out, 0x4, static_cast<quint64>(bytes.size()));
            out.append(bytes);
            break;
        }
        case Kind::String: {
            const QString& s = *static_cast<const QString*>(o.value.constData());
            bool ascii = true;
            for (const QChar c : s) ascii = ascii && c.unicode() < 0x80;
            if (ascii) {
                appendMarker(out, 0x5, static_cast<quint64>(s.size()));
                out.append(s.toLatin1());
            } else {
                appendMarker(out, 0x6, static_cast<quint64>(s.size()));
                const qsizetype at = out.size();
                out.resize(at + 2 * s.size());
                qToBigEndian<quint16>(s.utf16(), s.size(), out.data() + at);
            }
            break;
        }
        case Kind::Dictionary:
        case Kind::Array:
            appendMarker(out, o.kind == Kind::Dictionary ? 0xD : 0xA,
                         o.kind == Kind::Dictionary ? o.refs / 2 : o.refs);
            for (quint64 k = 0; k < o.refs; ++k) appendBigEndian(out, m_refs[o.firstRef + k], refSize);
            break;
        case Kind::None:
            break;
        }
    }

    std::vector<Object> m_objects;
    std::vector<quint64> m_refs;
    QHash<QString, quint64> m_strings;
    Nesting m_nesting;
    QString* m_error;
};

} // namespace

bool writeBinary(const QVariant& value, QByteArray* out, QString* error) {
    BinaryWriter writer(error);
    quint64 top = 0;
    if (!writer.add(value, &top)) return false;
    *out = writer.finish(top);
    return true;
}

} // namespace PlistCodec::Detail
