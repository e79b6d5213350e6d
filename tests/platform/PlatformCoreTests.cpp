#include "platform/AutoreleasePool.h"
#include "platform/Diagnostics.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"

#include <QLoggingCategory>
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

// A real scheduler whose clocks a test moves: the wall clock (the time is set) and the boot clock
// (the machine slept).
struct ShiftedScheduler : RealScheduler {
    ShiftedScheduler() { setWakeInterval(20); }
    qint64 wallShiftMs = 0;
    qint64 sleptMs = 0;
    QDateTime now() const override { return RealScheduler::now().addMSecs(wallShiftMs); }
    qint64 elapsedMs() const override { return RealScheduler::elapsedMs() + sleptMs; }
};

TEST(Scheduler, RealSchedulerIsOnTimeAfterASleep) {
    ShiftedScheduler scheduler;
    int owner = 0, delayed = 0, alarmed = 0;
    scheduler.performAfterDelay(&owner, "delay", 3600, [&] { ++delayed; });
    scheduler.performAt(&owner, "alarm", scheduler.now().addSecs(3600), [&] { ++alarmed; });
    scheduler.sleptMs = 3600 * 1000;
    EXPECT_TRUE(QTest::qWaitFor([&] { return delayed != 0; }, 5000));
    EXPECT_EQ(alarmed, 0); // due at a time of the wall clock, which has not moved
    scheduler.wallShiftMs = 3600 * 1000;
    EXPECT_TRUE(QTest::qWaitFor([&] { return alarmed != 0; }, 5000));
}

TEST(Scheduler, RealSchedulerDelaysIgnoreTheWallClock) {
    // Set back an hour, the wall clock must not hold back a short delay; set forward, not hurry one.
    ShiftedScheduler scheduler;
    int owner = 0, soon = 0, later = 0;
    scheduler.performAfterDelay(&owner, "soon", 0.05, [&] { ++soon; });
    scheduler.performAfterDelay(&owner, "later", 3600, [&] { ++later; });
    scheduler.wallShiftMs = -3600 * 1000;
    EXPECT_TRUE(QTest::qWaitFor([&] { return soon != 0; }, 5000));
    scheduler.wallShiftMs = 2 * 3600 * 1000;
    QTest::qWait(100);
    EXPECT_EQ(later, 0);
}

TEST(Scheduler, RepeatingTaskRunsOnceAfterTheClockJumps) {
    ShiftedScheduler scheduler;
    int owner = 0, runs = 0;
    scheduler.scheduleRepeating(&owner, "tick", 10, [&] { ++runs; });
    scheduler.sleptMs = 3600 * 1000; // 360 intervals went by
    ASSERT_TRUE(QTest::qWaitFor([&] { return runs != 0; }, 5000));
    QTest::qWait(200);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(scheduler.isPending(&owner, "tick"));
}

TEST(Scheduler, FiringHandsSubclassesAKeyThatOutlivesTheRequest) {
    struct Recording : ManualScheduler {
        QStringList disarmedKeys;
        void disarmed(const Key& key) override { disarmedKeys << key.second; }
    } scheduler;
    int owner = 0;
    const QString key = QString("a key long enough to live on the heap, ") + QString::number(42);
    scheduler.performAfterDelay(&owner, key, 1, [] {});
    scheduler.advance(2);
    EXPECT_EQ(scheduler.disarmedKeys, QStringList{key});
}

TEST(Diagnostics, LinesGoToTheirLayersCategoryAndAreOffByDefault) {
    const struct {
        const char* path;
        const char* category;
    } cases[] = {
        {"/work/src/model/Sheet.cpp", "jobslate.model"},
        {"../../src/windows/SheetTree.cpp", "jobslate.windows"},
        {"src/platform/calendar/VdirEventStore.cpp", "jobslate.calendar"},
        {"/usr/include/x86_64-linux-gnu/qt6/QtCore/qstring.h", "jobslate"},
    };
    for (const auto& c : cases) {
        const QLoggingCategory& category = Diagnostics::categoryFor(c.path);
        EXPECT_STREQ(category.categoryName(), c.category) << c.path;
        EXPECT_FALSE(category.isInfoEnabled()) << c.path;
        EXPECT_FALSE(category.isWarningEnabled()) << c.path;
    }
    EXPECT_EQ(&Diagnostics::categoryFor("/a/src/model/Card.cpp"),
              &Diagnostics::categoryFor("/b/src/model/Task.cpp"));

    // A rule turns a layer on; lines then reach the message handler with their category.
    static QStringList seen;
    seen.clear();
    QLoggingCategory::setFilterRules(QStringLiteral("jobslate=true"));
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& text) {
            seen.append(QString::fromLatin1(context.category) + u' ' + text);
        });
    Diagnostics::warning(QStringLiteral("shown"));
    QLoggingCategory::setFilterRules(QString());
    Diagnostics::line(QStringLiteral("hidden"));
    qInstallMessageHandler(previous);
    EXPECT_EQ(seen, QStringList{QStringLiteral("jobslate Warning: shown")});
}
