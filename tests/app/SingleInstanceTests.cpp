#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QEventLoop>
#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

TEST(SingleInstance, ALaterStartHandsItsArgumentsToTheRunningOne) {
    // GIVEN a running instance
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("jobslate.instance"));
    SingleInstance running(name);
    ASSERT_TRUE(running.listen());
    QSignalSpy received(&running, &SingleInstance::argumentsReceived);

    // WHEN a second start forwards a folder, a link and a file (from a thread: it waits for the answer)
    const QStringList arguments{QStringLiteral("/home/me"), QStringLiteral("jobslate://goto?card=X"),
                                QStringLiteral("notes.txt")};
    bool forwarded = false;
    std::thread later([&] { forwarded = SingleInstance(name).forward(arguments, 20000); });
    const bool arrived = received.wait(20000);
    later.join();

    // THEN the running one got them and the later one knows it
    ASSERT_TRUE(arrived);
    EXPECT_TRUE(forwarded);
    EXPECT_EQ(received.first().first().toStringList(), arguments);
}

TEST(SingleInstance, AQuestionAskedOverTheArgumentsOutlivesTheConnectionThatBroughtThem) {
    // GIVEN a running instance that asks a question about what it receives: an event loop that stays
    // open until the later start has ended and its connection is gone
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("jobslate.instance"));
    SingleInstance running(name);
    ASSERT_TRUE(running.listen());
    std::atomic<bool> ended = false;
    QList<QStringList> handled;
    const auto ask = [&](const QStringList& arguments) {
        QEventLoop question;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, &question, [&] {
            if (ended && running.findChildren<QLocalSocket*>().isEmpty()) question.quit();
        });
        answer.start(10);
        QTimer::singleShot(20000, &question, &QEventLoop::quit);
        question.exec();
        handled.append(arguments);
    };
    QObject::connect(&running, &SingleInstance::argumentsReceived, &running, ask);

    // WHEN later starts forward their files one after another
    const QList<QStringList> starts{{QStringLiteral("/home/me"), QStringLiteral("a.txt")},
                                    {QStringLiteral("/home/me"), QStringLiteral("b.txt")}};
    int forwarded = 0;
    for (const QStringList& arguments : starts) {
        ended = false;
        std::thread later([&] {
            forwarded += SingleInstance(name).forward(arguments, 20000) ? 1 : 0;
            ended = true;
        });
        const qsizetype before = handled.size();
        EXPECT_TRUE(QTest::qWaitFor([&] { return handled.size() > before; }, 30000));
        later.join();
    }

    // THEN each was answered and handled, and the running one outlived the sockets it read from
    EXPECT_EQ(forwarded, starts.size());
    EXPECT_EQ(handled, starts);
}

TEST(SingleInstance, NoRunningInstanceMeansNoForwardAndASecondListenerIsRefused) {
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("jobslate.instance"));
    EXPECT_FALSE(SingleInstance(name).forward({QStringLiteral("x")}, 2000));
    SingleInstance first(name);
    ASSERT_TRUE(first.listen());
    SingleInstance second(name);
    EXPECT_FALSE(second.listen());
    EXPECT_TRUE(second.anotherInstanceRunning());
    EXPECT_FALSE(first.anotherInstanceRunning());
}

TEST(SingleInstance, ASocketLeftBehindByAnEndedInstanceIsReplaced) {
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("jobslate.instance"));
    QFile left(name);
    ASSERT_TRUE(left.open(QIODevice::WriteOnly));
    left.close();
    SingleInstance instance(name);
    EXPECT_TRUE(instance.listen());
}

} // namespace

namespace {

// Sends raw bytes as a later start would, from a thread; true when the running instance answered.
bool sendRaw(const QString& name, const QByteArray& bytes) {
    std::atomic<bool> answered = false;
    std::atomic<bool> done = false;
    std::thread sender([&] {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (socket.waitForConnected(20000)) {
            socket.write(bytes);
            socket.waitForBytesWritten(20000);
            answered = socket.waitForReadyRead(3000) && socket.bytesAvailable() > 0;
        }
        done = true;
    });
    // The running instance serves the sender meanwhile.
    while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    sender.join();
    return answered;
}

QByteArray framed(const QByteArray& message) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << message;
    return bytes;
}

TEST(SingleInstance, MalformedOrHugeMessagesAreDroppedWithoutHarm) {
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("jobslate.instance"));
    SingleInstance running(name);
    ASSERT_TRUE(running.listen());
    QSignalSpy received(&running, &SingleInstance::argumentsReceived);

    // A list claiming four billion entries, a string running past the end, a 2 GiB announcement
    const QByteArray hugeCount = framed(QByteArray::fromHex("fffffff0"));
    const QByteArray pastEnd = framed(QByteArray::fromHex("00000001000000ff0041"));
    const QByteArray hugeSize = QByteArray::fromHex("80000000") + QByteArray(64, 'x');
    for (const QByteArray& bytes : {hugeCount, pastEnd, hugeSize}) {
        EXPECT_FALSE(sendRaw(name, bytes));
        EXPECT_TRUE(received.isEmpty());
    }

    // A sound message still arrives afterwards
    QByteArray list;
    QDataStream writer(&list, QIODevice::WriteOnly);
    writer << QStringList{QStringLiteral("/home/me")};
    EXPECT_TRUE(sendRaw(name, framed(list)));
    ASSERT_TRUE(received.size() == 1 || received.wait(20000));
    EXPECT_EQ(received.first().first().toStringList(), QStringList{QStringLiteral("/home/me")});
}

} // namespace
