#include "platform/Diagnostics.h"
#include "utilities/FSUtilities.h"
#include "utilities/ProcessUtilities.h"
#include "utilities/UNIXUtilities.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace UNIXUtilities;

const QString kNastyName = QStringLiteral("a b \"c\" 'd' $(touch pwned) `touch pwned2`; rm -rf x");

TEST(Commands, NamesPassThroughUnharmed) {
    QTemporaryDir dir;
    const QString path = dir.filePath(kNastyName);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    EXPECT_EQ(ProcessCopy(QStringList{"printf", "%s", kNastyName}), kNastyName);
    EXPECT_EQ(ProcessRead(QStringList{"ls", "-1", dir.path()}), kNastyName);
    EXPECT_EQ(StringProcessUtilities::execute({"printf", "%s", kNastyName}), kNastyName);
    EXPECT_EQ(FSUtilities::FSSetPermissions(FSUtilities::FSGetPathRef(path), "600"), FSUtilities::noErr);
    EXPECT_EQ(QFileInfo(path).permissions() & (QFile::ReadOther | QFile::ReadGroup), 0);
    EXPECT_FALSE(QFile::exists(dir.filePath("pwned")));
    EXPECT_FALSE(QFile::exists("pwned"));
    EXPECT_FALSE(QFile::exists("pwned2"));
    // A command line is split into words and nothing else: "$(...)" stays text.
    EXPECT_EQ(ProcessRead(QString("printf %s \"$(echo hi)\"")), "$(echo hi)");
}

TEST(Commands, OutputShapes) {
    EXPECT_EQ(ProcessRead(QStringList{}), "");
    EXPECT_FALSE(ProcessCopy(QString()).has_value());
    EXPECT_EQ(ProcessCopy(QStringList{"true"}), QString());
    EXPECT_EQ(ProcessRead(QStringList{"true"}), "");
    EXPECT_EQ(ProcessRead(QStringList{"printf", "one\\ntwo\\n"}), "one");
    EXPECT_EQ(ProcessRead(QStringList{"printf", "last"}), "last") << "no line end: nothing cut";
    EXPECT_EQ(ProcessCopyLines(QStringList{"printf", "a\\nb\\n"}), QStringList({"a", "b"}));
    EXPECT_EQ(StringProcessUtilities::executeWithResults({"printf", "a\\nb\\n"}),
              QStringList({"a", "b", ""}));
    EXPECT_EQ(ProcessOpen(QStringList{"sh", "-c", "exit 3"}), 3);
    EXPECT_EQ(ProcessOpen(QStringList{"/no/such/program"}), -1);

    QStringList lines;
    EXPECT_EQ(ProcessRead(QStringList{"printf", "1\\n2\\n3\\n"},
                          [&](const QString& line, bool& stop) {
                              lines << line;
                              stop = line == "2";
                          }),
              0);
    EXPECT_EQ(lines, QStringList({"1", "2"}));
}

TEST(Commands, Streams) {
    ProcessStream stream;
    ProcessCloseStream(stream); // not open: nothing
    EXPECT_FALSE(IsProcessStreamOpen(stream));
    ProcessOpenStream(stream, {"printf", "x\\ny\\n"});
    ASSERT_TRUE(IsProcessStreamOpen(stream));
    EXPECT_EQ(ProcessReadStreamByLine(stream), "x");
    EXPECT_EQ(ProcessReadStreamByLine(stream), "y");
    EXPECT_FALSE(ProcessReadStreamByLine(stream).has_value());
    ProcessCloseStream(stream);
    EXPECT_FALSE(IsProcessStreamOpen(stream));

    Diagnostics::Capture capture;
    const QString text = QString(300, QChar(0x00e9)); // 600 UTF-8 bytes
    ProcessOpenStream(stream, {"printf", "%s", text});
    QString joined, piece;
    while (ProcessReadStream(stream, piece)) joined += piece;
    EXPECT_EQ(joined, text) << "pieces end on character boundaries, nothing dropped";
    EXPECT_GE(capture.lines().size(), 3);
    EXPECT_TRUE(capture.lines().first().startsWith("got "));

    // A character whose bytes arrive apart comes whole.
    ProcessOpenStream(stream, {"sh", "-c", "printf 'a\\303'; sleep 0.3; printf '\\251b'"});
    joined.clear();
    while (ProcessReadStream(stream, piece)) joined += piece;
    EXPECT_EQ(joined, QString::fromUtf8("a\xc3\xa9"
                                        "b"));
}

TEST(Commands, OutputLeftUnreadEndsTheCommand) {
    // Endless output, or a command that goes on after its line: the first line, no hang.
    EXPECT_EQ(ProcessRead(QStringList{"yes"}), "y");
    EXPECT_EQ(ProcessRead(QStringList{"sh", "-c", "echo first; exec sleep 600"}), "first");
    ProcessStream stream;
    ProcessOpenStream(stream, {"yes", "stream"});
    EXPECT_EQ(ProcessReadStreamByLine(stream), "stream");
    ProcessCloseStream(stream);
    EXPECT_FALSE(IsProcessStreamOpen(stream));
}

TEST(Commands, Tasks) {
    QProcess task;
    task.setProgram("sh");
    task.setArguments({"-c", "printf out; printf err >&2"});
    std::optional<QString> errors;
    EXPECT_EQ(TaskUtilities::launchAndReadStandardOutputWithErrors(task, &errors), "out");
    EXPECT_EQ(errors, "err");
    QProcess silent;
    silent.setProgram("true");
    EXPECT_FALSE(TaskUtilities::readStandardOutput(silent).has_value());
}

} // namespace
