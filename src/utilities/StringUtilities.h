#pragma once

#include "TextAttributes.h"

#include <QByteArray>
#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <optional>

class QPainter;

// Text helpers on QString. Lengths count UTF-16 units, as QString::size() does; wherever text is
// cut, the cut falls on a character (grapheme) boundary, so no character is ever split.

// Short strings: UTF-8 bytes, at most 255 of them.
namespace StringPascalUtilities {

inline constexpr qsizetype kShortStringBytes = 255;

// The UTF-8 text, cut to at most 255 bytes before the first character that would not fit.
QByteArray pascalString(const QString& s);
QString initWithPascalString(const QByteArray& shortString);
QString stringWithPascalString(const QByteArray& shortString);
bool compareWithPascal(const QString& s, const QByteArray& shortString); // literal, case-sensitive
bool isEmpty(const QString& s);
quint8 charAtIndex(const QString& s, qsizetype index); // low 8 bits of the unit; 0 out of range

} // namespace StringPascalUtilities

namespace StringUtilities {

// The end of the last whole character at or before index (0 ..size()).
qsizetype characterBoundaryAtOrBefore(const QString& s, qsizetype index);
// The longest start of s, ending on a character boundary, of at most maxBytes UTF-8 bytes.
QString leftUtf8Bytes(const QString& s, qsizetype maxBytes);

// A string longer than maximum becomes its first maximum - 1 units (fewer when a character
// would be split); others come back as they are.
QString stringWithMaximumLength(const QString& s, qint32 maximum);
// A string longer than count becomes its first count units (to a boundary) followed by "...".
QString stringByTruncatingCharacters(const QString& s, qint64 count);

// Where the width-bound truncation cuts.
enum TruncatePosition : qint32 { kTruncateEnd = 0, kTruncateMiddle = 1, kTruncateStart = 2 };
// The string when it fits the width (inclusive); otherwise characters are taken off at the
// position, one at a time, with "..." in their place, until the text fits or only "..." is
// left. An unknown position cuts at the end.
QString stringByTruncatingMaximumWidthPosition(const QString& s, const TextAttributes& attributes,
                                               double maximumWidth, qint32 position);
QString stringByTruncatingWithFontMaximumWidthPosition(const QString& s, const QFont& font,
                                                       double maximumWidth, qint32 position);
// The string when its wrapped height at the bound's width fits the bound's height; otherwise
// characters are taken from the middle until it does, with "..." in the middle.
QString stringByTruncatingWithBounds(const QString& s, const TextAttributes& attributes,
                                     const QSizeF& bounds);
// The single-line size of the string (each line of a multi-line string counts).
QSizeF sizeWithAttributes(const QString& s, const TextAttributes& attributes);
QSizeF sizeWithFont(const QString& s, const QFont& font);

// The number at the start of the text (after blanks, with a sign), as the platform's string
// values read it: intValue clamps to 32 bits, 0 without a number; boolValue is true for a
// leading "Y", "y", "T", "t" or a number with a non-zero digit.
qint32 intValue(const QString& s);
double doubleValue(const QString& s);
bool boolValue(const QString& s);

bool isInteger(const QString& s); // intValue is not 0, or the text is exactly "0"
bool isReturnKey(const QString& s);
// The text after the separator when it splits the string into exactly two pieces.
std::optional<QString> component(const QString& s, const QString& separator);
QString stringByTrimmingSuffix(const QString& s, const QString& suffix);
QString stringByTrimmingPrefix(const QString& s, const QString& prefix);
// The general decimal form with at most 15 significant digits: 12, 0.5, 1E20, 1E-5.
QString stringWithFloat(double value);
QString stringWithInteger(qint32 value);
inline const QString& cfType(const QString& s) {
    return s;
}

} // namespace StringUtilities

namespace MutableStringUtilities {
void deleteAllCharacters(QString& s);
}

namespace StringDrawingAdditions {
// The rect of the text wrapped at words within the size's width, from the origin.
QRectF boundingRectWithSizeFontAlignment(const QString& s, const QSizeF& size, const QFont& font,
                                         Qt::Alignment alignment);
void drawInRectFontColorAlignment(const QString& s, QPainter& painter, const QRectF& rect, const QFont& font,
                                  const QColor& color, Qt::Alignment alignment);
} // namespace StringDrawingAdditions

namespace StringRegularExpressionUtilities {

// Matching options; only kMatchingAnchored changes anything here.
enum MatchingOptions : quint32 { kMatchingAnchored = 4 };
// Matches the pattern case-insensitively over the whole string; every match's groups 1..n go in
// order into one flat list (a null QString for a group that took no part), stored in matches
// when given. True when there was a match; an invalid pattern matches nothing.
bool matchesWithExpressionOptionsMatches(const QString& s, const QString& pattern, quint32 options,
                                         QStringList* matches);
// The same with each match anchored where the search stands (the first at the start).
bool matchesWithExpressionMatches(const QString& s, const QString& pattern, QStringList* matches);

} // namespace StringRegularExpressionUtilities
