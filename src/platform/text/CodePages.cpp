#include "platform/text/CodePages.h"

#include <QList>
#include <QStringDecoder>

#include <cerrno>
#include <iconv.h>

#include <map>
#include <memory>

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

// The encodings that can read a code page, best first: the exact one, then the nearest. Each name is
// tried with iconv, then with Qt's converters.
QList<QByteArray> encodingNames(int codePage) {
    switch (codePage) {
    case 65001:
        return {"UTF-8"};
    case 1200:
        return {"UTF-16LE"};
    case 10000:
        return {"MACINTOSH"};
    case 10001: // Mac Japanese: Shift_JIS with a few additions of Apple's
        return {"CP932", "SHIFT_JIS"};
    case 10002: // Mac traditional Chinese: Big5
        return {"CP950", "BIG5"};
    case 10003: // Mac Korean: EUC-KR
        return {"CP949", "EUC-KR"};
    case 10004: // Mac Arabic: its letters stand where ISO 8859-6 has them
        return {"ISO-8859-6"};
    case 10005: // Mac Hebrew: likewise its letters
        return {"CP1255", "ISO-8859-8"};
    case 10006:
        return {"x-mac-greek", "ISO-8859-7"};
    case 10007:
        return {"MAC-CYRILLIC", "x-mac-cyrillic"};
    case 10008: // Mac simplified Chinese: GB 2312
        return {"GBK", "GB2312"};
    case 10017:
        return {"MAC-UK", "MAC-CYRILLIC"};
    case 10021: // Mac Thai: TIS-620
        return {"CP874", "TIS-620"};
    case 10029:
        return {"MAC-CENTRALEUROPE", "x-mac-centraleurroman"};
    case 10079:
        return {"MAC-IS", "MACINTOSH"};
    case 10081:
        return {"x-mac-turkish", "MACINTOSH"};
    default:
        // The other Mac code pages (Romanian, Croatian, ...) change a few letters of Mac Roman.
        if (codePage > CodePages::kMacRoman && codePage < 10100) return {"MACINTOSH"};
        return {"CP" + QByteArray::number(codePage)};
    }
}

// A converter for one code page: iconv's, Qt's, or none (read as 1252).
struct Converter {
    iconv_t cd = iconv_t(-1);
    std::unique_ptr<QStringDecoder> decoder;
};

// One open converter per code page for the life of the thread.
class Converters {
public:
    ~Converters() {
        for (auto& [page, c] : m_open)
            if (c.cd != iconv_t(-1)) iconv_close(c.cd);
    }
    Converter& get(int codePage) {
        auto it = m_open.find(codePage);
        if (it != m_open.end()) return it->second;
        Converter c;
        for (const QByteArray& name : encodingNames(codePage)) {
            c.cd = iconv_open("UTF-16LE", name.constData());
            if (c.cd != iconv_t(-1)) break;
            auto decoder = std::make_unique<QStringDecoder>(name.constData());
            if (decoder->isValid()) {
                c.decoder = std::move(decoder);
                break;
            }
        }
        return m_open.emplace(codePage, std::move(c)).first->second;
    }

private:
    std::map<int, Converter> m_open;
};

QString decodeWithIconv(iconv_t cd, const QByteArray& bytes) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    QString out;
    QByteArray buffer(bytes.size() * 4 + 16, Qt::Uninitialized);
    // Converts what is left of the input; without input, what iconv still holds back (code pages with
    // combining marks keep a letter until they see what follows it). False on an invalid sequence.
    auto convert = [&](char** in, size_t* inLeft) {
        char* outPtr = buffer.data();
        size_t outLeft = buffer.size();
        const size_t r = iconv(cd, in, inLeft, &outPtr, &outLeft);
        const bool invalid = r == size_t(-1) && errno != E2BIG;
        out.append(QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer.constData()),
                                      (buffer.size() - qsizetype(outLeft)) / 2));
        return !invalid;
    };
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = bytes.size();
    while (inLeft > 0) {
        if (convert(&in, &inLeft)) continue;
        // An invalid or incomplete sequence: what came before it, one replacement character, then go on.
        convert(nullptr, nullptr);
        out.append(QChar(0xFFFD));
        ++in;
        --inLeft;
    }
    convert(nullptr, nullptr);
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
    Converter& converter = converters.get(codePage);
    if (converter.cd != iconv_t(-1)) return decodeWithIconv(converter.cd, bytes);
    if (!converter.decoder) return decodeWindows1252(bytes);
    converter.decoder->resetState();
    return converter.decoder->decode(bytes);
}

int codePageForCharset(int charset) {
    switch (charset) {
    case 0:
        return kWindowsLatin1;
    case 77:
        return kMacRoman;
    case 78:
        return 10001;
    case 79:
        return 10003;
    case 80:
        return 10008;
    case 81:
        return 10002;
    case 83:
        return 10005;
    case 84:
        return 10004;
    case 85:
        return 10006;
    case 86:
        return 10081;
    case 87:
        return 10021;
    case 88:
        return 10029;
    case 89:
        return 10007;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
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
