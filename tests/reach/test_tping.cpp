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

struct Counts {
    int Errors = 0, Timeouts = 0;
};

void Watch(Tping& P, Counts& C) {
    P.OnError = [&C](Tping*) { ++C.Errors; };
    P.OnTimeout = [&C](Tping*) { ++C.Timeouts; };
}

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

TEST(TpingResolve, DottedAddressesLocalhostNamesNotFoundAndLookupsWithoutAnswer) {
    SilentResolver Mute, Slow;
    AnsweringResolver Missing(11001, {}), AllOnes(0, {0xFFFFFFFFu});
    const struct {
        const char* Host;
        TNameResolver* Resolver;
        bool Ok;
        const char* HostText;
        int LastError, Errors, Timeouts;
    } Cases[] = {
        {"127.1", &Mute, true, "127.1", 0, 0, 0},  // a dotted address needs no lookup
        {"localhost", &SystemNameResolver(), true, "localhost", 0, 0, 0},
        {"mail.example.invalid", &Missing, false, "NOTFOUND", 11001, 1, 0},
        {"255.255.255.255", &AllOnes, false, "NOTFOUND", 0, 1, 0},  // looked up as a name, and refused
        // No answer: given up after WaitCount + 1 slices of 50 ms, the lookup cancelled.
        {"slow.example.invalid", &Slow, false, "slow.example.invalid", 10060, 0, 1},
    };
    for (const auto& C : Cases) {
        Tping P;
        P.SetResolver(C.Resolver);
        P.WaitCount = 3;
        P.WaitSlice = 50;
        Counts N;
        Watch(P, N);
        QElapsedTimer T;
        T.start();
        EXPECT_EQ(P.Resolve(C.Host), C.Ok) << C.Host;
        EXPECT_LT(T.elapsed(), 1500);
        EXPECT_EQ(P.Resolved, C.Ok);
        EXPECT_EQ(P.AddressText, C.Ok ? "127.0.0.1" : "") << C.Host;
        EXPECT_EQ(P.HostText, C.HostText);
        EXPECT_EQ(P.LastError, C.LastError) << C.Host;
        EXPECT_EQ(N.Errors, C.Errors);
        EXPECT_EQ(N.Timeouts, C.Timeouts);
        EXPECT_EQ(P.WaitSteps >= 4, C.Resolver == &Slow) << C.Host;
    }
    EXPECT_TRUE(Mute.Names.empty());
    EXPECT_EQ(Missing.Names, std::vector<std::string>{"mail.example.invalid"});
    EXPECT_EQ(AllOnes.Names, std::vector<std::string>{"255.255.255.255"});
    EXPECT_EQ(Slow.Cancelled, std::vector<int>{77});
}

TEST(TpingRawEcho, UnrelatedIcmpTrafficDoesNotAnswerASilentHost) {
    SilentHost Host;
    if (!Host.Ok) GTEST_SKIP() << Host.Why;
    Tping P;
    P.WaitCount = 5;
    Counts C;
    Watch(P, C);
    ASSERT_TRUE(P.Resolve(Host.FarAddress));
    ASSERT_TRUE(P.Connect());
    QTimer::singleShot(100, PingLoopbackAside);
    QElapsedTimer T;
    T.start();
    EXPECT_FALSE(P.SendEcho());
    EXPECT_GE(T.elapsed(), 550);
    EXPECT_EQ(P.WaitSteps, 6);
    EXPECT_EQ(P.LastError, 10060);
    EXPECT_EQ(C.Timeouts, 1);
    EXPECT_FALSE(P.ReplyArrived);

    // Still nothing when asked again: the wait ends and the socket is closed.
    P.WaitCount = 1;
    EXPECT_FALSE(P.ReceiveEcho());
    EXPECT_EQ(C.Timeouts, 2);
    EXPECT_FALSE(P.SocketOpen());
}

TEST(TpingRawEcho, SocketErrorsRaiseECommError) {
    if (geteuid() != 0) GTEST_SKIP() << "raw ICMP sockets need root";
    Tping P;
    Counts C;
    Watch(P, C);
    // A send the system refuses (broadcast without permission) reaches the caller.
    P.AddressText = "255.255.255.255";
    ASSERT_TRUE(P.Connect());
    try {
        P.SendEcho();
        FAIL() << "the broadcast send went out";
    } catch (const ECommError& E) {
        EXPECT_EQ(E.Message(), "ping Error: sendto Error: " + SocketErrorText(10013));
    }
    P.CloseSocket();
    try {
        P.CloseSocket();
        FAIL() << "a closed socket was closed again";
    } catch (const ECommError& E) {
        EXPECT_EQ(E.Message(), "ping Error: " + SJ("Socketが閉じられない。") + SocketErrorText(10038));
    }
    // Waiting for a reply on a closed socket is the not-found handling.
    EXPECT_FALSE(P.ReceiveEcho());
    EXPECT_EQ(P.HostText, "NOTFOUND");
    EXPECT_EQ(C.Errors, 1);
}
