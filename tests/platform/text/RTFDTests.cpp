#include "platform/text/RTFDCodec.h"

#include "platform/AtomicFile.h"

#include "TextTestSupport.h"

#include <QDir>
#include <QSet>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace TextTestSupport;

namespace {

QByteArray u32(quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    return QByteArray(b, 4);
}

// A flattened package built by hand from the documented layout.
QByteArray flattened(const QList<QPair<QByteArray, QByteArray>>& entries) {
    QByteArray out = "rtfd" + u32(0) + u32(quint32(entries.size()));
    for (const auto& e : entries) out += u32(quint32(e.first.size()));
    for (const auto& e : entries) out += e.first;
    for (const auto& e : entries) out += u32(quint32(e.second.size()));
    for (const auto& e : entries) out += e.second;
    return out;
}

} // namespace

TEST(RTFD, EveryAttributeAndAttachmentsRoundTrip) {
    const AttributedString original = everyAttribute();
    const QByteArray data = RTFDCodec::write(original);
    QString error;
    const std::optional<AttributedString> back = RTFDCodec::read(data, &error);
    ASSERT_TRUE(back.has_value()) << error.toStdString();
    EXPECT_TRUE(*back == original);
    ASSERT_EQ(back->attachments().size(), 2);
    EXPECT_TRUE(back->attachments()[0].isImage());
    EXPECT_EQ(back->attachments()[0], original.attachments()[0]);
    EXPECT_EQ(back->attachments()[1], original.attachments()[1]);

    EXPECT_TRUE(RTFDCodec::read(RTFDCodec::write(AttributedString()))->isEmpty());
}

TEST(RTFD, FlattenedLayout) {
    AttributedString s(QStringLiteral("x"));
    s.appendAttachment({QStringLiteral("a.txt"), QByteArrayLiteral("AB")});
    const QByteArray data = RTFDCodec::write(s);
    RTFCodec::AttachmentFiles files;
    const QByteArray rtf = RTFCodec::write(s, &files);
    EXPECT_EQ(data, flattened({{QByteArray("TXT.rtf\0", 8), rtf}, {QByteArray("a.txt\0", 6), "AB"}}));

    // Reading takes names with or without their NUL and skips the folder's own entry.
    const auto package =
        RTFDCodec::parse(flattened({{".", "\0\0\0\0"}, {"TXT.rtf", "{\\rtf1 t}"}, {"b.png", "PNG"}}));
    ASSERT_TRUE(package.has_value());
    EXPECT_EQ(package->rtf, QByteArray("{\\rtf1 t}"));
    EXPECT_EQ(package->files, (RTFCodec::AttachmentFiles{{QStringLiteral("b.png"), QByteArray("PNG")}}));
}

TEST(RTFD, MalformedFlattenedDataIsAnError) {
    const QByteArray good = flattened({{"TXT.rtf", "{\\rtf1 t}"}});
    QByteArray hugeCount = good;
    hugeCount.replace(8, 4, u32(0xFFFFFFFF));
    QByteArray longName = good;
    longName.replace(12, 4, u32(0x7FFFFFFF));
    QByteArray longContent = good;
    longContent.replace(12 + 4 + 7, 4, u32(0xFFFFFFF0));
    const QByteArray cases[] = {
        {},
        "rtfd",
        "rtfx" + good.mid(4),
        good.left(good.size() - 1),
        good.left(14),
        hugeCount,
        longName,
        longContent,
        flattened({{"other.rtf", "{\\rtf1 t}"}}),          // no text
        flattened({{"TXT.rtf", "not rtf at all"}}),        // text that is not RTF
        flattened({{"TXT.rtf", "{\\rtf1 \\bin500 abc}"}}), // \bin past the end
    };
    for (const QByteArray& c : cases) {
        QString error;
        EXPECT_FALSE(RTFDCodec::read(c, &error).has_value()) << c.toHex().left(80).constData();
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_TRUE(RTFDCodec::read(good).has_value());
}

TEST(RTFD, FolderFormRoundTripsAndStaysInsideItsFolder) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    AttributedString s = everyAttribute();
    const QByteArray png = TextTestSupport::png(2, 2, Qt::red);
    s.appendAttachment({QStringLiteral("../escape.png"), png});
    s.appendAttachment({QStringLiteral("/etc/cron.d/x"), QByteArrayLiteral("evil")});
    s.appendAttachment({QStringLiteral(".."), QByteArrayLiteral("dots")});
    s.appendAttachment({QStringLiteral("TXT.rtf"), QByteArrayLiteral("not the text")});
    s.appendAttachment({QStringLiteral("notes.txt"), QByteArrayLiteral("other notes")}); // name taken

    const QString folder = temp.filePath(QStringLiteral("inner/Doc.rtfd"));
    QString error;
    ASSERT_TRUE(RTFDCodec::writeFolder(s, folder, &error)) << error.toStdString();
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("inner")});
    EXPECT_EQ(QDir(temp.filePath(QStringLiteral("inner"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("Doc.rtfd")});
    const QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(names, (QStringList{"Attachment", "Attachment.rtf", "Pasted Graphic.png", "TXT.rtf",
                                  "escape.png", "notes 2.txt", "notes.txt", "x"}));

    const std::optional<AttributedString> back = RTFDCodec::readFolder(folder, &error);
    ASSERT_TRUE(back.has_value()) << error.toStdString();
    EXPECT_EQ(back->string(), s.string());
    const QList<TextAttachment> attachments = back->attachments();
    ASSERT_EQ(attachments.size(), 7);
    EXPECT_EQ(attachments[2], (TextAttachment{QStringLiteral("escape.png"), png}));
    EXPECT_EQ(attachments[3].fileName, QStringLiteral("x"));
    EXPECT_EQ(attachments[5].data, QByteArray("not the text"));
    EXPECT_EQ(attachments[6], (TextAttachment{QStringLiteral("notes 2.txt"), "other notes"}));
    EXPECT_TRUE(back->mid(0, everyAttribute().length()) == everyAttribute());

    EXPECT_FALSE(RTFDCodec::readFolder(temp.filePath(QStringLiteral("missing.rtfd")), &error).has_value());
}

TEST(RTFD, AttachmentsWhoseNamesClashKeepSafeNamesAndTheirBytes) {
    const QString longName = QString(196, QLatin1Char('n')) + QStringLiteral(".txt");
    const QString longSuffix = QStringLiteral("x.") + QString(198, QLatin1Char('s'));
    AttributedString s(QStringLiteral("files: "));
    for (const QString& name :
         {QStringLiteral(".hidden"), longName, longSuffix, QStringLiteral("a%1b%2.txt")})
        for (const char* data : {"one", "two", "three"}) s.appendAttachment({name, QByteArray(data)});

    QString error;
    const std::optional<AttributedString> flat = RTFDCodec::read(RTFDCodec::write(s), &error);
    ASSERT_TRUE(flat.has_value()) << error.toStdString();
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString folder = temp.filePath(QStringLiteral("Doc.rtfd"));
    ASSERT_TRUE(RTFDCodec::writeFolder(s, folder, &error)) << error.toStdString();
    const std::optional<AttributedString> fromFolder = RTFDCodec::readFolder(folder, &error);
    ASSERT_TRUE(fromFolder.has_value()) << error.toStdString();
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 13);

    for (const AttributedString& back : {*flat, *fromFolder}) {
        const QList<TextAttachment> original = s.attachments();
        const QList<TextAttachment> attachments = back.attachments();
        ASSERT_EQ(attachments.size(), original.size());
        QSet<QString> names;
        for (qsizetype i = 0; i < attachments.size(); ++i) {
            const QString& name = attachments[i].fileName;
            EXPECT_EQ(attachments[i].data, original[i].data) << name.toStdString();
            EXPECT_EQ(RTFCodec::safeFileName(name), name);
            names.insert(name);
        }
        EXPECT_EQ(names.size(), attachments.size());
        EXPECT_TRUE(names.contains(QStringLiteral(".hidden 2")));
        EXPECT_TRUE(names.contains(QStringLiteral("a%1b%2 3.txt")));
    }
}

TEST(RTFD, AnAttachmentNamedLikeASaveTemporaryKeepsItsBytesInTheFolder) {
    AttributedString s(QStringLiteral("files: "));
    s.appendAttachment({QStringLiteral(".x.png.jobslate-tmp-abc123"), QByteArrayLiteral("kept")});
    s.appendAttachment({QStringLiteral("x.png"), QByteArrayLiteral("other")});
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString folder = temp.filePath(QStringLiteral("Doc.rtfd"));
    QString error;
    ASSERT_TRUE(RTFDCodec::writeFolder(s, folder, &error)) << error.toStdString();
    const std::optional<AttributedString> back = RTFDCodec::readFolder(folder, &error);
    ASSERT_TRUE(back.has_value()) << error.toStdString();
    ASSERT_EQ(back->attachments().size(), 2);
    EXPECT_EQ(back->attachments()[0].data, QByteArray("kept"));
    EXPECT_EQ(back->attachments()[1].data, QByteArray("other"));
}

TEST(RTFD, WritingAFolderRemovesLeftoversOfInterruptedSaves) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString folder = temp.filePath(QStringLiteral("Doc.rtfd"));
    AttributedString s(QStringLiteral("picture: "));
    s.appendAttachment({QStringLiteral("old.png"), QByteArrayLiteral("old")});
    // Killed while it writes the attachment: its temporary stays behind.
    AtomicFile::setBeforeRenameHook([](const QString& temporary) { return !temporary.contains("old.png"); });
    EXPECT_FALSE(RTFDCodec::writeFolder(s, folder));
    AtomicFile::setBeforeRenameHook({});
    const auto temporaries = [&] {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden).filter("jobslate-tmp");
    };
    ASSERT_EQ(temporaries().size(), 1);

    // The next save no longer has that attachment; the leftover goes all the same.
    QString error;
    ASSERT_TRUE(RTFDCodec::writeFolder(AttributedString(QStringLiteral("no picture")), folder, &error))
        << error.toStdString();
    EXPECT_TRUE(temporaries().isEmpty());
}

TEST(RTFD, WritingAFolderReplacesLinksInsteadOfWritingThroughThem) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString folder = temp.filePath(QStringLiteral("Doc.rtfd"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString outside = temp.filePath(QStringLiteral("outside.txt"));
    {
        QFile f(outside);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("untouched");
    }
    struct Link {
        QString name;
        QString target;
    };
    const Link links[] = {
        {QStringLiteral("TXT.rtf"), outside},
        {QStringLiteral("notes.txt"), temp.filePath(QStringLiteral("dangling.txt"))},
    };
    for (const Link& l : links) ASSERT_TRUE(QFile::link(l.target, QDir(folder).filePath(l.name)));

    AttributedString s(QStringLiteral("text "));
    s.appendAttachment({QStringLiteral("notes.txt"), QByteArrayLiteral("notes")});
    QString error;
    ASSERT_TRUE(RTFDCodec::writeFolder(s, folder, &error)) << error.toStdString();

    QFile f(outside);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("untouched"));
    EXPECT_FALSE(QFile::exists(temp.filePath(QStringLiteral("dangling.txt"))));
    for (const Link& l : links) {
        const QFileInfo info(QDir(folder).filePath(l.name));
        EXPECT_TRUE(info.isFile() && !info.isSymLink()) << l.name.toStdString();
    }
    const std::optional<AttributedString> back = RTFDCodec::readFolder(folder, &error);
    ASSERT_TRUE(back.has_value()) << error.toStdString();
    EXPECT_TRUE(*back == s);
}
