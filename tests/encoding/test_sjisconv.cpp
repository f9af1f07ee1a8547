// Kanji code conversion: JIS, Shift_JIS and EUC-JP, half-width katakana.
#include <gtest/gtest.h>

#include "Classes.h"
#include "sjisconv.h"
#include "uni2sj.h"

namespace {
const std::string ESC_B = "\x1B$B";
const std::string ESC_J = "\x1B(J";
const std::string Kanji = "\x8A\xBF\x8E\x9A";  // 漢字 in Shift_JIS
}  // namespace

TEST(CharCodes, RowCellArithmetic) {
    EXPECT_EQ(JISCharToSJIS(0x2121), 0x8140);
    EXPECT_EQ(JISCharToSJIS(0x7E7E), 0xEFFC);
    EXPECT_EQ(JISCharToSJIS(0x3021), 0x889F);
    EXPECT_EQ(SJISCharToJIS(0x9FFC), 0x5E7E);
    EXPECT_EQ(SJISCharToJIS(0x889F), 0x3021);
    // Every Shift_JIS code of the JIS X 0208 area goes to JIS and back unchanged.
    for (int s1 = 0x81; s1 <= 0xEF; ++s1) {
        if (s1 > 0x9F && s1 < 0xE0) continue;
        for (int s2 = 0x40; s2 <= 0xFC; ++s2) {
            if (s2 == 0x7F) continue;
            uint16_t s = static_cast<uint16_t>(s1 << 8 | s2);
            uint16_t j = SJISCharToJIS(s);
            ASSERT_GE(j >> 8, 0x21) << std::hex << s;
            ASSERT_LE(j & 0xFF, 0x7E) << std::hex << s;
            ASSERT_EQ(JISCharToSJIS(j), s) << std::hex << s;
        }
    }
    // Results are masked to seven bits per byte, whatever comes in.
    EXPECT_EQ(SJISCharToJIS(0xFCFC) & 0x8080, 0);
    EXPECT_EQ(SJISCharToJIS(0x0000) & 0x8080, 0);
}

TEST(CharCodes, PairRoutinesPassInvalidBytes) {
    EXPECT_EQ(JISPairToSJIS("\x30\x21"), "\x88\x9F");
    EXPECT_EQ(JISPairToSJIS("\x30\x21zz"), "\x88\x9F");
    EXPECT_EQ(JISPairToSJIS("\x30\x0D"), "\x30\x0D");
    EXPECT_EQ(JISPairToSJIS("\x30"), "\x30");
    EXPECT_EQ(JISPairToSJIS(""), "");
    EXPECT_EQ(SJISPairToJIS(0x88, 0x9F), "\x30\x21");
    EXPECT_EQ(SJISPairToJIS(0x41, 0x9F), "\x41\x9F");
    EXPECT_EQ(SJISPairToJIS(0x88, 0x20), std::string("\x88\x20"));
    EXPECT_EQ(CodeToStr(0x889F), "\x88\x9F");
    EXPECT_EQ(StrToCode("\x88\x9F"), 0x889F);
}

TEST(CharCodes, ByteClasses) {
    EXPECT_TRUE(IsSJISLead(0x81));
    EXPECT_TRUE(IsSJISLead(0x9F));
    EXPECT_FALSE(IsSJISLead(0xA0));
    EXPECT_TRUE(IsSJISLead(0xE0));
    EXPECT_TRUE(IsSJISLead(0xFC));
    EXPECT_FALSE(IsSJISLead(0xFD));
    EXPECT_TRUE(IsSJISTrail(0x40));
    EXPECT_TRUE(IsSJISTrail(0x7F));
    EXPECT_TRUE(IsSJISTrail(0xFC));
    EXPECT_FALSE(IsSJISTrail(0x3F));
    EXPECT_TRUE(IsHankakuKana(0xA1));
    EXPECT_TRUE(IsHankakuKana(0xDF));
    EXPECT_FALSE(IsHankakuKana(0xA0));
    EXPECT_FALSE(IsHankakuKana(0xE0));
}

TEST(Hankaku, FullWidthFormsKeepVoicedMarksSeparate) {
    EXPECT_EQ(HankakuToZenkaku("\xA1"), "\x81\x42");  // 。
    EXPECT_EQ(HankakuToZenkaku("\xB1"), "\x83\x41");  // ア
    EXPECT_EQ(HankakuToZenkaku("\xC4"), "\x83\x67");  // ト (end of the first string)
    EXPECT_EQ(HankakuToZenkaku("\xC5"), "\x83\x69");  // ナ (start of the second)
    EXPECT_EQ(HankakuToZenkaku("\xDD"), "\x83\x93");  // ン
    EXPECT_EQ(HankakuToZenkaku("\xDE"), "\x81\x4A");  // ゛
    EXPECT_EQ(HankakuToZenkaku("\xDF"), "\x81\x4B");  // ゜
    EXPECT_EQ(HankakuToZenkaku(""), "");
    EXPECT_EQ(HankakuToZenkaku("A"), "");
}

TEST(SJISToJIS, DoubleByteRunsOpenAndClose) {
    EXPECT_EQ(SJISToJIS(Kanji + "abc"), ESC_B + "\x34\x41\x3B\x7A" + ESC_J + "abc");
    EXPECT_EQ(SJISToJIS("a" + Kanji), "a" + ESC_B + "\x34\x41\x3B\x7A" + ESC_J);
    EXPECT_EQ(SJISToJIS("\xB1"), ESC_B + "\x25\x22" + ESC_J);
    // Half-width katakana joins a double-byte run around it; the voiced mark stays separate.
    EXPECT_EQ(SJISToJIS("\xCA\xDF" + Kanji), ESC_B + "\x25\x4F\x21\x2C\x34\x41\x3B\x7A" + ESC_J);
    EXPECT_EQ(SJISToJIS(""), "");
    EXPECT_EQ(SJISToJIS("plain\r\n"), "plain\r\n");
    // Line ends close the run before them.
    EXPECT_EQ(SJISToJIS(Kanji + "\r\n" + Kanji),
              ESC_B + "\x34\x41\x3B\x7A" + ESC_J + "\r\n" + ESC_B + "\x34\x41\x3B\x7A" + ESC_J);
}

TEST(SJISToJIS, InvalidBytesBecomeQuestionMarks) {
    EXPECT_EQ(SJISToJIS("ab\x88"), "ab?");  // lead byte at the end
    EXPECT_EQ(SJISToJIS(Kanji + "\x88"), ESC_B + "\x34\x41\x3B\x7A" + ESC_J + "?");
    EXPECT_EQ(SJISToJIS("\x88 x"), "? x");  // lead without a trail
    EXPECT_EQ(SJISToJIS("\x80\xA0\xFD\xFE\xFF"), "?????");
    EXPECT_EQ(SJISToJIS("\x88\x0A"), "?\n");
}

TEST(JISToSJIS, EscapeSequences) {
    EXPECT_EQ(JISToSJIS(ESC_B + "\x30\x21" + "\x1B(B"), "\x88\x9F");
    EXPECT_EQ(JISToSJIS("\x1B$@\x30\x21\x1B(Jx"), "\x88\x9Fx");
    EXPECT_EQ(JISToSJIS(ESC_B + "\x34\x41\x3B\x7A" + ESC_J + "abc"), Kanji + "abc");
    // Text without escapes, Shift_JIS included, passes unchanged.
    EXPECT_EQ(JISToSJIS("abc " + Kanji), "abc " + Kanji);
    // An unknown escape sequence is treated by the current mode.
    EXPECT_EQ(JISToSJIS("\x1B$(D\x30\x21"), "\x1B$(D\x30\x21");
    // An odd last byte of a double-byte run is copied.
    EXPECT_EQ(JISToSJIS(ESC_B + "\x30\x21\x30"), "\x88\x9F\x30");
    // A truncated escape at the end is copied.
    EXPECT_EQ(JISToSJIS("a\x1B$"), "a\x1B$");
    EXPECT_EQ(JISToSJIS(""), "");
}

TEST(JISToSJIS, KatakanaForms) {
    EXPECT_EQ(JISToSJIS("\x1B(I\x31\x5E"), "\x83\x41\x81\x4A");
    EXPECT_EQ(JISToSJIS("\x0E\x31\x0F"
                        "a"),
              "\x83\x41"
              "a");
    // SI returns to the mode in force before SO.
    EXPECT_EQ(JISToSJIS(ESC_B + "\x0E\x31\x0F\x30\x21"), "\x83\x41\x88\x9F");
    // Bytes outside 0x21-0x5F in katakana mode are copied.
    EXPECT_EQ(JISToSJIS("\x1B(I\x31\x60\r\n"), "\x83\x41\x60\r\n");
    // ESC ( I leaves the saved mode alone: SI then returns to the mode saved
    // by the last SO (single-byte at the start), not to the double-byte mode.
    EXPECT_EQ(JISToSJIS(ESC_B + "\x1B(I\x31\x0F\x30\x21"), "\x83\x41\x30\x21");
}

TEST(RoundTrip, ShiftJISThroughJISAndBack) {
    std::string S;
    for (int s1 = 0x81; s1 <= 0xEF; ++s1) {
        if (s1 > 0x9F && s1 < 0xE0) continue;
        for (int s2 = 0x40; s2 <= 0xFC; ++s2) {
            if (s2 == 0x7F) continue;
            S += static_cast<char>(s1);
            S += static_cast<char>(s2);
        }
        S += "\r\nline ";
    }
    EXPECT_EQ(JISToSJIS(SJISToJIS(S)), S);
}

TEST(EUCToJIS, PairsKatakanaAndBadBytes) {
    EXPECT_EQ(EUCToJIS("\xB0\xA1"), ESC_B + "\x30\x21" + ESC_J);
    EXPECT_EQ(JISToSJIS(EUCToJIS("\xB4\xC1\xBB\xFA"
                                 "abc")),
              Kanji + "abc");
    // Half-width katakana (SS2 + byte) becomes the full-width character.
    EXPECT_EQ(EUCToJIS("\x8E\xB1"), ESC_B + "\x25\x22" + ESC_J);
    EXPECT_EQ(JISToSJIS(EUCToJIS("\x8E\xCA\x8E\xDF\xB0\xA1")), "\x83\x6E\x81\x4B\x88\x9F");
    // A JIS X 0212 character (SS3 + two bytes) has no Shift_JIS form: one "?",
    // and the characters after it keep their pairing.
    EXPECT_EQ(JISToSJIS(EUCToJIS("\x8F\xB0\xA1\xB0\xA1")), "?\x88\x9F");
    // 0x80 and a high byte without a partner are dropped.
    EXPECT_EQ(EUCToJIS("a\x80"
                       "b"),
              "ab");
    EXPECT_EQ(EUCToJIS("a\xB0"), "a");
    EXPECT_EQ(EUCToJIS("\xB0\xA1\xB0"), ESC_B + "\x30\x21" + ESC_J);
}

TEST(IsAllASCII, HighBytesAndEscape) {
    TStringList L;
    EXPECT_TRUE(IsAllASCII(L));
    L.Add("plain text");
    L.Add("");
    EXPECT_TRUE(IsAllASCII(L));
    L.Add("\x1B$B\x30\x21\x1B(J");
    EXPECT_FALSE(IsAllASCII(L));
    TStringList M;
    M.Add("abc\x88\x9F");
    EXPECT_FALSE(IsAllASCII(M));
}

namespace {
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

TEST(Streams, PiecesConvertLikeTheWholeText) {
    // Bytes chosen to put escapes, pairs, SS2/SS3 sequences and lead bytes
    // across every possible piece boundary.
    const std::string Alphabet = std::string("\x1B$B(JI@\x0E\x0F!0~\x7F\r\n a", 18) +
                                 "\x88\x9F\xB1\x8E\x8F\xA1\xE0\xFC\x80\xFF\xC2\xA7\xE3\x81\x82\xF0\xF8";
    uint32_t Seed = 12345;
    for (int Round = 0; Round < 300; ++Round) {
        std::string Text;
        size_t Len = Round % 40;
        for (size_t k = 0; k < Len; ++k) {
            Seed = Seed * 1103515245u + 12345u;
            Text += Alphabet[(Seed >> 16) % Alphabet.size()];
        }
        for (size_t Piece : {1, 2, 3, 7}) {
            ASSERT_EQ(InPieces<TSJISToJISStream>(Text, Piece), SJISToJIS(Text)) << Round << "/" << Piece;
            ASSERT_EQ(InPieces<TEUCToJISStream>(Text, Piece), EUCToJIS(Text)) << Round << "/" << Piece;
            ASSERT_EQ(InPieces<TJISToSJISStream>(Text, Piece), JISToSJIS(Text)) << Round << "/" << Piece;
            ASSERT_EQ(InPieces<TUTF8ToSJISStream>(Text, Piece), UTF8ToSJIS(Text)) << Round << "/" << Piece;
        }
    }
}
