// Tests of the RC4 core and the stored-password scrambling.
#include <gtest/gtest.h>

#include "Rc4unit.h"

namespace {

std::string Hex(const uint8_t* P, size_t N) {
    static const char D[] = "0123456789abcdef";
    std::string S;
    for (size_t i = 0; i < N; ++i) (S += D[P[i] >> 4]) += D[P[i] & 15];
    return S;
}

// Keystream bytes at the given offsets, from RFC 6229.
TEST(Rc4, KeystreamMatchesRfc6229) {
    struct Vector {
        std::string Key;
        size_t Offset;
        const char* Expected;
    };
    const std::string K40("\x01\x02\x03\x04\x05", 5);
    const std::string K128("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10", 16);
    const Vector Vectors[] = {
        {K40, 0, "b2396305f03dc027ccc3524a0a1118a8"},    {K40, 240, "28cb1132c96ce286421dcaadb8b69eae"},
        {K40, 4096, "ff25b58995996707e51fbdf08b34d875"}, {K128, 0, "9ac7cc9a609d1ef7b2932899cde41b97"},
        {K128, 256, "d39d566bc6bce3010768151549f3873f"}, {K128, 4080, "ff38265c1642c1abe8d3c2fe5e572bf8"},
    };
    std::vector<uint8_t> Zero(4112), Out(4112);
    for (const Vector& V : Vectors) {
        TRc4State State;
        Rc4Schedule(V.Key, State);
        Rc4Crypt(State, Zero.data(), Out.data(), Out.size());
        EXPECT_EQ(Hex(Out.data() + V.Offset, 16), V.Expected) << "offset " << V.Offset;
    }
    // The keystream step starts afresh from the scheduled state on every call.
    TRc4State State;
    Rc4Schedule("Key", State);
    const uint8_t Plain[] = "Plaintext";
    uint8_t Cipher[9];
    for (int Round = 0; Round < 2; ++Round) {
        Rc4Crypt(State, Plain, Cipher, 9);
        EXPECT_EQ(Hex(Cipher, 9), "bbf316e8d940af0ad3");
    }
}

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
    const std::string Stored = EncodePassword(PasswordKey, "pass\x82\xa0word");
    std::string Lower = Stored;
    for (char& C : Lower) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
    EXPECT_EQ(DecodePassword(PasswordKey, Lower), "pass\x82\xa0word");
    // Missing pairs decode from zero bytes: bare keystream bytes up to its first zero byte.
    const std::string Tail = DecodePassword(PasswordKey, "");
    EXPECT_EQ(Tail.substr(0, 4), "\x5F\x7D\x4C\x4F");
    EXPECT_EQ(DecodePassword(PasswordKey, Stored.substr(0, 9)), "pass" + Tail.substr(4));
    // A pair that is no hexadecimal number reads as 0.
    std::string Bad = Stored;
    Bad[4] = 'G';
    EXPECT_EQ(DecodePassword(PasswordKey, Bad), "paLs\x82\xa0word");  // 0 XOR keystream byte 0x4C
}

}  // namespace
