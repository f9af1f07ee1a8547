// Tests of the reachability check: every way Check can go, with real echoes on loopback and to a silent host.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <unistd.h>

#include "checkping.h"
#include "cp932.h"
#include "errormessage.h"
#include "fake_resolvers.h"
#include "pingdll.h"
#include "reach_fixtures.h"

namespace {

const std::string TimeoutMessage = SocketErrorText(10060) + " withTimeout at Tping";

struct CapturedCheck {
    ChekPing Check;
    std::vector<std::string> Messages;
    CapturedCheck() {
        Check.OnMessage = [this](const std::string& Text) { Messages.push_back(Text); };
    }
};

}  // namespace

TEST(ChekPing, RawPathEchoesLoopbackWhenTheSystemEchoIsRefused) {
    ScopedPingGroupRange Range(ScopedPingGroupRange::Refuse);
    if (!Range.Ok) GTEST_SKIP() << Range.Why;
    CapturedCheck C;
    C.Check.Host = "127.0.0.1";
    C.Check.SetTimeout(20);
    C.Check.Check();
    EXPECT_EQ(C.Check.PathTaken, ChekPing::TEchoPath::Raw);
    EXPECT_TRUE(C.Check.Found);
    EXPECT_TRUE(C.Check.Reachable);
    EXPECT_EQ(C.Check.Address, "127.0.0.1");
    EXPECT_EQ(C.Check.ErrorText, "");
    EXPECT_TRUE(C.Messages.empty());
    EXPECT_EQ(C.Check.Ping(), nullptr);
}

TEST(ChekPing, SystemPathEchoesLoopbackOnItsWorker) {
    ScopedPingGroupRange Range(ScopedPingGroupRange::Grant);
    if (!Range.Ok) GTEST_SKIP() << Range.Why;
    CapturedCheck C;
    C.Check.Host = "127.0.0.1";
    C.Check.SetTimeout(20);
    EXPECT_EQ(C.Check.Timeout, 2000);
    C.Check.Check();
    EXPECT_EQ(C.Check.PathTaken, ChekPing::TEchoPath::System);
    EXPECT_TRUE(C.Check.Reachable);
    EXPECT_EQ(C.Check.Address, "127.0.0.1");
    EXPECT_EQ(C.Check.ErrorText, "");
    EXPECT_TRUE(C.Messages.empty());
}

TEST(ChekPing, LocalhostIsResolvedBeforeTheEcho) {
    if (geteuid() != 0 && !ICPMDLL::CanLoad())
        GTEST_SKIP() << "neither a raw nor an ICMP datagram socket is granted to this user";
    CapturedCheck C;
    C.Check.Host = "localhost";
    C.Check.SetTimeout(20);
    C.Check.Check();
    EXPECT_TRUE(C.Check.Found);
    EXPECT_TRUE(C.Check.Reachable);
    EXPECT_EQ(C.Check.Address, "127.0.0.1");
}

TEST(ChekPing, NameNotFoundReportsTheLookupErrorOnly) {
    AnsweringResolver Resolver(11001, {});
    CapturedCheck C;
    C.Check.SetResolver(&Resolver);
    C.Check.Host = "pop.example.invalid";
    C.Check.Check();
    EXPECT_FALSE(C.Check.Found);
    EXPECT_TRUE(C.Check.Reachable);
    EXPECT_EQ(C.Check.Address, "");
    EXPECT_EQ(C.Check.ErrorText, "");
    EXPECT_EQ(C.Messages, std::vector<std::string>{SocketErrorText(11001)});
    EXPECT_EQ(C.Check.PathTaken, ChekPing::TEchoPath::None);
    // The echo component stays with the check.
    ASSERT_NE(C.Check.Ping(), nullptr);
    EXPECT_EQ(C.Check.Ping()->HostText, "NOTFOUND");
}

TEST(ChekPing, LookupTimeOutFollowsTheTimeoutSetting) {
    SilentResolver Resolver;
    CapturedCheck C;
    C.Check.SetResolver(&Resolver);
    C.Check.Host = "smtp.example.invalid";
    C.Check.SetTimeout(3);
    QElapsedTimer T;
    T.start();
    C.Check.Check();
    EXPECT_GE(T.elapsed(), 380);
    EXPECT_LT(T.elapsed(), 2000);
    EXPECT_FALSE(C.Check.Found);
    EXPECT_EQ(C.Check.ErrorText, "");
    EXPECT_EQ(C.Messages, std::vector<std::string>{TimeoutMessage});
    EXPECT_EQ(C.Check.Ping()->WaitSteps, 4);
}

TEST(ChekPing, SilentHostOnTheSystemPath) {
    ScopedPingGroupRange Range(ScopedPingGroupRange::Grant);
    if (!Range.Ok) GTEST_SKIP() << Range.Why;
    SilentHost Host;
    if (!Host.Ok) GTEST_SKIP() << Host.Why;
    CapturedCheck C;
    C.Check.Host = Host.FarAddress;
    C.Check.SetTimeout(10);
    QElapsedTimer T;
    T.start();
    C.Check.Check();
    EXPECT_GE(T.elapsed(), 950);
    EXPECT_LT(T.elapsed(), 3000);
    EXPECT_EQ(C.Check.PathTaken, ChekPing::TEchoPath::System);
    EXPECT_TRUE(C.Check.Found);
    EXPECT_FALSE(C.Check.Reachable);
    EXPECT_EQ(C.Check.Address, Host.FarAddress);
    EXPECT_EQ(C.Check.ErrorText, SJ("ICMP error <pingの設定を無視するにcheckを入れて試してみてください>"));
    EXPECT_TRUE(C.Messages.empty());
}

TEST(ChekPing, SilentHostOnTheRawPath) {
    ScopedPingGroupRange Range(ScopedPingGroupRange::Refuse);
    if (!Range.Ok) GTEST_SKIP() << Range.Why;
    SilentHost Host;
    if (!Host.Ok) GTEST_SKIP() << Host.Why;
    CapturedCheck C;
    C.Check.Host = Host.FarAddress;
    C.Check.SetTimeout(5);
    QElapsedTimer T;
    T.start();
    C.Check.Check();
    EXPECT_GE(T.elapsed(), 550);
    EXPECT_LT(T.elapsed(), 3000);
    EXPECT_EQ(C.Check.PathTaken, ChekPing::TEchoPath::Raw);
    EXPECT_TRUE(C.Check.Found);
    EXPECT_FALSE(C.Check.Reachable);
    EXPECT_EQ(C.Check.Address, Host.FarAddress);
    EXPECT_EQ(C.Check.ErrorText, SJ("接続がタイムアウトしました at Sending"));
    EXPECT_EQ(C.Messages, std::vector<std::string>{TimeoutMessage});
    EXPECT_EQ(C.Check.Ping(), nullptr);
}

TEST(ChekPing, WithoutSystemEchoOrSockets2TheSetUpErrorReachesTheCaller) {
    ScopedPingGroupRange Range(ScopedPingGroupRange::Refuse);
    if (!Range.Ok) GTEST_SKIP() << Range.Why;
    CapturedCheck C;
    C.Check.Host = "127.0.0.1";
    C.Check.Ping()->HighVersion = 0x0101;
    try {
        C.Check.Check();
        FAIL() << "the check went on without an echo path";
    } catch (const TICMPException& E) {
        EXPECT_STREQ(E.what(), "Unable to register icmpDLL");
    }
    EXPECT_EQ(C.Check.Ping(), nullptr);
}
