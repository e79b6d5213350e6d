#include "foundation/CFUtilities.h"
#include "foundation/CarbonUtilities.h"
#include "foundation/ToolboxAll.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <gtest/gtest.h>
#include <set>

namespace {

using namespace CarbonUtilities;

TEST(Toolbox, FourCharacterCodes) {
    EXPECT_EQ(FCC("thtk"), (quint32('t') << 24) | (quint32('h') << 16) | (quint32('t') << 8) | quint32('k'));
    EXPECT_EQ(FCC("utext"), FCC("utex"));
    EXPECT_EQ(FCCToString(FCC("APPL")), "APPL");
}

TEST(Toolbox, RandomNumbersCoverTheWholeRangeAndRepeatWithASeed) {
    struct Case {
        qint32 low, high;
    };
    for (const Case& c : {Case{90, 100}, Case{-45, 45}, Case{5, 5}, Case{3, -3}}) {
        ToolboxAll::SeedRandom(7);
        std::set<qint32> seen;
        for (int i = 0; i < 4000; ++i) {
            const qint32 r = GetRandomNumber(c.low, c.high);
            ASSERT_GE(r, std::min(c.low, c.high));
            ASSERT_LE(r, std::max(c.low, c.high));
            seen.insert(r);
        }
        EXPECT_EQ(seen.size(), size_t(std::abs(c.high - c.low) + 1)) << c.low << ".." << c.high;
    }
    ToolboxAll::SeedRandom(42);
    const qint32 first = GetRandomNumber(0, 1000000);
    ToolboxAll::SeedRandom(42);
    EXPECT_EQ(GetRandomNumber(0, 1000000), first);
}

TEST(Toolbox, StringsStayWholeAndShared) {
    EXPECT_EQ(&CFStr(QStringLiteral("TCard.modified")), &CFStr(QString("TCard.") + "modified"));
    const QString long300(300, QChar('x'));
    EXPECT_EQ(CFUtilities::CFStringToPascal(long300), long300);
    EXPECT_EQ(StrN("12"), 12);
    bool ok = true;
    EXPECT_EQ(ToolboxAll::StrN("twelve", &ok), 0);
    EXPECT_FALSE(ok);
    QString s = "a+b+c";
    EXPECT_TRUE(CFUtilities::CFStringFind(s, QStringList{"z", "+c"}));
    EXPECT_TRUE(CFUtilities::CFStringCopyCString(QString::fromUtf8("\xc3\xa9"), 0x0600).isNull());
    EXPECT_EQ(CFUtilities::CFStringCopyCString(QString::fromUtf8("\xc3\xa9")), "\xc3\xa9");
    EXPECT_EQ(CFUtilities::CFStringAppendPathComponent("/a/", "/b"), "/a/b");
    qint64 index = 9;
    EXPECT_EQ(CFUtilities::CFStringConstrainIndex("abc", index), 2);
}

TEST(Toolbox, PlaceholdersAreReplacedInOnePass) {
    struct Case {
        const char* text;
        QStringList args;
        const char* expected;
    };
    const Case cases[] = {
        {"^1 and ^2, again ^1", {"A", "B"}, "A and B, again A"},
        {"^2 then ^1", {"A", "^1"}, "^1 then A"}, // an argument's text is not replaced again
        {"^1^2", {"^2", "x"}, "^2x"},
        {"^12 and ^1", {"a", "b"}, "a2 and a"}, // no twelfth argument: the first, then "2"
        {"^3 stays, ^ too", {"a"}, "^3 stays, ^ too"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CFUtilities::CFCopyLocalizedString(c.text, c.args), c.expected) << c.text;
    QStringList twelve;
    for (int i = 1; i <= 12; ++i) twelve << QString("<%1>").arg(i);
    EXPECT_EQ(CFUtilities::CFCopyLocalizedString("^12 ^1", twelve), "<12> <1>");
}

TEST(Toolbox, FindAndReplaceCountsWhatItReplaced) {
    struct Case {
        const char* text;
        const char* find;
        const char* replacement;
        const char* expected;
        int count;
    };
    const Case cases[] = {
        {"a-b-c", "-", "+", "a+b+c", 2}, {"aaa", "aa", "b", "ba", 1}, // occurrences do not overlap
        {"aaaa", "aa", "a", "aa", 2},    {"abc", "x", "y", "abc", 0}, {"abc", "", "y", "abc", 0},
    };
    for (const Case& c : cases) {
        QString s = c.text;
        EXPECT_EQ(CFUtilities::CFStringFindAndReplace(s, c.find, c.replacement), c.count) << c.text;
        EXPECT_EQ(s, c.expected) << c.text;
    }
}

TEST(Toolbox, CopiesStayInsideTheCallersBuffer) {
    using namespace CFUtilities;
    struct Area {
        char bytes[8];
        char guard[8];
    };
    const QByteArray big(64, 'x');
    const void* pointer = &big;
    const QVariantMap dictionary{{"data", big},
                                 {"small", QByteArray("abc")},
                                 {"pointer", QVariant::fromValue(const_cast<void*>(pointer))}};
    Area area;
    std::memset(&area, '#', sizeof area);
    EXPECT_FALSE(CFDataGetBytes(big, area.bytes, sizeof area.bytes)); // did not fit whole
    EXPECT_EQ(QByteArray(area.bytes, 8), QByteArray(8, 'x'));
    EXPECT_EQ(QByteArray(area.guard, 8), QByteArray(8, '#'));

    std::memset(&area, '#', sizeof area);
    EXPECT_FALSE(CFDictionaryGetPointerValue(dictionary, "data", area.bytes, sizeof area.bytes));
    EXPECT_EQ(QByteArray(area.guard, 8), QByteArray(8, '#'));
    std::memset(&area, '#', sizeof area);
    EXPECT_TRUE(CFDictionaryGetPointerValue(dictionary, "small", area.bytes, sizeof area.bytes));
    EXPECT_EQ(QByteArray(area.bytes, 4), "abc#");
    EXPECT_FALSE(CFDictionaryGetPointerValue(dictionary, "absent", area.bytes, sizeof area.bytes));
    const void* back = nullptr;
    EXPECT_TRUE(CFDictionaryGetPointerValue(dictionary, "pointer", &back, sizeof back));
    EXPECT_EQ(back, pointer);
}

TEST(Toolbox, ProgramsStartedForAURLOrDocumentNeverReadItAsAnOption) {
    QTemporaryDir dir;
    const QString log = dir.filePath("arguments");
    const QString program = dir.filePath("record");
    {
        QFile script(program);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(QString("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1'\n").arg(log).toUtf8());
    }
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const FSRef app{program};
    for (const QString& text : {QString("-oProxyCommand=touch %1").arg(dir.filePath("ran")),
                                QString("--help"), QString("not a url")}) {
        EXPECT_EQ(LSOpenURLWithApplication(text, app), -1) << text.toStdString();
    }
    EXPECT_EQ(LSOpenURLWithApplication(QString(), app), 0);
    QTest::qWait(200);
    EXPECT_FALSE(QFile::exists(log));

    auto argumentsOf = [&](auto start) {
        QFile::remove(log);
        EXPECT_EQ(start(), 0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo(log).size() > 0; }, 5000));
        QFile file(log);
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll()).trimmed();
    };
    EXPECT_EQ(argumentsOf([&] { return LSOpenURLWithApplication("https://example.org/a?-b", app); }),
              "https://example.org/a?-b");
    const QString folder = QDir::currentPath();
    QDir::setCurrent(dir.path());
    EXPECT_EQ(argumentsOf([&] { return LSOpenWithApplication(FSRef{"-rf"}, app); }), dir.filePath("-rf"));
    QDir::setCurrent(folder);
}

TEST(Toolbox, Ranges) {
    using namespace CFUtilities;
    EXPECT_TRUE(CFRangeValidBounds({2, 3}, 5));
    EXPECT_FALSE(CFRangeValidBounds({2, 4}, 5));
    EXPECT_FALSE(CFRangeValidBounds({-1, 1}, 5));
    EXPECT_FALSE(CFRangeValidBounds({std::numeric_limits<qint64>::max(), 1}, 5));
    EXPECT_EQ(CFRangeConstrain({3, 10}, 5), (CFRange{3, 2}));
    EXPECT_EQ(CFRangeConstrain({-2, -1}, 5), (CFRange{0, 0}));
    EXPECT_EQ(CFDataCreateWithDataRange("abcdef", {4, 9}), "ef");
}

TEST(Toolbox, MemoryBlocks) {
    char bytes[4] = {1, 2, 3, 4};
    BlockZero(bytes, 0);
    EXPECT_EQ(bytes[0], 1);
    BlockZero(bytes + 1, 2);
    EXPECT_EQ(QByteArray(bytes, 4), QByteArray("\x01\x00\x00\x04", 4));

    void* block = NewPtrCopy("hello", 5);
    EXPECT_TRUE(IsPointerAllocated(block));
    EXPECT_EQ(ToolboxAll::GetPtrSize(block), 5);
    char out[8] = {};
    CopyByteRange(block, 1, 99, out); // offset 1 is the start; the length is cut to the block
    EXPECT_STREQ(out, "hello");
    void* clone = CloneObject(block);
    EXPECT_EQ(QByteArray(static_cast<char*>(clone), 5), "hello");
    void* foreign = bytes;
    SwapPointer(foreign, 4);
    EXPECT_TRUE(IsPointerAllocated(foreign));
    for (void* p : {block, clone, foreign}) {
        void* q = p;
        ReleasePtr(q);
        EXPECT_EQ(q, nullptr);
    }
    EXPECT_FALSE(IsPointerAllocated(block));
    EXPECT_EQ(GetMemoryString(512), "512b");
    EXPECT_EQ(GetMemoryString(4096), "4k");
    EXPECT_EQ(GetMemoryString(5 * 1024 * 1024), "5M");
}

TEST(Toolbox, SystemProcessesAndColours) {
    qint32 major = -1;
    EXPECT_EQ(Gestalt(FCC("sys1"), &major), 0);
    EXPECT_EQ(QString::number(major), QSysInfo::kernelVersion().section('.', 0, 0));
    EXPECT_EQ(Gestalt(FCC("zzzz"), &major), -5551);
    EXPECT_EQ(MacOSFullVersion(), major + MacOSVersion());

    const ProcessSerialNumber self = GetCurrentProcess();
    EXPECT_TRUE(ProcessIsRunning(self));
    EXPECT_EQ(FindProcessWithPID(self.pid), self);
    EXPECT_FALSE(CopyProcessBundlePath(self).isEmpty());
    ProcessSerialNumber found;
    EXPECT_TRUE(FindProcessWithBundle(FSRef{CopyProcessBundlePath(self)}, &found));
    for (const QString& missing : {QString("/no/such/bundle"), QString("no-such-relative-bundle")}) {
        ProcessSerialNumber none;
        EXPECT_FALSE(FindProcessWithBundle(FSRef{missing}, &none)) << missing.toStdString();
        EXPECT_EQ(none.pid, 0);
    }
    EXPECT_FALSE(ProcessIsRunning(ProcessSerialNumber{}));
    EXPECT_EQ(LSOpenURL("not a url"), -1);

    const RGBColor c{65535, 0, 32768};
    EXPECT_TRUE(CompareRGBColor(ATSUColorToRGBColor(RGBColorToATSUColor(c)), c));
    GetSystemIcon(FCC("????"));
    EXPECT_EQ(Err, -2580);
}

TEST(Toolbox, QuitProcessRefusesIdsWiderThanAProcessId) {
    // Cut to 32 bits these ids would name the child (or 0 / -1: the group / every process).
    QProcess child;
    child.start("sleep", {"30"});
    ASSERT_TRUE(child.waitForStarted());
    const qint64 pid = child.processId();
    for (qint64 wide : {(qint64(1) << 32) + pid, (qint64(5) << 32) + pid})
        EXPECT_EQ(QuitProcess(ProcessSerialNumber{wide}), -600) << wide;
    EXPECT_EQ(child.state(), QProcess::Running);
    EXPECT_EQ(QuitProcess(ProcessSerialNumber{pid}), 0);
    EXPECT_TRUE(child.waitForFinished(10000));
}

} // namespace
