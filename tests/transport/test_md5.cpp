// MD5 against the RFC 1321 test suite, the APOP timestamp, HMAC-MD5 against RFC 2202 (the RFC 1939 APOP
// and RFC 2195 CRAM-MD5 examples are rows of the engine dialogues).
#include <gtest/gtest.h>

#include "CrMD5.h"
#include "MailEngine.h"

TEST(CrMD5, MatchesTheRfc1321TestSuiteAndThePaddingCases) {
    const std::pair<std::string, const char*> Suite[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
        // 55, 56, 63, 64 and 65 bytes straddle the padding cases.
        {std::string(55, 'x'), "04364420e25c512fd958a70738aa8f72"},
        {std::string(56, 'x'), "668a72d5ba17f08e62dabcafad6db14b"},
        {std::string(63, 'x'), "7dc2ca208106a2f703567bdff99d8981"},
        {std::string(64, 'x'), "c1bb4f81d892b2d57947682aeb252456"},
        {std::string(65, 'x'), "1bc932052302d074bdec39795fe00cf6"}};
    for (const auto& [Input, Hex] : Suite) EXPECT_EQ(TCrMD5::HexDigest(Input), Hex) << Input.size();
}

TEST(SignInDigests, ApopNeedsAWholeTimestampAndHmacMatchesRfc2202WithLongKeys) {
    EXPECT_EQ(ApopTimestamp("+OK ready\r"), "");
    EXPECT_EQ(ApopTimestamp("+OK a> <b>"), "");
    EXPECT_EQ(ApopTimestamp("+OK <a> <b>"), "<a>");
    // Without a timestamp the digest is that of the password alone.
    EXPECT_EQ(ApopDigest("+OK ready", "abc"), "900150983cd24fb0d6963f7d28e17f72");
    // Keys up to a block are the CRAM-MD5 row of the SMTP dialogues; a longer key is hashed first.
    EXPECT_EQ(HmacMd5Hex(std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First"),
              "6b1ab7fe4bd7bf8f0b62e6ce61b9d0cd");
}
