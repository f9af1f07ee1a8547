// Tests of the stored-password scrambling (RC4 with the program's key): fixed stored forms that
// existing settings files hold, round trips, and overlong or malformed texts.
#include <gtest/gtest.h>

#include "Rc4unit.h"

namespace {

TEST(Rc4unit, StoredFormRoundTripsAndOverlongPasswordsOrTextsAreCutNotOverrun) {
    const std::string Empty = EncodePassword(PasswordKey, "");
    ASSERT_EQ(Empty.size(), 512u);
    EXPECT_EQ(Empty.substr(0, 32), "5F7D4C4FAFB1AA25EDD20A8DE0190FA6");  // bare keystream of the key
    EXPECT_EQ(EncodePassword(PasswordKey, "secret").substr(0, 12), "2C182F3DCAC5");
    std::string P;
    for (int Len = 0; Len <= 256; ++Len) {
        EXPECT_EQ(DecodePassword(PasswordKey, EncodePassword(PasswordKey, P)), P) << Len;
        P += static_cast<char>(1 + (Len * 37) % 255);  // every byte value but zero
    }
    // A password longer than the block is stored cut to its first 256 bytes; a
    // stored text with more than 256 pairs has the extra pairs ignored.
    const std::string Long(5000, 'p');
    const std::string Stored = EncodePassword(PasswordKey, Long);
    EXPECT_EQ(Stored, EncodePassword(PasswordKey, Long.substr(0, 256)));
    EXPECT_EQ(DecodePassword(PasswordKey, Stored + std::string(4000, 'F')), Long.substr(0, 256));
}

TEST(Rc4unit, DecodingToleratesLowerCaseShortAndMalformedTexts) {
    std::string Stored = EncodePassword(PasswordKey, "pass\x82\xa0word");
    for (char& C : Stored) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
    EXPECT_EQ(DecodePassword(PasswordKey, Stored), "pass\x82\xa0word");
    // Missing pairs decode from zero bytes: bare keystream bytes up to its first zero byte.
    EXPECT_EQ(DecodePassword(PasswordKey, Stored.substr(0, 9)),
              "pass" + DecodePassword(PasswordKey, "").substr(4));
    Stored[4] = 'G';  // a pair that is no hexadecimal number reads as 0
    EXPECT_EQ(DecodePassword(PasswordKey, Stored), "paLs\x82\xa0word");  // 0 XOR keystream byte 0x4C
}

}  // namespace
