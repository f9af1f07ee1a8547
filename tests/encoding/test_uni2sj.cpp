// Tests of the UTF-8 to Shift_JIS conversion and its code page 932 tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "uni2sj.h"

namespace {

std::string B(std::initializer_list<int> Bytes) {
    std::string S;
    for (int b : Bytes) S += static_cast<char>(b);
    return S;
}

TEST(UTF8ToSJIS, ConvertsMappedCharactersAndKeepsUnmappedOnes) {
    EXPECT_EQ(UTF8ToSJIS(B({0xE3, 0x81, 0x82})), B({0x82, 0xA0}));  // あ
    EXPECT_EQ(UTF8ToSJIS(B({0xE2, 0x88, 0xA5})), B({0x81, 0x61}));  // ∥
    EXPECT_EQ(UTF8ToSJIS(B({0xEF, 0xBD, 0xB1})), B({0xB1}));        // half-width ｱ
    EXPECT_EQ(UTF8ToSJIS(B({0xEE, 0x80, 0x80})), B({0xF0, 0x40}));  // U+E000, user-defined
    EXPECT_EQ(UTF8ToSJIS(B({0xC2, 0xA7})), B({0x81, 0x98}));        // §
    // No code: the UTF-8 bytes stay.
    for (const std::string& Kept :
         {B({0xC2, 0x80}), B({0xC2, 0xA5}), B({0xE2, 0x80, 0x94}), B({0xEF, 0xBF, 0xBD})})
        EXPECT_EQ(UTF8ToSJIS(Kept), Kept);
    const std::string Ascii = "Subject: Hello, world! 0123456789 ~\x7F\t\r\n";
    EXPECT_EQ(UTF8ToSJIS(Ascii), Ascii);
    EXPECT_EQ(UTF8ToSJIS(std::string("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(UTF8ToSJIS(""), "");
    // Mixed text, long enough for the ASCII runs to be copied in words.
    EXPECT_EQ(
        UTF8ToSJIS("abcdefghijklmnop" + B({0xE6, 0x97, 0xA5, 0xE6, 0x9C, 0xAC}) + "qrstuvwxyz0123456789"),
        "abcdefghijklmnop" + B({0x93, 0xFA, 0x96, 0x7B}) + "qrstuvwxyz0123456789");
}

TEST(UTF8ToSJIS, MacAndUnixFormsOfSixMarksTakeTheCodePage932Codes) {
    // 〜 ‖ − ¢ £ ¬ as U+301C, U+2016, U+2212, U+00A2, U+00A3, U+00AC.
    const std::string Utf8 = "\xE3\x80\x9C\xE2\x80\x96\xE2\x88\x92\xC2\xA2\xC2\xA3\xC2\xAC";
    const std::string Sjis = B({0x81, 0x60, 0x81, 0x61, 0x81, 0x7C, 0x81, 0x91, 0x81, 0x92, 0x81, 0xCA});
    EXPECT_EQ(UTF8ToSJIS(Utf8), Sjis);
    // Split across the pieces of a stream, each maps the same.
    for (size_t Piece : {1, 2, 4}) {
        TUTF8ToSJISStream S;
        std::string Out;
        for (size_t i = 0; i < Utf8.size(); i += Piece)
            S.Feed(Utf8.data() + i, std::min(Piece, Utf8.size() - i), Out);
        S.Finish(Out);
        EXPECT_EQ(Out, Sjis) << Piece;
    }
}

TEST(UTF8ToSJIS, TruncatedCharacterAtTheEndStaysAndEndsTheText) {
    EXPECT_EQ(UTF8ToSJIS("ab" + B({0xE3, 0x81})), "ab" + B({0xE3, 0x81}));
    EXPECT_EQ(UTF8ToSJIS(B({0xE3, 0x81, 0x82, 0xE3})), B({0x82, 0xA0, 0xE3}));
    // A stray continuation byte announces six bytes and takes the rest here.
    EXPECT_EQ(UTF8ToSJIS(B({0x80}) + "abc"), B({0x80}) + "abc");
}

TEST(UTF8ToSJIS, FollowingBytesAreNotCheckedForContinuation) {
    // E3 then 'A' (0x41, low bits 0x01) and 0x82 still spell U+3042.
    EXPECT_EQ(UTF8ToSJIS(B({0xE3, 0x41, 0x82})), B({0x82, 0xA0}));
    // A Latin-1 é takes the two bytes after it: U+9042 is a kanji.
    EXPECT_EQ(UTF8ToSJIS(B({0xE9, 0x41, 0x42, 0x43})), B({0x90, 0x8B}) + "C");
}

TEST(UTF8ToSJIS, ValuesAboveFFFFKeepTheirBytes) {
    // U+1F600 would look up U+F600 and U+20B9F (a CJK extension B kanji)
    // U+0B9F; neither may turn into some other character.
    const std::string Emoji = B({0xF0, 0x9F, 0x98, 0x80});
    const std::string ExtB = B({0xF0, 0xA0, 0xAE, 0x9F});
    EXPECT_EQ(UTF8ToSJIS("x" + Emoji + "y" + ExtB), "x" + Emoji + "y" + ExtB);
    // U+13042 ends in 3042 (あ): still kept.
    const std::string Low3042 = B({0xF0, 0x93, 0x81, 0x82});
    EXPECT_EQ(UTF8ToSJIS(Low3042), Low3042);
    // A stray continuation byte with five more bytes: a 31-bit value, kept.
    const std::string Stray = B({0x80, 0xE3, 0x81, 0x82, 0x93, 0xA5});
    EXPECT_EQ(UTF8ToSJIS(Stray), Stray);
    // An overlong four-byte form of U+3042 stays within 16 bits and converts.
    EXPECT_EQ(UTF8ToSJIS(B({0xF0, 0x83, 0x81, 0x82})), B({0x82, 0xA0}));
}

TEST(UTF8CharToSJIS, ReportsTheBytesTakenPerCharacter) {
    int Length = 0;
    EXPECT_EQ(UTF8CharToSJIS(B({0xE3, 0x81, 0x82}) + "z", Length), B({0x82, 0xA0}));
    EXPECT_EQ(Length, 3);
    EXPECT_EQ(UTF8CharToSJIS("zz", Length), "z");
    EXPECT_EQ(Length, 1);
    EXPECT_EQ(UTF8CharToSJIS(B({0xF0, 0x9F, 0x98}), Length), B({0xF0, 0x9F, 0x98}));
    EXPECT_EQ(Length, 3);
    EXPECT_EQ(UTF8CharToSJIS("", Length), "");
    EXPECT_EQ(Length, 0);

    const std::string Text = "a" + B({0xC2, 0xA7, 0xE3, 0x81, 0x82, 0xE3, 0x81});
    std::string Out;
    size_t Pos = 0, Step;
    std::string Steps;
    while ((Step = UTF8CharToSJISAt(Text, Pos, Out)) != 0) {
        Steps += std::to_string(Step);
        Pos += Step;
    }
    EXPECT_EQ(Steps, "1232");
    EXPECT_EQ(Out, UTF8ToSJIS(Text));
}

TEST(UnicodeToSJIS, ChoosesTheCodeByPriority) {
    EXPECT_EQ(UnicodeToSJIS(0x2252), 0x81E0);  // JIS X 0208 over NEC row 13
    EXPECT_EQ(UnicodeToSJIS(0x2160), 0x8754);  // NEC row 13 over IBM extension
    EXPECT_EQ(UnicodeToSJIS(0x2170), 0xEEEF);  // NEC-selected IBM over IBM extension
    EXPECT_EQ(UnicodeToSJIS(0x7E8A), 0xED40);
    EXPECT_EQ(UnicodeToSJIS(0xFFE2), 0x81CA);  // ￢: JIS over 0xEEF9 and 0xFA54
    EXPECT_EQ(UnicodeToSJIS(0x2235), 0x81E6);  // ∵: JIS over 0x879A and 0xFA5B
    EXPECT_EQ(UnicodeToSJIS(0xE757), 0xF9FC);  // last user-defined character
    EXPECT_EQ(UnicodeToSJIS(0xFF61), 0xA1);
    EXPECT_EQ(UnicodeToSJIS(0xFF9F), 0xDF);
    EXPECT_EQ(UnicodeToSJIS(0xF8F0), 0xA0);
    EXPECT_EQ(UnicodeToSJIS(0xF8F3), 0xFF);
    EXPECT_EQ(UnicodeToSJIS(0x41), 0x41);
    // The table holds no code for these; six of them map beside it for UTF-8 text.
    for (uint16_t None :
         {0x0080, 0x00A2, 0x00A3, 0x00A5, 0x00AC, 0x2016, 0x2212, 0x301C, 0xD800, 0xFFFF, 0xFFFD})
        EXPECT_EQ(UnicodeToSJIS(None), 0) << std::hex << None;
}

TEST(UnicodeToSJIS, TablesHoldTheCodePage932Figures) {
    int Mapped = 0, Tables = 0, Entries = 0;
    for (int Page = 0; Page < 256; ++Page) {
        const auto& P = uni2sj_tables::Pages[Page];
        if (P.Table) {
            ++Tables;
            Entries += P.Count;
            ASSERT_LE(P.Table[0] + P.Count, 256) << Page;
        }
    }
    for (uint32_t U = 0x80; U <= 0xFFFF; ++U) {
        const uint16_t R = UnicodeToSJIS(static_cast<uint16_t>(U));
        if (R) {
            ++Mapped;
            // Every IBM extension character also has an NEC or JIS code.
            EXPECT_FALSE(R >= 0xFA40 && R <= 0xFC4B) << std::hex << U;
        }
    }
    EXPECT_EQ(Mapped, 9273);
    EXPECT_EQ(Tables, 107);
    EXPECT_EQ(Entries, 23835);
    ASSERT_NE(uni2sj_tables::Pages[0].Table, nullptr);
    EXPECT_EQ(uni2sj_tables::Pages[0].Table[0], 0xA7);
    EXPECT_EQ(uni2sj_tables::Pages[0].Count, 81);
}

TEST(UTF8ToSJIS, EveryMappedCharacterConvertsFromItsUtf8Form) {
    for (uint32_t U = 0x80; U <= 0xFFFF; ++U) {
        const uint16_t R = UnicodeToSJIS(static_cast<uint16_t>(U)) | JISVariantToSJIS(U);
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
