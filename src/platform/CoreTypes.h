#pragma once

#include <QString>
#include <QtGlobal>

// Plain value records shared by every layer.

// A colour of four single-precision components; values above 1.0 are kept as they are.
struct ATSURGBAlphaColor {
    float red = 0;
    float green = 0;
    float blue = 0;
    float alpha = 0;
    friend bool operator==(const ATSURGBAlphaColor&, const ATSURGBAlphaColor&) = default;
};

// A location and a length, both 64-bit in memory.
struct CFRange {
    qint64 location = 0;
    qint64 length = 0;
    friend bool operator==(const CFRange&, const CFRange&) = default;
};

// A four-character code ('keyb', 'thtk'): the first character in the most significant byte.
constexpr quint32 FourCharCode(const char (&code)[5]) {
    return (quint32(quint8(code[0])) << 24) | (quint32(quint8(code[1])) << 16) |
           (quint32(quint8(code[2])) << 8) | quint32(quint8(code[3]));
}

// A file reference: an absolute path; an empty one means "none".
struct FSRef {
    QString path;
    bool isNull() const { return path.isEmpty(); }
    friend bool operator==(const FSRef&, const FSRef&) = default;
};
