// Tests of the Qt-free reachability core: socket error texts, echo packets, reply reading, dotted addresses.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Icmphead.h"
#include "cp932.h"
#include "errormessage.h"

TEST(SocketErrorText, KnownCodesHaveTheirOwnSentenceOthersTheDefault) {
    EXPECT_EQ(SocketErrorText(10060), SJ("接続がタイムアウトしました"));
    EXPECT_EQ(SocketErrorText(11001), SJ("ホストが見つかりません。サーバ名(xxx.xxx.xxx)を確認してください"));
    EXPECT_NE(SocketErrorText(11004).find("\x81\x43"), std::string::npos);  // full-width comma
    for (int C : {0, -10060, 10034, 10072, 11005})
        EXPECT_EQ(SocketErrorText(C), SJ("WinSock 不明なエラーです")) << C;
}

TEST(InternetChecksum, MatchesTheRfcExampleAndPadsOddBytes) {
    const uint8_t Rfc[] = {0x00, 0x01, 0xF2, 0x03, 0xF4, 0xF5, 0xF6, 0xF7};
    EXPECT_EQ(InternetChecksum(Rfc, sizeof Rfc), 0x220D);
    const uint8_t Odd[] = {0x01};
    EXPECT_EQ(InternetChecksum(Odd, 1), 0xFEFF);
    EXPECT_EQ(InternetChecksum(nullptr, 0), 0xFFFF);
}

TEST(EchoRequest, IdentifierAndSequenceInMemoryOrderAndACorrectChecksum) {
    auto Pair = [](uint16_t Hi, uint16_t Lo) { return uint32_t(Hi) << 16 | Lo; };
    SetEchoCounters(0xFFFE, 7);
    uint16_t Id, Seq;
    TEchoPacket P = NextEchoRequest(0x11223344, Id, Seq);
    ASSERT_EQ(P.size(), 1013u);
    EXPECT_EQ(Pair(Id, Seq), 0xFFFE0007u);
    EXPECT_EQ(std::vector<uint8_t>(P.begin(), P.begin() + 13),
              (std::vector<uint8_t>{8, 0, P[2], P[3], 0xFE, 0xFF, 0x07, 0x00, 0, 0x44, 0x33, 0x22, 0x11}));
    // Checked the way BSD stacks do it: 16-bit words in memory order, the
    // complement stored as it is.
    uint32_t Sum = 0;
    for (size_t I = 0; I < P.size(); I += 2) {
        uint16_t W = 0;
        std::memcpy(&W, &P[I], I + 1 < P.size() ? 2 : 1);
        Sum += W;
    }
    while (Sum >> 16) Sum = (Sum & 0xFFFF) + (Sum >> 16);
    EXPECT_EQ(Sum, 0xFFFFu);
    // The shared counters grow by one and wrap.
    NextEchoRequest(0, Id, Seq);
    EXPECT_EQ(Pair(Id, Seq), 0xFFFF0008u);
    EXPECT_EQ(Pair(PeekEchoIdentifier(), PeekEchoSequence()), 9u);
}

namespace {

// The IPv4 datagram a raw socket would deliver for an echo reply to Request.
std::vector<uint8_t> ReplyDatagram(const TEchoPacket& Request, uint32_t Source) {
    std::vector<uint8_t> D(20, 0);
    D[0] = 0x45;
    D[9] = 1;
    for (int B = 0; B < 4; ++B) D[12 + B] = static_cast<uint8_t>(Source >> (24 - 8 * B));
    std::vector<uint8_t> Icmp(Request.begin(), Request.end());
    Icmp[0] = 0;
    Icmp[2] = Icmp[3] = 0;
    uint16_t Sum = InternetChecksum(Icmp.data(), Icmp.size());
    Icmp[2] = static_cast<uint8_t>(Sum >> 8);
    Icmp[3] = static_cast<uint8_t>(Sum);
    D.insert(D.end(), Icmp.begin(), Icmp.end());
    return D;
}

}  // namespace

TEST(EchoReply, ReadsTheReplyToTheRequestSent) {
    TEchoPacket Req = BuildEchoRequest(5, 9, 1234);
    std::vector<uint8_t> D = ReplyDatagram(Req, 0x7F000001);
    TIcmpReply R;
    ASSERT_TRUE(ParseIpIcmpPacket(D.data(), D.size(), R));
    EXPECT_EQ(R.Source, 0x7F000001u);
    EXPECT_EQ(R.IcmpSize, 1013u);
    EXPECT_TRUE(IsEchoReplyTo(R, 5, 9));
    EXPECT_FALSE(IsEchoReplyTo(R, 5, 10));
    EXPECT_FALSE(IsEchoReplyTo(R, 6, 9));

    // The request itself, as the loopback delivers it to raw sockets, is no reply.
    std::vector<uint8_t> Own(D.begin(), D.begin() + 20);
    Own.insert(Own.end(), Req.begin(), Req.end());
    ASSERT_TRUE(ParseIpIcmpPacket(Own.data(), Own.size(), R));
    EXPECT_FALSE(IsEchoReplyTo(R, 5, 9));

    // A damaged reply is no answer.
    D[200] ^= 0x40;
    ASSERT_TRUE(ParseIpIcmpPacket(D.data(), D.size(), R));
    EXPECT_FALSE(R.ChecksumOk);
    EXPECT_FALSE(IsEchoReplyTo(R, 5, 9));
}

TEST(EchoReply, RefusesWhatIsNoIpv4IcmpDatagram) {
    std::vector<uint8_t> D = ReplyDatagram(BuildEchoRequest(1, 1, 0), 0x7F000001);
    TIcmpReply R;
    EXPECT_FALSE(ParseIpIcmpPacket(D.data(), 19, R));
    EXPECT_FALSE(ParseIpIcmpPacket(D.data(), 27, R));  // header but no whole ICMP header
    EXPECT_TRUE(ParseIpIcmpPacket(D.data(), 28, R));
    auto With = [&](size_t At, uint8_t V) {
        std::vector<uint8_t> C = D;
        C[At] = V;
        return ParseIpIcmpPacket(C.data(), C.size(), R);
    };
    EXPECT_FALSE(With(9, 6));     // TCP
    EXPECT_FALSE(With(0, 0x65));  // version 6
    EXPECT_FALSE(With(0, 0x44));  // header shorter than 20 bytes
    EXPECT_TRUE(With(0, 0x46));   // 24-byte header: the ICMP message starts later
    std::vector<uint8_t> Short(D.begin(), D.begin() + 40);
    Short[0] = 0x4F;  // 60-byte header in a 40-byte datagram
    EXPECT_FALSE(ParseIpIcmpPacket(Short.data(), Short.size(), R));
    EXPECT_FALSE(ParseIcmpMessage(D.data() + 20, 7, R));
}

TEST(DottedAddress, FormsInetAddrTakes) {
    const std::pair<const char*, uint32_t> Good[] = {
        {"127.0.0.1", 0x7F000001},      {"127.1", 0x7F000001},      {"10.1.2", 0x0A010002},
        {"0x7f.0.0.01", 0x7F000001},    {"2130706433", 0x7F000001}, {"0.0.0.0", 0},
        {"255.255.255.254", 0xFFFFFFFE}};
    for (const auto& [Text, Address] : Good) {
        uint32_t A = 0;
        EXPECT_TRUE(ParseDottedAddress(Text, A)) << Text;
        EXPECT_EQ(A, Address) << Text;
    }
    for (const char* Bad :
         {"255.255.255.255", "0xffffffff", "", "localhost", "1.2.3.256", "1.2.3.4.5", "1..2", "1.2.3.",
          ".1.2.3", "08.1.1.1", "0x.1.1.1", "1.2.3.4 ", "4294967296", "1.16777216"}) {
        uint32_t A = 0;
        EXPECT_FALSE(ParseDottedAddress(Bad, A)) << Bad;
    }
    EXPECT_EQ(DottedAddress(0x0A000102), "10.0.1.2");
}
