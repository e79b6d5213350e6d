#include "platform/AutoreleasePool.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"

#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct Counted : Autoreleasable {
    int drained = 0;
    std::function<void()> onDrain;
    void autoreleaseDrained() override {
        ++drained;
        if (onDrain) onDrain();
    }
};

} // namespace

TEST(NotificationCenter, FiltersByNameAndObject) {
    NotificationCenter center;
    int a = 0, any = 0, objOnly = 0;
    int tag1 = 0, tag2 = 0;
    center.addObserver(&a, "A", nullptr, [&](const Notification&) { ++a; });
    center.addObserver(&any, "", nullptr, [&](const Notification&) { ++any; });
    center.addObserver(&objOnly, "A", &tag1, [&](const Notification& n) {
        EXPECT_EQ(n.object, &tag1);
        ++objOnly;
    });
    center.post("A", &tag1, {{"k", 1}});
    center.post("A", &tag2);
    center.post("B");
    EXPECT_EQ(a, 2);
    EXPECT_EQ(any, 3);
    EXPECT_EQ(objOnly, 1);
    center.removeObserver(&any);
    center.post("B");
    EXPECT_EQ(any, 3);
}

TEST(NotificationCenter, RemovalAndPostingDuringDelivery) {
    NotificationCenter center;
    int first = 0, second = 0, nested = 0;
    int owner1 = 0, owner2 = 0, owner3 = 0;
    center.addObserver(&owner1, "N", nullptr, [&](const Notification&) {
        ++first;
        center.removeObserver(&owner1); // itself
        center.removeObserver(&owner2); // a later one: must not be called
        center.post("M");
    });
    center.addObserver(&owner2, "N", nullptr, [&](const Notification&) { ++second; });
    center.addObserver(&owner3, "M", nullptr, [&](const Notification&) { ++nested; });
    center.post("N");
    center.post("N");
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(center.observerCount(), 1);
}

TEST(Scheduler, ManualCancelsIdenticalRequestAndRunsInOrder) {
    ScopedManualScheduler scoped;
    ManualScheduler& s = scoped.scheduler;
    QStringList log;
    int owner = 0;
    s.performAfterDelay(&owner, "save", 2.0, [&] { log << "save1"; });
    s.performAfterDelay(&owner, "save", 2.0, [&] { log << "save2"; }); // replaces the first
    s.performAfterDelay(&owner, "count", 1.0, [&] { log << "count"; });
    s.advance(1.5);
    EXPECT_EQ(log, QStringList{"count"});
    s.advance(1.0);
    EXPECT_EQ(log, (QStringList{"count", "save2"}));
    EXPECT_EQ(s.pendingCount(), 0);

    int ticks = 0;
    s.scheduleRepeating(&owner, "tick", 30, [&] { ++ticks; });
    s.advance(95);
    EXPECT_EQ(ticks, 3);
    s.cancelAll(&owner);
    s.advance(100);
    EXPECT_EQ(ticks, 3);
}

TEST(Scheduler, TaskMayRescheduleItself) {
    ManualScheduler s;
    int owner = 0, runs = 0;
    std::function<void()> again = [&] {
        if (++runs < 3) s.performAfterDelay(&owner, "k", 1, again);
    };
    s.performAfterDelay(&owner, "k", 1, again);
    s.advance(10);
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(s.now(), QDateTime(QDate(2026, 1, 1), QTime(9, 0, 10), Qt::UTC));
}

TEST(Scheduler, RealSchedulerFiresOnEventLoop) {
    int owner = 0, runs = 0;
    Scheduler::shared().performAfterDelay(&owner, "k", 0.01, [&] { ++runs; });
    Scheduler::shared().performAfterDelay(&owner, "k", 0.01, [&] { runs += 10; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return runs != 0; }, 5000));
    EXPECT_EQ(runs, 10);
}

TEST(AutoreleasePool, NestedScopesAndDrainDuringDrain) {
    Counted a, b, late;
    {
        AutoreleasePool outer;
        AutoreleasePool::add(&a);
        {
            AutoreleasePool inner;
            EXPECT_EQ(AutoreleasePool::depth(), 2);
            b.onDrain = [&] { AutoreleasePool::add(&late); };
            AutoreleasePool::add(&b);
            AutoreleasePool::add(&b);
        }
        EXPECT_EQ(b.drained, 2);
        EXPECT_EQ(late.drained, 2); // added while draining: drained by the same pass
        EXPECT_EQ(a.drained, 0);
    }
    EXPECT_EQ(a.drained, 1);
}

TEST(AutoreleasePool, ForgottenEntryIsNotTouched) {
    Counted a;
    AutoreleasePool pool;
    AutoreleasePool::add(&a);
    AutoreleasePool::forget(&a);
    EXPECT_EQ(pool.size(), 0);
    pool.drain();
    EXPECT_EQ(a.drained, 0);
}

TEST(Scheduler, RealSchedulerFollowsTheWallClockAfterASleep) {
    // A clock that jumps an hour, as it does when the machine wakes from sleep.
    struct Jumping : RealScheduler {
        qint64 shiftMs = 0;
        QDateTime now() const override { return RealScheduler::now().addMSecs(shiftMs); }
    } scheduler;
    scheduler.setWakeInterval(20);
    int owner = 0, runs = 0;
    scheduler.performAfterDelay(&owner, "alarm", 3600, [&] { ++runs; });
    scheduler.shiftMs = 3600 * 1000;
    EXPECT_TRUE(QTest::qWaitFor([&] { return runs != 0; }, 5000));
}
