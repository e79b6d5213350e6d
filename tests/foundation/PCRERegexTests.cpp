#include "foundation/PCRERegex.h"
#include "platform/Diagnostics.h"

#include <gtest/gtest.h>

namespace {

struct Group {
    QString text;
    qint64 location;
    qint64 length;
};

struct Case {
    const char* what;
    QString pattern;
    QString subject;
    bool matches;
    std::vector<Group> groups;   // entries 1.. of a match
    std::optional<QString> with; // the subject with every group replaced by "#"
};

TEST(PCRERegex, MatchesAndReplacementsTable) {
    const QString longPrefix = QString(40000, QChar(0xE9)); // 80,000 bytes of UTF-8 before the match
    const Case cases[] = {
        {"trailing number", R"((\s+\d*)$)", "Untitled 12", true, {{" 12", 8, 3}}, "Untitled#"},
        {"caseless, subject's case kept",
         R"((copy\s*\d*)$)",
         "Untitled Copy 2",
         true,
         {{"Copy 2", 9, 6}},
         "Untitled #"},
        {"non-ASCII before the match", R"((\s+\d*)$)", "Café 12", true, {{" 12", 4, 3}}, "Café#"},
        {"caseless beyond ASCII", R"((ÉTÉ))", "un été", true, {{"été", 3, 3}}, "un #"},
        {"no match", R"((\d+)$)", "Untitled", false, {}, std::nullopt},
        {"no groups", "Untitled", "Untitled 3", true, {}, "Untitled 3"},
        {"several groups keep their ranges",
         R"((\d+)-(\d+))",
         "a 1-22 b",
         true,
         {{"1", 2, 1}, {"22", 4, 2}},
         "a #-# b"},
        {"unset optional group skipped", "(a)?(b)", "b", true, {{"b", 0, 1}}, "#"},
        {"nested group left to the outer one",
         R"(((\d+)x))",
         "12x",
         true,
         {{"12x", 0, 3}, {"12", 0, 2}},
         "#"},
        {"empty group", R"((\d*)$)", "Plan", true, {{"", 4, 0}}, "Plan#"},
        {"long subject", R"((\s+\d+)$)", longPrefix + " 7", true, {{" 7", 40000, 2}}, longPrefix + "#"},
        {"empty subject", "(.*)", "", false, {}, std::nullopt},
    };
    for (const Case& c : cases) {
        PCREMatchesArray matches;
        EXPECT_EQ(PCRERegex::Regex(c.pattern, c.subject, matches), c.matches) << c.what;
        EXPECT_EQ(PCREStringUtilities::regex(c.subject, c.pattern), c.matches) << c.what;
        if (c.matches) {
            ASSERT_EQ(matches.size(), c.groups.size() + 1) << c.what;
            for (size_t i = 0; i < c.groups.size(); ++i) {
                EXPECT_EQ(matches[i + 1].text, c.groups[i].text) << c.what << " group " << i + 1;
                EXPECT_EQ(matches[i + 1].range, (CFRange{c.groups[i].location, c.groups[i].length}))
                    << c.what << " group " << i + 1;
            }
        }
        EXPECT_EQ(PCREStringUtilities::stringByReplacingStringWithPattern(c.subject, c.pattern, "#"), c.with)
            << c.what;
    }
}

TEST(PCRERegex, NumbersAFileNameAsTheFreeNameRoutineDoes) {
    EXPECT_EQ(PCREStringUtilities::stringByReplacingStringWithPattern("Untitled 12", R"((\s+\d*)$)", " 13"),
              QStringLiteral("Untitled 13"));
    QStringList parts;
    EXPECT_TRUE(PCREStringUtilities::regexWithMatches("Report copy 4", R"(copy\s*(\d*)$)", &parts));
    EXPECT_EQ(parts, (QStringList{"", "4"}));
    EXPECT_FALSE(PCREStringUtilities::regexWithMatches("Report", R"(copy\s*(\d*)$)", &parts));
    EXPECT_TRUE(parts.isEmpty());
}

TEST(PCRERegex, AnInvalidPatternWarnsOnceAndMatchesNothing) {
    Diagnostics::Capture capture;
    PCREMatchesArray matches;
    EXPECT_FALSE(PCRERegex::Regex("(abc", "abc", matches));
    ASSERT_EQ(capture.lines().size(), 1);
    EXPECT_EQ(capture.lines().first(), "Warning: PCRE failed: (abc (missing closing parenthesis)");
    EXPECT_FALSE(PCREStringUtilities::stringByReplacingStringWithPattern("abc", "(abc", "x"));
}

TEST(PCRERegex, AnObjectKeepsItsSubjectAcrossPatternsAndEncodings) {
    Ref<TPCRERegex> regex = Ref<TPCRERegex>::adopt(TPCRERegex::Create(R"((\d+))", "Item 42"));
    PCREMatchesArray matches;
    ASSERT_TRUE(regex->Match(matches));
    EXPECT_EQ(matches.at(1).text, "42");
    regex->Study();
    EXPECT_TRUE(regex->Match());

    // Without the caseless option "ITEM" no longer matches; the option acts at the next compile.
    regex->SetOptions(0x00080000u);
    EXPECT_FALSE(regex->Match("item", "ITEM 1"));
    EXPECT_TRUE(regex->Match("ITEM", "ITEM 1"));

    // A subject that does not fit the encoding is refused with one line.
    Diagnostics::Capture capture;
    regex->SetEncoding(CFUtilities::kCFStringEncodingASCII);
    EXPECT_FALSE(regex->MatchWithSubject("Café"));
    EXPECT_EQ(capture.lines(), QStringList{"Warning: PCRE failed to copy subject string."});

    PCRERegex::RegexMatchesCopyStrings("Item 42", matches);
    EXPECT_EQ(matches.at(1).string, "42");
    PCRERegex::RegexMatchesRelease(matches);
    EXPECT_TRUE(matches.at(1).string.isNull());
    EXPECT_EQ(matches.at(1).range, CFRange{});
}

} // namespace
