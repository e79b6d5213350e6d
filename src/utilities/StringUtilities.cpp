#include "StringUtilities.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRegularExpression>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <limits>

namespace StringPascalUtilities {

QByteArray pascalString(const QString& s) {
    return StringUtilities::leftUtf8Bytes(s, kShortStringBytes).toUtf8();
}

QString initWithPascalString(const QByteArray& shortString) {
    return QString::fromUtf8(shortString);
}

QString stringWithPascalString(const QByteArray& shortString) {
    return initWithPascalString(shortString);
}

bool compareWithPascal(const QString& s, const QByteArray& shortString) {
    return s == initWithPascalString(shortString);
}

bool isEmpty(const QString& s) {
    return s.isEmpty();
}

quint8 charAtIndex(const QString& s, qsizetype index) {
    if (index < 0 || index >= s.size()) return 0;
    return static_cast<quint8>(s.at(index).unicode() & 0xFF);
}

} // namespace StringPascalUtilities

namespace StringUtilities {

namespace {

const QString kEllipsis = QStringLiteral("...");

QFont fontOf(const TextAttributes& attributes) {
    return attributes.font.value_or(QFont());
}

double widthOf(const QString& s, const TextAttributes& attributes) {
    return sizeWithAttributes(s, attributes).width();
}

double wrappedHeight(const QString& s, const TextAttributes& attributes, double width) {
    return StringDrawingAdditions::boundingRectWithSizeFontAlignment(s, QSizeF(width, 2147483647.0),
                                                                     fontOf(attributes), attributes.alignment)
        .height();
}

// The string split into its characters (grapheme clusters).
QStringList characters(const QString& s) {
    QStringList result;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, s);
    qsizetype start = 0;
    while (finder.toNextBoundary() != -1) {
        const qsizetype end = finder.position();
        result.append(s.mid(start, end - start));
        start = end;
    }
    return result;
}

// The text once count characters are taken off at the position, with "..." in their place, as
// taking them off one at a time gives it. Taking the middle character again and again takes out
// one run around the middle, leaving p characters before it and s after it (s is p or p - 1);
// the "..." then goes in at the middle of what is left.
QString truncationTrial(const QStringList& characters, qsizetype count, qint32 position) {
    const qsizetype n = characters.size();
    auto joined = [&characters](qsizetype from, qsizetype to) {
        QString text;
        for (qsizetype i = from; i < to; ++i) text += characters.at(i);
        return text;
    };
    if (count >= n) return kEllipsis;
    if (position == kTruncateStart) return kEllipsis + joined(count, n);
    if (position != kTruncateMiddle) return joined(0, n - count) + kEllipsis;
    qsizetype p = n / 2;
    qsizetype s = n - p - 1;
    for (qsizetype i = 1; i < count; ++i) {
        if (s < p)
            --p;
        else
            --s;
    }
    const qsizetype middle = (p + s) / 2;
    return joined(0, middle) + kEllipsis + joined(middle, p) + joined(n - s, n);
}

// Skips blanks and an optional sign; returns the index after them and whether the sign was "-".
qsizetype skipBlanksAndSign(const QString& s, bool* negative) {
    qsizetype i = 0;
    while (i < s.size() && s.at(i).isSpace()) ++i;
    *negative = false;
    if (i < s.size() && (s.at(i) == QLatin1Char('+') || s.at(i) == QLatin1Char('-'))) {
        *negative = s.at(i) == QLatin1Char('-');
        ++i;
    }
    return i;
}

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

qsizetype characterBoundaryAtOrBefore(const QString& s, qsizetype index) {
    if (index <= 0) return 0;
    if (index >= s.size()) return s.size();
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, s);
    finder.setPosition(index);
    if (finder.isAtBoundary()) return index;
    const qsizetype previous = finder.toPreviousBoundary();
    return previous < 0 ? 0 : previous;
}

QString leftUtf8Bytes(const QString& s, qsizetype maxBytes) {
    // Find the last code point that still fits, then step back to a character boundary.
    qsizetype bytes = 0;
    qsizetype index = 0;
    while (index < s.size()) {
        const char32_t c = s.at(index).unicode();
        qsizetype units = 1;
        qsizetype length = c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
        if (QChar::isHighSurrogate(c) && index + 1 < s.size() && s.at(index + 1).isLowSurrogate()) {
            units = 2;
            length = 4;
        }
        if (bytes + length > maxBytes) break;
        bytes += length;
        index += units;
    }
    return s.left(characterBoundaryAtOrBefore(s, index));
}

QString stringWithMaximumLength(const QString& s, qint32 maximum) {
    if (s.size() <= maximum) return s;
    return s.left(characterBoundaryAtOrBefore(s, static_cast<qsizetype>(maximum) - 1));
}

QString stringByTruncatingCharacters(const QString& s, qint64 count) {
    if (s.size() <= count) return s;
    return s.left(characterBoundaryAtOrBefore(s, static_cast<qsizetype>(count))) + kEllipsis;
}

QString stringByTruncatingMaximumWidthPosition(const QString& s, const TextAttributes& attributes,
                                               double maximumWidth, qint32 position) {
    if (maximumWidth >= widthOf(s, attributes)) return s;
    // The fewest characters to take off (all when nothing fits). A trial narrows as more goes, so
    // a binary search finds where taking one off at a time would stop, measuring once per halving.
    const QStringList all = characters(s);
    qsizetype low = 1;
    qsizetype high = all.size();
    while (low < high) {
        const qsizetype middle = low + (high - low) / 2;
        if (maximumWidth >= widthOf(truncationTrial(all, middle, position), attributes))
            high = middle;
        else
            low = middle + 1;
    }
    return truncationTrial(all, high, position);
}

QString stringByTruncatingWithFontMaximumWidthPosition(const QString& s, const QFont& font,
                                                       double maximumWidth, qint32 position) {
    TextAttributes attributes;
    attributes.font = font;
    return stringByTruncatingMaximumWidthPosition(s, attributes, maximumWidth, position);
}

QString stringByTruncatingWithBounds(const QString& s, const TextAttributes& attributes,
                                     const QSizeF& bounds) {
    if (wrappedHeight(s, attributes, bounds.width()) <= bounds.height()) return s;
    QStringList working = characters(s);
    auto withEllipsis = [&working] {
        QStringList parts = working;
        parts.insert(parts.size() / 2, kEllipsis);
        return parts.join(QString());
    };
    while (!working.isEmpty()) {
        working.removeAt(working.size() / 2);
        if (wrappedHeight(withEllipsis(), attributes, bounds.width()) <= bounds.height()) break;
    }
    return withEllipsis();
}

QSizeF sizeWithAttributes(const QString& s, const TextAttributes& attributes) {
    return QFontMetricsF(fontOf(attributes)).size(0, s);
}

QSizeF sizeWithFont(const QString& s, const QFont& font) {
    TextAttributes attributes;
    attributes.font = font;
    return sizeWithAttributes(s, attributes);
}

qint32 intValue(const QString& s) {
    bool negative = false;
    qsizetype i = skipBlanksAndSign(s, &negative);
    qint64 value = 0;
    for (; i < s.size() && isDigit(s.at(i)); ++i) {
        value = value * 10 + (s.at(i).unicode() - '0');
        if (value > qint64(std::numeric_limits<qint32>::max()) + 1) break; // clamped below
    }
    if (negative) value = -value;
    return static_cast<qint32>(
        std::clamp<qint64>(value, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}

double doubleValue(const QString& s) {
    bool negative = false;
    const qsizetype start = skipBlanksAndSign(s, &negative);
    qsizetype i = start;
    qsizetype digits = 0;
    while (i < s.size() && isDigit(s.at(i))) ++i, ++digits;
    if (i < s.size() && s.at(i) == QLatin1Char('.')) {
        ++i;
        while (i < s.size() && isDigit(s.at(i))) ++i, ++digits;
    }
    if (digits == 0) return 0;
    qsizetype end = i;
    if (i < s.size() && (s.at(i) == QLatin1Char('e') || s.at(i) == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        if (j < s.size() && (s.at(j) == QLatin1Char('+') || s.at(j) == QLatin1Char('-'))) ++j;
        if (j < s.size() && isDigit(s.at(j))) {
            while (j < s.size() && isDigit(s.at(j))) ++j;
            end = j;
        }
    }
    const double magnitude = s.mid(start, end - start).toDouble();
    return negative ? -magnitude : magnitude;
}

bool boolValue(const QString& s) {
    bool negative = false;
    qsizetype i = skipBlanksAndSign(s, &negative);
    if (i >= s.size()) return false;
    const QChar c = s.at(i);
    if (c == QLatin1Char('Y') || c == QLatin1Char('y') || c == QLatin1Char('T') || c == QLatin1Char('t'))
        return true;
    while (i < s.size() && s.at(i) == QLatin1Char('0')) ++i;
    return i < s.size() && isDigit(s.at(i));
}

bool isInteger(const QString& s) {
    return intValue(s) != 0 || s == QLatin1String("0");
}

bool isReturnKey(const QString& s) {
    return s == QLatin1String("\n");
}

std::optional<QString> component(const QString& s, const QString& separator) {
    if (separator.isEmpty()) return std::nullopt;
    const QStringList pieces = s.split(separator);
    if (pieces.size() != 2) return std::nullopt;
    return pieces.at(1);
}

QString stringByTrimmingSuffix(const QString& s, const QString& suffix) {
    return s.endsWith(suffix) ? s.chopped(suffix.size()) : s;
}

QString stringByTrimmingPrefix(const QString& s, const QString& prefix) {
    return s.startsWith(prefix) ? s.mid(prefix.size()) : s;
}

QString stringWithFloat(double value) {
    QString text = QString::number(value, 'g', 15);
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    if (e < 0) return text;
    // "1e+20" -> "1E20", "1e-05" -> "1E-5".
    QString exponent = text.mid(e + 1);
    const bool negative = exponent.startsWith(QLatin1Char('-'));
    exponent.remove(0, 1);
    while (exponent.size() > 1 && exponent.startsWith(QLatin1Char('0'))) exponent.remove(0, 1);
    return text.left(e) + QLatin1Char('E') + (negative ? QStringLiteral("-") : QString()) + exponent;
}

QString stringWithInteger(qint32 value) {
    return QString::number(value);
}

} // namespace StringUtilities

namespace MutableStringUtilities {

void deleteAllCharacters(QString& s) {
    s.clear();
}

} // namespace MutableStringUtilities

namespace StringDrawingAdditions {

QRectF boundingRectWithSizeFontAlignment(const QString& s, const QSizeF& size, const QFont& font,
                                         Qt::Alignment alignment) {
    return QFontMetricsF(font).boundingRect(QRectF(QPointF(0, 0), size), Qt::TextWordWrap | alignment, s);
}

void drawInRectFontColorAlignment(const QString& s, QPainter& painter, const QRectF& rect, const QFont& font,
                                  const QColor& color, Qt::Alignment alignment) {
    painter.save();
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(rect, Qt::TextWordWrap | alignment, s);
    painter.restore();
}

} // namespace StringDrawingAdditions

namespace StringRegularExpressionUtilities {

bool matchesWithExpressionOptionsMatches(const QString& s, const QString& pattern, quint32 options,
                                         QStringList* matches) {
    QStringList groups;
    bool matched = false;
    const QRegularExpression expression(pattern, QRegularExpression::CaseInsensitiveOption |
                                                     QRegularExpression::UseUnicodePropertiesOption);
    if (expression.isValid()) {
        const auto matchOptions = (options & kMatchingAnchored)
                                      ? QRegularExpression::AnchorAtOffsetMatchOption
                                      : QRegularExpression::NoMatchOption;
        auto it = expression.globalMatch(s, 0, QRegularExpression::NormalMatch, matchOptions);
        while (it.hasNext()) {
            const QRegularExpressionMatch match = it.next();
            matched = true;
            for (int group = 1; group <= expression.captureCount(); ++group) {
                if (match.capturedStart(group) < 0)
                    groups.append(QString());
                else
                    groups.append(match.captured(group).isNull() ? QStringLiteral("")
                                                                 : match.captured(group));
            }
        }
    }
    if (matches) *matches = groups;
    return matched;
}

bool matchesWithExpressionMatches(const QString& s, const QString& pattern, QStringList* matches) {
    return matchesWithExpressionOptionsMatches(s, pattern, kMatchingAnchored, matches);
}

} // namespace StringRegularExpressionUtilities
