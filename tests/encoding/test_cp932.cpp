// Tests of the code page 932 conversion at the widget boundary and of SJ.
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
        const int N = In.get();
        std::u16string Out(N > 0 ? N : 0, u'\0');
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
// goes back through Unicode to itself or to the preferred code of its character.
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

TEST(SJ, GivesTheShiftJisTextOfAUtf8Literal) {
    EXPECT_EQ(SJ("受信エラー ｱ①"), "\x8E\xF3\x90\x4D\x83\x47\x83\x89\x81\x5B \xB1\x87\x40");
    EXPECT_EQ(SJ(nullptr), "");
    // Both forms of the wave dash and the minus sign give the same codes.
    EXPECT_EQ(SJ("〜～−－😀"), "\x81\x60\x81\x60\x81\x7C\x81\x7C?");
}

}  // namespace
