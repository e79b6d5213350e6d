#include "app/SingleInstance.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
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

TEST(SingleInstance, NoRunningInstanceMeansNoForwardAndASecondListenerIsRefused) {
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("jobslate.instance"));
    EXPECT_FALSE(SingleInstance(name).forward({QStringLiteral("x")}, 2000));
    SingleInstance first(name);
    ASSERT_TRUE(first.listen());
    SingleInstance second(name);
    EXPECT_FALSE(second.listen());
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
