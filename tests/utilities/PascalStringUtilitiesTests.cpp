#include "utilities/PascalStringUtilities.h"

#include "platform/Diagnostics.h"

#include <gtest/gtest.h>

namespace {

using namespace PascalStringUtilities;

const QString kSmile = QString::fromUtf8("\xf0\x9f\x98\x80"); // two UTF-16 units

QString q(const char* s) {
    return QString::fromUtf8(s);
}

TEST(ShortStringUtilities, SplittingAndJoining) {
    EXPECT_EQ(ExplodeString(q("a,,b"), ','), (QStringList{"a", "b"}));
    EXPECT_TRUE(ExplodeString(q("abc"), ',').isEmpty()) << "fewer than two pieces";
    EXPECT_TRUE(ExplodeString(q(",abc,"), ',').isEmpty());
    EXPECT_EQ(CountStringComponents(q("a,b,c"), ','), 3);
    EXPECT_EQ(CountStringComponents(q("a"), ','), 0);
    EXPECT_EQ(GetStringComponentAtIndex(q("a,b,c"), ',', 2), q("b"));
    EXPECT_EQ(GetStringComponentAtIndex(q("a,b,c"), ',', 4), QString());
    EXPECT_EQ(ImplodeString({"a", "b", "c"}, '/', 2, 3), q("/b/c"));
    QString packed = q("a.b.c.d");
    GetStringDelimiterPack(packed, '.', 2, 3);
    EXPECT_EQ(packed, q(".b.c"));
    EXPECT_EQ(TrimStringComponents(q("/a/b/c/d"), 1, 1, '/'), q("b/c"));
    EXPECT_EQ(TrimStringComponents(q("/"), 1, 0, '/'), q("/"));
    EXPECT_EQ(TrimStringComponents(q("a/b"), 1, 1, '/'), QString());
    QString joined = q("a");
    JoinStrings(joined, q("b"), q(", "));
    EXPECT_EQ(joined, q("a, b"));
    QStringList array{"1", "2", "3", "4", "5"};
    SliceResultsArray(array, 2, 3);
    EXPECT_EQ(array, (QStringList{"1", "4", "5"}));
    EXPECT_EQ(GetStringAtIndex(array, 3), q("5"));
    EXPECT_EQ(GetStringAtIndex(array, 0), QString());
    EXPECT_EQ(ChunkString(q("abcde"), 2), (QStringList{"ab", "cd", "e"}));
    EXPECT_EQ(ChunkString(q("a") + kSmile + q("b"), 2), (QStringList{"a", kSmile, "b"})) << "no pair split";
    EXPECT_TRUE(ChunkString(q("ab"), 2).isEmpty());
}

TEST(ShortStringUtilities, TextStaysWholeAndCutsFallOnCharacters) {
    const QString long300(300, QLatin1Char('x'));
    EXPECT_EQ(PCFStr(long300), long300);
    QString full(255, QLatin1Char('x'));
    AppendStringCharacter(full, 'y');
    EXPECT_EQ(full.size(), 256);

    QString scrolled = q("ab") + kSmile + q("cd");
    EXPECT_EQ(AppendStringCharacterWithLimit(scrolled, 5, true, 'e'), 5);
    EXPECT_EQ(scrolled, q("cde").prepend(kSmile)) << "kept its last four units, then appended";
    QString unscrolled = q("abc");
    EXPECT_EQ(AppendStringCharacterWithLimit(unscrolled, 3, false, 'd'), 3);
    EXPECT_EQ(unscrolled, q("abc"));
    scrolled = q("abc") + kSmile;
    AppendStringCharacterWithLimit(scrolled, 3, true, 'z');
    EXPECT_EQ(scrolled, kSmile + q("z")) << "the start moved forward past half a pair";

    struct Case {
        QString s;
        qsizetype n;
        qint32 mode;
        QString expected;
    };
    const Case truncations[] = {
        {q("abcdef"), 2, 1, q("ab")},    {q("abcdef"), 2, 0, q("ef")},    {q("abc"), 9, 1, q("abc")},
        {q("a") + kSmile, 2, 1, q("a")}, {kSmile + q("a"), 2, 0, q("a")}, {q("abc"), 2, 7, q("abc")},
    };
    for (const Case& c : truncations)
        EXPECT_EQ(TruncateString(c.s, c.n, c.mode), c.expected)
            << c.s.toStdString() << " " << c.n << " " << c.mode;
    QString shrunk = q("ab") + kSmile;
    ShrinkString(shrunk, 1);
    EXPECT_EQ(shrunk, q("ab"));
    EXPECT_EQ(TrimStringBounds(q("[abc]"), 1), q("abc"));
    EXPECT_EQ(TrimStringBounds(q("ab"), 1), QString());
}

TEST(ShortStringUtilities, Searching) {
    EXPECT_EQ(StringFind(q("Hello hello"), q("hello")), (CFRange{6, 5}));
    EXPECT_EQ(StringFind(q("Hello hello"), q("hello"), kCompareCaseInsensitive), (CFRange{0, 5}));
    EXPECT_EQ(StringFind(q("Hello hello"), q("HELLO"), kCompareCaseInsensitive | kCompareBackwards),
              (CFRange{6, 5}));
    EXPECT_EQ(StringFind(q("Hello hello"), q("hello"), kCompareAnchored), (CFRange{-1, 0}));
    EXPECT_FALSE(IsValidRange(StringFind(q("abc"), q("x"))));
    EXPECT_EQ(StringReplace(q("a-b-A"), q("a"), q("x"), kCompareCaseInsensitive), q("x-b-x"));
    EXPECT_EQ(StringReplace(q("abc"), QString(), q("x")), q("abc"));
    EXPECT_EQ(FindStringCharacter(q("a.b.c"), '.', 3), 4);
    EXPECT_EQ(FindStringCharacter(q("abc"), '.', 1), 0);
    EXPECT_EQ(GetRangeAtChar(q("key=value"), '=', 1), q("value"));
    EXPECT_EQ(GetFirstCharacter(q("  x ")), 2);
    EXPECT_EQ(GetFirstCharacter(q(" \t")), -1) << "none differs from the first character";
    EXPECT_EQ(GetLastCharacter(q("  x ")), 3);
    EXPECT_TRUE(StringStartsWith(q("prefix"), q("pre")));
    EXPECT_FALSE(StringStartsWith(q("prefix"), q("Pre")));
    EXPECT_TRUE(CompareStringAlphaOrder(q("apple"), q("Banana")));
    EXPECT_FALSE(CompareStringAlphaOrder(q("ab"), q("abc"))) << "equal prefixes give false";

    struct WordCase {
        QString s, word, set;
        quint32 options;
        StringRange expected;
    };
    const WordCase words[] = {
        {q("word"), q("word"), {}, 0, {1, 4}},
        {q("a word here"), q("word"), {}, 0, {3, 6}},
        {q("a wo"), q("word"), {}, 0, {}},
        {q("a wo"), q("word"), {}, kParseAcceptPartial, {3, 4}},
        {q("w-o-r-d"), q("word"), {}, kParseWordCharactersOnly, {1, 7}},
        {q("w-o-r-d"), q("word"), q("word"), 0, {1, 7}},
        {q("ab cd"), q("cd"), {}, kParseStopAtNonWord, {}},
    };
    for (const WordCase& c : words)
        EXPECT_EQ(FindStringWord(c.s, c.word, c.set, c.options), c.expected)
            << c.s.toStdString() << " " << c.options;

    EXPECT_EQ(GetStringDelimiterRange(q("x(a)(b)y"), 1, '(', ')'), (StringRange{2, 7}));
    EXPECT_EQ(GetStringDelimiterRange(q("x)a("), 1, '(', ')'), StringRange{});
    EXPECT_EQ(GetStringNestedDelimiter(q("a(b(c)d)e(f)"), 1, '(', ')'), (QStringList{"b(c)d", "c", "f"}));
    EXPECT_EQ(GetStringNestedDelimiter(q("(a)(b)"), 4, '(', ')'), (QStringList{"b"}));
    EXPECT_TRUE(GetStringNestedDelimiter(q("no pairs)("), 1, '(', ')').isEmpty());
}

TEST(ShortStringUtilities, TrimmingAndSlicing) {
    struct Case {
        const char* name;
        QString actual, expected;
    };
    QString prefixed = q("junk/keep/this"), suffixed = q("keep/this/junk");
    SliceStringPrefix(prefixed, '/');
    SliceStringSuffix(suffixed, '/');
    QString extended = q(">");
    GetExtendedStringRange(extended, q("abcdef"), 2, 4);
    const Case cases[] = {
        {"white space", TrimWhiteSpace(q("\t \n x y \r\n ")), q("x y")},
        {"only white space", TrimWhiteSpace(q(" \t ")), QString()},
        {"runs of c", TrimString(q("--a-b--"), '-'), q("a-b")},
        {"compact", CompactString(q(" a\tb\nc\r d ")), q("abcd")},
        {"set", StripWordWithCharacterSet(q("a1b2c3"), q("123")), q("123")},
        {"word characters", StripWordSymbolCharacters(q("a_1 !b")), q("a_1b")},
        {"others", StripWordAlphaCharacters(q("a_1 !b")), q(" !")},
        {"prefix", GetStringPrefix(q("a.b.c"), '.'), q("a")},
        {"suffix", GetStringSuffix(q("a.b.c"), '.'), q("c")},
        {"no prefix", GetStringPrefix(q("abc"), '.'), QString()},
        {"slice prefix", prefixed, q("/keep/this")},
        {"slice suffix", suffixed, q("keep/this")},
        {"reverse", ReverseString(q("ab") + kSmile), kSmile + q("ba")},
        {"leading word", GetLeadingWord(q("one  two three"), 3), q("two")},
        {"trailing word", GetTrailingWord(q("one two three"), 7), q("two")},
        {"slice", SliceString(q("abcdef"), 2, 4), q("aef")},
        {"range", GetStringRange(q("abcdef"), 2, 4), q("bcd")},
        {"range past the end", GetStringRange(q("abc"), 2, 9), q("bc")},
        {"overlay", WriteToString(q("abcdef"), q("XY")), q("XYcdef")},
        {"replace character", ReplaceStringCharacter(q("a b"), ' ', q("%20")), q("a%20b")},
        {"tab indent", GetTabIndent(q("\ta\tb")), q("\t\t")},
        {"extended range", extended, q(">bcd")},
        {"lower case", LowerCaseString(q("\xc3\x89T\xc3\x89")), q("\xc3\xa9t\xc3\xa9")},
    };
    for (const Case& c : cases) EXPECT_EQ(c.actual, c.expected) << c.name;
    EXPECT_TRUE(StringIsNumber(q("-12.5")));
    EXPECT_TRUE(StringIsNumber(QString()));
    EXPECT_FALSE(StringIsNumber(q("1e5")));
    EXPECT_TRUE(StringIsWrapped(q("(x)"), '(', ')'));
    EXPECT_FALSE(StringIsWrapped(QString(), '(', ')'));
    EXPECT_FALSE(StringContainsCharacters(q(" \r\n\t")));
    EXPECT_EQ(CalculateStringValue(q("AB")), 131);
}

TEST(ShortStringUtilities, WildcardsGiveWhatTheyMatched) {
    EXPECT_EQ(GetStringExpression(q("open * with *"), false, q("open the door  with a key"), 1, 0),
              (QStringList{"the door", "a key"}));
    EXPECT_EQ(GetStringExpression(q("a * c"), true, q("xa b b c"), 2, 0), (QStringList{" b b "}));
    EXPECT_EQ(GetStringExpression(q("a * c"), true, q("xa b b c"), 2, 1), (QStringList{"bb"}));
    EXPECT_TRUE(GetStringExpression(q("a*c"), true, q("abd"), 1, 0).isEmpty());
    EXPECT_EQ(GetStringExpression(q("*"), true, QString(), 1, 0), (QStringList{QString()}));
    // Many wildcards over long text finish at once.
    const QString text = QString(20000, QLatin1Char('a'));
    EXPECT_TRUE(GetStringExpression(q("*a*a*a*a*a*b"), true, text, 1, 0).isEmpty());
}

TEST(ShortStringUtilities, WildcardsOverHugeInputNeedLittleMemory) {
    // A table of every pattern position against every text position would take gigabytes here.
    const QString pattern = QString(60000, QLatin1Char('a')) + QStringLiteral("*b*");
    const QString text = QString(60000, QLatin1Char('a')) + QString(60000, QLatin1Char('x')) +
                         QStringLiteral("b") + QString(60000, QLatin1Char('y'));
    EXPECT_EQ(GetStringExpression(pattern, true, text, 1, 0),
              (QStringList{QString(60000, QLatin1Char('x')), QString(60000, QLatin1Char('y'))}));
    QString words;
    for (int i = 0; i < 30000; ++i) words += QStringLiteral("w ");
    EXPECT_EQ(
        GetStringExpression(words + QStringLiteral("* end"), false, words + QStringLiteral("x y end"), 1, 0),
        (QStringList{QStringLiteral("x y")}));
    // Each wildcard takes as little as lets the rest match; consecutive ones take nothing first.
    EXPECT_EQ(GetStringExpression(q("*a*a"), true, q("xaya"), 1, 0), (QStringList{q("x"), q("y")}));
    EXPECT_EQ(GetStringExpression(q("a**b"), true, q("acb"), 1, 0), (QStringList{QString(), q("c")}));
    EXPECT_TRUE(GetStringExpression(q("a*a"), true, q("a"), 1, 0).isEmpty());
    EXPECT_TRUE(GetStringExpression(q("abc"), true, q("abc"), 1, 0).isEmpty()) << "no wildcard";
}

TEST(ShortStringUtilities, CountedCutsKeepCharactersWhole) {
    const QString flag = QString::fromUtf8("\xf0\x9f\x87\xab\xf0\x9f\x87\xb7"); // four units, one character
    EXPECT_EQ(ChunkString(flag + q("ab"), 2), (QStringList{flag, q("ab")}))
        << "a character longer than a chunk";
    EXPECT_EQ(ChunkString(q("a") + flag, 3), (QStringList{q("a"), flag}));
    // Chunking long text reads it once, not once per chunk.
    const QString text(400000, QLatin1Char('z'));
    const QStringList pieces = ChunkString(text, 1);
    ASSERT_EQ(pieces.size(), text.size());
    EXPECT_EQ(pieces.back(), q("z"));
    EXPECT_EQ(TrimStringBounds(kSmile + q("abc") + kSmile, 1), q("abc"));
    EXPECT_EQ(WriteToString(q("x") + kSmile + q("y"), q("ab")), q("aby"));
}

TEST(ShortStringUtilities, LinesShowTheirInvisibleCharacters) {
    Diagnostics::Capture capture;
    WriteLn_ASCII(q("a b\tc\r\n"));
    EXPECT_EQ(capture.lines(), QStringList{q("a/sb/tc#13#10")});
}

} // namespace
