// Tests of the UTF-8 to Shift_JIS conversion and its code page 932 tables.
#include <gtest/gtest.h>

#include <string>

#include "uni2sj.h"

namespace {

std::string B(std::initializer_list<int> Bytes) {
    std::string S;
    for (int b : Bytes) S += static_cast<char>(b);
    return S;
}

TEST(UTF8ToSJIS, MappedCharactersConvertAndEverythingElseKeepsItsBytes) {
    const std::string Ascii = "Subject: Hello, world! 0123456789 ~\x7F\t\r\n";
    const std::pair<std::string, std::string> Cases[] = {
        {B({0xE3, 0x81, 0x82}), B({0x82, 0xA0})},  // あ
        {B({0xE2, 0x88, 0xA5}), B({0x81, 0x61})},  // ∥
        {B({0xEF, 0xBD, 0xB1}), B({0xB1})},        // half-width ｱ
        {B({0xEE, 0x80, 0x80}), B({0xF0, 0x40})},  // U+E000, user-defined
        // 〜 ‖ − ¢ £ ¬ in their Mac and Unix forms take the code page 932 codes.
        {"\xE3\x80\x9C\xE2\x80\x96\xE2\x88\x92\xC2\xA2\xC2\xA3\xC2\xAC",
         B({0x81, 0x60, 0x81, 0x61, 0x81, 0x7C, 0x81, 0x91, 0x81, 0x92, 0x81, 0xCA})},
        {B({0xC2, 0x80, 0xC2, 0xA5, 0xE2, 0x80, 0x94, 0xEF, 0xBF, 0xBD}),
         B({0xC2, 0x80, 0xC2, 0xA5, 0xE2, 0x80, 0x94, 0xEF, 0xBF, 0xBD})},  // no code: bytes stay
        {Ascii, Ascii},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
        // Long enough for the ASCII runs to be copied in words.
        {"abcdefghijklmnop" + B({0xE6, 0x97, 0xA5, 0xE6, 0x9C, 0xAC}) + "qrstuvwxyz0123456789",
         "abcdefghijklmnop" + B({0x93, 0xFA, 0x96, 0x7B}) + "qrstuvwxyz0123456789"},
        // A character cut short at the end stays and ends the text.
        {"ab" + B({0xE3, 0x81}), "ab" + B({0xE3, 0x81})},
        {B({0xE3, 0x81, 0x82, 0xE3}), B({0x82, 0xA0, 0xE3})},
        // Following bytes are not checked for continuation: E3 'A' 82 still spells U+3042,
        // and a Latin-1 é takes the two bytes after it (U+9042, a kanji).
        {B({0xE3, 0x41, 0x82}), B({0x82, 0xA0})},
        {B({0xE9, 0x41, 0x42, 0x43}), B({0x90, 0x8B}) + "C"},
        // Values above U+FFFF keep their bytes; none may turn into the character
        // of its low 16 bits (U+1F600, U+20B9F, U+13042 ending in あ).
        {B({0xF0, 0x9F, 0x98, 0x80, 0xF0, 0xA0, 0xAE, 0x9F}),
         B({0xF0, 0x9F, 0x98, 0x80, 0xF0, 0xA0, 0xAE, 0x9F})},
        {B({0xF0, 0x93, 0x81, 0x82}), B({0xF0, 0x93, 0x81, 0x82})},
        // A stray continuation byte announces six bytes: a 31-bit value, kept.
        {B({0x80, 0xE3, 0x81, 0x82, 0x93, 0xA5}), B({0x80, 0xE3, 0x81, 0x82, 0x93, 0xA5})},
        {B({0x80}) + "abc", B({0x80}) + "abc"},
        // An overlong four-byte form of U+3042 stays within 16 bits and converts.
        {B({0xF0, 0x83, 0x81, 0x82}), B({0x82, 0xA0})},
    };
    for (const auto& [In, Out] : Cases) EXPECT_EQ(UTF8ToSJIS(In), Out) << In;
}

TEST(UTF8CharToSJIS, ReportsTheBytesTakenAndKeepsACharacterCutShort) {
    int Length = 0;
    EXPECT_EQ(UTF8CharToSJIS(B({0xE3, 0x81, 0x82}) + "z", Length), B({0x82, 0xA0}));
    EXPECT_EQ(Length, 3);
    EXPECT_EQ(UTF8CharToSJIS(B({0xF0, 0x9F, 0x98}), Length), B({0xF0, 0x9F, 0x98}));
    EXPECT_EQ(Length, 3);
}

TEST(UnicodeToSJIS, ChoosesTheCodeByPriority) {
    const std::pair<uint16_t, uint16_t> Cases[] = {
        {0x2252, 0x81E0},                    // JIS X 0208 over NEC row 13
        {0x2160, 0x8754},                    // NEC row 13 over IBM extension
        {0x2170, 0xEEEF},                    // NEC-selected IBM over IBM extension
        {0x7E8A, 0xED40}, {0xFFE2, 0x81CA},  // ￢: JIS over 0xEEF9 and 0xFA54
        {0x2235, 0x81E6},                    // ∵: JIS over 0x879A and 0xFA5B
        {0xE757, 0xF9FC},                    // last user-defined character
        {0xFF61, 0xA1},   {0xFF9F, 0xDF},   {0xF8F0, 0xA0}, {0xF8F3, 0xFF}, {0x41, 0x41},
    };
    for (const auto& [U, Code] : Cases) EXPECT_EQ(UnicodeToSJIS(U), Code) << std::hex << U;
    // The table holds no code for these; six of them map beside it for UTF-8 text.
    for (uint16_t None :
         {0x0080, 0x00A2, 0x00A3, 0x00A5, 0x00AC, 0x2016, 0x2212, 0x301C, 0xD800, 0xFFFF, 0xFFFD})
        EXPECT_EQ(UnicodeToSJIS(None), 0) << std::hex << None;
}

TEST(UTF8ToSJIS, EveryMappedCharacterConvertsFromItsUtf8Form) {
    for (uint32_t U = 0x80; U <= 0xFFFF; ++U) {
        const uint16_t R = UnicodeToSJIS(static_cast<uint16_t>(U)) | JISVariantToSJIS(U);
        // Every IBM extension character also has an NEC or JIS code, which wins.
        ASSERT_FALSE(R >= 0xFA40 && R <= 0xFC4B) << std::hex << U;
        std::string Utf8;
        if (U < 0x800)
            Utf8 = B({0xC0 | int(U >> 6), 0x80 | int(U & 0x3F)});
        else
            Utf8 = B({0xE0 | int(U >> 12), 0x80 | int((U >> 6) & 0x3F), 0x80 | int(U & 0x3F)});
        const std::string Expected = R == 0 ? Utf8 : R > 0xFF ? B({R >> 8, R & 0xFF}) : B({R});
        ASSERT_EQ(UTF8ToSJIS(Utf8), Expected) << std::hex << U;
    }
}

}  // namespace
