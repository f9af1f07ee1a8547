// MD5 against the RFC 1321 test suite and the APOP digest against RFC 1939.
#include <gtest/gtest.h>

#include "CrMD5.h"
#include "MailEngine.h"

TEST(CrMD5, MatchesTheRfc1321TestSuite) {
    const std::pair<const char*, const char*> Suite[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& [Input, Hex] : Suite) EXPECT_EQ(TCrMD5::HexDigest(Input), Hex) << Input;
}

TEST(CrMD5, BufferInputAndBlockBoundariesAgreeWithStringInput) {
    // 55, 56, 63, 64 and 65 bytes straddle the padding cases.
    for (size_t N : {55u, 56u, 63u, 64u, 65u, 1000u}) {
        std::string S(N, 'x');
        unsigned char Out[16];
        TCrMD5 M;
        M.InputKind = TCrMD5::ikBuffer;
        M.Buffer = reinterpret_cast<const unsigned char*>(S.data());
        M.Length = static_cast<int32_t>(N);
        M.Digest = Out;
        M.Calculate();
        EXPECT_EQ(BytesToHexLower(Out, 16), TCrMD5::HexDigest(S)) << N;
    }
    // Shift_JIS bytes are digested as stored.
    EXPECT_EQ(TCrMD5::HexDigest("\x93\xfa\x96\x7b").size(), 32u);
}

TEST(Apop, DigestMatchesTheRfc1939Example) {
    const std::string Greeting = "+OK POP3 server ready <1896.697170952@dbc.mtview.ca.us>\r";
    EXPECT_EQ(ApopTimestamp(Greeting), "<1896.697170952@dbc.mtview.ca.us>");
    EXPECT_EQ(ApopDigest(Greeting, "tanstaaf"), "c4c9334bac560ecc979e58001b3e22fb");
}

TEST(Apop, TimestampNeedsOpeningBeforeClosingBracket) {
    EXPECT_EQ(ApopTimestamp("+OK ready\r"), "");
    EXPECT_EQ(ApopTimestamp("+OK a> <b>"), "");
    EXPECT_EQ(ApopTimestamp("+OK <a> <b>"), "<a>");
    // Without a timestamp the digest is that of the password alone.
    EXPECT_EQ(ApopDigest("+OK ready", "abc"), "900150983cd24fb0d6963f7d28e17f72");
}
