// The code page 932 conversion at the widget boundary, SJ, and UTF-8 mail text to Shift_JIS.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "cp932.h"
#include "uni2sj.h"

namespace {

bool IsLead(int C) { return (C >= 0x81 && C <= 0x9F) || (C >= 0xE0 && C <= 0xFC); }

// Python's own decoding (bytes.decode('cp932', 'replace')), written by
// tools/gen-uni2sj.py: every single byte, then every lead byte followed by
// every byte; each a count byte and that many UTF-16LE code units.
struct PythonDecoding {
    std::ifstream In{VELNARO_TEST_DATA "/encoding/cp932-decode.bin", std::ios::binary};
    std::u16string Next() {
        std::u16string Out(std::max(In.get(), 0), u'\0');
        for (char16_t& U : Out) {
            const int Low = In.get();
            U = static_cast<char16_t>(Low | In.get() << 8);
        }
        return Out;
    }
};

std::string Utf8Of(const std::u16string& Text)  // BMP only, as the decoder gives
{
    std::string Out;
    for (char32_t U : Text)
        if (U < 0x80)
            Out += char(U);
        else if (U < 0x800)
            Out += {char(0xC0 | U >> 6), char(0x80 | (U & 0x3F))};
        else
            Out += {char(0xE0 | U >> 12), char(0x80 | (U >> 6 & 0x3F)), char(0x80 | (U & 0x3F))};
    return Out;
}

// Against Python's decoding of every one- and two-byte text; every code then
// goes back through Unicode (UTF-16 and UTF-8 mail text) to itself or to the
// preferred code of its character.
TEST(Cp932, DecodesEveryOneAndTwoByteTextAsPythonDoesAndEncodesBack) {
    PythonDecoding Python;
    ASSERT_TRUE(Python.In) << "tests/data/encoding/cp932-decode.bin unreadable";
    std::u16string Single[256];
    for (std::u16string& S : Single) S = Python.Next();
    std::string All, Preferred;
    for (int B1 = 0; B1 < 256; ++B1) {
        const std::string One(1, static_cast<char>(B1));
        ASSERT_EQ(Cp932ToUtf16(One), Single[B1]) << std::hex << B1;
        if (!IsLead(B1)) {
            ASSERT_EQ(Utf16ToCp932(Cp932ToUtf16(One)), One) << std::hex << B1;
            ASSERT_EQ(Utf8ToCp932(Cp932ToUtf8(One)), One) << std::hex << B1;
        }
        for (int B2 = 0; B2 < 256; ++B2) {
            const std::string Two = One + static_cast<char>(B2);
            // A byte that is not a lead byte is a character by itself.
            const std::u16string Expected = IsLead(B1) ? Python.Next() : Single[B1] + Single[B2];
            ASSERT_EQ(Cp932ToUtf16(Two), Expected) << std::hex << B1 << " " << B2;
            ASSERT_EQ(Cp932ToUtf8(Two), Utf8Of(Expected)) << std::hex << B1 << " " << B2;
            if (!IsLead(B1) || Expected.size() != 1 || Expected[0] == 0xFFFD) continue;
            // A character with several codes comes back as its preferred one.
            const uint16_t Want = UnicodeToSJIS(Expected[0]);
            const std::string Back = Utf16ToCp932(Expected);
            ASSERT_EQ(Back, std::string({char(Want >> 8), char(Want & 0xFF)})) << std::hex << B1 << " " << B2;
            ASSERT_EQ(Cp932ToUtf16(Back), Expected);
            // UTF-8 mail text converts alike; an IBM extension code never wins over its NEC or JIS twin.
            ASSERT_EQ(UTF8ToSJIS(Utf8Of(Expected)), Back) << std::hex << B1 << " " << B2;
            ASSERT_FALSE(Want >= 0xFA40 && Want <= 0xFC4B) << std::hex << B1 << " " << B2;
            All += Two;
            Preferred += Back;
        }
    }
    EXPECT_TRUE(Python.In && Python.In.peek() == EOF) << "the data file was not read to its end";
    EXPECT_EQ(Utf16ToCp932(Cp932ToUtf16(All)), Preferred);
    EXPECT_EQ(Utf8ToCp932(Cp932ToUtf8(All)), Preferred);
}

TEST(Cp932Conversion, MalformedInputGivesOneReplacementPerPieceAndGoesOn) {
    // The second byte of a bad pair is read again, here as the lead of the next pair.
    EXPECT_EQ(Cp932ToUtf16("\x81\x7F\x82\xA0"), u"\uFFFD\x7F\u3042");
    EXPECT_EQ(Cp932ToUtf16("\x81\xFD\x82\xA0"), u"\uFFFD\uF8F1\u3042");
    // A character without a code is "?", one per surrogate pair or lone surrogate;
    // typed or pasted Mac and Unix marks keep their meaning.
    const std::pair<std::u16string, std::string> Encode[] = {
        {u"\u2014\u0081\uFFFD", "???"},
        {u"\u301C\u2016\u2212\u00A2\u00A3\u00AC", "\x81\x60\x81\x61\x81\x7C\x81\x91\x81\x92\x81\xCA"},
        {u"a\U0001F600b", "a?b"},
        {std::u16string{u'a', 0xD800, u'b', 0xDC00, 0xDBFF}, "a?b??"}};
    for (const auto& [In, Out] : Encode) EXPECT_EQ(Utf16ToCp932(In), Out);
    // Malformed UTF-8: one "?" per ill-formed piece (overlong, surrogate, cut short, above U+10FFFF).
    const std::pair<std::string, std::string> Utf8[] = {{"\xE3\x80\x9C \xF0\x9F\x98\x80", "\x81\x60 ?"},
                                                        {"\xC0\x80x", "??x"},
                                                        {"\xED\xA0\x80x", "???x"},
                                                        {"\xE3\x81x\xE3\x81", "?x?"},
                                                        {"\xF4\x90\x80\x80", "????"},
                                                        {"\xFF\xE3\x81\x82", "?\x82\xA0"}};
    for (const auto& [In, Out] : Utf8) EXPECT_EQ(Utf8ToCp932(In), Out) << In;
}

std::string B(std::initializer_list<int> Bytes) {
    std::string S;
    for (int b : Bytes) S += static_cast<char>(b);
    return S;
}

TEST(UTF8ToSJIS, MappedCharactersConvertAndEverythingElseKeepsItsBytes) {
    const std::pair<std::string, std::string> Cases[] = {
        {B({0xE3, 0x81, 0x82}), B({0x82, 0xA0})},  // あ
        {B({0xE2, 0x88, 0xA5}), B({0x81, 0x61})},  // ∥
        {B({0xEF, 0xBD, 0xB1}), B({0xB1})},        // half-width ｱ
        {B({0xEE, 0x80, 0x80}), B({0xF0, 0x40})},  // U+E000, user-defined
        // 〜 ‖ − ¢ £ ¬ in their Mac and Unix forms take the code page 932 codes.
        {"\xE3\x80\x9C\xE2\x80\x96\xE2\x88\x92\xC2\xA2\xC2\xA3\xC2\xAC",
         B({0x81, 0x60, 0x81, 0x61, 0x81, 0x7C, 0x81, 0x91, 0x81, 0x92, 0x81, 0xCA})},
        // Long enough for the ASCII runs to be copied in words.
        {"abcdefghijklmnop" + B({0xE6, 0x97, 0xA5, 0xE6, 0x9C, 0xAC}) + "qrstuvwxyz0123456789",
         "abcdefghijklmnop" + B({0x93, 0xFA, 0x96, 0x7B}) + "qrstuvwxyz0123456789"},
        {B({0xE3, 0x81, 0x82, 0xE3}), B({0x82, 0xA0, 0xE3})},  // cut short at the end: stays
        // Following bytes are not checked for continuation: E3 'A' 82 still spells U+3042,
        // and a Latin-1 é takes the two bytes after it (U+9042, a kanji).
        {B({0xE3, 0x41, 0x82}), B({0x82, 0xA0})},
        {B({0xE9, 0x41, 0x42, 0x43}), B({0x90, 0x8B}) + "C"},
        // An overlong four-byte form of U+3042 stays within 16 bits and converts.
        {B({0xF0, 0x83, 0x81, 0x82}), B({0x82, 0xA0})},
    };
    for (const auto& [In, Out] : Cases) EXPECT_EQ(UTF8ToSJIS(In), Out) << In;
    // These keep their bytes: characters without a code, ASCII and NUL, a character cut
    // short at the end, values above U+FFFF (none may turn into the character of its low
    // 16 bits: U+1F600, U+20B9F, U+13042 ending in あ) and the six bytes a stray
    // continuation byte announces (a 31-bit value).
    for (const std::string& Kept :
         {B({0xC2, 0x80, 0xC2, 0xA5, 0xE2, 0x80, 0x94, 0xEF, 0xBF, 0xBD}),
          std::string("Subject: Hello, world! 0123456789 ~\x7F\t\r\n"), std::string("a\0b", 3),
          "ab" + B({0xE3, 0x81}), B({0xF0, 0x9F, 0x98, 0x80, 0xF0, 0xA0, 0xAE, 0x9F}),
          B({0xF0, 0x93, 0x81, 0x82}), B({0x80, 0xE3, 0x81, 0x82, 0x93, 0xA5}), B({0x80}) + "abc"})
        EXPECT_EQ(UTF8ToSJIS(Kept), Kept) << Kept;
    // One character at a time: the bytes it took, a character cut short kept whole.
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
    };
    for (const auto& [U, Code] : Cases) EXPECT_EQ(UnicodeToSJIS(U), Code) << std::hex << U;
    // The table holds no code for these; six of them map beside it for UTF-8 text.
    for (uint16_t None :
         {0x0080, 0x00A2, 0x00A3, 0x00A5, 0x00AC, 0x2016, 0x2212, 0x301C, 0xD800, 0xFFFF, 0xFFFD})
        EXPECT_EQ(UnicodeToSJIS(None), 0) << std::hex << None;
}

TEST(SJ, GivesTheShiftJisTextOfAUtf8Literal) {
    EXPECT_EQ(SJ("受信エラー ｱ①"), "\x8E\xF3\x90\x4D\x83\x47\x83\x89\x81\x5B \xB1\x87\x40");
    EXPECT_EQ(SJ(nullptr), "");
    // Both forms of the wave dash and the minus sign give the same codes.
    EXPECT_EQ(SJ("〜～−－😀"), "\x81\x60\x81\x60\x81\x7C\x81\x7C?");
}

}  // namespace
