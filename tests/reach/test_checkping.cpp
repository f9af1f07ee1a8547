// Tests of the reachability check: every way Check can go, with real echoes on loopback and to a silent host.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <memory>

#include "checkping.h"
#include "cp932.h"
#include "errormessage.h"
#include "fake_resolvers.h"
#include "pingdll.h"
#include "reach_fixtures.h"

namespace {

using Path = ChekPing::TEchoPath;
enum TEcho { AsItIs, SystemGranted, SystemRefused };
enum TLookup { SystemLookup, NotFound, NoAnswer };
constexpr const char* Silent = "(silent host)";  // the far end of a SilentHost

// One way through Check: the set-up, then what it must report.
struct CheckCase {
    const char* Name;
    TEcho Echo;
    const char* Host;
    TLookup Lookup;
    int Tenths;        // SetTimeout
    int MinMs, MaxMs;  // how long Check may take
    Path Taken;
    bool Found, Reachable;
    const char* Address;    // "" none; Silent: the silent host's address
    const char* ErrorText;  // UTF-8
    int Message;            // 0 none, else the socket error code told through OnMessage
    bool PingKept;          // the echo component stays only while no echo was sent
};

const CheckCase Cases[] = {
    {"RawPathEchoesLoopbackWhenTheSystemEchoIsRefused", SystemRefused, "127.0.0.1", SystemLookup, 20, 0, 3000,
     Path::Raw, true, true, "127.0.0.1", "", 0, false},
    {"SystemPathEchoesLoopbackOnItsWorker", SystemGranted, "127.0.0.1", SystemLookup, 20, 0, 3000,
     Path::System, true, true, "127.0.0.1", "", 0, false},
    {"LocalhostIsResolvedBeforeTheEcho", SystemGranted, "localhost", SystemLookup, 20, 0, 3000, Path::System,
     true, true, "127.0.0.1", "", 0, false},
    {"NameNotFoundReportsTheLookupErrorOnly", AsItIs, "pop.example.invalid", NotFound, 20, 0, 3000,
     Path::None, false, true, "", "", 11001, true},
    {"LookupTimeOutFollowsTheTimeoutSetting", AsItIs, "smtp.example.invalid", NoAnswer, 3, 380, 2000,
     Path::None, false, true, "", "", 10060, true},
    {"SilentHostOnTheSystemPath", SystemGranted, Silent, SystemLookup, 10, 950, 3000, Path::System, true,
     false, Silent, "ICMP error <pingの設定を無視するにcheckを入れて試してみてください>", 0, false},
    {"SilentHostOnTheRawPath", SystemRefused, Silent, SystemLookup, 5, 550, 3000, Path::Raw, true, false,
     Silent, "接続がタイムアウトしました at Sending", 10060, false},
};

void PrintTo(const CheckCase& C, std::ostream* Os) { *Os << C.Name; }

class Check : public ::testing::TestWithParam<CheckCase> {};

TEST_P(Check, ReportsWhatHappened) {
    const CheckCase& C = GetParam();
    std::unique_ptr<ScopedPingGroupRange> Range;
    if (C.Echo != AsItIs) {
        Range = std::make_unique<ScopedPingGroupRange>(
            C.Echo == SystemGranted ? ScopedPingGroupRange::Grant : ScopedPingGroupRange::Refuse);
        if (!Range->Ok) GTEST_SKIP() << Range->Why;
    }
    std::unique_ptr<SilentHost> Far;
    if (std::string(C.Host) == Silent) {
        Far = std::make_unique<SilentHost>();
        if (!Far->Ok) GTEST_SKIP() << Far->Why;
    }
    AnsweringResolver Missing(11001, {});
    SilentResolver Mute;
    ChekPing Ck;
    std::vector<std::string> Messages;
    Ck.OnMessage = [&](const std::string& Text) { Messages.push_back(Text); };
    if (C.Lookup != SystemLookup)
        Ck.SetResolver(C.Lookup == NotFound ? static_cast<TNameResolver*>(&Missing) : &Mute);
    Ck.Host = Far ? Far->FarAddress : C.Host;
    Ck.SetTimeout(C.Tenths);
    QElapsedTimer T;
    T.start();
    Ck.Check();
    EXPECT_GE(T.elapsed(), C.MinMs);
    EXPECT_LT(T.elapsed(), C.MaxMs);
    EXPECT_EQ(Ck.PathTaken, C.Taken);
    EXPECT_EQ(Ck.Found, C.Found);
    EXPECT_EQ(Ck.Reachable, C.Reachable);
    EXPECT_EQ(Ck.Address, std::string(C.Address) == Silent ? Far->FarAddress : std::string(C.Address));
    EXPECT_EQ(Ck.ErrorText, SJ(C.ErrorText));
    const std::string Told = C.Message == 10060 ? SocketErrorText(10060) + " withTimeout at Tping"
                             : C.Message != 0   ? SocketErrorText(C.Message)
                                                : "";
    EXPECT_EQ(Messages, Told.empty() ? std::vector<std::string>{} : std::vector<std::string>{Told});
    EXPECT_EQ(Ck.Ping() != nullptr, C.PingKept);
    if (C.Lookup == NotFound) {
        EXPECT_EQ(Ck.Ping()->HostText, "NOTFOUND");
    }
}

INSTANTIATE_TEST_SUITE_P(EveryWay, Check, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<CheckCase>& I) {
                             return std::string(I.param.Name);
                         });

TEST(ChekPing, WithoutSystemEchoOrSockets2TheSetUpErrorReachesTheCaller) {
    ScopedPingGroupRange Range(ScopedPingGroupRange::Refuse);
    if (!Range.Ok) GTEST_SKIP() << Range.Why;
    ChekPing Ck;
    Ck.Host = "127.0.0.1";
    Ck.Ping()->HighVersion = 0x0101;
    try {
        Ck.Check();
        FAIL() << "the check went on without an echo path";
    } catch (const TICMPException& E) {
        EXPECT_STREQ(E.what(), "Unable to register icmpDLL");
    }
    EXPECT_EQ(Ck.Ping(), nullptr);
}

}  // namespace
