#pragma once

#include "foundation/CFUtilities.h"
#include "foundation/ToolboxAll.h"
#include "platform/CoreTypes.h"

#include <QChar>
#include <QString>
#include <QStringList>

// Searching, replacing, trimming, slicing, splitting and joining, chunking, nested delimiters and a
// small wildcard matcher over strings. Positions are 1-based indexes of UTF-16 units; 0 means "not
// found". Text is never cut to a length limit; where a routine cuts at a count, the cut falls on a
// character boundary. Routines that split answer an empty list instead of fewer than two pieces,
// unless they say otherwise. White space is tab, line feed, carriage return and blank; word
// characters are the digits, A to Z, a to z and the underscore.
namespace PascalStringUtilities {

using CFUtilities::PCFStr;
using ToolboxAll::CFStr;

// Bits of FindStringWord's options.
enum ParseOptions : quint32 {
    kParseAcceptPartial = 2,      // a match shorter than the word is accepted
    kParseStopAtNonWord = 4,      // the search stops at the first character that is no word character
    kParseWordCharactersOnly = 8, // only word characters are looked at
};

// Compare options of StringFind and StringReplace.
enum CompareOptions : quint32 {
    kCompareCaseInsensitive = 1,
    kCompareBackwards = 4, // StringFind only
    kCompareAnchored = 8,  // StringFind only
};

// A range of 1-based positions, both included; (0, 0) for none.
struct StringRange {
    qsizetype start = 0;
    qsizetype end = 0;
    friend bool operator==(const StringRange&, const StringRange&) = default;
};

bool isWhiteSpace(QChar c);
bool isWordCharacter(QChar c);

// The line on standard output (Diagnostics), carriage return shown as "#13", line feed as "#10",
// blank as "/s" and tab as "/t".
void WriteLn_ASCII(const QString& s);

void AppendStringCharacter(QString& s, QChar c);
// With scroll and s at the limit or longer, s first keeps only its last limit - 1 units (fewer when a
// character would be split); then c is appended when s is below the limit. Returns the length.
qsizetype AppendStringCharacterWithLimit(QString& s, qsizetype limit, bool scroll, QChar c);
void ShrinkString(QString& s, qsizetype n);              // shorter by n units, to a character boundary
QString TrimStringBounds(const QString& s, qsizetype n); // n units off each end, whole characters
bool StringStartsWith(const QString& s, const QString& prefix);
QString GetTabIndent(const QString& s); // one tab for every tab in s
// The index (from 0) of the first character that is not white space; -1 when there is none.
qsizetype GetFirstCharacter(const QString& s);
// The position of the last character that is not white space; 0 when there is none.
qsizetype GetLastCharacter(const QString& s);
// What follows the first c at or after start; empty when there is none.
QString GetRangeAtChar(const QString& s, QChar c, qsizetype start);
bool IsValidRange(const CFRange& range); // location < length and location is not -1

// The 0-based range of the first occurrence (the last with kCompareBackwards, at the start only with
// kCompareAnchored); location -1 when there is none.
CFRange StringFind(const QString& s, const QString& find, quint32 options = 0);
QString StringReplace(const QString& s, const QString& find, const QString& replace, quint32 options = 0);
// s with its first units replaced by those of overlay (as many as overlay holds, and the rest of a
// character they cut into).
QString WriteToString(const QString& s, const QString& overlay);
// True when a sorts before b once both are lower-cased; equal prefixes give false.
bool CompareStringAlphaOrder(const QString& a, const QString& b);
qint64 CalculateStringValue(const QString& s); // the sum of the character codes
QString LowerCaseString(const QString& s);
QString UpperCaseString(const QString& s);
// Appends the units from position from to to of characters to s.
void GetExtendedStringRange(QString& s, const QString& characters, qsizetype from, qsizetype to);
bool StringContainsCharacters(const QString& s); // a character that is not white space
bool StringIsWrapped(const QString& s, QChar open, QChar close);
bool StringIsNumber(const QString& s); // digits, minus signs and full stops only; true when empty
// Mode 1: the first n units; mode 0: the last n (to character boundaries); s for other modes.
QString TruncateString(const QString& s, qsizetype n, qint32 mode);
QString GetStringAtIndex(const QStringList& array, qsizetype index); // 1-based; empty outside

// The range of word in s, looking only at the characters of set (all when empty, word characters
// with kParseWordCharactersOnly); a match must cover the whole word unless kParseAcceptPartial is
// set, when the longest start of the word found counts.
StringRange FindStringWord(const QString& s, const QString& word, const QString& set, quint32 options);
qsizetype FindStringCharacter(const QString& s, QChar c, qsizetype start);
QString ReplaceStringCharacter(const QString& s, QChar c, const QString& replacement);
QString TrimString(const QString& s, QChar c); // leading and trailing runs of c removed
QString TrimWhiteSpace(const QString& s);      // leading and trailing white space removed
QString StripWordWithCharacterSet(const QString& s, const QString& set); // only the set's characters
QString StripWordSymbolCharacters(const QString& s);                     // only word characters
QString StripWordAlphaCharacters(const QString& s);                      // only the others
QString GetStringPrefix(const QString& s, QChar c); // before the first c; empty without c
QString GetStringSuffix(const QString& s, QChar c); // after the last c; empty without c
void SliceStringPrefix(QString& s, QChar c);        // drops what precedes the first c
void SliceStringSuffix(QString& s, QChar c);        // drops the last c and what follows it
QString ReverseString(const QString& s);            // by characters, so pairs stay whole
QString CompactString(const QString& s);            // all white space removed
// The first run of characters that are not white space after the position.
QString GetLeadingWord(const QString& s, qsizetype position);
// The run of characters that are not white space ending at the position.
QString GetTrailingWord(const QString& s, qsizetype position);
QString SliceString(const QString& s, qsizetype from, qsizetype to);    // without from .. to
QString GetStringRange(const QString& s, qsizetype from, qsizetype to); // from .. to

QStringList ExplodeString(const QString& s, QChar c); // the non-empty pieces between the c's
qsizetype CountStringComponents(const QString& s, QChar c);
QString GetStringComponentAtIndex(const QString& s, QChar c, qsizetype index); // 1-based
void GetStringDelimiterPack(QString& s, QChar c, qsizetype first, qsizetype last);
// s without that many leading and trailing pieces, the rest joined by c; a lone c stays.
QString TrimStringComponents(const QString& s, qsizetype fromStart, qsizetype fromEnd, QChar c);
void JoinStrings(QString& s, const QString& part, const QString& separator);
// The elements first to last (1-based), each preceded by c.
QString ImplodeString(const QStringList& array, QChar c, qsizetype first, qsizetype last);
// Pieces of at most size units that never split a character (one longer than size is a piece).
QStringList ChunkString(const QString& s, qsizetype size);
// Keeps the elements before position first and after position last.
void SliceResultsArray(QStringList& array, qsizetype first, qsizetype last);

// From the first open at or after start to the last close.
StringRange GetStringDelimiterRange(const QString& s, qsizetype start, QChar open, QChar close);
// The texts inside matching open/close pairs from start on, nested ones included, in the order
// of their starts.
QStringList GetStringNestedDelimiter(const QString& s, qsizetype start, QChar open, QChar close);
// Matches the pattern, where "*" stands for any text, against the whole of s from start: word by
// word, or character by character with byCharacter (white space taken out of the pattern, and
// out of s with option bit 1). Answers what each "*" matched; empty without a match.
QStringList GetStringExpression(const QString& pattern, bool byCharacter, const QString& s, qsizetype start,
                                quint32 options);

} // namespace PascalStringUtilities
