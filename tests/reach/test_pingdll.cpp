// Tests of the system echo path: the ICMP datagram socket granted or refused, an echo to loopback and to a silent host.
#include <gtest/gtest.h>

#include <chrono>

#include "cp932.h"
#include "pingdll.h"
#include "reach_fixtures.h"

TEST(ICPMDLL, LoadsOnlyWhenTheSystemGrantsTheEchoSocketAndEchoesLoopbackTwice) {
    {
        ScopedPingGroupRange Range(ScopedPingGroupRange::Refuse);
        if (!Range.Ok) GTEST_SKIP() << Range.Why;
        EXPECT_FALSE(ICPMDLL::CanLoad());
        EXPECT_THROW(ICPMDLL(), TICMPException);
    }
    ScopedPingGroupRange Range(ScopedPingGroupRange::Grant);
    ASSERT_TRUE(ICPMDLL::CanLoad());
    ICPMDLL Dll;
    Dll.SetDestination("127.0.0.1");
    Dll.Timeout = 3000;
    for (int Round = 0; Round < 2; ++Round) {  // the second echo on the same wrapper is answered too
        EXPECT_GE(Dll.Ping(), 0);
        EXPECT_EQ(Dll.ReplyAddress, "127.0.0.1");
        EXPECT_EQ(Dll.ReplySize, 100);
        EXPECT_EQ(Dll.Status, 0);
    }
}

TEST(ICPMDLL, SilentHostRaisesTheIcmpErrorAfterTheTimeout) {
    ScopedPingGroupRange Range(ScopedPingGroupRange::Grant);
    if (!Range.Ok) GTEST_SKIP() << Range.Why;
    SilentHost Host;
    if (!Host.Ok) GTEST_SKIP() << Host.Why;
    ICPMDLL Dll;
    Dll.SetDestination(Host.FarAddress);
    Dll.Timeout = 500;
    const auto Start = std::chrono::steady_clock::now();
    try {
        Dll.Ping();
        FAIL() << "a silent host answered";
    } catch (const TICMPException& E) {
        EXPECT_EQ(E.Message(), SJ("ICMP error <pingの設定を無視するにcheckを入れて試してみてください>"));
    }
    const auto Waited = std::chrono::steady_clock::now() - Start;
    EXPECT_GE(Waited, std::chrono::milliseconds(450));
    EXPECT_LT(Waited, std::chrono::seconds(3));
    EXPECT_EQ(Dll.RoundTrip, -1);
}
