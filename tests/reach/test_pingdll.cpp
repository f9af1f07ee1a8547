// Tests of the system echo path: echoes to loopback through the ICMP datagram socket.
// (A refused socket and a silent host run through ChekPing's table in test_checkping.cpp.)
#include <gtest/gtest.h>

#include "pingdll.h"
#include "reach_fixtures.h"

TEST(ICPMDLL, EchoesLoopbackTwiceOnOneWrapper) {
    ScopedPingGroupRange Range(ScopedPingGroupRange::Grant);
    if (!Range.Ok) GTEST_SKIP() << Range.Why;
    ICPMDLL Dll;
    Dll.SetDestination("127.0.0.1");
    Dll.Timeout = 3000;
    for (int Round = 0; Round < 2; ++Round) {  // the second echo on the same wrapper is answered too
        EXPECT_GE(Dll.Ping(), 0);
        EXPECT_EQ(Dll.ReplyAddress + " " + std::to_string(Dll.ReplySize) + " " + std::to_string(Dll.Status),
                  "127.0.0.1 100 0");
    }
}
