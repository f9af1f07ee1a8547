// Tests of the echo component: name resolution in steps, and the raw-socket echo on loopback and to a silent host.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
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

// A raw ICMP socket of the test's own, to see what goes over loopback.
class RawObserver {
public:
    RawObserver() { Fd = ::socket(AF_INET, SOCK_RAW | SOCK_NONBLOCK, IPPROTO_ICMP); }
    ~RawObserver() {
        if (Fd >= 0) ::close(Fd);
    }
    // The echo requests seen since the last call.
    std::vector<TIcmpReply> EchoRequests() {
        std::vector<TIcmpReply> Found;
        uint8_t Buf[2048];
        ssize_t N;
        while ((N = ::recv(Fd, Buf, sizeof Buf, 0)) > 0) {
            TIcmpReply R;
            if (ParseIpIcmpPacket(Buf, static_cast<size_t>(N), R) && R.Type == 8) Found.push_back(R);
        }
        return Found;
    }
    // Sends an echo request with an identifier of its own to 127.0.0.1.
    void PingLoopback() {
        TEchoPacket P = BuildEchoRequest(0xBEEF, 0xBEEF, 0);
        sockaddr_in To{};
        To.sin_family = AF_INET;
        To.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::sendto(Fd, P.data(), P.size(), 0, reinterpret_cast<sockaddr*>(&To), sizeof To);
    }
    int Fd;
};

}  // namespace

TEST(TpingResolve, DottedAddressNeedsNoLookup) {
    SilentResolver Resolver;
    Tping P;
    P.SetResolver(&Resolver);
    EXPECT_TRUE(P.Resolve("127.1"));
    EXPECT_TRUE(P.Resolved);
    EXPECT_EQ(P.AddressText, "127.0.0.1");
    EXPECT_EQ(P.HostText, "127.1");
    EXPECT_TRUE(Resolver.Names.empty());
}

TEST(TpingResolve, LocalhostThroughTheSystemLookup) {
    Tping P;
    P.SetResolver(&SystemNameResolver());
    ASSERT_TRUE(P.Resolve("localhost"));
    EXPECT_EQ(P.AddressText, "127.0.0.1");
    EXPECT_EQ(P.HostText, "localhost");
}

TEST(TpingResolve, NameNotFoundRunsTheNotFoundHandling) {
    AnsweringResolver Resolver(11001, {});
    Tping P;
    P.SetResolver(&Resolver);
    Counts C;
    Watch(P, C);
    EXPECT_FALSE(P.Resolve("mail.example.invalid"));
    EXPECT_FALSE(P.Resolved);
    EXPECT_EQ(P.HostText, "NOTFOUND");
    EXPECT_EQ(P.LastError, 11001);
    EXPECT_EQ(C.Errors, 1);
    EXPECT_EQ(C.Timeouts, 0);
    EXPECT_EQ(Resolver.Names, std::vector<std::string>{"mail.example.invalid"});
}

TEST(TpingResolve, AllOnesIsLookedUpAsANameAndRefused) {
    AnsweringResolver Resolver(0, {0xFFFFFFFFu});
    Tping P;
    P.SetResolver(&Resolver);
    Counts C;
    Watch(P, C);
    EXPECT_FALSE(P.Resolve("255.255.255.255"));
    EXPECT_EQ(Resolver.Names, std::vector<std::string>{"255.255.255.255"});
    EXPECT_EQ(P.HostText, "NOTFOUND");
    EXPECT_EQ(C.Errors, 1);
}

TEST(TpingResolve, LookupWithoutAnswerGivesUpAfterWaitCountPlusOneSteps) {
    SilentResolver Resolver;
    Tping P;
    P.SetResolver(&Resolver);
    P.WaitCount = 3;
    P.WaitSlice = 50;
    Counts C;
    Watch(P, C);
    QElapsedTimer T;
    T.start();
    EXPECT_FALSE(P.Resolve("slow.example.invalid"));
    EXPECT_GE(T.elapsed(), 190);
    EXPECT_LT(T.elapsed(), 1500);
    EXPECT_EQ(P.WaitSteps, 4);
    EXPECT_EQ(P.LastError, 10060);
    EXPECT_EQ(C.Timeouts, 1);
    EXPECT_EQ(C.Errors, 0);
    EXPECT_EQ(P.HostText, "slow.example.invalid");
    EXPECT_EQ(Resolver.Cancelled, std::vector<int>{77});
}

TEST(TpingRawEcho, LoopbackAnswersAndCountersAdvance) {
    if (geteuid() != 0) GTEST_SKIP() << "raw ICMP sockets need root";
    RawObserver Observer;
    ASSERT_GE(Observer.Fd, 0);
    Tping P;
    ASSERT_TRUE(P.Resolve("127.0.0.1"));
    ASSERT_TRUE(P.Connect());
    const uint16_t FirstId = PeekEchoIdentifier(), FirstSeq = PeekEchoSequence();
    for (int Round = 0; Round < 2; ++Round) {
        EXPECT_TRUE(P.SendEcho());
        EXPECT_EQ(P.SentBytes, 1013);
        EXPECT_TRUE(P.ReceiveEcho());
        EXPECT_EQ(P.ReplySource, "127.0.0.1");
    }
    P.CloseSocket();
    EXPECT_FALSE(P.SocketOpen());

    // What went over the wire: two 1,013-byte requests, each one higher.
    std::vector<TIcmpReply> Mine;
    for (const TIcmpReply& R : Observer.EchoRequests())
        if (R.Source == 0x7F000001 && R.IcmpSize == 1013 &&
            (R.Identifier == FirstId || R.Identifier == static_cast<uint16_t>(FirstId + 1)))
            Mine.push_back(R);
    ASSERT_EQ(Mine.size(), 2u);
    for (int I = 0; I < 2; ++I) {
        EXPECT_TRUE(Mine[I].ChecksumOk);
        EXPECT_EQ(Mine[I].Identifier, static_cast<uint16_t>(FirstId + I));
        EXPECT_EQ(Mine[I].Sequence, static_cast<uint16_t>(FirstSeq + I));
    }
    EXPECT_EQ(PeekEchoIdentifier(), static_cast<uint16_t>(FirstId + 2));
    EXPECT_EQ(PeekEchoSequence(), static_cast<uint16_t>(FirstSeq + 2));
}

TEST(TpingRawEcho, UnrelatedIcmpTrafficDoesNotAnswerASilentHost) {
    SilentHost Host;
    if (!Host.Ok) GTEST_SKIP() << Host.Why;
    RawObserver Other;
    Tping P;
    P.WaitCount = 5;
    Counts C;
    Watch(P, C);
    ASSERT_TRUE(P.Resolve(Host.FarAddress));
    ASSERT_TRUE(P.Connect());
    // Loopback echo traffic (a request and its reply) reaches every raw socket.
    QTimer::singleShot(100, [&Other] { Other.PingLoopback(); });
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
