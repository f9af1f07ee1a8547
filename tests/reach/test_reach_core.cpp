// Tests of the Qt-free reachability core: reading echo replies, dotted addresses. (The checksum and the
// echo request are proved by the real echoes to loopback in test_checkping.cpp.)
#include <gtest/gtest.h>

#include <vector>

#include "Icmphead.h"

namespace {

// The IPv4 datagram a raw socket would deliver for an echo reply to Request.
std::vector<uint8_t> ReplyDatagram(const TEchoPacket& Request, uint32_t Source) {
    std::vector<uint8_t> D(20, 0);
    D[0] = 0x45;
    D[9] = 1;
    for (int B = 0; B < 4; ++B) D[12 + B] = static_cast<uint8_t>(Source >> (24 - 8 * B));
    D.insert(D.end(), Request.begin(), Request.end());
    D[20] = D[22] = D[23] = 0;
    const uint16_t Sum = InternetChecksum(D.data() + 20, Request.size());
    D[22] = static_cast<uint8_t>(Sum >> 8);
    D[23] = static_cast<uint8_t>(Sum);
    return D;
}

}  // namespace

TEST(EchoReply, OnlyAWholeReplyToTheRequestSentCounts) {
    const TEchoPacket Req = BuildEchoRequest(5, 9, 1234);
    const std::vector<uint8_t> Reply = ReplyDatagram(Req, 0x7F000001);
    std::vector<uint8_t> Own(Reply.begin(), Reply.begin() + 20);
    Own.insert(Own.end(), Req.begin(), Req.end());
    auto With = [&](size_t At, uint8_t Value, size_t Size = 0) {
        std::vector<uint8_t> D = Reply;
        D[At] = Value;
        D.resize(Size ? Size : D.size());
        return D;
    };
    const struct {
        const char* What;
        std::vector<uint8_t> D;
        bool Parsed, Answer;
    } Cases[] = {
        {"the reply", Reply, true, true},
        {"the request itself, as the loopback gives it to raw sockets", Own, true, false},
        {"a damaged reply", With(200, Reply[200] ^ 0x40), true, false},
        {"a 24-byte IP header: the ICMP message starts later", With(0, 0x46), true, false},
        {"TCP", With(9, 6), false, false},
        {"IP version 6", With(0, 0x65), false, false},
        {"an IP header shorter than 20 bytes", With(0, 0x44), false, false},
        {"a 60-byte IP header in a 40-byte datagram", With(0, 0x4F, 40), false, false},
        {"no whole IP header", With(0, 0x45, 19), false, false},
        {"no whole ICMP header", With(0, 0x45, 27), false, false},
    };
    for (const auto& C : Cases) {
        TIcmpReply R;
        EXPECT_EQ(ParseIpIcmpPacket(C.D.data(), C.D.size(), R), C.Parsed) << C.What;
        EXPECT_EQ(C.Parsed && IsEchoReplyTo(R, 5, 9), C.Answer) << C.What;
        if (!C.Answer) continue;
        EXPECT_EQ(R.Source, 0x7F000001u);
        EXPECT_FALSE(IsEchoReplyTo(R, 5, 10) || IsEchoReplyTo(R, 6, 9));
    }
}

TEST(DottedAddress, FormsInetAddrTakes) {
    for (const char* Loopback : {"127.1", "0x7f.0.0.01", "2130706433"}) {
        uint32_t A = 0;
        EXPECT_TRUE(ParseDottedAddress(Loopback, A) && A == 0x7F000001) << Loopback;
    }
    uint32_t A = 0;
    EXPECT_TRUE(ParseDottedAddress("10.1.2", A) && A == 0x0A010002);
    for (const char* Bad : {"255.255.255.255", "localhost", "1.2.3.256", "1.2.3.4.5", "1..2", "1.2.3.",
                            "08.1.1.1", "1.2.3.4 ", "4294967296", "1.16777216"})
        EXPECT_FALSE(ParseDottedAddress(Bad, A)) << Bad;
    EXPECT_EQ(DottedAddress(0x0A000102), "10.0.1.2");
}
