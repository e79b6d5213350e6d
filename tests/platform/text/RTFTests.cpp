#include "platform/text/RTFCodec.h"
#include "platform/text/TextDocumentConverter.h"

#include "TextTestSupport.h"

#include <QTextDocument>

#include <functional>

#include <gtest/gtest.h>

using namespace TextTestSupport;

namespace {

AttributedString readOk(const QByteArray& rtf, const RTFCodec::AttachmentFiles& files = {}) {
    QString error;
    std::optional<AttributedString> s = RTFCodec::read(rtf, &error, files);
    EXPECT_TRUE(s.has_value()) << error.toStdString();
    return s.value_or(AttributedString());
}

qsizetype at(const AttributedString& s, const QString& needle) {
    return s.string().indexOf(needle);
}

} // namespace

TEST(RTFReader, ReadsTheMacOSDialect) {
    const QByteArray dot = fixture(QStringLiteral("dot.png"));
    const AttributedString s =
        readOk(fixture(QStringLiteral("cocoa.rtf")), {{QStringLiteral("dot.png"), dot}});
    EXPECT_EQ(s.string(), QStringLiteral("Plain text, bold, italic, underlined, struck, red, blue back.\n"
                                         "Caf\u00e9 \u20ac \u65e5\u672c a link\n"
                                         "\uFFFC\n"
                                         "H2O and x2"));
    const TextAttributes& plain = s.attributesAt(0);
    EXPECT_EQ(plain.font, (TextFont{QStringLiteral("Helvetica"), 12, false, false}));
    EXPECT_FALSE(plain.foregroundColor.has_value());
    EXPECT_EQ(plain.paragraphStyle.tabStops,
              (QList<TabStop>{
                  {28.3, TabStop::Kind::Left}, {56.65, TabStop::Kind::Left}, {85, TabStop::Kind::Left}}));
    EXPECT_EQ(s.attributesAt(at(s, "bold")).font,
              (TextFont{QStringLiteral("Helvetica-Bold"), 12, true, false}));
    EXPECT_TRUE(s.attributesAt(at(s, "italic")).font.italic);
    EXPECT_EQ(s.attributesAt(at(s, "underlined")).underline, UnderlineStyle::Single);
    EXPECT_TRUE(s.attributesAt(at(s, "struck")).strikethrough);
    EXPECT_FALSE(s.attributesAt(at(s, ", red")).strikethrough);
    // The expanded colour table overrides the 8-bit one and carries alpha.
    EXPECT_EQ(s.attributesAt(at(s, "red")).foregroundColor, (ATSURGBAlphaColor{1, 0, 0, 1}));
    EXPECT_EQ(s.attributesAt(at(s, "blue back")).backgroundColor, (ATSURGBAlphaColor{0, 0, 1, 0.5f}));
    EXPECT_FALSE(s.attributesAt(at(s, "back.") + 4).backgroundColor.has_value());

    const TextAttributes& link = s.attributesAt(at(s, "a link"));
    EXPECT_EQ(link.link, QStringLiteral("https://example.com/a?b=1"));
    EXPECT_EQ(link.underline, UnderlineStyle::Single);
    EXPECT_EQ(link.paragraphStyle.alignment, TextAlignment::Center);
    EXPECT_TRUE(s.attributesAt(at(s, "a link") + 6).link.isEmpty());
    EXPECT_EQ(s.attributesAt(at(s, "Caf")).paragraphStyle.alignment, TextAlignment::Center);

    ASSERT_EQ(s.attachments().size(), 1);
    EXPECT_EQ(s.attachments()[0], (TextAttachment{QStringLiteral("dot.png"), dot}));
    EXPECT_EQ(s.attributesAt(at(s, "\uFFFC")).paragraphStyle, ParagraphStyle());

    const TextAttributes& sub = s.attributesAt(at(s, "2O"));
    EXPECT_EQ(sub.superscript, -1);
    EXPECT_EQ(sub.font, (TextFont{QStringLiteral("Menlo-Italic"), 13, false, false}));
    EXPECT_EQ(s.attributesAt(s.length() - 1).superscript, 1);
    EXPECT_EQ(s.attributesAt(at(s, "O and")).superscript, 0);
}

TEST(RTFReader, ReadsAWordProcessorsDialect) {
    const AttributedString s = readOk(fixture(QStringLiteral("wordprocessor.rtf")));
    EXPECT_EQ(s.string(), QStringLiteral("Resum\u00e9 bold nested marked \u201cquoted\u201d\n"
                                         "\u041f\u0440\u0438\u0432\u0435\u0442\n"
                                         "visible\uFFFC\n"
                                         "\tright\n"));
    const TextAttributes& first = s.attributesAt(0);
    EXPECT_EQ(first.font, (TextFont{QStringLiteral("Times New Roman"), 12, false, false}));
    ParagraphStyle p;
    p.alignment = TextAlignment::Left;
    p.headIndent = 36;
    p.firstLineHeadIndent = 18;
    p.paragraphSpacingBefore = 6;
    p.paragraphSpacing = 12;
    p.lineHeightMultiple = 1.5;
    EXPECT_EQ(first.paragraphStyle, p);
    EXPECT_TRUE(s.attributesAt(at(s, "bold")).font.bold);
    EXPECT_FALSE(s.attributesAt(at(s, "bold")).font.italic);
    EXPECT_TRUE(s.attributesAt(at(s, "nested")).font.bold);
    EXPECT_TRUE(s.attributesAt(at(s, "nested")).font.italic);
    EXPECT_FALSE(s.attributesAt(at(s, " marked")).font.bold);
    EXPECT_EQ(s.attributesAt(at(s, "marked")).backgroundColor, (ATSURGBAlphaColor{1, 1, 0, 1}));
    EXPECT_FALSE(s.attributesAt(at(s, "quoted")).backgroundColor.has_value());

    const TextAttributes& cyrillic = s.attributesAt(at(s, "\u041f"));
    EXPECT_EQ(cyrillic.font, (TextFont{QStringLiteral("Arial Cyr"), 10, false, false}));
    EXPECT_EQ(cyrillic.paragraphStyle.alignment, TextAlignment::Right);

    // The PNG picture is kept, the metafile fallback is not.
    ASSERT_EQ(s.attachments().size(), 1);
    EXPECT_EQ(s.attachments()[0].data, fixture(QStringLiteral("dot.png")));
    EXPECT_TRUE(s.attachments()[0].fileName.endsWith(QLatin1String(".png")));

    EXPECT_EQ(s.attributesAt(at(s, "\tright")).paragraphStyle.tabStops,
              (QList<TabStop>{{216, TabStop::Kind::Right}}));
}

TEST(RTFReader, DecodesCharacterSetsAndUnicodeEscapes) {
    struct Case {
        const char* rtf;
        QString text;
    };
    const Case cases[] = {
        {"{\\rtf1\\mac Caf\\'8e}", QStringLiteral("Caf\u00e9")},
        {"{\\rtf1\\ansi\\ansicpg1251 \\'c4\\'e0}", QStringLiteral("\u0414\u0430")},
        {"{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0}", QStringLiteral("\u3042")},
        // Code pages with combining marks: iconv holds the last letter back until it is flushed.
        {"{\\rtf1\\ansi\\ansicpg1255 \\'f9\\'ec\\'e5\\'ed}", QStringLiteral("\u05e9\u05dc\u05d5\u05dd")},
        {"{\\rtf1\\ansi \\'80\\'93}", QStringLiteral("\u20ac\u201c")},
        {"{\\rtf1 \\uc2\\u8364\\'80\\'80 a\\uc1\\u-10179?\\u-8704?}", QStringLiteral("\u20ac a\U0001F600")},
        {"{\\rtf1 \\uc0\\u8364 x{\\uc3\\u233 abcd}y}", QStringLiteral("\u20acx\u00e9dy")},
        {"{\\rtf1 a\\tab b\\line c\\~d\\emdash\\{\\}\\\\}", QStringLiteral("a\tb\u2028c\u00a0d\u2014{}\\")},
        {"{\\rtf1 {\\*\\foo hidden}{\\info{\\title t}}{\\*\\bar {nested} hidden}shown\\unknownword12 too}",
         QStringLiteral("showntoo")},
        {"{\\rtf1 x\\bin3 {}\\y}", QStringLiteral("xy")},
    };
    for (const Case& c : cases) {
        const AttributedString s = readOk(c.rtf);
        EXPECT_EQ(s.string(), c.text) << c.rtf;
    }
}

TEST(RTFReader, UntrustedInputGivesAResultOrAnError) {
    const QByteArray deep = "{\\rtf1 " + QByteArray(100000, '{') + "x" + QByteArray(100000, '}') + "}";
    const QByteArray manyColors = "{\\rtf1{\\colortbl" + QByteArray(300000, ';') + "}\\cf200000 x}";
    struct Case {
        QByteArray rtf;
        bool ok;
        QString text;
    };
    const Case cases[] = {
        {"", false, {}},
        {"plain text", false, {}},
        {deep, false, {}},
        {"{\\rtf1 x\\bin99999 ab}", false, {}},
        {"{\\rtf1 x\\bin-5 ab}", true, QStringLiteral("xab")},
        {"{\\rtf1 trunc", true, QStringLiteral("trunc")},
        {"{\\rtf1 {\\b open {\\i groups", true, QStringLiteral("open groups")},
        {"{\\rtf1 a}}}} b", true, QStringLiteral("a")},
        {"{\\rtf1 \\fs99999999999999999999 \\li-99999999999999999 \\u99999999999 \\uc999999999 big}", true,
         QStringLiteral("big")},
        {"{\\rtf1 bad\\'zzhex\\'4}", true, QStringLiteral("badzzhex\u0004")},
        {"{\\rtf1 \\f99\\cf77\\cb-3 unknown tables}", true, QStringLiteral("unknown tables")},
        {"{\\rtf1 {\\pict\\pngblip 89504e47zz}{\\pict\\jpegblip\\bin2 ab}x}", true,
         QStringLiteral("\uFFFC\uFFFCx")},
        {"{\\rtf1 {{\\NeXTGraphic ../../etc/passwd}\\'ac}}", true, QStringLiteral("\uFFFC")},
        {"{\\rtf1 {\\field{\\*\\fldinst{HYPERLINK}}{\\fldrslt empty}}\\", true, QStringLiteral("empty")},
        {manyColors, true, QStringLiteral("x")},
        {"{\\rtf1 " + QByteArray(70, 'a').prepend("\\") + " word}", true, QStringLiteral("word")},
    };
    for (const Case& c : cases) {
        QString error;
        std::optional<AttributedString> s = RTFCodec::read(c.rtf, &error);
        EXPECT_EQ(s.has_value(), c.ok) << c.rtf.left(60).constData();
        if (s) {
            EXPECT_EQ(s->string(), c.text) << c.rtf.left(60).constData();
        } else {
            EXPECT_FALSE(error.isEmpty());
        }
    }
    // A graphic reference never names anything outside its folder.
    const AttributedString s = readOk("{\\rtf1 {{\\NeXTGraphic ../../etc/passwd}\\'ac}}");
    ASSERT_EQ(s.attachments().size(), 1);
    EXPECT_EQ(s.attachments()[0].fileName, QStringLiteral("passwd"));
    EXPECT_TRUE(s.attachments()[0].data.isEmpty());
}

TEST(RTFReader, ReadsWhatOtherProgramsWrite) {
    struct Case {
        const char* rtf;
        QString text;
        std::function<void(const AttributedString&)> check = {};
    };
    const Case cases[] = {
        // A font of the ANSI charset has its bytes in code page 1252, whatever the document's code page.
        {"{\\rtf1\\ansi\\ansicpg950{\\fonttbl\\f0\\fswiss\\fcharset0 Helvetica;\\f1\\fnil\\fcharset136 "
         "PMingLiU;}"
         "\\f0 \\'a9 \\f1 \\'a4\\'a4}",
         QStringLiteral("\u00a9 \u4e2d")},
        // Mac code pages, each in its own encoding or the nearest one there is.
        {"{\\rtf1\\mac\\ansicpg10001 \\'82\\'a0}", QStringLiteral("\u3042")},
        {"{\\rtf1\\mac\\ansicpg10002 \\'a4\\'a4}", QStringLiteral("\u4e2d")},
        {"{\\rtf1\\mac\\ansicpg10003 \\'b0\\'a1}", QStringLiteral("\uac00")},
        {"{\\rtf1\\mac\\ansicpg10004 \\'c7}", QStringLiteral("\u0627")},
        {"{\\rtf1\\mac\\ansicpg10005 \\'e0}", QStringLiteral("\u05d0")},
        {"{\\rtf1\\mac\\ansicpg10006 \\'e1}", QStringLiteral("\u03b1")},
        {"{\\rtf1\\mac\\ansicpg10007 \\'80}", QStringLiteral("\u0410")},
        {"{\\rtf1\\mac\\ansicpg10008 \\'d6\\'d0}", QStringLiteral("\u4e2d")},
        {"{\\rtf1\\mac\\ansicpg10017 \\'a2}", QStringLiteral("\u0490")},
        {"{\\rtf1\\mac\\ansicpg10021 \\'a1}", QStringLiteral("\u0e01")},
        {"{\\rtf1\\mac\\ansicpg10029 \\'81}", QStringLiteral("\u0100")},
        {"{\\rtf1\\mac\\ansicpg10081 \\'da}", QStringLiteral("\u011e")},
        {"{\\rtf1\\mac\\ansicpg10082 \\'8e}", QStringLiteral("\u00e9")},
        {"{\\rtf1{\\fonttbl\\f0\\fnil\\fcharset78 Osaka;}\\f0 \\'82\\'a0}", QStringLiteral("\u3042")},
        // Font names beyond code page 1252, as the writer writes them.
        {"{\\rtf1\\uc0{\\fonttbl\\f0\\fnil\\fcharset0 \\u65325 \\u65331  \\u26126 \\u26397 ;}\\f0 x}",
         QStringLiteral("x"),
         [](const AttributedString& s) {
             EXPECT_EQ(s.attributesAt(0).font.name, QStringLiteral("\uff2d\uff33 \u660e\u671d"));
         }},
        // Hidden text is not shown.
        {"{\\rtf1 shown{\\v hidden} too\\v  gone\\v0 !}", QStringLiteral("shown too!")},
        // Footnotes: the mark stays in the text, the footnotes follow the body.
        {"{\\rtf1 Body{\\super\\chftn}{\\footnote\\pard{\\super\\chftn} First.} and more{\\super *}"
         "{\\footnote {\\super *} Second\\par two.}.}",
         QStringLiteral("Body1 and more*.\n1 First.\n* Second\ntwo."),
         [](const AttributedString& s) { EXPECT_EQ(s.attributesAt(4).superscript, 1); }},
        // Pictures Qt cannot show are kept with their bytes.
        {"{\\rtf1 a{\\pict\\wmetafile8\\picw10\\pich10 0102}b{\\pict\\emfblip 0304}c{\\pict\\macpict 05}}",
         QStringLiteral("a\uFFFCb\uFFFCc\uFFFC"),
         [](const AttributedString& s) {
             EXPECT_EQ(s.attachments(), (QList<TextAttachment>{{QStringLiteral("Picture 1.wmf"), "\x01\x02"},
                                                               {QStringLiteral("Picture 2.emf"), "\x03\x04"},
                                                               {QStringLiteral("Picture 3.pict"), "\x05"}}));
         }},
        // A line height multiple of 1.0 stays through a text document.
        {"{\\rtf1 \\sl240\\slmult1 single}", QStringLiteral("single"),
         [](const AttributedString& s) {
             EXPECT_EQ(s.attributesAt(0).paragraphStyle.lineHeightMultiple, 1.0);
             QTextDocument document;
             TextDocumentConverter::toDocument(s, &document);
             EXPECT_TRUE(TextDocumentConverter::fromDocument(document) == s);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rtf);
        const AttributedString s = readOk(c.rtf);
        EXPECT_EQ(s.string(), c.text);
        if (c.check) c.check(s);
    }

    // Font names written and read back stay whole.
    for (const QString& name :
         {QStringLiteral("\uff2d\uff33 \u660e\u671d"), QStringLiteral("Caf\u00e9 Sans"),
          QStringLiteral("\u5fae\u8f6f\u96c5\u9ed1"), QStringLiteral("Back\\slash {Braces}")}) {
        const AttributedString original(QStringLiteral("text"), plainFont(name));
        EXPECT_EQ(readOk(RTFCodec::write(original)).attributesAt(0).font.name, name);
    }
}

TEST(RTFReader, TheLastParagraphKeepsItsStyleAndNothingFollowsTheDocument) {
    struct Case {
        const char* rtf;
        QString text;
        TextAlignment first;
        TextAlignment last;
    };
    const Case cases[] = {
        {"{\\rtf1 \\qc centered}", QStringLiteral("centered"), TextAlignment::Center, TextAlignment::Center},
        {"{\\rtf1 \\pard\\ql left\\par\\pard\\qr right}", QStringLiteral("left\nright"), TextAlignment::Left,
         TextAlignment::Right},
        {"{\\rtf1 \\qc a} b {\\qr c}", QStringLiteral("a"), TextAlignment::Center, TextAlignment::Center},
        {"{\\rtf1 \\qj trunc", QStringLiteral("trunc"), TextAlignment::Justified, TextAlignment::Justified},
    };
    for (const Case& c : cases) {
        const AttributedString s = readOk(c.rtf);
        EXPECT_EQ(s.string(), c.text) << c.rtf;
        EXPECT_EQ(s.attributesAt(0).paragraphStyle.alignment, c.first) << c.rtf;
        EXPECT_EQ(s.attributesAt(s.length() - 1).paragraphStyle.alignment, c.last) << c.rtf;
    }

    // Written text whose last paragraph has no newline and a style of its own reads back the same.
    ParagraphStyle centered;
    centered.alignment = TextAlignment::Center;
    centered.tabStops = {{28, TabStop::Kind::Right}};
    TextAttributes a = plainFont();
    AttributedString endsInText(QStringLiteral("plain\n"), a);
    a.paragraphStyle = centered;
    endsInText.append(QStringLiteral("centred last"), a);
    AttributedString endsInAttachment(QStringLiteral("picture: "), a);
    endsInAttachment.appendAttachment({QStringLiteral("p.png"), TextTestSupport::png(1, 1, Qt::red)}, a);
    for (const AttributedString& original : {endsInText, endsInAttachment}) {
        RTFCodec::AttachmentFiles files;
        const QByteArray rtf = RTFCodec::write(original, &files);
        EXPECT_TRUE(readOk(rtf, files) == original) << rtf.constData();
    }
}

TEST(RTFReader, UnicodeEscapesInLinksAndGraphicNames) {
    struct Case {
        const char* rtf;
        QString link;
        QString fileName;
    };
    const Case cases[] = {
        {"{\\rtf1 {\\field{\\*\\fldinst{HYPERLINK \"https://example.com/\\uc1\\u26085?\\u-3?x\"}}{\\fldrslt "
         "l}}}",
         QStringLiteral("https://example.com/\u65e5\uFFFDx"),
         {}},
        {"{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"https://example.com/\\uc0\\u8212 \\'e9\"}{\\fldrslt l}}}",
         QStringLiteral("https://example.com/\u2014\u00e9"),
         {}},
        {"{\\rtf1 {{\\NeXTGraphic \\uc0\\u26085 \\u26412 .png \\width20}\\'ac}}",
         {},
         QStringLiteral("\u65e5\u672c.png")},
        {"{\\rtf1 {{\\NeXTGraphic \\uc2\\u20161 ??.txt}\\'ac}}", {}, QStringLiteral("\u4ec1.txt")},
    };
    for (const Case& c : cases) {
        const AttributedString s = readOk(c.rtf, {{c.fileName, QByteArrayLiteral("bytes")}});
        if (!c.link.isEmpty()) {
            EXPECT_EQ(s.attributesAt(0).link, c.link) << c.rtf;
        }
        if (!c.fileName.isEmpty()) {
            ASSERT_EQ(s.attachments().size(), 1) << c.rtf;
            EXPECT_EQ(s.attachments()[0], (TextAttachment{c.fileName, QByteArrayLiteral("bytes")})) << c.rtf;
        }
    }

    // Written and read back, names and links beyond code page 1252 stay whole.
    AttributedString original(QStringLiteral("see "));
    original.appendAttachment(
        {QStringLiteral("\u65e5\u672c \U0001F600.png"), TextTestSupport::png(2, 1, Qt::red)});
    TextAttributes link;
    link.link = QStringLiteral("https://ja.example.org/wiki/\u65e5\u672c?q=\u2014");
    original.append(QStringLiteral("link"), link);
    RTFCodec::AttachmentFiles files;
    const QByteArray rtf = RTFCodec::write(original, &files);
    EXPECT_TRUE(readOk(rtf, files) == original) << rtf.constData();
}

TEST(RTFWriter, WritesTheMacOSDialect) {
    RTFCodec::AttachmentFiles files;
    const QByteArray rtf = RTFCodec::write(everyAttribute(), &files);
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\cocoartf")) << rtf.left(40).constData();
    for (const char* marker : {"{\\*\\expandedcolortbl;", "\\csgenericrgb\\c25000\\c50000\\c75000\\c50000;",
                               "{\\field{\\*\\fldinst{HYPERLINK \"https://example.com/path?q=1&r=\\{x\\}\"}}",
                               "{{\\NeXTGraphic Pasted Graphic.png \\width60 \\height40", "\\'ac}",
                               "Caf\\'e9", "\\u26085 ", "\\qc", "\\sl360\\slmult1", "\\tqdec\\tx6010"})
        EXPECT_TRUE(rtf.contains(marker)) << marker;
    EXPECT_EQ(files.keys(), (QStringList{QStringLiteral("Pasted Graphic.png"), QStringLiteral("notes.txt")}));
}

TEST(RTFWriter, PlainRTFEmbedsPicturesAndRoundTrips) {
    AttributedString s(QStringLiteral("before "), plainFont());
    const QByteArray png = TextTestSupport::png(4, 4, Qt::green);
    s.appendAttachment({QStringLiteral("x.png"), png}, plainFont());
    s.appendAttachment({QStringLiteral("y.bin"), QByteArrayLiteral("not a picture")}, plainFont());
    s.append(QStringLiteral(" after"), plainFont());
    const QByteArray rtf = RTFCodec::write(s);
    EXPECT_TRUE(rtf.contains("{\\pict\\pngblip"));
    const AttributedString back = readOk(rtf);
    EXPECT_EQ(back.string(), QStringLiteral("before \uFFFC after"));
    ASSERT_EQ(back.attachments().size(), 1);
    EXPECT_EQ(back.attachments()[0].data, png);
}

TEST(RTFWriter, EveryAttributeRoundTripsThroughRTF) {
    const AttributedString original = everyAttribute();
    RTFCodec::AttachmentFiles files;
    const QByteArray rtf = RTFCodec::write(original, &files);
    const AttributedString back = readOk(rtf, files);
    EXPECT_EQ(back.string(), original.string());
    ASSERT_EQ(back.runs().size(), original.runs().size()) << rtf.constData();
    for (qsizetype i = 0; i < original.runs().size(); ++i)
        EXPECT_TRUE(back.runs()[i].attributes == original.runs()[i].attributes)
            << "run " << i << " at " << original.runs()[i].start;
}

TEST(RTFWriter, ALongParagraphOfManyRunsIsWrittenInLinearTime) {
    // A quadratic search for line ends grew some hundredfold and more.
    EXPECT_LT(growthOfSixteenfoldParagraph(5000, [](const AttributedString& s) { RTFCodec::write(s); }),
              kLinearGrowthLimit);
    const AttributedString s = longParagraphOfManyRuns(20000);
    EXPECT_EQ(readOk(RTFCodec::write(s)).string(), s.string());
}
