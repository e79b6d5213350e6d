#include "platform/Workspace.h"
#include "utilities/BundleUtilities.h"
#include "utilities/FSUtilities.h"
#include "utilities/FileObjectUtilities.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace FSUtilities;

// root/a.txt, root/Sheets/one.qxsheet/info.plist, root/Sheets/notes/, root/.hidden
class FileTree : public ::testing::Test {
protected:
    void SetUp() override {
        QDir(root()).mkpath("Sheets/one.qxsheet");
        QDir(root()).mkpath("Sheets/notes");
        write("a.txt", "hello");
        write("Sheets/one.qxsheet/info.plist", "<plist/>");
        write(".hidden", "");
    }
    QString root() const { return dir.path(); }
    QString at(const QString& relative) const { return dir.filePath(relative); }
    void write(const QString& relative, const QByteArray& bytes) {
        QFile file(at(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QTemporaryDir dir;
};

TEST_F(FileTree, ExistenceAndKinds) {
    const FSRef folder = FSGetPathRef(root());
    ASSERT_FALSE(folder.isNull());
    EXPECT_TRUE(FSRefExists(FSGetPathRef(folder, "a.txt")));
    EXPECT_EQ(FSGetPathRef(folder, "Sheets/one.qxsheet/info.plist").path,
              at("Sheets/one.qxsheet/info.plist"));
    EXPECT_TRUE(FSIsDirectory(FSGetPathRef(at("Sheets/one.qxsheet"))));
    EXPECT_TRUE(FSIsPackage(FSGetPathRef(at("Sheets/one.qxsheet"))));
    EXPECT_FALSE(FSIsFolder(FSGetPathRef(at("Sheets/one.qxsheet"))));
    EXPECT_TRUE(FSIsFolder(FSGetPathRef(at("Sheets/notes"))));
    EXPECT_FALSE(FSIsDirectory(FSGetPathRef(at("a.txt"))));
    EXPECT_TRUE(FSIsHidden(FSGetPathRef(at(".hidden"))));
    EXPECT_EQ(FSGetDataForkSize(FSGetPathRef(at("a.txt"))), 5);
    EXPECT_EQ(FSGetDirectorySize(folder), 5 + 8);
    EXPECT_TRUE(FSDirectoryHasItems(FSGetPathRef(at("Sheets"))));
    EXPECT_FALSE(FSDirectoryHasItems(FSGetPathRef(at("Sheets/notes"))));
    EXPECT_EQ(FSCopyName(FSGetPathRef(at("Sheets/one.qxsheet"))), "one.qxsheet");
    EXPECT_EQ(FSCopyNameWithoutExtension(FSGetPathRef(at("Sheets/one.qxsheet"))), "one");
    EXPECT_EQ(FSGetParentPath(FSGetPathRef(at("Sheets/notes"))), at("Sheets"));
    EXPECT_TRUE(FSConformsToUTIdentifier(FSGetPathRef(at("a.txt")), "public.text"));
}

TEST_F(FileTree, MissingItemsGiveResultCodes) {
    FSRef ref{"/stale"};
    EXPECT_EQ(FSGetPathRef(FSRef{at("nothing")}, "a.txt", ref), fnfErr);
    EXPECT_TRUE(ref.isNull()) << "zeroed first";
    EXPECT_EQ(Err, fnfErr);
    EXPECT_EQ(FSGetPathRef(FSGetPathRef(root()), "b.txt", ref), fnfErr);
    EXPECT_TRUE(FSGetPathRef(at("nothing")).isNull());
    EXPECT_FALSE(FSRefExists(FSRef{}));
    EXPECT_EQ(Err, fnfErr);
    EXPECT_TRUE(FSCopyName(FSRef{at("nothing")}).isNull());
    EXPECT_EQ(FSGetDataForkSize(FSRef{at("nothing")}), -1);
    EXPECT_EQ(FSGetFileSize(FSRef{at("nothing")}), 0);
    EXPECT_FALSE(FSReadDataFork(FSRef{at("nothing")}).has_value());
    EXPECT_EQ(FSMoveObject(FSRef{at("nothing")}, FSGetPathRef(root())), fnfErr);
    FSRef copy;
    EXPECT_EQ(FSCopyToPath(FSGetPathRef(at("a.txt")), "b.txt", at("nowhere"), copy), copyDestinationMissing);
    EXPECT_TRUE(FSGetResourceFileWithPath("no/such/file.png").isNull());
    EXPECT_EQ(Err, fnfErr);
}

TEST_F(FileTree, RenameMoveCopyAndWrite) {
    FSRef file = FSGetPathRef(at("a.txt"));
    EXPECT_EQ(FSRename(file, "b.txt"), noErr);
    EXPECT_EQ(file.path, at("b.txt"));
    EXPECT_FALSE(QFile::exists(at("a.txt")));
    write("c.txt", "other");
    FSRef c = FSGetPathRef(at("c.txt"));
    EXPECT_EQ(FSRename(c, "b.txt"), dupFNErr) << "never replaces";
    EXPECT_EQ(FSRename(c, "x/y"), bdNamErr);

    FSRef moved;
    EXPECT_EQ(FSMoveObject(file, FSGetPathRef(at("Sheets/notes")), &moved), noErr);
    EXPECT_EQ(moved.path, at("Sheets/notes/b.txt"));
    write("b.txt", "again");
    EXPECT_EQ(FSMoveObject(FSGetPathRef(at("b.txt")), FSGetPathRef(at("Sheets/notes"))), dupFNErr);

    FSRef copy;
    EXPECT_EQ(FSCopyToPath(FSGetPathRef(at("Sheets/one.qxsheet")), "two.qxsheet", at("Sheets"), copy), noErr);
    EXPECT_EQ(FSReadDataFork(FSGetPathRef(at("Sheets/two.qxsheet/info.plist"))), QByteArray("<plist/>"));

    EXPECT_EQ(FSWriteDataFork(moved, "new"), noErr);
    EXPECT_EQ(FSReadDataFork(moved), QByteArray("new"));
    EXPECT_EQ(FSClearFile(moved), noErr);
    EXPECT_EQ(FSGetDataForkSize(moved), 0);

    FSRef created;
    EXPECT_EQ(FSCreateFolder("new folder", FSGetPathRef(root()), created), noErr);
    EXPECT_TRUE(FSIsFolder(created));
    EXPECT_EQ(FSCreateFile("f.txt", created, created), noErr);
    EXPECT_EQ(FSGetDataForkSize(created), 0);
}

TEST_F(FileTree, IterationDeletionAndListings) {
    QStringList seen;
    EXPECT_EQ(FSIterateContainer(
                  FSGetPathRef(root()),
                  [&](bool isFolder, bool&, const FSRef& item) {
                      seen << QDir(root()).relativeFilePath(item.path) + (isFolder ? "/" : "");
                  },
                  true),
              noErr);
    seen.sort();
    EXPECT_EQ(seen, QStringList({".hidden", "Sheets/", "Sheets/notes/", "Sheets/one.qxsheet", "a.txt"}))
        << "a package is not descended into as a folder";

    QStringList listed = FileManagerUtilities::directoryContents(at("Sheets"));
    listed.sort();
    EXPECT_EQ(listed, QStringList({at("Sheets/notes"), at("Sheets/one.qxsheet")}));
    QString error;
    EXPECT_TRUE(FileManagerUtilities::directoryContents(at("nothing"), false, &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(FileManagerUtilities::directoryExistsAtPath(at("Sheets")));
    EXPECT_FALSE(FileManagerUtilities::directoryExistsAtPath(at("a.txt")));
    EXPECT_TRUE(FileManagerUtilities::moveItemAtPathToDirectory(at("a.txt"), at("Sheets/notes")));
    EXPECT_TRUE(QFile::exists(at("Sheets/notes/a.txt")));

    EXPECT_EQ(FSDeleteContainerItems(FSGetPathRef(root())), noErr);
    EXPECT_TRUE(QDir(at("Sheets/notes")).exists());
    EXPECT_FALSE(QFile::exists(at("Sheets/notes/a.txt")));
    EXPECT_FALSE(QFile::exists(at(".hidden")));
}

TEST_F(FileTree, NamesNeverLeaveTheirFolder) {
    const FSRef sheets = FSGetPathRef(at("Sheets"));
    FSRef ref;
    EXPECT_EQ(FSGetPathRef(sheets, "../a.txt", ref), fnfErr);
    EXPECT_TRUE(ref.isNull());
    EXPECT_EQ(FSGetPathRef(sheets, "notes/../../a.txt", ref), fnfErr);
    EXPECT_EQ(FSGetPathRef(sheets, "one.qxsheet/./info.plist", ref), noErr);
    // The resources folder of a build tree sits beside the project's own files.
    ASSERT_FALSE(BundleUtilities::pathForResource("README.md").isEmpty());
    EXPECT_TRUE(FSGetResourceFileWithPath("../CMakeLists.txt").isNull());
    EXPECT_TRUE(BundleUtilities::pathForResource("../CMakeLists.txt").isEmpty());
}

TEST_F(FileTree, CopyingAFolderIntoItselfIsRefused) {
    FSRef copy;
    EXPECT_NE(FSCopyToPath(FSGetPathRef(at("Sheets")), "copy", at("Sheets/notes"), copy), noErr);
    EXPECT_TRUE(copy.isNull());
    EXPECT_FALSE(QFileInfo::exists(at("Sheets/notes/copy"))) << "nothing left behind";
    EXPECT_NE(FSCopyToPath(FSGetPathRef(at("Sheets")), "copy", at("Sheets"), copy), noErr);
    EXPECT_FALSE(QFileInfo::exists(at("Sheets/copy")));
}

TEST_F(FileTree, APermissionModeIsNeverAnOption) {
    const FSRef file = FSGetPathRef(at("a.txt"));
    ASSERT_EQ(FSSetPermissions(file, "600"), noErr);
    write("open.txt", "");
    QFile::setPermissions(at("open.txt"), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    EXPECT_EQ(FSSetPermissions(file, "--reference=" + at("open.txt")), permErr);
    EXPECT_FALSE(QFileInfo(at("a.txt")).permissions() & QFile::ReadOther);
    EXPECT_EQ(FSSetPermissions(file, "-w"), noErr) << "a mode beginning with - is still a mode";
    EXPECT_FALSE(QFileInfo(at("a.txt")).permissions() & QFile::WriteOwner);
}

TEST_F(FileTree, TrashAndRevealGoThroughTheWorkspace) {
    RecordingWorkspace fake;
    Workspace::setShared(&fake);
    EXPECT_EQ(FSTrashObject(FSGetPathRef(at("a.txt"))), noErr);
    EXPECT_EQ(FSReveal(FSGetPathRef(at("Sheets"))), noErr);
    EXPECT_EQ(FSTrashObject(FSRef{at("nothing")}), fnfErr);
    Workspace::setShared(nullptr);
    ASSERT_EQ(fake.requests.size(), 2);
    EXPECT_EQ(fake.requests[0], (RecordingWorkspace::Request{"moveToTrash", {at("a.txt")}}));
    EXPECT_EQ(fake.requests[1], (RecordingWorkspace::Request{"selectFile", {at("Sheets")}}));
}

TEST_F(FileTree, FileObjectStrings) {
    using namespace StringFileObjectUtilities;
    EXPECT_TRUE(isDirectory(at("Sheets/one.qxsheet")));
    EXPECT_FALSE(isFolder(at("Sheets/one.qxsheet")));
    EXPECT_TRUE(isFolder(at("Sheets/notes")));
    EXPECT_FALSE(isDirectory(at("nothing")));
    EXPECT_TRUE(isHidden(at(".hidden")));
    EXPECT_FALSE(isHidden(at(".nothing")));
    EXPECT_TRUE(fsRef(at("nothing")).isNull());
    setExtensionHidden(at("nothing"), true);
    EXPECT_FALSE(isExtensionHidden(at("a.txt")));
    EXPECT_EQ(stringWithFSRef(fsRef(at("a.txt"))), at("a.txt"));
    EXPECT_TRUE(stringWithFSRef(FSRef{}).isNull());
    EXPECT_EQ(stringWithFSObjectName(fsRef(at("a.txt"))), "a.txt");
    ASSERT_TRUE(QFile::link(at("a.txt"), at("link")));
    EXPECT_TRUE(isAlias(at("link")));
    EXPECT_EQ(pathWithResolvedAlias(at("link")), QFileInfo(at("a.txt")).canonicalFilePath());
    EXPECT_EQ(pathWithResolvedAlias(at("a.txt")), at("a.txt"));
    EXPECT_TRUE(fileImage(at("nothing"), QSize(32, 32)).isNull());
    const QImage icon = fileImage(at("a.txt"), QSize(32, 32));
    EXPECT_EQ(icon.size(), QSize(32, 32));
    EXPECT_TRUE(conformsToUTIdentifiers(at("a.txt"), {}, true));
    EXPECT_FALSE(conformsToUTIdentifiers(at("a.txt"), {}, false));
    EXPECT_TRUE(conformsToUTIdentifiers("/no/such.txt", {"public.image", "public.plain-text"}, false));
    EXPECT_EQ(URLFileObjectUtilities::fileURLWithFSRef(fsRef(at("a.txt"))), QUrl::fromLocalFile(at("a.txt")));
}

TEST(TypeConformance, Table) {
    struct Case {
        QString path, identifier;
        bool conforms;
    };
    const Case cases[] = {
        {"/n/notes.txt", "public.plain-text", true},
        {"/n/notes.txt", "public.text", true},
        {"/n/notes.TXT", "public.text", true},
        {"/n/notes", "public.text", false},
        {"/n/letter.rtf", "public.rtf", true},
        {"/n/letter.rtf", "public.text", true},
        {"/n/letter.rtf", "public.image", false},
        {"/n/letter.rtfd", "com.apple.rtfd", true},
        {"/n/letter.rtfd", "com.apple.package", true},
        {"/n/page.html", "public.text", true},
        {"/n/photo.png", "public.image", true},
        {"/n/photo.jpg", "public.image", true},
        {"/n/photo.jpeg", "public.jpeg", true},
        {"/n/scan.tiff", "public.image", true},
        {"/n/scan.gif", "public.image", true},
        {"/n/photo.png", "public.text", false},
        {"/s/Work.qxsheet", "com.brasswick.qxsheet", true},
        {"/s/Work.qxsheet", "com.apple.package", true},
        {"/s/Work.qxsheet", "public.directory", true},
        {"/s/Work.qxsheet", "public.folder", false},
        {"/s/Work.qxsheet", "public.text", false},
        {"/s/Blue.qxtheme", "com.apple.package", true},
        {"/s/card.qxcard", "com.brasswick.qxcard", true},
        {"/s/card.qxcard", "com.apple.package", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StringFileObjectUtilities::conformsToUTIdentifier(c.path, c.identifier), c.conforms)
            << c.path.toStdString() << " " << c.identifier.toStdString();
}

TEST(Resources, FolderIsFoundFromTheBuildTree) {
    const QString path = BundleUtilities::pathForResource("README.md");
    EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
    EXPECT_TRUE(BundleUtilities::pathForResource("no-such.png").endsWith("/no-such.png"));
    EXPECT_TRUE(FileManagerUtilities::resourceDirectoryContents().contains(path));
    EXPECT_FALSE(FSGetResourceFileWithPath("README.md").isNull());
}

} // namespace
