// Encoded words of header fields and the base64 and quoted-printable decoders.
#include <gtest/gtest.h>

#include "codex.h"
#include "sjisconv.h"

namespace {
const std::string Kanji = "\x8A\xBF\x8E\x9A";                  // 漢字 in Shift_JIS
const std::string KanjiJIS = "\x1B$B\x34\x41\x3B\x7A\x1B(J";   // as SJISToJIS writes it
const std::string KanjiJISB = "\x1B$B\x34\x41\x3B\x7A\x1B(B";  // as other mailers close it
}  // namespace

TEST(Base64, DecodeSkipsForeignCharacters) {
    EXPECT_EQ(Base64Decode("QUJD"), "ABC");
    EXPECT_EQ(Base64Decode("QU\r\nJD\r\n"), "ABC");
    EXPECT_EQ(Base64Decode("QUI="), "AB");
    EXPECT_EQ(Base64Decode("QQ=="), "A");
    EXPECT_EQ(Base64Decode("Q"), "");
    EXPECT_EQ(Base64Decode("=Q=U=J=D="), "ABC");
    EXPECT_EQ(Base64Decode("!!\x80\xFF"), "");
    EXPECT_EQ(Base64Decode(""), "");
    std::string All;
    for (int i = 0; i < 256; ++i) All += static_cast<char>(i);
    std::string Enc = EncodeWordB(All);
    EXPECT_EQ(Base64Decode(Enc.substr(16, Enc.size() - 18)), All);
}

TEST(Base64, DigitsAndWords) {
    EXPECT_EQ(Base64Digit(0), 'A');
    EXPECT_EQ(Base64Digit(63), '/');
    EXPECT_EQ(Base64Digit(64), '=');
    EXPECT_EQ(EncodeWordB("ABC"), "=?ISO-2022-JP?B?QUJD?=");
    EXPECT_EQ(EncodeWordB("AB"), "=?ISO-2022-JP?B?QUI=?=");
    EXPECT_EQ(EncodeWordB("A"), "=?ISO-2022-JP?B?QQ==?=");
    EXPECT_EQ(EncodeWordB(""), "=?ISO-2022-JP?B?"
                               "?=");
}

TEST(QuotedPrintable, UpperCaseEscapesOnly) {
    EXPECT_EQ(QPDecode("a=3Db"), "a=b");
    EXPECT_EQ(QPDecode("=1B$B"), "\x1B$B");
    EXPECT_EQ(QPDecode("=1b"), "=1b");
    EXPECT_EQ(QPDecode("a=G1"), "a=G1");
    EXPECT_EQ(QPDecode("end="), "end=");
    EXPECT_EQ(QPDecode("end=4"), "end=4");
    EXPECT_EQ(QPDecode("==41"), "=A");
    EXPECT_EQ(QPDecode("a_b"), "a_b");
}

TEST(DecodeText, LettersChooseTheDecoder) {
    EXPECT_EQ(DecodeText('B', "QUJD"), "ABC");
    EXPECT_EQ(DecodeText('b', "QUJD"), "ABC");
    EXPECT_EQ(DecodeText('Q', "a=3Db"), "a=b");
    // In a Q word "_" is a blank, "=5F" an underscore.
    EXPECT_EQ(DecodeText('q', "a_b=5Fc"), "a b_c");
    EXPECT_EQ(DecodeText('X', "QUJD"), "QUJD");
}

TEST(DecodeHeader, AllFourCharsetsAndBothLetters) {
    // ISO-2022-JP, B and Q.
    std::string B = EncodeWordB(KanjiJISB);
    EXPECT_EQ(JISToSJIS(DecodeHeader("Re: " + B)), "Re: " + Kanji);
    EXPECT_EQ(JISToSJIS(DecodeHeader("=?iso-2022-jp?b?" + B.substr(16))), Kanji);
    EXPECT_EQ(JISToSJIS(DecodeHeader("=?ISO-2022-JP?Q?=1B$B4A;z=1B(B?=")), Kanji);
    // EUC-JP becomes JIS in its pass.
    std::string Euc = DecodeHeader("=?EUC-JP?B?tMG7+g==?=");
    EXPECT_EQ(Euc, "\x1B$B\x34\x41\x3B\x7A\x1B(J");
    EXPECT_EQ(JISToSJIS(Euc), Kanji);
    EXPECT_EQ(JISToSJIS(DecodeHeader("=?euc-jp?q?=B4=C1=BB=FA?=")), Kanji);
    // Shift_JIS words come out as they are.
    EXPECT_EQ(DecodeHeader("=?Shift_JIS?B?ir+Omg==?="), Kanji);
    EXPECT_EQ(DecodeHeader("=?shift_jis?Q?=8A=BF=8E=9A?="), Kanji);
    // UTF-8 becomes Shift_JIS in its pass.
    EXPECT_EQ(DecodeHeader("=?UTF-8?B?5ryi5a2X?="), Kanji);
    EXPECT_EQ(DecodeHeader("=?utf-8?q?=E6=BC=A2=E5=AD=97_x?="), Kanji + " x");
}

TEST(DecodeHeader, TextAroundWords) {
    EXPECT_EQ(DecodeHeader("no words here"), "no words here");
    EXPECT_EQ(DecodeHeader(""), "");
    // The blank between two adjacent words is kept.
    EXPECT_EQ(DecodeHeader("=?UTF-8?B?QQ==?= =?UTF-8?B?Qg==?="), "A B");
    // Unknown charsets and other letters stay as they are.
    EXPECT_EQ(DecodeHeader("=?KOI8-R?B?QUJD?="), "=?KOI8-R?B?QUJD?=");
    EXPECT_EQ(DecodeHeader("=?UTF-8?X?abc?="), "abc");
    // A word never closed is decoded all the same; an empty one vanishes.
    EXPECT_EQ(DecodeHeader("x =?UTF-8?B?QUJD"), "x ABC");
    EXPECT_EQ(DecodeHeader("x =?UTF-8?B?"
                           "?= y"),
              "x  y");
    // Words of different charsets in one value; the UTF-8 wave dash is 0x8160.
    EXPECT_EQ(JISToSJIS(DecodeHeader("=?UTF-8?B?QeOAnA==?= " + EncodeWordB(KanjiJIS))), "A\x81\x60 " + Kanji);
    // A marker without its "?" after the letter is copied.
    EXPECT_EQ(DecodeHeader("=?UTF-8?B"), "=?UTF-8?B");
}

TEST(EncodeHeader, EachRunBecomesOneWord) {
    EXPECT_EQ(EncodeHeader("abc"), "abc");
    EXPECT_EQ(EncodeHeader(""), "");
    EXPECT_EQ(EncodeHeader(SJISToJIS("Re: " + Kanji + " memo")), "Re: " + EncodeWordB(KanjiJIS) + " memo");
    // Words stand directly against the text around them.
    EXPECT_EQ(EncodeHeader(SJISToJIS("x" + Kanji + "y" + Kanji)),
              "x" + EncodeWordB(KanjiJIS) + "y" + EncodeWordB(KanjiJIS));
    // A run that reaches the end, its closing sequence included, is one word.
    EXPECT_EQ(EncodeHeader(SJISToJIS(Kanji)), EncodeWordB(KanjiJIS));
    // Round trip through the decoder.
    std::string S = "Subject " + Kanji + " and " + Kanji + Kanji;
    EXPECT_EQ(JISToSJIS(DecodeHeader(EncodeHeader(SJISToJIS(S)))), S);
}
