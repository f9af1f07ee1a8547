// Tests of the reachability check: every way Check can go, with real echoes on loopback and to a silent host.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <memory>
#include <tuple>

#include "checkping.h"
#include "cp932.h"
#include "errormessage.h"
#include "fake_resolvers.h"
#include "pingdll.h"
#include "reach_fixtures.h"

namespace {

using Path = ChekPing::TEchoPath;
enum TEcho { AsItIs, SystemGranted, SystemRefused, NoEchoPath };  // the last: neither echo path works
enum TLookup { SystemLookup, NotFound, NoAnswer };
constexpr const char* Silent = "(silent host)";  // the far end of a SilentHost

// One way through Check: the set-up, then what it must report.
struct CheckCase {
    const char* Name;
    TEcho Echo;
    const char* Host;  // Silent: a SilentHost's far end
    TLookup Lookup;
    int Tenths, MinMs, MaxMs;  // SetTimeout; how long Check may take
    Path Taken;
    bool Found, Reachable;
    const char* ErrorText;  // UTF-8
    int Message;            // 0 none, else the socket error code told through OnMessage
    const char* Raised = "(nothing raised)";
};

const CheckCase Cases[] = {
    {"RawPathEchoesLoopbackWhenTheSystemEchoIsRefused", SystemRefused, "127.0.0.1", SystemLookup, 20, 0, 3000,
     Path::Raw, true, true, "", 0},
    {"SystemPathEchoesLocalhostOnItsWorker", SystemGranted, "localhost", SystemLookup, 20, 0, 3000,
     Path::System, true, true, "", 0},
    {"NameNotFoundReportsTheLookupErrorOnly", AsItIs, "pop.example.invalid", NotFound, 20, 0, 3000,
     Path::None, false, true, "", 11001},
    {"LookupTimeOutFollowsTheTimeoutSetting", AsItIs, "smtp.example.invalid", NoAnswer, 3, 380, 2000,
     Path::None, false, true, "", 10060},
    {"SilentHostOnTheSystemPath", SystemGranted, Silent, SystemLookup, 10, 950, 3000, Path::System, true,
     false, "ICMP error <pingの設定を無視するにcheckを入れて試してみてください>", 0},
    {"SilentHostOnTheRawPath", SystemRefused, Silent, SystemLookup, 5, 550, 3000, Path::Raw, true, false,
     "接続がタイムアウトしました at Sending", 10060},
    {"WithoutSystemEchoOrSockets2TheSetUpErrorReachesTheCaller", NoEchoPath, "127.0.0.1", SystemLookup, 20, 0,
     3000, Path::None, true, true, "", 0, "Unable to register icmpDLL"},
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
    if (C.Echo == NoEchoPath) Ck.Ping()->HighVersion = 0x0101;
    Ck.SetTimeout(C.Tenths);
    QElapsedTimer T;
    T.start();
    EXPECT_EQ(RaisedText<TICMPException>([&] { Ck.Check(); }), C.Raised);
    EXPECT_GE(T.elapsed(), C.MinMs);
    EXPECT_LT(T.elapsed(), C.MaxMs);
    EXPECT_EQ(std::make_tuple(Ck.PathTaken, Ck.Found, Ck.Reachable),
              std::make_tuple(C.Taken, C.Found, C.Reachable));
    EXPECT_EQ(Ck.Address, Far ? Far->FarAddress : C.Found ? "127.0.0.1" : "");
    EXPECT_EQ(Ck.ErrorText, SJ(C.ErrorText));
    const std::string Told = C.Message == 10060 ? SocketErrorText(10060) + " withTimeout at Tping"
                             : C.Message != 0   ? SocketErrorText(C.Message)
                                                : "";
    EXPECT_EQ(Messages, Told.empty() ? std::vector<std::string>{} : std::vector<std::string>{Told});
    // The echo component stays only while no echo was sent.
    EXPECT_EQ(Ck.Ping() != nullptr, C.Taken == Path::None && C.Echo != NoEchoPath);
    if (C.Lookup == NotFound) EXPECT_EQ(Ck.Ping()->HostText, "NOTFOUND");
}

INSTANTIATE_TEST_SUITE_P(EveryWay, Check, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<CheckCase>& I) {
                             return std::string(I.param.Name);
                         });

}  // namespace
