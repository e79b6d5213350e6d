#include "platform/text/CodePages.h"

#include <cerrno>
#include <iconv.h>

#include <map>

namespace {

// 0x80..0x9F of code page 1252; the rest of the upper half is Latin-1. 0 marks an unused byte.
constexpr char16_t kWindows1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                           0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

QString decodeWindows1252(const QByteArray& bytes) {
    QString out;
    out.resize(bytes.size());
    QChar* dst = out.data();
    for (char ch : bytes) {
        const unsigned char b = static_cast<unsigned char>(ch);
        if (b >= 0x80 && b < 0xA0) {
            const char16_t u = kWindows1252High[b - 0x80];
            *dst++ = QChar(u ? u : char16_t(0xFFFD));
        } else {
            *dst++ = QChar(char16_t(b));
        }
    }
    return out;
}

QByteArray iconvName(int codePage) {
    switch (codePage) {
    case 65001:
        return "UTF-8";
    case 10000:
        return "MACINTOSH";
    case 1200:
        return "UTF-16LE";
    default:
        return "CP" + QByteArray::number(codePage);
    }
}

// One open converter per code page for the life of the thread.
class Converters {
public:
    ~Converters() {
        for (auto& [page, cd] : m_open)
            if (cd != iconv_t(-1)) iconv_close(cd);
    }
    iconv_t get(int codePage) {
        auto it = m_open.find(codePage);
        if (it != m_open.end()) return it->second;
        iconv_t cd = iconv_open("UTF-16LE", iconvName(codePage).constData());
        m_open.emplace(codePage, cd);
        return cd;
    }

private:
    std::map<int, iconv_t> m_open;
};

QString decodeWithIconv(iconv_t cd, const QByteArray& bytes) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    QString out;
    QByteArray buffer(bytes.size() * 4 + 16, Qt::Uninitialized);
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        size_t outLeft = buffer.size();
        const size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer.constData()),
                                      (buffer.size() - qsizetype(outLeft)) / 2));
        if (r == size_t(-1)) {
            if (errno == E2BIG) continue;
            // An invalid or incomplete sequence: one replacement character, then go on.
            out.append(QChar(0xFFFD));
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

} // namespace

namespace CodePages {

QString decode(const QByteArray& bytes, int codePage) {
    bool ascii = true;
    for (char ch : bytes)
        if (static_cast<unsigned char>(ch) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii) return QString::fromLatin1(bytes);
    if (codePage == kWindowsLatin1 || codePage <= 0) return decodeWindows1252(bytes);
    if (codePage == 65001) return QString::fromUtf8(bytes);
    static thread_local Converters converters;
    iconv_t cd = converters.get(codePage);
    if (cd == iconv_t(-1)) return decodeWindows1252(bytes);
    return decodeWithIconv(cd, bytes);
}

int codePageForCharset(int charset) {
    switch (charset) {
    case 77:
        return kMacRoman;
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    default:
        return 0;
    }
}

int encodeWindowsLatin1(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
    for (int i = 0; i < 32; ++i)
        if (kWindows1252High[i] == c) return 0x80 + i;
    return -1;
}

} // namespace CodePages
