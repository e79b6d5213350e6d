#include "utilities/StringPathUtilities.h"
#include "utilities/TypeIdentifiers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace StringPathUtilities;

TEST(PathStrings, ExtensionsTable) {
    struct Case {
        QString path, extension, withoutExtension, replaced; // replaced: extension "md"
    };
    const Case cases[] = {
        {"/a/b/Notes.txt", "txt", "Notes", "/a/b/Notes.md"},
        {"/s/My Sheet.qxsheet/", "qxsheet", "My Sheet", "/s/My Sheet.md"},
        {"/a/b/archive.tar.gz", "gz", "archive.tar", "/a/b/archive.tar.md"},
        {"/a/b/.profile", "", ".profile", "/a/b/.profile.md"},
        {"/a/.config.old", "old", ".config", "/a/.config.md"},
        {"/a/name.", "", "name.", "/a/name..md"},
        {"/a/b.d/file", "", "file", "/a/b.d/file.md"},
        {"/a/..", "", "..", "/a/...md"},
        {"a..b", "b", "a.", "a..md"},
        {"..", "", "..", "...md"},
        {"/", "", "/", QString()},
        {"", "", "", QString()},
    };
    for (const Case& c : cases) {
        const std::string at = c.path.toStdString();
        EXPECT_EQ(extension(c.path), c.extension) << at;
        EXPECT_EQ(hasExtension(c.path), !c.extension.isEmpty()) << at;
        EXPECT_EQ(lastPathComponentWithoutExtension(c.path), c.withoutExtension) << at;
        EXPECT_EQ(stringByReplacingExtension(c.path, "md"), c.replaced) << at;
        EXPECT_EQ(stringByReplacingExtension(c.path, "md").isNull(), c.replaced.isNull()) << at;
    }
    EXPECT_EQ(lastPathComponentWithExtension("/a/b/Notes.txt", "rtf"), "Notes.rtf");
    EXPECT_TRUE(stringByReplacingExtension("/a/b.txt", "x/../../etc").isNull()) << "no way out of the folder";
    EXPECT_TRUE(pascalExtension("/a/b").isEmpty());
    EXPECT_EQ(pascalExtension("/a/b.qxtheme"), "qxtheme");
    EXPECT_EQ(pascalExtension("/a/b." + QString(300, 'x')).size(), 255);
}

TEST(PathStrings, TildesTable) {
    const QString home = QDir::homePath();
    struct Case {
        QString path, expanded, outsideContainer;
    };
    const Case cases[] = {
        {"~", home, home},
        {"~/Documents/a.txt", home + "/Documents/a.txt", home + "/Documents/a.txt"},
        {"/tmp/~a", "/tmp/~a", "/tmp/~a"},
        {"a/~", "a/~", "a/~"},
        {"~nosuchuser-xyz/a", "~nosuchuser-xyz/a", "~nosuchuser-xyz/a"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(stringByExpandingTildeInPath(c.path), c.expanded) << c.path.toStdString();
        EXPECT_EQ(stringByExpandingTildeOutsideContainer(c.path), c.outsideContainer) << c.path.toStdString();
    }
    EXPECT_EQ(fileURL("~/x y.txt"), QUrl::fromLocalFile(home + "/x y.txt"));
    EXPECT_EQ(fileURL("rel"), QUrl::fromLocalFile(QDir::currentPath() + "/rel"));

    const QString abbreviated[][2] = {
        {home, "~"},
        {home + "/Sheets/a.qxsheet", "~/Sheets/a.qxsheet"},
        {home + "x/a", home + "x/a"}, // a sibling that only starts like home
        {"/etc/hosts", "/etc/hosts"},
    };
    for (const auto& [path, tilde] : abbreviated) {
        EXPECT_EQ(stringByAbbreviatingWithTildeInPath(path), tilde) << path.toStdString();
        EXPECT_EQ(stringByExpandingTildeInPath(stringByAbbreviatingWithTildeInPath(path)), path);
    }
}

class PathFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        root = dir.path();
        ASSERT_TRUE(QDir(root).mkpath("sheets/Work.qxsheet"));
        file = root + "/sheets/Work.qxsheet/info.plist";
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<plist/>");
    }
    QTemporaryDir dir;
    QString root;
    QString file;
};

TEST_F(PathFiles, ComparingNamesTheSameObject) {
    ASSERT_TRUE(QFile::link(file, root + "/link"));
    struct Case {
        QString a, b;
        bool same;
    };
    const Case cases[] = {
        {file, root + "/sheets/./Work.qxsheet/../Work.qxsheet/info.plist", true},
        {file, root + "/link", true},
        {root + "/sheets", root + "/sheets/", true},
        {file, root + "/sheets", false},
        {root + "/missing", root + "/missing", false},
        {file, QString(), false},
        {QString(), QString(), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(comparePaths(c.a, c.b), c.same) << c.a.toStdString() << c.b.toStdString();
    EXPECT_TRUE(doesFileExist(root + "/sheets"));
    EXPECT_FALSE(doesFileExist(root + "/missing"));
    EXPECT_FALSE(doesFileExist(QString()));
}

TEST_F(PathFiles, FolderModificationDateReadsBackAsSet) {
    const QString folder = root + "/sheets/Work.qxsheet";
    const QDateTime stamp = QDateTime::fromMSecsSinceEpoch(1767225600123LL, Qt::UTC);
    QString error;
    ASSERT_TRUE(setFileAttributeObjectValueError(folder, kNSFileModificationDate, stamp, &error))
        << error.toStdString();
    EXPECT_EQ(fileAttribute(folder, kNSFileModificationDate).toDateTime(), stamp);
    EXPECT_EQ(fileAttribute(folder, kNSFileType), kNSFileTypeDirectory);
    const QDateTime before = QDateTime::fromMSecsSinceEpoch(-1500, Qt::UTC);
    ASSERT_TRUE(setFileAttributeObjectValueError(folder, kNSFileModificationDate, before));
    EXPECT_EQ(fileAttribute(folder, kNSFileModificationDate).toDateTime(), before);

    EXPECT_FALSE(setFileAttributeObjectValueError(root + "/missing", kNSFileModificationDate, stamp, &error));
    EXPECT_TRUE(error.contains("missing"));
    EXPECT_FALSE(setFileAttributeObjectValueError(folder, kNSFileModificationDate, QString("soon"), &error));
    EXPECT_FALSE(setFileAttributeObjectValueError(folder, kNSFileSize, 3, &error));
    ASSERT_TRUE(setFileAttributeObjectValueError(file, kNSFilePosixPermissions, 0600));
    EXPECT_EQ(fileAttribute(file, kNSFilePosixPermissions).toInt(), 0600);
    EXPECT_EQ(fileAttribute(file, kNSFileSize).toLongLong(), 8);

    EXPECT_FALSE(fileAttribute(root + "/missing", kNSFileModificationDate).isValid());
    EXPECT_FALSE(fileAttributes(root + "/missing").has_value());
    EXPECT_FALSE(fileAttribute(file, "NoSuchKey").isValid());
}

TEST_F(PathFiles, APathHoldingANulNamesNothing) {
    // The system would stop reading at the NUL and act on the file before it.
    const QString cut = file + QChar(0) + ".bak";
    ASSERT_TRUE(setFileAttributeObjectValueError(file, kNSFilePosixPermissions, 0600));
    EXPECT_FALSE(setFileAttributeObjectValueError(cut, kNSFilePosixPermissions, 0644));
    EXPECT_FALSE(
        setFileAttributeObjectValueError(cut, kNSFileModificationDate, QDateTime::currentDateTimeUtc()));
    EXPECT_EQ(fileAttribute(file, kNSFilePosixPermissions).toInt(), 0600);
    EXPECT_FALSE(fileAttributes(cut).has_value());
    EXPECT_FALSE(metaData(cut, kMDItemFSSize).isValid());
    EXPECT_FALSE(comparePaths(cut, file));
    const QString user = QString("~root") + QChar(0) + "x/a";
    EXPECT_EQ(stringByExpandingTildeInPath(user), user);
}

TEST_F(PathFiles, KindsAndTypes) {
    EXPECT_EQ(fileUTI(root + "/sheets"), TypeIdentifiers::kUTTypeFolder);
    EXPECT_EQ(fileUTI(root + "/missing"), TypeIdentifiers::kUTTypeItem);
    EXPECT_EQ(fileKind(root + "/missing"), "Unknown File");
    EXPECT_FALSE(fileKind(file).isEmpty());
    EXPECT_FALSE(humanReadableFileType(root + "/sheets").isEmpty());
    EXPECT_TRUE(preferredIdentifier("/a/noextension").isNull());
    EXPECT_EQ(preferredIdentifier("/a/photo.PNG"), TypeIdentifiers::kUTTypePNG);
    EXPECT_EQ(preferredIdentifier("/a/notes.txt"), TypeIdentifiers::kUTTypePlainText);
    EXPECT_EQ(displayName(root + "/sheets/"), "sheets");

    using TypeIdentifiers::conformsTo;
    EXPECT_TRUE(conformsTo("public.png", TypeIdentifiers::kUTTypeImage));
    EXPECT_TRUE(conformsTo("public.png", TypeIdentifiers::kUTTypeItem));
    EXPECT_TRUE(conformsTo(preferredIdentifier("a.webp"), TypeIdentifiers::kUTTypeImage));
    EXPECT_TRUE(conformsTo(TypeIdentifiers::kUTTypeFileURL, TypeIdentifiers::kUTTypeURL));
    EXPECT_FALSE(conformsTo(TypeIdentifiers::kUTTypePlainText, TypeIdentifiers::kUTTypeImage));
    EXPECT_FALSE(conformsTo(TypeIdentifiers::kUTTypeFolder, TypeIdentifiers::kUTTypeData));
    EXPECT_TRUE(conformsTo(preferredIdentifier("a.unknownext"), TypeIdentifiers::kUTTypeData));

    EXPECT_FALSE(isMountedRemovableMedia(root));
    EXPECT_FALSE(isMountedRemovableMedia("/"));

    const auto metadata =
        metaDataWithAttributes(file, {kMDItemFSName, kMDItemFSSize, kMDItemContentType, "x"});
    ASSERT_TRUE(metadata.has_value());
    EXPECT_EQ(metadata->value(kMDItemFSName), "info.plist");
    EXPECT_EQ(metadata->value(kMDItemFSSize).toLongLong(), 8);
    EXPECT_FALSE(metadata->contains("x"));
    EXPECT_FALSE(metaData(root + "/missing", kMDItemFSName).isValid());
}

TEST_F(PathFiles, BookmarksResolveToTheFolder) {
    const QString folder = root + "/sheets";
    const QByteArray bookmark = StringBookmarkUtilities::bookmarkData(folder);
    ASSERT_FALSE(bookmark.isEmpty());
    EXPECT_EQ(DataBookmarkUtilities::startAccessingBookmarkURL(bookmark), fileURL(folder));
    EXPECT_EQ(DataBookmarkUtilities::stopAccessingBookmarkURL(bookmark), fileURL(folder));
    EXPECT_TRUE(StringBookmarkUtilities::bookmarkData(root + "/missing").isEmpty());
    EXPECT_TRUE(URLBookmarkUtilities::bookmarkData(QUrl("https://example.org/")).isEmpty());
    for (const QByteArray& junk : {QByteArray("not a bookmark"), QByteArray(), QByteArray("file:relative"),
                                   QByteArray("\xff\xfe garbage", 10)})
        EXPECT_TRUE(DataBookmarkUtilities::startAccessingBookmarkURL(junk).isEmpty()) << junk.toStdString();
}

TEST(PathStrings, SafeNamesTable) {
    const QString euro = QString::fromUtf8("\xe2\x82\xac");
    struct Case {
        QString name, safe;
    };
    const Case cases[] = {
        {"ab/c:d?e", "abcde"},
        {"/\\?%*|\"<>:", ""},
        {QString(200, 'x'), QString(127, 'x')},
        {QString(128, 'x'), QString(128, 'x')},
        {"..", ""},
        {".", ""},
        {"../etc", "..etc"},
        {".hidden", ".hidden"},
        {QString("a") + QChar(0) + "b", "ab"},
        {euro.repeated(128), euro.repeated(66)}, // within 200 UTF-8 bytes
        // The cut falls inside a letter with 300 marks, leaving the dots alone.
        {".." + ("a" + QString(300, QChar(0x301))), ""},
        {"." + ("a" + QString(150, QChar(0x301))), ""},
    };
    for (const Case& c : cases) EXPECT_EQ(fileSystemSafeName(c.name), c.safe) << c.name.toStdString();
}

} // namespace
