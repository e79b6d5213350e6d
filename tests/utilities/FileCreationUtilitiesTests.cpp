#include "foundation/BinaryResource.h"
#include "platform/AlertPresenter.h"
#include "platform/AtomicFile.h"
#include "platform/Diagnostics.h"
#include "platform/PlistCodec.h"
#include "utilities/FileCreationUtilities.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>
#include <utility>

namespace {

using namespace FileCreationUtilities;

class FreeNames : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        for (const char* name : {"Untitled", "Untitled 2", "Untitled 3.txt", "Report copy", "Report 7",
                                 "Plan ", "Notes.txt", "Notes 2.txt", "Big 99999999999"})
            touch(name);
        QDir(dir.path()).mkdir("Sheet.qxsheet");
    }
    void touch(const QString& name) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    FSRef folder() const { return FSRef{dir.path()}; }
    QTemporaryDir dir;
    Diagnostics::Capture quiet;
};

TEST_F(FreeNames, NumbersFollowTheFolderAndTheExtension) {
    struct Case {
        const char* name;
        const char* ext;
        const char* expected;
    };
    const Case cases[] = {
        {"Untitled", "", "Untitled 3"},      // "Untitled 3.txt" is another name
        {"Untitled", "txt", "Untitled.txt"}, // the name itself when free
        {"Report", "", "Report"},
        {"Untitled 2", "", "Untitled 3"},
        {"Report 7", "", "Report 8"},
        {"Plan ", "", "Plan 2"},             // white space without a number
        {"Notes.txt", "txt", "Notes 3.txt"}, // its own extension, not doubled
        {"Notes.txt", "bak", "Notes.txt.bak"},
        {"Sheet", "qxsheet", "Sheet 2.qxsheet"},
        {"Big 99999999999", "", "Big 99999999999 2"}, // a number too long to count on stays
    };
    for (const Case& c : cases)
        EXPECT_EQ(UniqueFileNameForDirectory(folder(), c.name, c.ext), c.expected) << c.name << " " << c.ext;
}

TEST_F(FreeNames, LongNamesAreCutToFitBeforeTheirNumber) {
    const QString name = QString(125, QChar(0xE9)) + QStringLiteral("a"); // 251 bytes
    touch(name + ".txt");
    const QString free = UniqueFileNameForDirectory(folder(), name, "txt");
    EXPECT_EQ(free, QString(124, QChar(0xE9)) + " 2.txt"); // cut between characters
    QFile file(dir.filePath(free));
    EXPECT_TRUE(file.open(QIODevice::NewOnly));
    const QString copy = UniqueFileNameForDirectory(folder(), name, "txt", true);
    EXPECT_LE(copy.toUtf8().size(), 255);
    EXPECT_TRUE(copy.endsWith(" copy.txt")) << copy.toStdString();
}

TEST_F(FreeNames, CopiesGetCopyThenNumbers) {
    EXPECT_EQ(UniqueFileNameForDirectory(folder(), "Plan", "", true), "Plan copy");
    EXPECT_EQ(UniqueFileNameForDirectory(folder(), "Report", "", true), "Report copy 2");
    EXPECT_EQ(UniqueFileNameForDirectory(folder(), "Report copy", "", true), "Report copy 2");
    EXPECT_EQ(UniqueFileNameForDirectory(folder(), "Report COPY 4", "", true), "Report COPY 5");
    EXPECT_EQ(UniqueFileNameForDirectory(folder(), "Microscopy", "", true), "Microscopy copy");
}

TEST_F(FreeNames, AvoidedPathsCountAsTaken) {
    const QStringList avoid{dir.filePath("Untitled 3"), dir.filePath("Untitled 4")};
    EXPECT_EQ(UniqueFileNameForDirectory(folder(), "Untitled", "", false, avoid), "Untitled 5");
}

TEST_F(FreeNames, ADanglingLinkTakesItsName) {
    ASSERT_TRUE(QFile::link(dir.filePath("nowhere"), dir.filePath("Link")));
    EXPECT_EQ(UniqueFileNameForDirectory(folder(), "Link", ""), "Link 2");
}

TEST(PreviewNames, ComeFromTheStartOfTheText) {
    EXPECT_EQ(GetPreviewNameFromText(""), "Untitled");
    EXPECT_EQ(GetPreviewNameFromText("   \n"), "Untitled");
    EXPECT_EQ(GetPreviewNameFromText(QString(30, 'a')), QString(24, 'a'));
    EXPECT_EQ(GetPreviewNameFromText(".notes"), "notes");
    EXPECT_EQ(GetPreviewNameFromText("..notes"), ".notes");
    EXPECT_EQ(GetPreviewNameFromText("  Shopping\n milk"), "Shopping\n milk");
    // A character past the cut is not split.
    const QString emoji = QString(23, 'a') + QString::fromUtf8("\xF0\x9F\x98\x80");
    EXPECT_EQ(GetPreviewNameFromText(emoji), QString(23, 'a'));
}

class Makers : public FreeNames {
protected:
    ScopedScriptedAlertPresenter alerts;
};

TEST_F(Makers, FilesAreWrittenUnderFreeNames) {
    const QString file = CreateNewFile(folder(), "bytes", "Untitled", "dat");
    EXPECT_EQ(file, dir.filePath("Untitled.dat"));
    QFile read(file);
    ASSERT_TRUE(read.open(QIODevice::ReadOnly));
    EXPECT_EQ(read.readAll(), "bytes");

    EXPECT_EQ(CreateNewFolder(folder()), dir.filePath("Untitled 3"));
    EXPECT_TRUE(QFileInfo(dir.filePath("Untitled 3")).isDir());

    const QString text = CreateNewTextFile(folder(), QString::fromUtf8("Café list"), "", 4);
    EXPECT_EQ(text, dir.filePath("Café list.txt"));
    QFile readText(text);
    ASSERT_TRUE(readText.open(QIODevice::ReadOnly));
    EXPECT_EQ(readText.readAll(), QByteArray("Caf\xC3\xA9 list"));

    const QString rtf = CreateNewRichTextFile(folder(), "{\\rtf1\\ansi Meeting notes}");
    EXPECT_EQ(rtf, dir.filePath("Meeting notes.rtf"));
    EXPECT_TRUE(alerts.questions().empty());
}

TEST_F(Makers, NamesFromTextStayInTheFolder) {
    const QString path = CreateNewFile(folder(), "x", "../../escape", "txt");
    EXPECT_EQ(QFileInfo(path).absolutePath(), QFileInfo(dir.path()).absoluteFilePath());
}

TEST_F(Makers, AFileMadeMeanwhileUnderTheChosenNameIsKept) {
    // Another program takes the free name while the new file is being written.
    bool once = true;
    AtomicFile::setBeforeRenameHook([&](const QString&) {
        if (std::exchange(once, false)) {
            QFile other(dir.filePath("Meanwhile.dat"));
            EXPECT_TRUE(other.open(QIODevice::WriteOnly));
            other.write("theirs");
        }
        return true;
    });
    const QString path = CreateNewFile(folder(), "ours", "Meanwhile", "dat");
    AtomicFile::setBeforeRenameHook({});
    EXPECT_EQ(path, dir.filePath("Meanwhile 2.dat"));
    QFile theirs(dir.filePath("Meanwhile.dat"));
    ASSERT_TRUE(theirs.open(QIODevice::ReadOnly));
    EXPECT_EQ(theirs.readAll(), "theirs");
    QFile ours(path);
    ASSERT_TRUE(ours.open(QIODevice::ReadOnly));
    EXPECT_EQ(ours.readAll(), "ours");
    EXPECT_TRUE(alerts.questions().empty());
}

TEST_F(Makers, ExtensionsStayInTheFolder) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("Untitled.x"));
    const QString path = CreateNewFile(folder(), "x", "Untitled", "x/../../escape");
    EXPECT_EQ(QFileInfo(path).absolutePath(), QFileInfo(dir.path()).absoluteFilePath());
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(dir.path()).absolutePath() + "/escape"));
}

TEST_F(Makers, FailuresAlertAndGiveNoPath) {
    EXPECT_TRUE(CreateNewTextFile(folder(), QString::fromUtf8("naïve"), "", 1).isNull()); // not ASCII
    // Half a surrogate pair would be written as a replacement character.
    for (const quint64 encoding : {4, 10})
        EXPECT_TRUE(CreateNewTextFile(folder(), QString("Half ") + QChar(0xD83D), "Half", encoding).isNull());
    EXPECT_TRUE(CreateNewFile(FSRef{dir.filePath("missing")}, "x", "a", "txt").isNull());
    EXPECT_TRUE(CreateNewFolder(FSRef{dir.filePath("missing")}).isNull());
    EXPECT_EQ(alerts.questions().size(), 5u);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("Half.txt")));
}

TEST_F(Makers, ClippingsAndLocationsKeepTheirContentInTheResourceFork) {
    const QString clipping = CreateNewClipping(folder(), "plain words", "{\\rtf1\\ansi Rich words}");
    ASSERT_EQ(clipping, dir.filePath("Rich words.textClipping"));
    {
        qint32 status = -1;
        Ref<TBinaryResource> fork =
            Ref<TBinaryResource>::adopt(TBinaryResource::Create(FSRef{clipping}, &status));
        ASSERT_EQ(status, 0);
        EXPECT_EQ(fork->CopyIndexed(FourCharCode("utf8"), 256), QByteArray("Rich words"));
        EXPECT_EQ(fork->CopyIndexed(FourCharCode("TEXT"), 256), QByteArray("Rich words"));
        EXPECT_EQ(fork->CopyIndexed(FourCharCode("utex"), 256)->size(), 20);
        EXPECT_EQ(fork->CopyIndexed(FourCharCode("RTF "), 256), QByteArray("{\\rtf1\\ansi Rich words}"));
    }
    const QString location = CreateNewURL(folder(), "https://example.org/a", "Example");
    ASSERT_EQ(location, dir.filePath("Example.webloc"));
    QFile file(location);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(PlistCodec::decode(file.readAll()).toMap().value("URL").toString(), "https://example.org/a");
    qint32 status = -1;
    Ref<TBinaryResource> fork =
        Ref<TBinaryResource>::adopt(TBinaryResource::Create(FSRef{location}, &status));
    EXPECT_EQ(fork->CopyIndexed(FourCharCode("url "), 256), QByteArray("https://example.org/a"));
    EXPECT_EQ(fork->CopyIndexed(FourCharCode("urln"), 256), QByteArray("Example"));
}

TEST(PasteboardItems, AreDescribedByKind) {
    QMimeData mail;
    mail.setData("message/rfc822", "From: a");
    EXPECT_EQ(FileCreationAttributesForPasteboardItem(mail),
              (QVariantMap{{"type", 4}, {"promisedContent", true}}));

    QMimeData rich;
    rich.setData("text/rtf", "{\\rtf1 x}");
    rich.setText("x");
    EXPECT_EQ(FileCreationAttributesForPasteboardItem(rich),
              (QVariantMap{{"type", 1}, {"richText", QByteArray("{\\rtf1 x}")}, {"plainText", "x"}}));

    QMimeData image;
    image.setData("image/png", "png bytes");
    EXPECT_EQ(
        FileCreationAttributesForPasteboardItem(image),
        (QVariantMap{
            {"type", 2}, {"data", QByteArray("png bytes")}, {"fileName", "Untitled"}, {"extension", "png"}}));
    image.setUrls({QUrl("https://example.org/photos/cat.jpg")});
    EXPECT_EQ(FileCreationAttributesForPasteboardItem(image).value("fileName"), "cat.jpg");
    EXPECT_FALSE(FileCreationAttributesForPasteboardItem(image).contains("extension"));
    image.setUrls({QUrl("https://example.org/photos/cat.php")});
    EXPECT_EQ(FileCreationAttributesForPasteboardItem(image).value("extension"), "png");

    QMimeData link;
    link.setUrls({QUrl("https://example.org/docs/guide.html")});
    EXPECT_EQ(
        FileCreationAttributesForPasteboardItem(link),
        (QVariantMap{{"type", 3}, {"url", "https://example.org/docs/guide.html"}, {"fileName", "guide"}}));
    const QString moz = QStringLiteral("https://example.org/docs/guide.html\nThe Guide");
    link.setData("text/x-moz-url", QByteArray(reinterpret_cast<const char*>(moz.utf16()), moz.size() * 2));
    EXPECT_EQ(FileCreationAttributesForPasteboardItem(link).value("fileName"), "The Guide");

    QMimeData text;
    text.setText("hello");
    EXPECT_EQ(FileCreationAttributesForPasteboardItem(text),
              (QVariantMap{{"type", 1}, {"plainText", "hello"}}));
    EXPECT_TRUE(FileCreationAttributesForPasteboardItem(QMimeData()).isEmpty());
}

} // namespace
