// Reads binary property lists (bplist00). Every object is checked against the data before it is
// read; containers are walked without recursion from the top object, refusing a list that nests
// deeper than the limit, contains itself, or blows up through shared containers, strings or data. A
// shared object is read once and its value shared.
#include "PlistValues.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace PlistCodec::Detail {
namespace {

quint64 bigEndian(const uchar* p, int size) {
    quint64 v = 0;
    for (int i = 0; i < size; ++i) v = (v << 8) | p[i];
    return v;
}

class BinaryReader {
public:
    explicit BinaryReader(const QByteArray& bytes)
        : m_data(reinterpret_cast<const uchar*>(bytes.constData())),
          m_size(static_cast<quint64>(bytes.size())) {}

    QVariant read(QString* error) {
        QVariant value;
        if (!trailer() || !walk(&value)) {
            fail(error, m_reason ? m_reason : "a damaged binary list");
            return {};
        }
        return value;
    }

private:
    enum : int {
        Simple = 0x0,
        Int = 0x1,
        Real = 0x2,
        Date = 0x3,
        Data = 0x4,
        Ascii = 0x5,
        Utf16 = 0x6,
        Array = 0xA,
        Dict = 0xD
    };

    struct Object {
        int kind = 0;
        int info = 0;       // the low half of the marker
        quint64 length = 0; // bytes, characters or references
        quint64 start = 0;  // first byte after the marker and length
    };

    bool refuse(const char* reason) {
        if (!m_reason) m_reason = reason;
        return false;
    }

    bool trailer() {
        if (m_size < 8 + 1 + 32) return false;
        const uchar* t = m_data + m_size - 32;
        m_offsetSize = t[6];
        m_refSize = t[7];
        m_count = bigEndian(t + 8, 8);
        m_top = bigEndian(t + 16, 8);
        m_tableAt = bigEndian(t + 24, 8);
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8) return false;
        if (m_tableAt < 8 || m_tableAt >= m_size - 32 || m_top >= m_count) return false;
        return m_count <= (m_size - 32 - m_tableAt) / static_cast<quint64>(m_offsetSize);
    }

    // The object's marker, length and where its contents start, all inside the data.
    bool object(quint64 index, Object* o) const {
        const quint64 at =
            bigEndian(m_data + m_tableAt + index * static_cast<quint64>(m_offsetSize), m_offsetSize);
        if (at < 8 || at >= m_tableAt) return false;
        o->kind = m_data[at] >> 4;
        o->info = m_data[at] & 0x0f;
        o->length = static_cast<quint64>(o->info);
        o->start = at + 1;
        const bool sized =
            o->kind == Data || o->kind == Ascii || o->kind == Utf16 || o->kind == Array || o->kind == Dict;
        if (sized && o->info == 0x0f) {
            if (o->start >= m_size || (m_data[o->start] >> 4) != Int) return false;
            const int lengthSize = 1 << (m_data[o->start] & 0x0f);
            if (lengthSize > 8 || o->start + 1 + static_cast<quint64>(lengthSize) > m_size) return false;
            o->length = bigEndian(m_data + o->start + 1, lengthSize);
            o->start += 1 + static_cast<quint64>(lengthSize);
        }
        quint64 unit = 0;
        switch (o->kind) {
        case Simple:
            return true;
        case Int:
        case Real:
        case Date:
            return o->info <= 4 && o->start + (quint64(1) << o->info) <= m_size;
        case Data:
        case Ascii:
            unit = 1;
            break;
        case Utf16:
            unit = 2;
            break;
        case Array:
            unit = static_cast<quint64>(m_refSize);
            break;
        case Dict:
            unit = 2 * static_cast<quint64>(m_refSize);
            break;
        default:
            return true; // refused when read
        }
        return o->length <= m_size && o->start + o->length * unit <= m_size;
    }

    static bool isContainer(const Object& o) { return o.kind == Array || o.kind == Dict; }

    // References a container holds: a dictionary's keys, then its values.
    static quint64 references(const Object& o) { return o.kind == Dict ? 2 * o.length : o.length; }

    quint64 reference(const Object& o, quint64 k) const {
        return bigEndian(m_data + o.start + k * static_cast<quint64>(m_refSize), m_refSize);
    }

    bool scalar(const Object& o, QVariant* value) {
        const uchar* p = m_data + o.start;
        switch (o.kind) {
        case Simple:
            if (o.info != 0x8 && o.info != 0x9) return refuse("unsupported value in a binary list");
            *value = QVariant(o.info == 0x9);
            return true;
        case Int:
            if (o.info <= 2) {
                *value = unsignedValue(bigEndian(p, 1 << o.info));
            } else if (o.info == 3) {
                *value = integerValue(static_cast<qint64>(bigEndian(p, 8)));
            } else {
                // 128 bits, signed: unsigned 64-bit values and negative ones fit.
                const quint64 high = bigEndian(p, 8), low = bigEndian(p + 8, 8);
                if (high == 0)
                    *value = unsignedValue(low);
                else if (high == ~quint64(0) && static_cast<qint64>(low) < 0)
                    *value = integerValue(static_cast<qint64>(low));
                else
                    return refuse("integer out of range");
            }
            return true;
        case Real:
            if (o.info == 2)
                *value = QVariant(static_cast<double>(qFromBigEndian<float>(p)));
            else if (o.info == 3)
                *value = QVariant(qFromBigEndian<double>(p));
            else
                return refuse("malformed real");
            return true;
        case Date: {
            if (o.info != 3) return refuse("malformed date");
            const double seconds = qFromBigEndian<double>(p);
            if (!std::isfinite(seconds) || std::fabs(seconds) > static_cast<double>(kDateRangeMs / 1000))
                return refuse("date out of range");
            *value = dateValue(seconds);
            return value->isValid() || refuse("date out of range");
        }
        case Data:
            *value = QVariant(QByteArray(reinterpret_cast<const char*>(p), static_cast<qsizetype>(o.length)));
            return true;
        case Ascii:
            *value = QVariant(
                QString::fromUtf8(reinterpret_cast<const char*>(p), static_cast<qsizetype>(o.length)));
            return true;
        case Utf16: {
            QString s(static_cast<qsizetype>(o.length), Qt::Uninitialized);
            qFromBigEndian<quint16>(p, static_cast<qsizetype>(o.length), s.data());
            *value = QVariant(s);
            return true;
        }
        default:
            return refuse("unsupported value in a binary list");
        }
    }

    // Reads from the top object, each container after its contents, measuring for each object the
    // containers nested in it and the values and the bytes of strings and data it expands to (a
    // shared object counts at every use, as a writer copies it there).
    bool walk(QVariant* result) {
        enum : uchar { Unseen, Open, Done };
        std::vector<uchar> state(static_cast<size_t>(m_count), Unseen);
        std::vector<int> height(static_cast<size_t>(m_count), 0);
        std::vector<quint64> expanded(static_cast<size_t>(m_count), 0);
        std::vector<quint64> expandedBytes(static_cast<size_t>(m_count), 0);
        std::vector<QVariant> values(static_cast<size_t>(m_count));
        // Every use of a value takes a reference of at least one byte, so a list that expands to more
        // values than it has bytes shares containers to blow itself up.
        const quint64 expandLimit = m_size + 1024;
        // Shared keys and strings make a list's text larger than the list, but only so much: past
        // this, data shared thousands of times would be written out many times over.
        const quint64 byteLimit = 32 * m_size + (quint64(64) << 20);
        struct Frame {
            Frame(quint64 i, const Object& o) : index(i), object(o) {}
            quint64 index;
            Object object;
            quint64 next = 0;
            int childHeight = 0;
            quint64 childValues = 0;
            quint64 childBytes = 0;
            QVariantList list;
            QVariantMap map;
            QString key;
        };
        std::vector<Frame> stack;

        // Puts a finished child into the open container (or the result).
        auto take = [&](quint64 child) {
            if (stack.empty()) {
                *result = values[child];
                return true;
            }
            Frame& frame = stack.back();
            if (static_cast<qint64>(stack.size()) + height[child] > kMaxDepth)
                return refuse("nesting too deep");
            frame.childHeight = std::max(frame.childHeight, height[child]);
            frame.childValues = std::min(expandLimit + 1, frame.childValues + expanded[child]);
            if (frame.childValues > expandLimit) return refuse("shared containers expand too far");
            frame.childBytes = std::min(byteLimit + 1, frame.childBytes + expandedBytes[child]);
            if (frame.childBytes > byteLimit) return refuse("shared values expand too far");
            const QVariant& value = values[child];
            if (frame.object.kind == Array) {
                frame.list.append(value);
            } else if ((frame.next - 1) % 2 == 0) {
                if (value.metaType().id() != QMetaType::QString)
                    return refuse("a dictionary key that is no string");
                frame.key = *static_cast<const QString*>(value.constData());
            } else {
                frame.map.insert(frame.key, value);
            }
            return true;
        };
        // Reads a scalar at once; opens a container.
        auto enter = [&](quint64 index) {
            if (state[index] == Open) return refuse("a container holds itself");
            if (state[index] == Done) return take(index);
            Object o;
            if (!object(index, &o)) return false;
            if (!isContainer(o)) {
                if (!scalar(o, &values[index])) return false;
                state[index] = Done;
                expanded[index] = 1;
                if (o.kind == Data || o.kind == Ascii || o.kind == Utf16)
                    expandedBytes[index] = o.length * (o.kind == Utf16 ? 2 : 1);
                return take(index);
            }
            if (stack.size() >= static_cast<size_t>(kMaxDepth)) return refuse("nesting too deep");
            state[index] = Open;
            stack.emplace_back(index, o);
            return true;
        };

        if (!enter(m_top)) return false;
        while (!stack.empty()) {
            Frame& frame = stack.back();
            if (frame.next < references(frame.object)) {
                // A dictionary's keys and values are taken in pairs.
                const quint64 k = frame.next++;
                const quint64 position =
                    frame.object.kind == Dict ? (k % 2 ? frame.object.length + k / 2 : k / 2) : k;
                const quint64 child = reference(frame.object, position);
                if (child >= m_count) return false;
                if (!enter(child)) return false;
                continue;
            }
            const quint64 index = frame.index;
            values[index] = frame.object.kind == Array ? QVariant(frame.list) : QVariant(frame.map);
            height[index] = frame.childHeight + 1;
            expanded[index] = std::min(expandLimit + 1, frame.childValues + 1);
            expandedBytes[index] = frame.childBytes;
            state[index] = Done;
            stack.pop_back();
            if (expanded[index] > expandLimit) return refuse("shared containers expand too far");
            if (!take(index)) return false;
        }
        return true;
    }

    const uchar* m_data;
    quint64 m_size;
    int m_offsetSize = 0;
    int m_refSize = 0;
    quint64 m_count = 0;
    quint64 m_top = 0;
    quint64 m_tableAt = 0;
    const char* m_reason = nullptr;
};

} // namespace

QVariant readBinary(const QByteArray& bytes, QString* error) {
    return BinaryReader(bytes).read(error);
}

} // namespace PlistCodec::Detail
