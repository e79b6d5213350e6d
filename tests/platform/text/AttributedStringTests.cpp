#include "platform/text/AttributedString.h"

#include "TextTestSupport.h"

#include <gtest/gtest.h>

TEST(AttributedString, AppendMergesEqualRunsAndKeepsAttachmentsApart) {
    AttributedString s;
    TextAttributes bold;
    bold.font.bold = true;
    s.append(QStringLiteral("ab"), bold);
    s.append(QStringLiteral("cd"), bold);
    s.append(QStringLiteral("ef"));
    ASSERT_EQ(s.runs().size(), 2);
    EXPECT_EQ(s.runs()[0].length, 4);
    EXPECT_EQ(s.runs()[1].start, 4);

    TextAttachment a{QStringLiteral("a.png"), QByteArrayLiteral("x")};
    s.appendAttachment(a);
    s.appendAttachment(a);
    EXPECT_EQ(s.runs().size(), 4); // two equal attachments are two characters, two runs
    EXPECT_EQ(s.attachments().size(), 2);
    EXPECT_EQ(s.string(), QStringLiteral("abcdef\uFFFC\uFFFC"));
    EXPECT_EQ(s.plainText(), QStringLiteral("abcdef"));
}

TEST(AttributedString, SetAttributesSplitsAndMergesRuns) {
    AttributedString s(QStringLiteral("hello world"));
    TextAttributes red;
    red.foregroundColor = ATSURGBAlphaColor{1, 0, 0, 1};
    s.setAttributes(2, 5, red);
    ASSERT_EQ(s.runs().size(), 3);
    EXPECT_EQ(s.attributesAt(1), TextAttributes());
    EXPECT_EQ(s.attributesAt(2), red);
    EXPECT_EQ(s.attributesAt(6), red);
    EXPECT_EQ(s.attributesAt(7), TextAttributes());
    s.setAttributes(0, 100, red); // clamped to the text
    ASSERT_EQ(s.runs().size(), 1);
    EXPECT_EQ(s.runs()[0].length, 11);

    AttributedString part = s.mid(3, 4);
    EXPECT_EQ(part, AttributedString(QStringLiteral("lo w"), red));
    s.removeAttributes();
    EXPECT_EQ(s, AttributedString(QStringLiteral("hello world")));
}

TEST(AttributedString, SetAttributesKeepsAttachments) {
    AttributedString s(QStringLiteral("x"));
    s.appendAttachment({QStringLiteral("f.txt"), QByteArrayLiteral("data")});
    TextAttributes bold;
    bold.font.bold = true;
    s.setAttributes(0, s.length(), bold);
    ASSERT_EQ(s.attachments().size(), 1);
    EXPECT_EQ(s.attachments()[0].fileName, QStringLiteral("f.txt"));
    EXPECT_TRUE(s.attributesAt(1).font.bold);
}

TEST(AttributedString, AttachmentKnowsImages) {
    EXPECT_TRUE((TextAttachment{QStringLiteral("a.png"), TextTestSupport::png(1, 1, Qt::red)}.isImage()));
    EXPECT_FALSE((TextAttachment{QStringLiteral("a.png"), QByteArrayLiteral("not an image")}.isImage()));
}
