// Tests of the system echo path: the ICMP datagram socket granted or refused, an echo to loopback and to a silent host.
#include <gtest/gtest.h>

#include <chrono>

#include "cp932.h"
#include "pingdll.h"
#include "reach_fixtures.h"

TEST(ICPMDLL, DoesNotLoadWhenTheSystemRefusesTheEchoSocket) {
    ScopedPingGroupRange Range(ScopedPingGroupRange::Refuse);
    if (!Range.Ok) GTEST_SKIP() << Range.Why;
    EXPECT_FALSE(ICPMDLL::CanLoad());
    try {
        ICPMDLL Dll;
        FAIL() << "the wrapper loaded without an echo socket";
    } catch (const TICMPException& E) {
        EXPECT_STREQ(E.what(), "Unable to register icmpDLL");
    }
}

TEST(ICPMDLL, EchoesLoopback) {
    ScopedPingGroupRange Range(ScopedPingGroupRange::Grant);
    if (!Range.Ok) GTEST_SKIP() << Range.Why;
    ASSERT_TRUE(ICPMDLL::CanLoad());
    ICPMDLL Dll;
    Dll.SetDestination("127.0.0.1");
    Dll.Timeout = 3000;
    EXPECT_GE(Dll.Ping(), 0);
    EXPECT_EQ(Dll.ReplyAddress, "127.0.0.1");
    EXPECT_EQ(Dll.ReplySize, 100);
    EXPECT_EQ(Dll.Status, 0);
    // A second echo on the same wrapper is answered too.
    EXPECT_GE(Dll.Ping(), 0);
}

TEST(ICPMDLL, SilentHostRaisesTheIcmpErrorAfterTheTimeout) {
    ScopedPingGroupRange Range(ScopedPingGroupRange::Grant);
    if (!Range.Ok) GTEST_SKIP() << Range.Why;
    SilentHost Host;
    if (!Host.Ok) GTEST_SKIP() << Host.Why;
    ICPMDLL Dll;
    Dll.SetDestination(Host.FarAddress);
    Dll.Timeout = 500;
    auto Start = std::chrono::steady_clock::now();
    try {
        Dll.Ping();
        FAIL() << "a silent host answered";
    } catch (const TICMPException& E) {
        EXPECT_EQ(E.Message(), SJ("ICMP error <pingの設定を無視するにcheckを入れて試してみてください>"));
    }
    auto Ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - Start)
                  .count();
    EXPECT_GE(Ms, 450);
    EXPECT_LT(Ms, 3000);
    EXPECT_EQ(Dll.RoundTrip, -1);
}
