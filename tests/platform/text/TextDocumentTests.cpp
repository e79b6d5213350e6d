#include "platform/text/RTFCodec.h"
#include "platform/text/TextDocumentConverter.h"

#include "TextTestSupport.h"

#include <QTextBlock>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace TextTestSupport;

TEST(TextDocumentConverter, KeepsWhatQtShowsAndConvertsBack) {
    AttributedString s;
    TextAttributes a = plainFont(QStringLiteral("Helvetica-BoldOblique"), 14);
    s.append(QStringLiteral("ps name "), a);
    a = plainFont();
    a.font.bold = true;
    s.append(QStringLiteral("bold "), a);
    a.font.bold = false;
    a.font.italic = true;
    a.foregroundColor = ATSURGBAlphaColor{1, 0, 0, 1};
    a.backgroundColor = ATSURGBAlphaColor{0.2f, 0.4f, 0.6f, 1};
    s.append(QStringLiteral("italic red\n"), a);
    a = plainFont();
    a.paragraphStyle.alignment = TextAlignment::Center;
    a.link = QStringLiteral("https://example.com/");
    a.underline = UnderlineStyle::Double;
    s.append(QStringLiteral("centred link"), a);

    QTextDocument document;
    TextDocumentConverter::toDocument(s, &document);
    EXPECT_EQ(document.toPlainText(), QStringLiteral("ps name bold italic red\ncentred link"));
    ASSERT_EQ(document.blockCount(), 2);

    const QTextBlock first = document.firstBlock();
    auto formatAt = [](const QTextBlock& block, int index) {
        auto it = block.begin();
        for (int i = 0; i < index; ++i) ++it;
        return it.fragment().charFormat();
    };
    const QTextCharFormat ps = formatAt(first, 0);
    EXPECT_EQ(ps.fontFamilies().toStringList(), QStringList{QStringLiteral("Helvetica")});
    EXPECT_EQ(ps.fontWeight(), QFont::Bold);
    EXPECT_TRUE(ps.fontItalic());
    EXPECT_EQ(ps.fontPointSize(), 14);
    EXPECT_EQ(formatAt(first, 1).fontWeight(), QFont::Bold);
    const QTextCharFormat red = formatAt(first, 2);
    EXPECT_TRUE(red.fontItalic());
    EXPECT_EQ(red.foreground().color(), QColor(Qt::red));
    const QTextBlock second = first.next();
    EXPECT_EQ(second.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    const QTextCharFormat link = formatAt(second, 0);
    EXPECT_TRUE(link.isAnchor());
    EXPECT_EQ(link.anchorHref(), QStringLiteral("https://example.com/"));
    EXPECT_TRUE(link.fontUnderline());

    EXPECT_TRUE(TextDocumentConverter::fromDocument(document) == s);
}

TEST(TextDocumentConverter, EveryAttributeAndImagesRoundTrip) {
    const AttributedString original = everyAttribute();
    QTextDocument document;
    TextDocumentConverter::toDocument(original, &document);
    const AttributedString back = TextDocumentConverter::fromDocument(document);
    EXPECT_EQ(back.string(), original.string());
    ASSERT_EQ(back.runs().size(), original.runs().size());
    for (qsizetype i = 0; i < original.runs().size(); ++i)
        EXPECT_TRUE(back.runs()[i].attributes == original.runs()[i].attributes) << "run " << i;
    // The image attachment shows as its picture.
    const QString text = document.toRawText();
    EXPECT_EQ(text.count(QChar::ObjectReplacementCharacter), 2);
}

TEST(TextDocumentConverter, EditsMadeInTheDocumentComeBack) {
    AttributedString s(QStringLiteral("Helvetica words"), plainFont(QStringLiteral("Helvetica-Bold")));
    QTextDocument document;
    TextDocumentConverter::toDocument(s, &document);
    QTextCursor cursor(&document);
    cursor.select(QTextCursor::Document);
    QTextCharFormat f;
    f.setFontWeight(QFont::Normal);
    f.setForeground(QColor(0, 0, 255));
    cursor.mergeCharFormat(f);
    cursor.movePosition(QTextCursor::End);
    cursor.insertImage(QImage(5, 5, QImage::Format_RGB32), QStringLiteral("pasted"));
    const AttributedString back = TextDocumentConverter::fromDocument(document);
    const TextAttributes& a = back.attributesAt(0);
    EXPECT_FALSE(a.font.bold);
    EXPECT_EQ(a.foregroundColor, (ATSURGBAlphaColor{0, 0, 1, 1}));
    ASSERT_EQ(back.attachments().size(), 1);
    EXPECT_TRUE(back.attachments()[0].isImage());
}

// Colours stored in a colour space of their own (sRGB, gray) are written back in it after the text
// is edited; a colour picked anew is written as generic RGB.
TEST(TextDocumentConverter, ColourSpacesSurviveAnEdit) {
    const QByteArray rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\cocoartf2639\n{\\fonttbl\\f0\\fswiss\\fcharset0 Helvetica;}\n"
        "{\\colortbl;\\red255\\green128\\blue0;\\red128\\green128\\blue128;}\n"
        "{\\*\\expandedcolortbl;\\cssrgb\\c100000\\c50000\\c0;\\csgray\\c50000;}\n"
        "\\f0\\fs24 \\cf1 \\cb2 orange on gray\\cf0 \\cb0  plain}";
    const std::optional<AttributedString> read = RTFCodec::read(rtf);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->attributesAt(0).foregroundColorSpace, "cssrgb");
    QTextDocument document;
    TextDocumentConverter::toDocument(*read, &document);
    QTextCursor cursor(&document);
    cursor.setPosition(3);
    cursor.insertText(QStringLiteral("nge"));
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat picked;
    picked.setForeground(QColor(0, 0, 255));
    cursor.insertText(QStringLiteral(" blue"), picked);
    const QByteArray written = RTFCodec::write(TextDocumentConverter::fromDocument(document));
    EXPECT_TRUE(written.contains("\\cssrgb\\c100000\\c50000\\c0;")) << written.constData();
    EXPECT_TRUE(written.contains("\\csgray\\c50000;")) << written.constData();
    EXPECT_TRUE(written.contains("\\csgenericrgb\\c0\\c0\\c100000;")) << written.constData();
    const std::optional<AttributedString> again = RTFCodec::read(written);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->attributesAt(0).foregroundColor, read->attributesAt(0).foregroundColor);
    EXPECT_EQ(again->attributesAt(0).backgroundColorSpace, "csgray");
}

TEST(TextDocumentConverter, ALongParagraphOfManyRunsConvertsInLinearTime) {
    // A quadratic search for line ends grew some hundredfold and more.
    const auto convert = [](const AttributedString& s) {
        QTextDocument document;
        TextDocumentConverter::toDocument(s, &document);
    };
    EXPECT_LT(growthOfSixteenfoldParagraph(5000, convert), kLinearGrowthLimit);
    const AttributedString s = longParagraphOfManyRuns(20000);
    QTextDocument document;
    TextDocumentConverter::toDocument(s, &document);
    EXPECT_EQ(document.blockCount(), 1);
    EXPECT_TRUE(TextDocumentConverter::fromDocument(document) == s);
}
