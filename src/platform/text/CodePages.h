#pragma once

#include <QByteArray>
#include <QString>

// Windows and Mac code pages of RTF files, decoded to Unicode. Code page 1252 is built in; others go
// through the C library's iconv, or through Qt's converters (ICU) for the Mac encodings iconv lacks. A
// code page that neither knows is read in the nearest encoding one of them has (Mac Japanese as code
// page 932, Mac Arabic as ISO 8859-6, Mac Turkish as Mac Roman when ICU is missing), and 1252 when there
// is none. Bytes that do not decode become U+FFFD.
namespace CodePages {

inline constexpr int kWindowsLatin1 = 1252;
inline constexpr int kMacRoman = 10000;

QString decode(const QByteArray& bytes, int codePage);
// The code page of an RTF \fcharset value; 0 when the charset does not name one (the document's applies).
// \fcharset0, the ANSI charset, is code page 1252 whatever the document's code page.
int codePageForCharset(int charset);
// The byte of a character in code page 1252, or -1 when it has none.
int encodeWindowsLatin1(char16_t c);

} // namespace CodePages
