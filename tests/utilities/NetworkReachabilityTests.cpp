#include "platform/Diagnostics.h"
#include "platform/NotificationCenter.h"
#include "utilities/NetworkReachability.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

using namespace NetworkReachability;

TEST(NetworkReachability, FlagsGiveTheStatus) {
    struct Case {
        quint32 flags;
        qint32 status;
    };
    const Case cases[] = {
        {0, 0},
        {0x2, 1},
        {0x2 | 0x4, 0},
        {0x2 | 0x4 | 0x20, 1},
        {0x2 | 0x4 | 0x8, 1},
        {0x2 | 0x4 | 0x20 | 0x10, 0},
        {0x2 | 0x20000, 2},
        {0x2 | 0x4 | 0x20000, 2},
        {0x20000, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(GetReachabilityStatus(c.flags), c.status) << std::hex << c.flags;
    EXPECT_EQ(GetReachabilityStatus(std::nullopt), 0);
}

class Reachability : public ::testing::Test {
protected:
    void SetUp() override { setSource(&network); }
    void TearDown() override {
        if (IsMonitoringNetworkReachability()) StopMonitoringNetworkReachability();
        setSource(nullptr);
        NotificationCenter::defaultCenter().removeObserver(this);
    }
    ManualReachabilitySource network;
};

TEST_F(Reachability, TheSourceDecidesAndUnreadableFlagsAreUnreachable) {
    EXPECT_EQ(GetNetworkReachability(), kReachable);
    EXPECT_EQ(GetNetworkReachabilityWithHostName("example.org"), kReachable);
    EXPECT_EQ(GetNetworkReachabilityWithHostName(""), kNotReachable);
    network.setFlags(0);
    EXPECT_EQ(GetNetworkReachability(), kNotReachable);
    network.setFlags(std::nullopt);
    EXPECT_EQ(GetNetworkReachability(), kNotReachable);
}

TEST_F(Reachability, WatchingPostsEachChangeWithTheNewStatus) {
    std::vector<qint32> posted;
    NotificationCenter::defaultCenter().addObserver(
        this, SCNetworkReachabilityChangedNotification, nullptr, [&](const Notification& n) {
            ASSERT_NE(n.object, nullptr);
            EXPECT_TRUE(n.userInfo.isEmpty());
            posted.push_back(*static_cast<const qint32*>(n.object));
        });
    Diagnostics::Capture capture;
    StartMonitoringNetworkReachability();
    StartMonitoringNetworkReachability();
    EXPECT_EQ(capture.count("Already monitoring!"), 1);
    EXPECT_TRUE(network.isWatched());

    network.setFlags(0);
    network.setFlags(kFlagReachable | kFlagIsDirect);
    EXPECT_EQ(posted, (std::vector<qint32>{kNotReachable, kReachableDirectly}));

    StopMonitoringNetworkReachability();
    EXPECT_FALSE(network.isWatched());
    network.setFlags(kFlagReachable);
    EXPECT_EQ(posted.size(), 2u);
    StopMonitoringNetworkReachability();
    EXPECT_EQ(capture.count("Network reachability is not being monitored."), 1);
}

// A source whose notices may still arrive after it was told to stop, as queued ones do.
class LateSource : public ReachabilitySource {
public:
    std::optional<quint32> flags() override { return 0u; }
    void watch(std::function<void()> changed) override { notify = std::move(changed); }
    void unwatch() override {}
    std::function<void()> notify;
};

TEST(NetworkReachabilityWatching, EndsWithStopOrWithTheSource) {
    int posted = 0;
    int observer = 0;
    NotificationCenter::defaultCenter().addObserver(&observer, SCNetworkReachabilityChangedNotification,
                                                    nullptr, [&](const Notification&) { ++posted; });
    {
        LateSource late;
        setSource(&late);
        StartMonitoringNetworkReachability();
        late.notify();
        EXPECT_EQ(posted, 1);
        StopMonitoringNetworkReachability();
        late.notify();
        EXPECT_EQ(posted, 1);
        setSource(nullptr);
    }
    {
        auto manual = std::make_unique<ManualReachabilitySource>();
        setSource(manual.get());
        StartMonitoringNetworkReachability();
        manual.reset();
        EXPECT_FALSE(IsMonitoringNetworkReachability());
        const qint32 status = GetNetworkReachability(); // the system's again
        EXPECT_GE(status, kNotReachable);
        EXPECT_LE(status, kReachableDirectly);
    }
    NotificationCenter::defaultCenter().removeObserver(&observer);
}

TEST(NetworkReachabilityOfTheSystem, AnswersAStatus) {
    Diagnostics::Capture capture; // a machine without network information says so once
    const qint32 status = GetNetworkReachability();
    EXPECT_GE(status, kNotReachable);
    EXPECT_LE(status, kReachableDirectly);
}

} // namespace
