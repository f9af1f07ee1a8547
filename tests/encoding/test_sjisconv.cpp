// Kanji code conversion (JIS, Shift_JIS and EUC-JP, half-width katakana), encoded
// words of header fields and the base64 and quoted-printable decoders.
#include <gtest/gtest.h>

#include "codex.h"
#include "sjisconv.h"
#include "uni2sj.h"

namespace {
const std::string ESC_B = "\x1B$B";
const std::string ESC_J = "\x1B(J";
const std::string Kanji = "\x8A\xBF\x8E\x9A";                     // 漢字 in Shift_JIS
const std::string KanjiJIS = ESC_B + "\x34\x41\x3B\x7A" + ESC_J;  // as SJISToJIS writes it
const std::string KanjiJISB = ESC_B + "\x34\x41\x3B\x7A\x1B(B";   // as other mailers close it
using Cases = std::vector<std::pair<std::string, std::string>>;

template <typename Stream>
std::string InPieces(const std::string& Text, size_t Piece) {
    Stream S;
    std::string Out;
    for (size_t i = 0; i < Text.size(); i += Piece)
        S.Feed(Text.data() + i, std::min(Piece, Text.size() - i), Out);
    S.Finish(Out);
    return Out;
}
}  // namespace

TEST(SJISToJIS, DoubleByteRunsOpenAndCloseAndInvalidBytesBecomeQuestionMarks) {
    const Cases Table = {
        {Kanji + "abc", KanjiJIS + "abc"},
        {"\xB1", ESC_B + "\x25\x22" + ESC_J},
        // Half-width katakana joins a double-byte run around it; the voiced mark stays separate.
        {"\xCA\xDF" + Kanji, ESC_B + "\x25\x4F\x21\x2C\x34\x41\x3B\x7A" + ESC_J},
        {"plain\r\n", "plain\r\n"},
        {Kanji + "\r\n" + Kanji, KanjiJIS + "\r\n" + KanjiJIS},  // a line end closes the run
        {Kanji + "\x88", KanjiJIS + "?"},                        // lead byte at the end
        {"\x88 x", "? x"},                                       // lead without a trail
        {"\x88\x0A", "?\n"},
        {"\x80\xA0\xFD\xFE\xFF", "?????"},
    };
    for (const auto& [In, Out] : Table) EXPECT_EQ(SJISToJIS(In), Out) << In;
    // Every half-width katakana takes its full-width form, the ends of both tables included.
    EXPECT_EQ(JISToSJIS(SJISToJIS("\xA1\xB1\xC4\xC5\xDD\xDE\xDF")),
              "\x81\x42\x83\x41\x83\x67\x83\x69\x83\x93\x81\x4A\x81\x4B");
}

TEST(JISToSJIS, EscapeSequencesAndKatakanaModes) {
    const Cases Table = {
        {ESC_B + "\x30\x21\x1B(B", "\x88\x9F"},
        {"\x1B$@\x30\x21\x1B(Jx", "\x88\x9Fx"},
        {"abc " + Kanji, "abc " + Kanji},            // no escapes: unchanged, Shift_JIS included
        {"\x1B$(D\x30\x21", "\x1B$(D\x30\x21"},      // an unknown escape is read in the current mode
        {ESC_B + "\x30\x21\x30", "\x88\x9F\x30"},    // an odd last byte of a run is copied
        {"a\x1B$", "a\x1B$"},                        // so is a truncated escape
        {"\x1B(I\x31\x5E", "\x83\x41\x81\x4A"},      // ESC ( I katakana
        {"\x1B(I\x31\x60\r\n", "\x83\x41\x60\r\n"},  // bytes outside 0x21-0x5F are copied
        {"\x0E\x31\x0F\x61", "\x83\x41\x61"},        // SO/SI katakana
        {ESC_B + "\x0E\x31\x0F\x30\x21", "\x83\x41\x88\x9F"},  // SI returns to the mode before SO
        // ESC ( I leaves the saved mode alone: SI returns to the mode the last SO saved.
        {ESC_B + "\x1B(I\x31\x0F\x30\x21", "\x83\x41\x30\x21"},
    };
    for (const auto& [In, Out] : Table) EXPECT_EQ(JISToSJIS(In), Out) << In;
}

TEST(RoundTrip, EveryShiftJISCodeThroughJISAndBack) {
    std::string S;
    for (int s1 = 0x81; s1 <= 0xEF; s1 += s1 == 0x9F ? 0x41 : 1, S += "\r\nline ")
        for (int s2 = 0x40; s2 <= 0xFC; ++s2)
            if (s2 != 0x7F) S += {char(s1), char(s2)};
    EXPECT_EQ(JISToSJIS(SJISToJIS(S)), S);
}

TEST(EUCToJIS, PairsKatakanaJisX0212AndBadBytes) {
    const Cases Table = {
        {"\xB0\xA1", ESC_B + "\x30\x21" + ESC_J},
        {"\xB4\xC1\xBB\xFA.", KanjiJIS + "."},
        {"\x8E\xB1", ESC_B + "\x25\x22" + ESC_J},  // half-width katakana (SS2) becomes full-width
        {"a\x80.", "a."},                          // 0x80 and a high byte without a partner are dropped
        {"a\xB0", "a"},
        {"\xB0\xA1\xB0", ESC_B + "\x30\x21" + ESC_J},
    };
    for (const auto& [In, Out] : Table) EXPECT_EQ(EUCToJIS(In), Out) << In;
    EXPECT_EQ(JISToSJIS(EUCToJIS("\x8E\xCA\x8E\xDF\xB0\xA1")), "\x83\x6E\x81\x4B\x88\x9F");
    // A JIS X 0212 character (SS3 + two bytes) has no Shift_JIS form: one "?",
    // and the characters after it keep their pairing.
    EXPECT_EQ(JISToSJIS(EUCToJIS("\x8F\xB0\xA1\xB0\xA1")), "?\x88\x9F");
}

TEST(Streams, PiecesConvertLikeTheWholeText) {
    // The six Mac and Unix marks in UTF-8 first, then random texts of bytes
    // chosen to put escapes, pairs, SS2/SS3 sequences and lead bytes across
    // every possible piece boundary.
    std::vector<std::string> Texts = {"\xE3\x80\x9C\xE2\x80\x96\xE2\x88\x92\xC2\xA2\xC2\xA3\xC2\xAC"};
    const std::string Alphabet = std::string("\x1B$B(JI@\x0E\x0F!0~\x7F\r\n a", 18) +
                                 "\x88\x9F\xB1\x8E\x8F\xA1\xE0\xFC\x80\xFF\xC2\xA7\xE3\x81\x82\xF0\xF8";
    uint32_t Seed = 12345;
    for (int Round = 0; Round < 300; ++Round) {
        std::string& Text = Texts.emplace_back();
        for (int k = 0; k < Round % 40; ++k) {
            Seed = Seed * 1103515245u + 12345u;
            Text += Alphabet[(Seed >> 16) % Alphabet.size()];
        }
    }
    for (const std::string& Text : Texts)
        for (size_t Piece : {1, 2, 3, 7}) {
            ASSERT_EQ(InPieces<TSJISToJISStream>(Text, Piece), SJISToJIS(Text)) << Text << "/" << Piece;
            ASSERT_EQ(InPieces<TEUCToJISStream>(Text, Piece), EUCToJIS(Text)) << Text << "/" << Piece;
            ASSERT_EQ(InPieces<TJISToSJISStream>(Text, Piece), JISToSJIS(Text)) << Text << "/" << Piece;
            ASSERT_EQ(InPieces<TUTF8ToSJISStream>(Text, Piece), UTF8ToSJIS(Text)) << Text << "/" << Piece;
        }
}

TEST(TextDecoders, Base64SkipsForeignBytesAndQuotedPrintableTakesUpperCaseEscapesOnly) {
    for (const auto& [In, Out] : Cases{{"QU\r\nJD\r\n", "ABC"},
                                       {"QUI=", "AB"},
                                       {"QQ==", "A"},
                                       {"Q", ""},
                                       {"=Q=U=J=D=", "ABC"},
                                       {"!!\x80\xFF", ""}})
        EXPECT_EQ(Base64Decode(In), Out) << In;
    for (const auto& [In, Out] : Cases{{"a=3Db", "a=b"},
                                       {"=1b", "=1b"},
                                       {"a=G1", "a=G1"},
                                       {"end=", "end="},
                                       {"end=4", "end=4"},
                                       {"==41", "=A"},
                                       {"a_b", "a_b"}})
        EXPECT_EQ(QPDecode(In), Out) << In;
    // Every byte value through an encoded word and back; padding only at the end.
    std::string All;
    for (int i = 0; i < 256; ++i) All += static_cast<char>(i);
    const std::string Enc = EncodeWordB(All);
    EXPECT_EQ(Base64Decode(Enc.substr(16, Enc.size() - 18)), All);
    EXPECT_EQ(EncodeWordB("AB"), "=?ISO-2022-JP?B?QUI=?=");
}

TEST(DecodeHeader, EveryCharsetBothLettersAndTheTextAroundWords) {
    // ISO-2022-JP and EUC-JP words give JIS; Shift_JIS and UTF-8 words give Shift_JIS.
    const Cases Table = {
        {"Re: " + EncodeWordB(KanjiJISB), "Re: " + KanjiJISB},
        {"=?iso-2022-jp?b?" + EncodeWordB(KanjiJISB).substr(16), KanjiJISB},
        {"=?ISO-2022-JP?Q?=1B$B4A;z=1B(B?=", KanjiJISB},
        {"=?EUC-JP?B?tMG7+g==?=", KanjiJIS},
        {"=?euc-jp?q?=B4=C1=BB=FA?=", KanjiJIS},
        {"=?Shift_JIS?B?ir+Omg==?=", Kanji},
        {"=?shift_jis?Q?=8A=BF=8E=9A?=", Kanji},
        {"=?UTF-8?B?5ryi5a2X?=", Kanji},
        {"=?utf-8?q?=E6=BC=A2=E5=AD=97_x?=", Kanji + " x"},
        // Words of different charsets in one value; the UTF-8 wave dash is 0x8160.
        {"=?UTF-8?B?QeOAnA==?= " + EncodeWordB(KanjiJIS), "A\x81\x60 " + KanjiJIS},
        {"=?UTF-8?B?QQ==?= =?UTF-8?B?Qg==?=", "A B"},  // the blank between two words is kept
        {"=?KOI8-R?B?QUJD?=", "=?KOI8-R?B?QUJD?="},    // an unknown charset stays
        {"=?UTF-8?Q?a_b=5Fc?=", "a b_c"},              // in a Q word "_" is a blank, "=5F" an underscore
        {"=?UTF-8?X?abc?=", "abc"},                    // an unknown letter decodes nothing
        {"x =?UTF-8?B?QUJD", "x ABC"},                 // a word never closed is decoded all the same
        {"x =?UTF-8?B?\?= y", "x  y"},
        {"=?UTF-8?B", "=?UTF-8?B"},  // no "?" after the letter: copied
    };
    for (const auto& [In, Out] : Table) EXPECT_EQ(DecodeHeader(In), Out) << In;
}

TEST(EncodeHeader, EachDoubleByteRunBecomesOneWord) {
    const std::string W = EncodeWordB(KanjiJIS);
    for (const auto& [In, Out] : Cases{{"abc", "abc"},
                                       {"", ""},
                                       {"Re: " + Kanji + " memo", "Re: " + W + " memo"},
                                       {"x" + Kanji + "y" + Kanji, "x" + W + "y" + W},
                                       {Kanji, W}})
        EXPECT_EQ(EncodeHeader(SJISToJIS(In)), Out) << In;
}
