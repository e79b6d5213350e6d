#include "platform/text/RTFDCodec.h"

#include "platform/AtomicFile.h"

#include "TextTestSupport.h"

#include <QDir>
#include <QSet>
#include <QTemporaryDir>
#include <QtEndian>

#include <functional>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace TextTestSupport;

namespace {

QByteArray u32(quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    return QByteArray(b, 4);
}

// The flattened form built by hand from its published layout and dumps.
QByteArray fileRecord(const QByteArray& bytes) {
    return u32(1) + u32(quint32(bytes.size())) + bytes;
}

QByteArray paddedFileRecord(const QByteArray& bytes, int padding) {
    return u32(1) + u32(0x80000000) + u32(quint32(bytes.size())) + u32(quint32(padding)) +
           QByteArray(padding, '\0') + bytes;
}

QByteArray folderRecord(const QList<QPair<QByteArray, QByteArray>>& entries) {
    QByteArray out = u32(3) + u32(quint32(entries.size()));
    for (const auto& e : entries) out += u32(quint32(e.first.size())) + e.first;
    for (const auto& e : entries) out += u32(quint32(e.second.size()));
    for (const auto& e : entries) out += e.second;
    return out;
}

QByteArray flattened(const QByteArray& folder) {
    return "rtfd" + u32(0) + folder;
}

// The "." entry: one file's attributes (modification time, permissions 0666).
QByteArray attributesRecord(const QByteArray& name, quint32 modified) {
    return fileRecord(u32(1) + u32(quint32(name.size())) + name + u32(16) + u32(modified) + u32(0666) +
                      u32(0) + u32(0));
}

// The name entries of a folder called name.
QList<QPair<QByteArray, QByteArray>> preferredNames(const QByteArray& name) {
    return {{"__@PreferredName@__", fileRecord(name)}, {"__@UTF8PreferredName@__", fileRecord(name)}};
}

// A text of one line as a text editor of macOS writes it.
const QByteArray kHelloWorld = "{\\rtf1\\ansi\\ansicpg1252\\cocoartf1347\\cocoasubrtf570\n"
                               "{\\fonttbl\\f0\\fnil\\fcharset0 HelveticaNeue;}\n"
                               "{\\colortbl;\\red255\\green255\\blue255;\\red0\\green0\\blue0;}\n"
                               "\\pard\\tx360\\sb80\\sa80\\pardirnatural\n\n"
                               "\\f0\\fs32 \\cf2 Hello world.}";

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

TEST(RTFD, ReadsTheFlattenedFormsMacOSWrites) {
    const QByteArray dot = fixture(QStringLiteral("dot.png"));
    const QByteArray linked = "{\\rtf1 See {{\\NeXTGraphic dot.png \\width20 \\height20}\\'ac} and "
                              "{{\\NeXTGraphic Notes}\\'ac}.}";
    const QByteArray deeper =
        folderRecord({{"deep.txt", paddedFileRecord("deep", 3)}, {".", attributesRecord("deep.txt", 7)}});
    const QByteArray notes =
        folderRecord(preferredNames("Notes") +
                     QList<QPair<QByteArray, QByteArray>>{{"a.txt", fileRecord("A")}, {"deeper", deeper}});
    struct Case {
        const char* name;
        QByteArray data;
        QString text;
    };
    const Case cases[] = {
        // A text editor's copy of one line: the text and the attributes of TXT.rtf.
        {"text and attributes",
         flattened(folderRecord(
             {{"TXT.rtf", fileRecord(kHelloWorld)}, {".", attributesRecord("TXT.rtf", 1434476936)}})),
         QStringLiteral("Hello world.")},
        // The folder's own name, and the text in the padded form.
        {"named folder, padded text",
         flattened(folderRecord(
             preferredNames("Doc.rtfd") +
             QList<QPair<QByteArray, QByteArray>>{{"TXT.rtf", paddedFileRecord(kHelloWorld, 12)}})),
         QStringLiteral("Hello world.")},
        // A picture and a nested folder, with an entry of an unknown type.
        {"picture and nested folder",
         flattened(folderRecord({{"TXT.rtf", fileRecord(linked)},
                                 {"dot.png", fileRecord(dot)},
                                 {"link", u32(2) + u32(4) + "dest"},
                                 {"Notes", notes},
                                 {".", attributesRecord("TXT.rtf", 0)}})),
         QStringLiteral("See \uFFFC and \uFFFC.")},
    };
    for (const Case& c : cases) {
        QString error;
        const std::optional<AttributedString> s = RTFDCodec::read(c.data, &error);
        ASSERT_TRUE(s.has_value()) << c.name << ": " << error.toStdString();
        EXPECT_EQ(s->string(), c.text) << c.name;
    }

    // The special names are no attachments; the nested folder is one, in the flattened form.
    const auto package = RTFDCodec::parse(cases[2].data);
    ASSERT_TRUE(package.has_value());
    EXPECT_EQ(package->files.keys(), (QStringList{"Notes", "dot.png"}));
    const AttributedString s = *RTFDCodec::read(cases[2].data);
    const QList<TextAttachment> attachments = s.attachments();
    ASSERT_EQ(attachments.size(), 2);
    EXPECT_EQ(attachments[0], (TextAttachment{QStringLiteral("dot.png"), dot}));
    EXPECT_TRUE(attachments[1].isFolder);
    EXPECT_EQ(attachments[1].fileName, QStringLiteral("Notes"));
    EXPECT_EQ(attachments[1].data, flattened(notes));
    const auto inner = RTFDCodec::parseFolder(attachments[1].data);
    ASSERT_TRUE(inner.has_value());
    EXPECT_EQ(inner->keys(), (QStringList{"a.txt", "deeper"}));
    EXPECT_EQ(inner->value(QStringLiteral("a.txt")), RTFCodec::PackageFile("A"));
    const auto deepest = RTFDCodec::parseFolder(inner->value(QStringLiteral("deeper")).data);
    ASSERT_TRUE(deepest.has_value());
    EXPECT_EQ(*deepest, (RTFCodec::AttachmentFiles{{QStringLiteral("deep.txt"), QByteArray("deep")}}));

    // A folder without text, as a named empty folder is written, is a folder but no RTFD text.
    const QByteArray empty = flattened(folderRecord(preferredNames("Test1")));
    EXPECT_EQ(RTFDCodec::parseFolder(empty), RTFCodec::AttachmentFiles());
    QString error;
    EXPECT_FALSE(RTFDCodec::read(empty, &error).has_value());
    EXPECT_EQ(error, QStringLiteral("The RTFD data holds no text."));
}

TEST(RTFD, WritesTextAPictureAndANestedFolderInTheFlattenedForm) {
    const QByteArray png = TextTestSupport::png(2, 2, Qt::red);
    const QByteArray sub = RTFDCodec::serialiseFolder({{QStringLiteral("deep.txt"), QByteArray("deep")}});
    const QByteArray folder =
        RTFDCodec::serialiseFolder({{QStringLiteral("inner.txt"), QByteArray("inner")},
                                    {QStringLiteral("sub"), RTFCodec::PackageFile(sub, true)}});
    EXPECT_EQ(folder, flattened(folderRecord({{"inner.txt", fileRecord("inner")},
                                              {"sub", folderRecord({{"deep.txt", fileRecord("deep")}})}})));

    AttributedString s(QStringLiteral("picture "));
    s.appendAttachment({QStringLiteral("dot.png"), png});
    s.append(QStringLiteral(" folder "));
    TextAttachment notes{QStringLiteral("Notes"), folder};
    notes.isFolder = true;
    s.appendAttachment(notes);

    RTFCodec::AttachmentFiles files;
    const QByteArray rtf = RTFCodec::write(s, &files);
    const QByteArray data = RTFDCodec::write(s);
    EXPECT_EQ(data,
              flattened(folderRecord(
                  {{"TXT.rtf", fileRecord(rtf)}, {"Notes", folder.mid(8)}, {"dot.png", fileRecord(png)}})));
    QString error;
    const std::optional<AttributedString> back = RTFDCodec::read(data, &error);
    ASSERT_TRUE(back.has_value()) << error.toStdString();
    EXPECT_TRUE(*back == s);

    // Names that would read as the folder's own entries are not written.
    RTFDCodec::Package package{"{\\rtf1 x}",
                               {{QStringLiteral("."), QByteArray("dot")},
                                {QStringLiteral("__@PreferredName@__"), QByteArray("name")}}};
    EXPECT_EQ(RTFDCodec::serialise(package),
              flattened(folderRecord({{"TXT.rtf", fileRecord("{\\rtf1 x}")}})));
}

TEST(RTFD, MalformedFlattenedDataIsAnError) {
    const QByteArray text = fileRecord("{\\rtf1 t}");
    const QByteArray good = flattened(folderRecord({{"TXT.rtf", text}}));
    QByteArray hugeCount = good;
    hugeCount.replace(12, 4, u32(0xFFFFFFFF));
    QByteArray longName = good;
    longName.replace(16, 4, u32(0x7FFFFFFF));
    QByteArray longRecord = good;
    longRecord.replace(16 + 4 + 7, 4, u32(0xFFFFFFF0));
    QByteArray longContent = good;
    longContent.replace(16 + 4 + 7 + 4 + 4, 4, u32(100));
    QByteArray deep = folderRecord({{"TXT.rtf", text}});
    for (int i = 0; i < 100; ++i) deep = folderRecord({{"d", deep}});
    const QByteArray cases[] = {
        {},
        "rtfd",
        "rtfx" + good.mid(4),
        "rtfd" + u32(1) + good.mid(8),       // another version
        flattened(fileRecord("{\\rtf1 t}")), // no folder
        good.left(good.size() - 1),          // cut short
        good.left(14),
        hugeCount,
        longName,
        longRecord,
        longContent, // a file longer than its record
        flattened(folderRecord({{"TXT.rtf", paddedFileRecord("{\\rtf1 t}", 4).left(18)}})),
        flattened(folderRecord({{"TXT.rtf", u32(1) + u32(0x80000000) + u32(9) + u32(0xFFFFFFF0)}})),
        flattened(deep),                                          // nested too deeply
        flattened(folderRecord({{"other.rtf", text}})),           // no text
        flattened(folderRecord({{"TXT.rtf", folderRecord({})}})), // the text a folder
        flattened(folderRecord({{"TXT.rtf", fileRecord("not rtf at all")}})),
        flattened(folderRecord({{"TXT.rtf", fileRecord("{\\rtf1 \\bin500 abc}")}})), // \bin past the end
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
    // Attached folders: one as written here, one from elsewhere whose names try to leave it.
    TextAttachment notes{
        QStringLiteral("Notes"),
        RTFDCodec::serialiseFolder(
            {{QStringLiteral("inner.txt"), QByteArray("inner")},
             {QStringLiteral("sub"),
              RTFCodec::PackageFile(
                  RTFDCodec::serialiseFolder({{QStringLiteral("deep.txt"), QByteArray("deep")}}), true)}})};
    notes.isFolder = true;
    s.appendAttachment(notes);
    TextAttachment untrusted{QStringLiteral("Untrusted"),
                             flattened(folderRecord({{"../../evil.txt", fileRecord("evil")},
                                                     {"/evil.txt", fileRecord("other")},
                                                     {".", attributesRecord("../../evil.txt", 0)}}))};
    untrusted.isFolder = true;
    s.appendAttachment(untrusted);

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
    EXPECT_EQ(QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot), (QStringList{"Notes", "Untrusted"}));
    QFile deep(folder + QStringLiteral("/Notes/sub/deep.txt"));
    ASSERT_TRUE(deep.open(QIODevice::ReadOnly));
    EXPECT_EQ(deep.readAll(), QByteArray("deep"));
    EXPECT_EQ(QDir(folder + QStringLiteral("/Untrusted")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("evil.txt")});

    // What an interrupted save left in an attached folder is not part of it.
    QFile leftover(folder + QStringLiteral("/Notes/.inner.txt.jobslate-tmp-Ab12Cd"));
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.close();
    ASSERT_TRUE(AtomicFile::isTemporaryName(QStringLiteral(".inner.txt.jobslate-tmp-Ab12Cd")));

    const std::optional<AttributedString> back = RTFDCodec::readFolder(folder, &error);
    ASSERT_TRUE(back.has_value()) << error.toStdString();
    EXPECT_EQ(back->string(), s.string());
    const QList<TextAttachment> attachments = back->attachments();
    ASSERT_EQ(attachments.size(), 9);
    EXPECT_EQ(attachments[7], notes);
    EXPECT_TRUE(attachments[8].isFolder);
    EXPECT_EQ(RTFDCodec::parseFolder(attachments[8].data)->keys(), QStringList{QStringLiteral("evil.txt")});
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
    // The flattened form keeps the last name for the folder's own name: no file may have it.
    for (const QString& name : {QStringLiteral(".hidden"), longName, longSuffix, QStringLiteral("a%1b%2.txt"),
                                QStringLiteral("__@PreferredName@__")})
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
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 16);

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

TEST(RTFD, AFolderWrittenAgainHoldsWhatTheTextHoldsNow) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString folder = temp.filePath(QStringLiteral("Doc.rtfd"));
    const auto attachedFolder = [](const QString& name, const RTFCodec::AttachmentFiles& entries) {
        TextAttachment a{name, RTFDCodec::serialiseFolder(entries)};
        a.isFolder = true;
        return a;
    };
    const RTFCodec::PackageFile sub(RTFDCodec::serialiseFolder({{QStringLiteral("d.txt"), QByteArray("d")}}),
                                    true);
    AttributedString before(QStringLiteral("files: "));
    before.appendAttachment(
        attachedFolder(QStringLiteral("Notes"), {{QStringLiteral("a.txt"), QByteArray("a")},
                                                 {QStringLiteral("b.txt"), QByteArray("b")},
                                                 {"sub", sub}}));
    before.appendAttachment(attachedFolder(QStringLiteral("Swap"), {{QStringLiteral("x"), QByteArray("x")}}));
    QString error;
    ASSERT_TRUE(RTFDCodec::writeFolder(before, folder, &error)) << error.toStdString();

    // The attached folder lost a file and its folder became a file; the other attached folder became a
    // file. Nothing of the earlier save comes back, and no save fails on what it left.
    AttributedString after(QStringLiteral("files: "));
    after.appendAttachment(
        attachedFolder(QStringLiteral("Notes"), {{QStringLiteral("a.txt"), QByteArray("a")},
                                                 {QStringLiteral("sub"), QByteArray("file")}}));
    after.appendAttachment({QStringLiteral("Swap"), QByteArrayLiteral("now a file")});
    ASSERT_TRUE(RTFDCodec::writeFolder(after, folder, &error)) << error.toStdString();
    std::optional<AttributedString> back = RTFDCodec::readFolder(folder, &error);
    ASSERT_TRUE(back.has_value()) << error.toStdString();
    EXPECT_TRUE(*back == after);

    // An entry of an attached folder named like a save's temporary is kept, under a name without its dot.
    AttributedString temporary(QStringLiteral("files: "));
    temporary.appendAttachment(attachedFolder(
        QStringLiteral("Notes"), {{QStringLiteral(".a.txt.jobslate-tmp-Ab12Cd"), QByteArray("a")}}));
    ASSERT_TRUE(RTFDCodec::writeFolder(temporary, folder, &error)) << error.toStdString();
    back = RTFDCodec::readFolder(folder, &error);
    ASSERT_TRUE(back.has_value()) << error.toStdString();
    ASSERT_EQ(back->attachments().size(), 1);
    EXPECT_EQ(RTFDCodec::parseFolder(back->attachments()[0].data),
              (RTFCodec::AttachmentFiles{{QStringLiteral("a.txt.jobslate-tmp-Ab12Cd"), QByteArray("a")}}));
}

TEST(RTFD, AFoldersTextIsReadOnlyFromAFileInIt) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString outside = temp.filePath(QStringLiteral("outside.rtf"));
    {
        QFile f(outside);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("{\\rtf1 secret}");
    }
    const std::function<bool(const QString&)> texts[] = {
        [&](const QString& path) { return QFile::link(outside, path); },
        [](const QString& path) {
            return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
        }, // never written
        [](const QString& path) { return QDir().mkdir(path); },
    };
    for (const auto& makeText : texts) {
        QTemporaryDir folder;
        ASSERT_TRUE(folder.isValid());
        const QString path = folder.filePath(QStringLiteral("TXT.rtf"));
        ASSERT_TRUE(makeText(path));
        QString error;
        EXPECT_FALSE(RTFDCodec::readFolder(folder.path(), &error).has_value()) << error.toStdString();
        EXPECT_EQ(error, QStringLiteral("Cannot read %1.").arg(path));
    }
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
        {QStringLiteral("Folder"), temp.path()},
    };
    for (const Link& l : links) ASSERT_TRUE(QFile::link(l.target, QDir(folder).filePath(l.name)));

    AttributedString s(QStringLiteral("text "));
    s.appendAttachment({QStringLiteral("notes.txt"), QByteArrayLiteral("notes")});
    TextAttachment attachedFolder{
        QStringLiteral("Folder"),
        RTFDCodec::serialiseFolder({{QStringLiteral("outside.txt"), QByteArray("x")}})};
    attachedFolder.isFolder = true;
    s.appendAttachment(attachedFolder);
    QString error;
    ASSERT_TRUE(RTFDCodec::writeFolder(s, folder, &error)) << error.toStdString();

    QFile f(outside);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("untouched"));
    EXPECT_FALSE(QFile::exists(temp.filePath(QStringLiteral("dangling.txt"))));
    for (const Link& l : links) {
        const QFileInfo info(QDir(folder).filePath(l.name));
        EXPECT_TRUE((info.isFile() || info.isDir()) && !info.isSymLink()) << l.name.toStdString();
    }
    const std::optional<AttributedString> back = RTFDCodec::readFolder(folder, &error);
    ASSERT_TRUE(back.has_value()) << error.toStdString();
    EXPECT_TRUE(*back == s);

    // Reading follows no link to an attachment: nothing from outside the folder comes in.
    const QString other = temp.filePath(QStringLiteral("Other.rtfd"));
    ASSERT_TRUE(QDir().mkpath(other));
    QFile text(QDir(other).filePath(QStringLiteral("TXT.rtf")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("{\\rtf1 {{\\NeXTGraphic peek.txt}\\'ac}{{\\NeXTGraphic peek}\\'ac}}");
    text.close();
    ASSERT_TRUE(QFile::link(outside, QDir(other).filePath(QStringLiteral("peek.txt"))));
    ASSERT_TRUE(QFile::link(temp.path(), QDir(other).filePath(QStringLiteral("peek"))));
    const std::optional<AttributedString> peeked = RTFDCodec::readFolder(other, &error);
    ASSERT_TRUE(peeked.has_value()) << error.toStdString();
    ASSERT_EQ(peeked->attachments().size(), 2);
    for (const TextAttachment& a : peeked->attachments()) {
        EXPECT_TRUE(a.data.isEmpty()) << a.fileName.toStdString();
        EXPECT_FALSE(a.isFolder);
    }
}
