// Encoded words of header fields and the base64 and quoted-printable decoders.
#include <gtest/gtest.h>

#include "codex.h"
#include "sjisconv.h"

namespace {
const std::string Kanji = "\x8A\xBF\x8E\x9A";                  // 漢字 in Shift_JIS
const std::string KanjiJIS = "\x1B$B\x34\x41\x3B\x7A\x1B(J";   // as SJISToJIS writes it
const std::string KanjiJISB = "\x1B$B\x34\x41\x3B\x7A\x1B(B";  // as other mailers close it
using Cases = std::vector<std::pair<std::string, std::string>>;
}  // namespace

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
    // In a Q word "_" is a blank and "=5F" an underscore; an unknown letter decodes nothing.
    EXPECT_EQ(DecodeText('q', "a_b=5Fc"), "a b_c");
    EXPECT_EQ(DecodeText('b', "QUJD"), "ABC");
    EXPECT_EQ(DecodeText('X', "QUJD"), "QUJD");
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
        {"no words here", "no words here"},
        {"=?UTF-8?B?QQ==?= =?UTF-8?B?Qg==?=", "A B"},  // the blank between two words is kept
        {"=?KOI8-R?B?QUJD?=", "=?KOI8-R?B?QUJD?="},    // an unknown charset stays
        {"=?UTF-8?X?abc?=", "abc"},
        {"x =?UTF-8?B?QUJD", "x ABC"},  // a word never closed is decoded all the same
        {"x =?UTF-8?B?"
         "?= y",
         "x  y"},
        {"=?UTF-8?B", "=?UTF-8?B"},  // no "?" after the letter: copied
    };
    for (const auto& [In, Out] : Table) EXPECT_EQ(DecodeHeader(In), Out) << In;
}

TEST(EncodeHeader, EachDoubleByteRunBecomesOneWordAndDecodesBack) {
    const std::string W = EncodeWordB(KanjiJIS);
    for (const auto& [In, Out] : Cases{{"abc", "abc"},
                                       {"", ""},
                                       {"Re: " + Kanji + " memo", "Re: " + W + " memo"},
                                       {"x" + Kanji + "y" + Kanji, "x" + W + "y" + W},
                                       {Kanji, W}})
        EXPECT_EQ(EncodeHeader(SJISToJIS(In)), Out) << In;
    const std::string S = "Subject " + Kanji + " and " + Kanji + Kanji;
    EXPECT_EQ(JISToSJIS(DecodeHeader(EncodeHeader(SJISToJIS(S)))), S);
}
