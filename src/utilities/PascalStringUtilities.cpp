#include "PascalStringUtilities.h"

#include "StringUtilities.h"
#include "platform/Diagnostics.h"

#include <QList>
#include <QRegularExpression>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <functional>
#include <vector>

namespace PascalStringUtilities {

namespace {

using StringUtilities::characterBoundaryAtOrBefore;

// The first character boundary at or after the index, inside 0 .. size.
qsizetype characterBoundaryAtOrAfter(const QString& s, qsizetype index) {
    if (index <= 0) return 0;
    if (index >= s.size()) return s.size();
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, s);
    finder.setPosition(index);
    if (finder.isAtBoundary()) return index;
    const qsizetype next = finder.toNextBoundary();
    return next < 0 ? s.size() : next;
}

// The 0-based index of a 1-based position, kept inside 0 .. size.
qsizetype indexOf(const QString& s, qsizetype position) {
    return std::clamp<qsizetype>(position - 1, 0, s.size());
}

// The units from 1-based from to to, both included, as (index, count) inside s.
std::pair<qsizetype, qsizetype> span(const QString& s, qsizetype from, qsizetype to) {
    const qsizetype begin = indexOf(s, from);
    const qsizetype end = std::clamp<qsizetype>(to, 0, s.size());
    return {begin, std::max<qsizetype>(end - begin, 0)};
}

QString keepIf(const QString& s, const std::function<bool(QChar)>& keep) {
    QString result;
    for (QChar c : s)
        if (keep(c)) result += c;
    return result;
}

// A list of at least two, else empty.
QStringList atLeastTwo(const QStringList& list) {
    return list.size() < 2 ? QStringList() : list;
}

// Where the units of segment stand in units at or after from; -1 when nowhere.
qsizetype findSegment(const QString& units, const QString& segment, qsizetype from) {
    return units.indexOf(segment, from);
}
qsizetype findSegment(const QStringList& units, const QStringList& segment, qsizetype from) {
    for (qsizetype at = from; at + segment.size() <= units.size(); ++at)
        if (std::equal(segment.begin(), segment.end(), units.begin() + at)) return at;
    return -1;
}
QString joined(const QString& units) {
    return units;
}
QString joined(const QStringList& units) {
    return units.join(QLatin1Char(' '));
}

// The texts the wildcards between the segments matched, each taking as little as lets the rest
// match; empty without a match or a wildcard. Segments are placed at their earliest fit, the last
// at the end, so memory stays linear in the input.
template <class Units> QStringList matchWildcards(const QList<Units>& segments, const Units& units) {
    if (segments.size() < 2) return {};
    const Units& first = segments.front();
    const Units& last = segments.back();
    const qsizetype end = units.size() - last.size();
    if (end < first.size() || units.mid(0, first.size()) != first || units.mid(end) != last) return {};
    QStringList captured;
    qsizetype from = first.size();
    for (qsizetype i = 1; i + 1 < segments.size(); ++i) {
        const Units& segment = segments.at(i);
        const qsizetype at = findSegment(units, segment, from);
        if (at < 0 || at + segment.size() > end) return {};
        captured.append(joined(units.mid(from, at - from)));
        from = at + segment.size();
    }
    if (from > end) return {};
    captured.append(joined(units.mid(from, end - from)));
    return captured;
}

} // namespace

bool isWhiteSpace(QChar c) {
    return c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r') ||
           c == QLatin1Char(' ');
}

bool isWordCharacter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '_';
}

void WriteLn_ASCII(const QString& s) {
    QString shown;
    for (QChar c : s) {
        if (c == QLatin1Char('\r'))
            shown += QLatin1String("#13");
        else if (c == QLatin1Char('\n'))
            shown += QLatin1String("#10");
        else if (c == QLatin1Char(' '))
            shown += QLatin1String("/s");
        else if (c == QLatin1Char('\t'))
            shown += QLatin1String("/t");
        else
            shown += c;
    }
    Diagnostics::line(shown);
}

void AppendStringCharacter(QString& s, QChar c) {
    s += c;
}

qsizetype AppendStringCharacterWithLimit(QString& s, qsizetype limit, bool scroll, QChar c) {
    if (scroll && limit > 0 && s.size() >= limit) {
        // The start of the last limit - 1 units, moved forward to a character boundary.
        s.remove(0, characterBoundaryAtOrAfter(s, s.size() - (limit - 1)));
    }
    if (s.size() < limit) s += c;
    return s.size();
}

void ShrinkString(QString& s, qsizetype n) {
    s.truncate(characterBoundaryAtOrBefore(s, std::max<qsizetype>(s.size() - std::max<qsizetype>(n, 0), 0)));
}

QString TrimStringBounds(const QString& s, qsizetype n) {
    if (n <= 0) return s;
    if (2 * n >= s.size()) return QString();
    const qsizetype begin = characterBoundaryAtOrAfter(s, n);
    const qsizetype end = characterBoundaryAtOrBefore(s, s.size() - n);
    return begin < end ? s.mid(begin, end - begin) : QString();
}

bool StringStartsWith(const QString& s, const QString& prefix) {
    return s.startsWith(prefix, Qt::CaseSensitive);
}

QString GetTabIndent(const QString& s) {
    return QString(s.count(QLatin1Char('\t')), QLatin1Char('\t'));
}

qsizetype GetFirstCharacter(const QString& s) {
    for (qsizetype i = 0; i < s.size(); ++i)
        if (!isWhiteSpace(s.at(i))) return i;
    return -1;
}

qsizetype GetLastCharacter(const QString& s) {
    for (qsizetype i = s.size(); i > 0; --i)
        if (!isWhiteSpace(s.at(i - 1))) return i;
    return 0;
}

QString GetRangeAtChar(const QString& s, QChar c, qsizetype start) {
    const qsizetype at = FindStringCharacter(s, c, start);
    return at ? s.mid(at) : QString();
}

bool IsValidRange(const CFRange& range) {
    return range.location < range.length && range.location != -1;
}

CFRange StringFind(const QString& s, const QString& find, quint32 options) {
    const Qt::CaseSensitivity cs =
        (options & kCompareCaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    qsizetype at = -1;
    if (!find.isEmpty()) {
        if (options & kCompareAnchored)
            at = (options & kCompareBackwards) ? (s.endsWith(find, cs) ? s.size() - find.size() : -1)
                                               : (s.startsWith(find, cs) ? 0 : -1);
        else
            at = (options & kCompareBackwards) ? s.lastIndexOf(find, -1, cs) : s.indexOf(find, 0, cs);
    }
    return at < 0 ? CFRange{-1, 0} : CFRange{at, find.size()};
}

QString StringReplace(const QString& s, const QString& find, const QString& replace, quint32 options) {
    if (find.isEmpty()) return s;
    QString result = s;
    return result.replace(find, replace,
                          (options & kCompareCaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive);
}

QString WriteToString(const QString& s, const QString& overlay) {
    return overlay + s.mid(characterBoundaryAtOrAfter(s, overlay.size()));
}

bool CompareStringAlphaOrder(const QString& a, const QString& b) {
    const QString la = a.toLower(), lb = b.toLower();
    for (qsizetype i = 0; i < std::min(la.size(), lb.size()); ++i)
        if (la.at(i) != lb.at(i)) return la.at(i) < lb.at(i);
    return false;
}

qint64 CalculateStringValue(const QString& s) {
    qint64 sum = 0;
    for (uint c : s.toUcs4()) sum += c;
    return sum;
}

QString LowerCaseString(const QString& s) {
    return s.toLower();
}

QString UpperCaseString(const QString& s) {
    return s.toUpper();
}

void GetExtendedStringRange(QString& s, const QString& characters, qsizetype from, qsizetype to) {
    s += GetStringRange(characters, from, to);
}

bool StringContainsCharacters(const QString& s) {
    return GetLastCharacter(s) != 0;
}

bool StringIsWrapped(const QString& s, QChar open, QChar close) {
    return !s.isEmpty() && s.front() == open && s.back() == close;
}

bool StringIsNumber(const QString& s) {
    return std::all_of(s.begin(), s.end(), [](QChar c) {
        return c.unicode() == '-' || c.unicode() == '.' || (c.unicode() >= '0' && c.unicode() <= '9');
    });
}

QString TruncateString(const QString& s, qsizetype n, qint32 mode) {
    if ((mode != 0 && mode != 1) || n >= s.size()) return s;
    if (n <= 0) return QString();
    if (mode == 1) return s.left(characterBoundaryAtOrBefore(s, n));
    return s.mid(characterBoundaryAtOrAfter(s, s.size() - n));
}

QString GetStringAtIndex(const QStringList& array, qsizetype index) {
    return index >= 1 && index <= array.size() ? array.at(index - 1) : QString();
}

StringRange FindStringWord(const QString& s, const QString& word, const QString& set, quint32 options) {
    if (word.isEmpty()) return {};
    // The positions looked at.
    std::vector<qsizetype> looked;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if ((options & kParseStopAtNonWord) && !isWordCharacter(c)) break;
        if (!set.isEmpty() && !set.contains(c)) continue;
        if ((options & kParseWordCharactersOnly) && !isWordCharacter(c)) continue;
        looked.push_back(i);
    }
    StringRange best;
    qsizetype bestLength = 0;
    for (size_t k = 0; k < looked.size(); ++k) {
        qsizetype m = 0;
        while (m < word.size() && k + size_t(m) < looked.size() && s.at(looked[k + size_t(m)]) == word.at(m))
            ++m;
        if (m == 0) continue;
        const StringRange range{looked[k] + 1, looked[k + size_t(m) - 1] + 1};
        if (m == word.size()) return range;
        if ((options & kParseAcceptPartial) && m > bestLength) {
            best = range;
            bestLength = m;
        }
    }
    return best;
}

qsizetype FindStringCharacter(const QString& s, QChar c, qsizetype start) {
    const qsizetype at = s.indexOf(c, std::max<qsizetype>(start, 1) - 1);
    return at < 0 ? 0 : at + 1;
}

QString ReplaceStringCharacter(const QString& s, QChar c, const QString& replacement) {
    QString result = s;
    return result.replace(c, replacement);
}

QString TrimString(const QString& s, QChar c) {
    qsizetype begin = 0, end = s.size();
    while (begin < end && s.at(begin) == c) ++begin;
    while (end > begin && s.at(end - 1) == c) --end;
    return s.mid(begin, end - begin);
}

QString TrimWhiteSpace(const QString& s) {
    const qsizetype first = GetFirstCharacter(s);
    return first < 0 ? QString() : s.mid(first, GetLastCharacter(s) - first);
}

QString StripWordWithCharacterSet(const QString& s, const QString& set) {
    return keepIf(s, [&set](QChar c) { return set.contains(c); });
}

QString StripWordSymbolCharacters(const QString& s) {
    return keepIf(s, isWordCharacter);
}

QString StripWordAlphaCharacters(const QString& s) {
    return keepIf(s, [](QChar c) { return !isWordCharacter(c); });
}

QString GetStringPrefix(const QString& s, QChar c) {
    const qsizetype at = s.indexOf(c);
    return at < 0 ? QString() : s.left(at);
}

QString GetStringSuffix(const QString& s, QChar c) {
    const qsizetype at = s.lastIndexOf(c);
    return at < 0 ? QString() : s.mid(at + 1);
}

void SliceStringPrefix(QString& s, QChar c) {
    const qsizetype at = s.indexOf(c);
    if (at > 0) s.remove(0, at);
}

void SliceStringSuffix(QString& s, QChar c) {
    const qsizetype at = s.lastIndexOf(c);
    if (at >= 0) s.truncate(at);
}

QString ReverseString(const QString& s) {
    QList<uint> characters = s.toUcs4();
    std::reverse(characters.begin(), characters.end());
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(characters.constData()), characters.size());
}

QString CompactString(const QString& s) {
    return keepIf(s, [](QChar c) { return !isWhiteSpace(c); });
}

QString GetLeadingWord(const QString& s, qsizetype position) {
    qsizetype begin = std::clamp<qsizetype>(position, 0, s.size());
    while (begin < s.size() && isWhiteSpace(s.at(begin))) ++begin;
    qsizetype end = begin;
    while (end < s.size() && !isWhiteSpace(s.at(end))) ++end;
    return s.mid(begin, end - begin);
}

QString GetTrailingWord(const QString& s, qsizetype position) {
    const qsizetype end = std::clamp<qsizetype>(position, 0, s.size());
    qsizetype begin = end;
    while (begin > 0 && !isWhiteSpace(s.at(begin - 1))) --begin;
    return s.mid(begin, end - begin);
}

QString SliceString(const QString& s, qsizetype from, qsizetype to) {
    const auto [index, count] = span(s, from, to);
    QString result = s;
    return result.remove(index, count);
}

QString GetStringRange(const QString& s, qsizetype from, qsizetype to) {
    const auto [index, count] = span(s, from, to);
    return s.mid(index, count);
}

QStringList ExplodeString(const QString& s, QChar c) {
    return atLeastTwo(s.split(c, Qt::SkipEmptyParts));
}

qsizetype CountStringComponents(const QString& s, QChar c) {
    return ExplodeString(s, c).size();
}

QString GetStringComponentAtIndex(const QString& s, QChar c, qsizetype index) {
    return GetStringAtIndex(ExplodeString(s, c), index);
}

void GetStringDelimiterPack(QString& s, QChar c, qsizetype first, qsizetype last) {
    s = ImplodeString(ExplodeString(s, c), c, first, last);
}

QString TrimStringComponents(const QString& s, qsizetype fromStart, qsizetype fromEnd, QChar c) {
    if (s == QString(c)) return s;
    const QStringList pieces = s.split(c, Qt::SkipEmptyParts);
    const qsizetype count =
        pieces.size() - std::max<qsizetype>(fromStart, 0) - std::max<qsizetype>(fromEnd, 0);
    return count <= 0 ? QString() : pieces.mid(std::max<qsizetype>(fromStart, 0), count).join(c);
}

void JoinStrings(QString& s, const QString& part, const QString& separator) {
    s += separator;
    s += part;
}

QString ImplodeString(const QStringList& array, QChar c, qsizetype first, qsizetype last) {
    QString result;
    for (qsizetype i = std::max<qsizetype>(first, 1); i <= std::min(last, array.size()); ++i) {
        result += c;
        result += array.at(i - 1);
    }
    return result;
}

QStringList ChunkString(const QString& s, qsizetype size) {
    if (size < 1) return {};
    // One finder for the whole string: a chunk ends at the last boundary within size units, or
    // after its first character when that alone is longer.
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, s);
    QStringList pieces;
    qsizetype from = 0;
    while (from < s.size()) {
        qsizetype to = std::min(from + size, s.size());
        finder.setPosition(to);
        if (!finder.isAtBoundary()) to = finder.toPreviousBoundary();
        if (to <= from) {
            finder.setPosition(from);
            to = finder.toNextBoundary();
            if (to <= from) to = s.size();
        }
        pieces.append(s.mid(from, to - from));
        from = to;
    }
    return atLeastTwo(pieces);
}

void SliceResultsArray(QStringList& array, qsizetype first, qsizetype last) {
    QStringList kept;
    for (qsizetype i = 1; i <= array.size(); ++i)
        if (i < first || i > last) kept.append(array.at(i - 1));
    array = kept;
}

StringRange GetStringDelimiterRange(const QString& s, qsizetype start, QChar open, QChar close) {
    const qsizetype from = FindStringCharacter(s, open, start);
    const qsizetype to = s.lastIndexOf(close) + 1;
    if (from == 0 || to <= from) return {};
    return {from, to};
}

QStringList GetStringNestedDelimiter(const QString& s, qsizetype start, QChar open, QChar close) {
    std::vector<qsizetype> opened;
    std::vector<std::pair<qsizetype, qsizetype>> pairs; // index after the open, index of the close
    for (qsizetype i = indexOf(s, start); i < s.size(); ++i) {
        if (s.at(i) == open) {
            opened.push_back(i + 1);
        } else if (s.at(i) == close && !opened.empty()) {
            pairs.emplace_back(opened.back(), i);
            opened.pop_back();
        }
    }
    std::sort(pairs.begin(), pairs.end());
    QStringList texts;
    for (const auto& [begin, end] : pairs) texts.append(s.mid(begin, end - begin));
    return texts;
}

QStringList GetStringExpression(const QString& pattern, bool byCharacter, const QString& s, qsizetype start,
                                quint32 options) {
    QString subject = s.mid(indexOf(s, start));
    if (byCharacter) {
        if (options & 1) subject = CompactString(subject);
        return matchWildcards(CompactString(pattern).split(QLatin1Char('*')), subject);
    }
    static const QRegularExpression kWhite(QStringLiteral("[\\t\\n\\r ]+"));
    QList<QStringList> segments(1);
    for (const QString& token : pattern.split(kWhite, Qt::SkipEmptyParts)) {
        if (token == QLatin1String("*"))
            segments.append(QStringList());
        else
            segments.back().append(token);
    }
    return matchWildcards(segments, subject.split(kWhite, Qt::SkipEmptyParts));
}

} // namespace PascalStringUtilities
