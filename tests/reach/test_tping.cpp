// Tests of the echo component: name resolution in steps, and the raw-socket echo on loopback and to a silent host.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "Tping.h"
#include "cp932.h"
#include "errormessage.h"
#include "fake_resolvers.h"
#include "reach_fixtures.h"

namespace {

// Counts the error and time-out events of one echo component.
struct Counts {
    explicit Counts(Tping& P) {
        P.OnError = [this](Tping*) { ++Errors; };
        P.OnTimeout = [this](Tping*) { ++Timeouts; };
    }
    int Errors = 0, Timeouts = 0;
};

// Sends an echo request of its own to 127.0.0.1 from another raw socket: the
// request and its reply reach every raw ICMP socket of the machine.
void PingLoopbackAside() {
    const int Fd = ::socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    const TEchoPacket P = BuildEchoRequest(0xBEEF, 0xBEEF, 0);
    sockaddr_in To{};
    To.sin_family = AF_INET;
    To.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::sendto(Fd, P.data(), P.size(), 0, reinterpret_cast<sockaddr*>(&To), sizeof To);
    ::close(Fd);
}

}  // namespace

TEST(TpingResolve, DottedAddressesNamesNotFoundAndLookupsWithoutAnswer) {
    SilentResolver Mute, Slow;
    AnsweringResolver Missing(11001, {}), AllOnes(0, {0xFFFFFFFFu});
    const struct {
        const char *Host, *HostText;  // asked for; afterwards
        TNameResolver* Resolver;
        bool Ok;
        int LastError, Errors, Timeouts;
    } Cases[] = {
        {"127.1", "127.1", &Mute, true, 0, 0, 0},  // a dotted address needs no lookup
        {"mail.example.invalid", "NOTFOUND", &Missing, false, 11001, 1, 0},
        {"255.255.255.255", "NOTFOUND", &AllOnes, false, 0, 1, 0},  // looked up as a name, and refused
        // No answer: given up after WaitCount + 1 slices of 50 ms, the lookup cancelled.
        {"slow.example.invalid", "slow.example.invalid", &Slow, false, 10060, 0, 1},
    };
    for (const auto& C : Cases) {
        Tping P;
        P.SetResolver(C.Resolver);
        P.WaitCount = 3;
        P.WaitSlice = 50;
        Counts N(P);
        QElapsedTimer T;
        T.start();
        EXPECT_EQ(P.Resolve(C.Host), C.Ok) << C.Host;
        EXPECT_LT(T.elapsed(), 1500);
        EXPECT_EQ(P.Resolved, C.Ok);
        EXPECT_EQ(P.AddressText, C.Ok ? "127.0.0.1" : "") << C.Host;
        EXPECT_EQ(P.HostText, C.HostText);
        EXPECT_EQ(std::vector<int>({P.LastError, N.Errors, N.Timeouts}),
                  std::vector<int>({C.LastError, C.Errors, C.Timeouts}))
            << C.Host;
        EXPECT_EQ(P.WaitSteps >= 4, C.Resolver == &Slow) << C.Host;
    }
    EXPECT_TRUE(Mute.Names.empty());
    EXPECT_EQ(Slow.Cancelled, std::vector<int>{77});
}

TEST(TpingRawEcho, UnrelatedIcmpTrafficDoesNotAnswerASilentHost) {
    SilentHost Host;
    if (!Host.Ok) GTEST_SKIP() << Host.Why;
    Tping P;
    P.WaitCount = 5;
    Counts C(P);
    ASSERT_TRUE(P.Resolve(Host.FarAddress));
    ASSERT_TRUE(P.Connect());
    QTimer::singleShot(100, PingLoopbackAside);
    EXPECT_FALSE(P.SendEcho());  // after all WaitCount + 1 slices
    EXPECT_EQ(std::vector<int>({P.WaitSteps, P.LastError, C.Timeouts, P.ReplyArrived}),
              std::vector<int>({6, 10060, 1, false}));
}

TEST(TpingRawEcho, SocketErrorsRaiseECommError) {
    if (geteuid() != 0) GTEST_SKIP() << "raw ICMP sockets need root";
    Tping P;
    Counts C(P);
    // A send the system refuses (broadcast without permission) reaches the caller.
    P.AddressText = "255.255.255.255";
    ASSERT_TRUE(P.Connect());
    EXPECT_EQ(RaisedText<ECommError>([&] { P.SendEcho(); }),
              "ping Error: sendto Error: " + SocketErrorText(10013));
    P.CloseSocket();  // and again:
    EXPECT_EQ(RaisedText<ECommError>([&] { P.CloseSocket(); }),
              "ping Error: " + SJ("Socketが閉じられない。") + SocketErrorText(10038));
    // Waiting for a reply on a closed socket is the not-found handling.
    EXPECT_FALSE(P.ReceiveEcho());
    EXPECT_EQ(P.HostText, "NOTFOUND");
    EXPECT_EQ(C.Errors, 1);
}
