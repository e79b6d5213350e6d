#include "platform/Diagnostics.h"
#include "platform/NotificationCenter.h"
#include "utilities/NetworkReachability.h"

#include <gtest/gtest.h>
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

TEST(NetworkReachabilityOfTheSystem, AnswersAStatus) {
    Diagnostics::Capture capture; // a machine without network information says so once
    const qint32 status = GetNetworkReachability();
    EXPECT_GE(status, kNotReachable);
    EXPECT_LE(status, kReachableDirectly);
}

} // namespace
