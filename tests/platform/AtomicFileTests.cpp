#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/file.h>
#include <sys/resource.h>

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writePlain(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
}

QStringList temporariesIn(const QString& folder) {
    QStringList found;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (AtomicFile::isTemporaryName(name)) found << name;
    return found;
}

// Stops every save of its lifetime just before the rename, as a crash would; records the temporaries.
struct CrashBeforeRename {
    CrashBeforeRename() {
        AtomicFile::setBeforeRenameHook([this](const QString& temporary) {
            temporaries << temporary;
            return false;
        });
    }
    ~CrashBeforeRename() { AtomicFile::setBeforeRenameHook({}); }
    QStringList temporaries;
};

} // namespace

TEST(AtomicFile, ReplacesTheFileKeepingItsModeAndLinks) {
    QTemporaryDir dir;
    const QString path = dir.filePath("card.qxcard");
    QString error;
    ASSERT_TRUE(AtomicFile::write(path, "first", &error)) << error.toStdString();
    EXPECT_EQ(readAll(path), "first");

    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    ASSERT_TRUE(AtomicFile::write(path, "second"));
    EXPECT_EQ(readAll(path), "second");
    const auto modeBits = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                          QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther |
                          QFile::ExeOther;
    EXPECT_EQ(QFile::permissions(path) & modeBits, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);

    // Through a link (as a linked settings file): the link stays, its target gets the bytes.
    const QString link = dir.filePath("link.qxcard");
    ASSERT_TRUE(QFile::link(path, link));
    ASSERT_TRUE(AtomicFile::write(link, "third"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readAll(path), "third");

    // The longest file name still leaves room for its temporary.
    const QString longName = dir.filePath(QString(249, u'n') + ".plist");
    ASSERT_TRUE(AtomicFile::write(longName, "long", &error)) << error.toStdString();
    EXPECT_EQ(readAll(longName), "long");
    EXPECT_TRUE(temporariesIn(dir.path()).isEmpty());
}

TEST(AtomicFile, MakesAFolderWithItsMissingParents) {
    QTemporaryDir dir;
    const QString nested = dir.filePath("sheets/Work.qxsheet/cards");
    QString error;
    ASSERT_TRUE(AtomicFile::makeFolder(nested + '/', &error)) << error.toStdString();
    EXPECT_TRUE(QFileInfo(nested).isDir());
    EXPECT_TRUE(AtomicFile::makeFolder(nested)); // there already
    EXPECT_TRUE(AtomicFile::write(nested + "/card.qxcard", "card"));

    const QString file = nested + "/card.qxcard";
    for (const QString& path : {file, file + "/inside", QString()}) {
        EXPECT_FALSE(AtomicFile::makeFolder(path, &error)) << path.toStdString();
        EXPECT_TRUE(error.startsWith("Cannot make the folder " + path)) << error.toStdString();
    }
    EXPECT_EQ(readAll(file), "card");
}

TEST(AtomicFile, RecognisesOnlyItsOwnTemporaryNames) {
    const struct {
        const char* name;
        bool temporary;
    } cases[] = {
        {".card.qxcard.jobslate-tmp-a1B2c3", true},
        {"..alarm-state.json.jobslate-tmp-zzzzzz", true},
        {"card.qxcard.jobslate-tmp-a1B2c3", false}, // not hidden
        {".card.qxcard.jobslate-tmp-a1B2c", false}, // suffix too short
        {".card.qxcard.jobslate-tmp-a1B2c3d", false},
        {".card.qxcard.jobslate-tmp-a1B-c3", false},
        {".jobslate-tmp-a1B2c3", false}, // no file name in it
        {".card.qxcard.a1B2c3", false},  // another program's temporary
        {".card.ics", false},
    };
    for (const auto& c : cases) EXPECT_EQ(AtomicFile::isTemporaryName(c.name), c.temporary) << c.name;
}

TEST(AtomicFile, ASaveInterruptedBeforeItsRenameLeavesTheFileWholeAndTheNextSaveCleansUp) {
    QTemporaryDir dir;
    const QString path = dir.filePath("info.plist");
    const QString other = dir.filePath("other.plist");
    ASSERT_TRUE(AtomicFile::write(path, "old"));
    ASSERT_TRUE(AtomicFile::write(other, "other"));
    QStringList leftovers;
    {
        CrashBeforeRename crash;
        QString error;
        EXPECT_FALSE(AtomicFile::write(path, "new", &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(AtomicFile::write(other, "other, new"));
        leftovers = crash.temporaries;
    }
    ASSERT_EQ(leftovers.size(), 2);
    EXPECT_EQ(readAll(path), "old");
    // The temporary is what a crash leaves: hidden, recognisable, beside the file, with the new bytes.
    const QFileInfo leftover(leftovers[0]);
    EXPECT_EQ(leftover.absolutePath(), QFileInfo(path).absolutePath());
    EXPECT_TRUE(leftover.fileName().startsWith(".info.plist."));
    EXPECT_TRUE(AtomicFile::isTemporaryName(leftover.fileName()));
    EXPECT_EQ(readAll(leftovers[0]), "new");
    EXPECT_EQ(temporariesIn(dir.path()).size(), 2);

    // The next save of the file removes its own leftover and no other.
    ASSERT_TRUE(AtomicFile::write(path, "newer"));
    EXPECT_EQ(readAll(path), "newer");
    EXPECT_EQ(temporariesIn(dir.path()), QStringList{QFileInfo(leftovers[1]).fileName()});

    // A read of the folder removes the rest; the files themselves stay.
    EXPECT_EQ(AtomicFile::removeLeftoversIn(dir.path()), 1);
    EXPECT_TRUE(temporariesIn(dir.path()).isEmpty());
    EXPECT_EQ(readAll(other), "other");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST(AtomicFile, ATemporaryBeingWrittenIsNeverRemoved) {
    QTemporaryDir dir;
    const QString path = dir.filePath("card.qxcard");
    QString seen;
    int removedDuringSave = -1;
    AtomicFile::setBeforeRenameHook([&](const QString& temporary) {
        seen = temporary;
        removedDuringSave = AtomicFile::removeLeftovers(path) + AtomicFile::removeLeftoversIn(dir.path());
        return QFile::exists(temporary);
    });
    const bool saved = AtomicFile::write(path, "bytes");
    AtomicFile::setBeforeRenameHook({});
    EXPECT_TRUE(saved);
    EXPECT_EQ(removedDuringSave, 0);
    EXPECT_FALSE(seen.isEmpty());
    EXPECT_EQ(readAll(path), "bytes");

    // Another process's save holds a lock on its temporary the same way.
    const QString foreign = dir.filePath(".card.qxcard.jobslate-tmp-Other1");
    writePlain(foreign, "theirs");
    QFile held(foreign);
    ASSERT_TRUE(held.open(QIODevice::ReadOnly));
    ASSERT_EQ(::flock(held.handle(), LOCK_EX | LOCK_NB), 0);
    EXPECT_TRUE(AtomicFile::write(path, "again"));
    EXPECT_EQ(AtomicFile::removeLeftoversIn(dir.path()), 0);
    EXPECT_TRUE(QFile::exists(foreign));
    held.close();
    EXPECT_EQ(AtomicFile::removeLeftoversIn(dir.path()), 1);
    EXPECT_FALSE(QFile::exists(foreign));
}

TEST(AtomicFile, AFailedWriteReportsItAndLeavesTheOldFileWhole) {
    QTemporaryDir dir;
    const QString file = dir.filePath("file");
    writePlain(file, "plain");
    const QString folder = dir.filePath("folder");
    ASSERT_TRUE(QDir().mkpath(folder + "/inside"));
    // A name like a temporary's is refused too: the next cleanup would remove the file.
    const QString temporaryName = dir.filePath(".card.qxcard.jobslate-tmp-a1B2c3");
    for (const QString& path :
         {file + "/card.qxcard", folder, dir.filePath("missing/card.qxcard"), temporaryName, QString()}) {
        QString error;
        EXPECT_FALSE(AtomicFile::write(path, "bytes", &error)) << path.toStdString();
        EXPECT_TRUE(error.contains(path)) << error.toStdString();
    }
    EXPECT_FALSE(QFile::exists(temporaryName));
    EXPECT_EQ(readAll(file), "plain");
    EXPECT_TRUE(QFileInfo(folder + "/inside").isDir());

    // A full disk (a file-size limit binds the superuser too): the old file stays, no temporary.
    const QString target = dir.filePath("card.qxcard");
    ASSERT_TRUE(AtomicFile::write(target, "old"));
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    QString error;
    const bool written = AtomicFile::write(target, QByteArray(4096, 'x'), &error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(written);
    EXPECT_TRUE(error.contains(target)) << error.toStdString();
    EXPECT_EQ(readAll(target), "old");
    EXPECT_TRUE(temporariesIn(dir.path()).isEmpty());
}

// Creating a file and renaming one never replace what is there, on a file system with
// RENAME_NOREPLACE and on one with neither it nor hard links (FAT, some network shares).
TEST(AtomicFile, NewNamesNeverReplaceAnythingWithOrWithoutLinks) {
    enum class At { Nothing, File, DanglingLink };
    struct Case {
        const char* name;
        bool rename; // renameInFolder; else create
        At at;
        bool done;
    };
    const Case cases[] = {
        {"create at a free name", false, At::Nothing, true},
        {"create over a file", false, At::File, false},
        {"create over a dangling link", false, At::DanglingLink, false},
        {"rename to a free name", true, At::Nothing, true},
        {"rename over a file", true, At::File, false},
        {"rename over a dangling link", true, At::DanglingLink, false},
    };
    for (const bool withoutLinks : {false, true}) {
        AtomicFile::setWithoutLinksForTests(withoutLinks);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (withoutLinks ? ", without links" : ""));
            QTemporaryDir dir;
            const QString target = dir.filePath("target");
            if (c.at == At::File) writePlain(target, "theirs");
            if (c.at == At::DanglingLink) {
                ASSERT_TRUE(QFile::link(dir.filePath("nowhere"), target));
            }
            writePlain(dir.filePath("source"), "mine");
            bool taken = false;
            QString error;
            const bool done = c.rename
                                  ? AtomicFile::renameInFolder(dir.path(), "source", "target", &error, &taken)
                                  : AtomicFile::create(target, "mine", &error, &taken);
            EXPECT_EQ(done, c.done) << error.toStdString();
            EXPECT_EQ(taken, !c.done);
            EXPECT_EQ(error.isEmpty(), c.done);
            if (c.at == At::File) {
                EXPECT_EQ(readAll(target), c.done ? "mine" : "theirs");
            } else if (c.at == At::DanglingLink) {
                EXPECT_EQ(QFileInfo(target).symLinkTarget(), dir.filePath("nowhere"));
                EXPECT_FALSE(QFileInfo::exists(dir.filePath("nowhere")));
            } else {
                EXPECT_EQ(readAll(target), "mine");
            }
            // A rename refused leaves the source; a rename done takes it away.
            if (c.rename) {
                EXPECT_EQ(QFileInfo::exists(dir.filePath("source")), !c.done);
            }
            EXPECT_TRUE(temporariesIn(dir.path()).isEmpty());
        }
    }
    AtomicFile::setWithoutLinksForTests(false);
}
