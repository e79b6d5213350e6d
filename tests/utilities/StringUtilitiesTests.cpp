#include "utilities/StringUtilities.h"

#include <QElapsedTimer>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <gtest/gtest.h>
#include <limits>

namespace {

using namespace StringUtilities;
using StringPascalUtilities::pascalString;

const QString kE = QString::fromUtf8("\xc3\xa9");             // é, 2 bytes
const QString kEuro = QString::fromUtf8("\xe2\x82\xac");      // €, 3 bytes
const QString kSmile = QString::fromUtf8("\xf0\x9f\x98\x80"); // 4 bytes, two UTF-16 units
const QString kAcute = QString::fromUtf8("e\xcc\x81");        // e + combining acute, 3 bytes

QString as(int n) {
    return QString(n, QLatin1Char('a'));
}

TEST(ShortStrings, CutAtTheByteLimitOnACharacterBoundary) {
    struct Case {
        QString text;
        qsizetype bytes;
    };
    const Case cases[] = {
        {as(300), 255},          {QString(), 0},          {as(254) + kE, 254},     {as(253) + kE, 255},
        {as(253) + kEuro, 253},  {as(252) + kEuro, 255},  {as(252) + kSmile, 252}, {as(251) + kSmile, 255},
        {as(254) + kAcute, 254}, {as(252) + kAcute, 255}, {as(255), 255},
    };
    for (const Case& c : cases) {
        const QByteArray bytes = pascalString(c.text);
        EXPECT_EQ(bytes.size(), c.bytes) << c.text.size();
        EXPECT_TRUE(c.text.toUtf8().startsWith(bytes));
        EXPECT_EQ(StringPascalUtilities::stringWithPascalString(bytes).toUtf8(), bytes) << "valid UTF-8";
    }
    EXPECT_TRUE(StringPascalUtilities::compareWithPascal(kEuro + "x", pascalString(kEuro + "x")));
    EXPECT_FALSE(StringPascalUtilities::compareWithPascal("A", "a"));
    EXPECT_EQ(StringPascalUtilities::charAtIndex(kEuro, 0), 0xAC);
    EXPECT_EQ(StringPascalUtilities::charAtIndex("ab", 5), 0);
}

TEST(Strings, LengthLimitsKeepWholeCharacters) {
    struct Case {
        const char* what;
        QString text;
        QString limited; // stringWithMaximumLength 128
    };
    const Case cases[] = {
        {"128 fits", as(128), as(128)},
        {"129 gives 127", as(129), as(127)},
        {"a pair across the cut", as(126) + kSmile + "b", as(126)},
        {"a pair before the cut", as(125) + kSmile + "bb", as(125) + kSmile},
        {"a combining mark across the cut", as(126) + kAcute + "b", as(126)},
    };
    for (const Case& c : cases) EXPECT_EQ(stringWithMaximumLength(c.text, 128), c.limited) << c.what;

    EXPECT_EQ(stringByTruncatingCharacters(as(101), 100), as(100) + "...");
    EXPECT_EQ(stringByTruncatingCharacters(as(100), 100), as(100));
    EXPECT_EQ(stringByTruncatingCharacters(as(99) + kSmile, 100), as(99) + "...");
    EXPECT_EQ(stringByTruncatingCharacters(kSmile + kSmile, 0), "...");
    EXPECT_EQ(stringWithMaximumLength("abc", 0), "");
}

class WidthTruncation : public ::testing::Test {
protected:
    void SetUp() override {
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setPixelSize(12);
        attributes.font = font;
    }
    double width(const QString& s) const { return sizeWithAttributes(s, attributes).width(); }
    QFont font;
    TextAttributes attributes;
};

TEST_F(WidthTruncation, CutsAtThePositionUntilTheTextFits) {
    const QString text = QStringLiteral("The quick brown fox jumps over the lazy dog");
    ASSERT_GT(width(text), 100);
    EXPECT_EQ(stringByTruncatingMaximumWidthPosition(text, attributes, width(text), kTruncateMiddle), text)
        << "a text exactly as wide as the limit fits";

    struct Case {
        qint32 position;
        bool keepsStart, keepsEnd;
    };
    for (const Case c : {Case{kTruncateEnd, true, false}, Case{kTruncateMiddle, true, true},
                         Case{kTruncateStart, false, true}}) {
        const QString cut = stringByTruncatingMaximumWidthPosition(text, attributes, 100, c.position);
        EXPECT_LE(width(cut), 100) << c.position;
        EXPECT_TRUE(cut.contains("...")) << c.position;
        EXPECT_EQ(cut.startsWith("The"), c.keepsStart) << c.position;
        EXPECT_EQ(cut.endsWith("dog"), c.keepsEnd) << c.position;
        EXPECT_GT(width(cut), 100 - 3 * width("W")) << "no more removed than needed";
    }
    EXPECT_EQ(stringByTruncatingWithFontMaximumWidthPosition(text, font, 0, kTruncateMiddle), "...");
    EXPECT_EQ(stringByTruncatingWithFontMaximumWidthPosition("", font, -1, kTruncateEnd), "...");
}

TEST_F(WidthTruncation, NeverSplitsACharacter) {
    const QString text = (kSmile + kAcute + kEuro).repeated(20);
    for (qint32 position : {0, 1, 2}) {
        for (double w : {30.0, 45.0, 60.0}) {
            const QString cut = stringByTruncatingMaximumWidthPosition(text, attributes, w, position);
            EXPECT_TRUE(cut.isValidUtf16()) << position << " " << w;
            EXPECT_FALSE(cut.startsWith(QChar(0x301))) << position;
            EXPECT_EQ(cut.count(QChar(0x301)), cut.count(QLatin1Char('e')))
                << "marks stay with their letters";
        }
    }
}

TEST_F(WidthTruncation, ALongLabelIsCutWithoutMeasuringEveryCharacter) {
    const auto fastest = [](const auto& work) {
        qint64 best = std::numeric_limits<qint64>::max();
        for (int i = 0; i < 3; ++i) {
            QElapsedTimer timer;
            timer.start();
            work();
            best = std::min(best, timer.nsecsElapsed());
        }
        return double(std::max<qint64>(best, 1));
    };
    const QString label = QString("word ").repeated(400);
    QString cut;
    const double cutting = fastest(
        [&] { cut = stringByTruncatingMaximumWidthPosition(label, attributes, 100, kTruncateMiddle); });
    const double measuring = fastest([&] { width(label); });
    // Measuring once per removed character took about a thousand measures of the label.
    EXPECT_LT(cutting / measuring, 200.0);
    EXPECT_LE(width(cut), 100);
    EXPECT_GT(width(cut), 100 - 3 * width("W"));
}

TEST_F(WidthTruncation, HeightBoundCutsTheMiddle) {
    const QString text = QString("word ").repeated(200).trimmed();
    const double line = sizeWithAttributes("x", attributes).height();
    const QSizeF bounds(120, line * 3);
    const QString cut = stringByTruncatingWithBounds(text, attributes, bounds);
    EXPECT_TRUE(cut.contains("..."));
    EXPECT_TRUE(cut.startsWith("word") && cut.endsWith("word"));
    EXPECT_LE(StringDrawingAdditions::boundingRectWithSizeFontAlignment(cut, {120, 1e9}, font, Qt::AlignLeft)
                  .height(),
              bounds.height());
    EXPECT_EQ(stringByTruncatingWithBounds("word", attributes, bounds), "word");

    const QRectF narrow =
        StringDrawingAdditions::boundingRectWithSizeFontAlignment(text, {60, 1e9}, font, {});
    const QRectF wide = StringDrawingAdditions::boundingRectWithSizeFontAlignment(text, {600, 1e9}, font, {});
    EXPECT_GT(narrow.height(), wide.height());
    EXPECT_GT(sizeWithFont("word", font).width(), 0);

    QImage image(40, 20, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    StringDrawingAdditions::drawInRectFontColorAlignment("WW", painter, image.rect(), font, Qt::black,
                                                         Qt::AlignCenter);
    painter.end();
    bool inked = false;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) inked = inked || image.pixel(x, y) != qRgb(255, 255, 255);
    EXPECT_TRUE(inked);
}

TEST(Strings, NumbersAndSmallTests) {
    struct Case {
        const char* text;
        qint32 intValue;
        bool isInteger, boolValue;
    };
    const Case cases[] = {
        {"0", 0, true, false},
        {"12 apples", 12, true, true},
        {"00", 0, false, false},
        {"apples", 0, false, false},
        {"", 0, false, false},
        {"  -7", -7, true, true},
        {"99999999999", 2147483647, true, true},
        {"YES", 0, false, true},
        {"+0003", 3, true, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(intValue(c.text), c.intValue) << c.text;
        EXPECT_EQ(isInteger(c.text), c.isInteger) << c.text;
        EXPECT_EQ(boolValue(c.text), c.boolValue) << c.text;
    }
    EXPECT_DOUBLE_EQ(doubleValue(" 2.5e3x"), 2500);
    EXPECT_DOUBLE_EQ(doubleValue("-.5"), -0.5);
    EXPECT_DOUBLE_EQ(doubleValue("1e"), 1);
    EXPECT_TRUE(isReturnKey("\n"));
    EXPECT_FALSE(isReturnKey("\r\n"));

    EXPECT_EQ(component("key=value", "="), QString("value"));
    EXPECT_EQ(component("key=", "="), QString(""));
    EXPECT_EQ(component("a=b=c", "="), std::nullopt);
    EXPECT_EQ(component("abc", "="), std::nullopt);
    EXPECT_EQ(stringByTrimmingSuffix("Notes.txt", ".txt"), "Notes");
    EXPECT_EQ(stringByTrimmingPrefix(".hidden", "."), "hidden");
    EXPECT_EQ(stringByTrimmingPrefix("name", "x"), "name");

    for (const auto& [value, text] : {std::pair{12.0, "12"}, std::pair{0.5, "0.5"}, std::pair{1e20, "1E20"},
                                      std::pair{1e-5, "1E-5"}, std::pair{-2.25, "-2.25"}})
        EXPECT_EQ(stringWithFloat(value), text);
    EXPECT_EQ(stringWithInteger(-42), "-42");
    const QString s = "same";
    EXPECT_EQ(&cfType(s), &s);
    QString m = "text";
    MutableStringUtilities::deleteAllCharacters(m);
    EXPECT_TRUE(m.isEmpty());
}

TEST(RegularExpressions, GroupsOfEveryMatchInOneList) {
    using namespace StringRegularExpressionUtilities;
    QStringList groups;
    EXPECT_TRUE(matchesWithExpressionMatches("Untitled 7", "(.*) ([0-9]+)$", &groups));
    EXPECT_EQ(groups, QStringList({"Untitled", "7"}));

    EXPECT_TRUE(matchesWithExpressionMatches("REPORT copy", "(report)( copy)?( [0-9]+)?$", &groups));
    ASSERT_EQ(groups.size(), 3);
    EXPECT_EQ(groups.at(0), "REPORT"); // case-insensitive
    EXPECT_EQ(groups.at(1), " copy");
    EXPECT_TRUE(groups.at(2).isNull()) << "a group that took no part";

    EXPECT_TRUE(matchesWithExpressionMatches("x", "x()", &groups));
    ASSERT_EQ(groups.size(), 1);
    EXPECT_FALSE(groups.at(0).isNull()) << "an empty group that took part";

    EXPECT_FALSE(matchesWithExpressionMatches("a report", "(report)", &groups)) << "anchored at the start";
    EXPECT_TRUE(groups.isEmpty());
    EXPECT_TRUE(matchesWithExpressionOptionsMatches("a report, a Report", "(report)", 0, &groups));
    EXPECT_EQ(groups, QStringList({"report", "Report"}));
    EXPECT_TRUE(matchesWithExpressionMatches("ababx", "(a)b", &groups)) << "each match where the last ended";
    EXPECT_EQ(groups, QStringList({"a", "a"}));

    groups = QStringList{"stale"};
    EXPECT_FALSE(matchesWithExpressionMatches("abc", "(unclosed", &groups));
    EXPECT_TRUE(groups.isEmpty());
    EXPECT_TRUE(matchesWithExpressionMatches("abc", "a", nullptr));
}

} // namespace
