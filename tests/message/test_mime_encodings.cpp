// Transfer encoding lists: base64, quoted-printable, plain and uuencode.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "MIMEx.h"

namespace {

std::string Decoded(const TEncodingList& L) {
    std::ostringstream Out;
    L.DecodeTo(Out);
    return Out.str();
}

template <class List>
List& Fill(List& L, std::initializer_list<const char*> Lines) {
    for (const char* S : Lines) L.Add(S);
    return L;
}

}  // namespace

TEST(Base64List, EncodesSixtyBytesPerLineWithPaddingOnlyAtTheEnd) {
    TBase64List L;
    std::istringstream Three("ABC");
    L.EncodeFrom(Three);
    ASSERT_EQ(L.GetCount(), 1);
    EXPECT_EQ(L[0], "QUJD");
    std::istringstream Four("ABCD");
    L.EncodeFrom(Four);
    EXPECT_EQ(L[0], "QUJDRA==");
    std::istringstream SixtyOne(std::string(61, 'x'));
    L.EncodeFrom(SixtyOne);
    ASSERT_EQ(L.GetCount(), 2);
    EXPECT_EQ(L[0].size(), 80u);
    EXPECT_EQ(L[1], "eA==");
    EXPECT_EQ(Decoded(L), std::string(61, 'x'));
}

TEST(Base64List, DecodesLinesAsOneStream) {
    TBase64List L;
    EXPECT_EQ(Decoded(Fill(L, {"QU", "JD", "RA=="})), "ABCD");  // groups split across lines
    L.Clear();
    EXPECT_EQ(Decoded(Fill(L, {"QQ==", "Qg==", "QkM="})), "ABBC");  // every line padded by itself
    L.Clear();
    EXPECT_EQ(Decoded(Fill(L, {"QUJD", "QUI=", "QQ"})), "ABCABA");
    L.Clear();
    EXPECT_EQ(Decoded(Fill(L, {"Q\x01U*J\xff"
                               "D!",
                               "", "  "})),
              "ABC");  // garbage skipped
    L.Clear();
    EXPECT_EQ(Decoded(Fill(L, {"Q"})), "");
}

// The decoder against a character-by-character reading of the same rules, on
// random lines of alphabet characters, pads, blanks and other bytes, held as
// ordinary and as packed lines.
TEST(Base64List, FastDecodingMatchesTheCharacterRules) {
    auto Reference = [](const std::vector<std::string>& Lines) {
        const std::string A = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string Out;
        uint32_t Acc = 0;
        int Count = 0;
        auto Finish = [&] {
            if (Count == 2) Out += static_cast<char>(Acc >> 4);
            if (Count == 3) {
                Out += static_cast<char>(Acc >> 10);
                Out += static_cast<char>(Acc >> 2);
            }
            Acc = 0;
            Count = 0;
        };
        for (const std::string& L : Lines)
            for (char c : L) {
                const size_t V = A.find(c);
                if (c != '\0' && V != std::string::npos) {
                    Acc = (Acc << 6) | static_cast<uint32_t>(V);
                    if (++Count == 4) {
                        Out += static_cast<char>(Acc >> 16);
                        Out += static_cast<char>(Acc >> 8);
                        Out += static_cast<char>(Acc);
                        Acc = 0;
                        Count = 0;
                    }
                } else if (c == '=') {
                    Finish();
                }
            }
        Finish();
        return Out;
    };
    uint32_t Seed = 12345;
    auto Next = [&Seed](uint32_t N) {
        Seed = Seed * 1103515245u + 12345u;
        return (Seed >> 8) % N;
    };
    const std::string Mostly = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int Round = 0; Round < 200; ++Round) {
        std::vector<std::string> Lines(Next(20));
        for (std::string& L : Lines) {
            const uint32_t Len = Next(Round % 2 ? 90 : 9);
            for (uint32_t k = 0; k < Len; ++k) {
                const uint32_t R = Next(100);
                L += R < 90 ? Mostly[Next(64)] : R < 94 ? '=' : R < 97 ? ' ' : static_cast<char>(Next(256));
            }
        }
        TBase64List Plain, Packed;
        for (const std::string& L : Lines) {
            Plain.Add(L);
            Packed.AddPacked(L);
        }
        const std::string Want = Reference(Lines);
        ASSERT_EQ(Decoded(Plain), Want) << Round;
        ASSERT_EQ(Decoded(Packed), Want) << Round;
    }
}

TEST(QuotedPrintableList, SoftBreaksEscapesAndEmptyLines) {
    TQuotedPrintableList L;
    Fill(L, {"a=3Db", "soft=", "joined", "", "ends=3D", "lower=3d", "blanks after soft=  ", "x"});
    EXPECT_EQ(Decoded(L), "a=b\r\nsoftjoined\r\n\r\nends=\r\nlower=3d\r\nblanks after softx\r\n");
    TQuotedPrintableList Back;
    std::istringstream In(std::string("caf\xe9 = ok \r\n") + std::string(100, 'y') + "\r\n");
    Back.EncodeFrom(In);
    for (int i = 0; i < Back.GetCount(); ++i) EXPECT_LE(Back[i].size(), 76u);
    EXPECT_EQ(Decoded(Back), std::string("caf\xe9 = ok \r\n") + std::string(100, 'y') + "\r\n");
}

TEST(PlainList, WritesEachLineWithCrLfAndKeepsEmptyLines) {
    TPlainList L;
    Fill(L, {"first", "", "  third", ""});
    EXPECT_EQ(Decoded(L), "first\r\n\r\n  third\r\n\r\n");
}

TEST(UUxList, LineLengthRule) {
    EXPECT_TRUE(TUUxList::IsUULine("M" + std::string(60, 'A')));
    EXPECT_TRUE(TUUxList::IsUULine("M" + std::string(59, 'A')));
    EXPECT_TRUE(TUUxList::IsUULine("M" + std::string(58, 'A')));
    EXPECT_FALSE(TUUxList::IsUULine("M" + std::string(57, 'A')));
    EXPECT_FALSE(TUUxList::IsUULine("M" + std::string(61, 'A')));
    EXPECT_FALSE(TUUxList::IsUULine("`"));
    EXPECT_FALSE(TUUxList::IsUULine(""));
}

TEST(UUxList, BlockRoundTripAndHeaderFields) {
    std::string Data;
    for (int i = 0; i < 200; ++i) Data += static_cast<char>(i * 7);
    TUUxList L;
    L.FileName = "data.bin";
    L.Mode = "644";
    std::istringstream In(Data);
    L.EncodeFrom(In);
    EXPECT_EQ(L[0], "begin 644 data.bin");
    EXPECT_EQ(L[L.GetCount() - 2], "`");
    EXPECT_EQ(L[L.GetCount() - 1], "end");
    EXPECT_EQ(Decoded(L), Data);

    TUUxList Copy;
    for (int i = 0; i < L.GetCount(); ++i) Copy.Add(L[i]);
    EXPECT_TRUE(Copy.HasUUBlock());
    EXPECT_EQ(Copy.Mode, "644");
    EXPECT_EQ(Copy.FileName, "data.bin");
    Copy.Delete(Copy.GetCount() - 1);  // no "end"
    EXPECT_FALSE(Copy.HasUUBlock());
}

TEST(UUxList, ShortAndHostileDataLines) {
    TUUxList L;
    // "#0V%T" is "abc"; dropping its last character reads it as zero.
    Fill(L, {"begin 600 a.txt", "#86)C", "#86)", "end"});
    EXPECT_EQ(Decoded(L), "abcab@");
    // A count far beyond the data is rejected, never read past the line.
    L.Clear();
    Fill(L, {"begin 600 a.txt", "M86)C", "\x01\x02\x03", "end"});
    EXPECT_EQ(Decoded(L), "");
    std::string Out;
    TUUxList::DecodeUULine("M!", Out);
    EXPECT_EQ(Out.size(), 45u);
}

TEST(EncodingList, FilesEmptyListAndMissingSource) {
    char Tmpl[] = "/tmp/velnaro-enc-XXXXXX";
    ASSERT_NE(mkdtemp(Tmpl), nullptr);
    const std::string Dir = Tmpl;
    TBase64List L;
    L.DecodeToFile(Dir + "/empty.bin");
    std::ifstream F(Dir + "/empty.bin", std::ios::binary);
    ASSERT_TRUE(F.good());
    EXPECT_EQ(F.peek(), EOF);

    L.Add("QUJD");
    L.EncodeFromFile(Dir + "/missing.bin");
    ASSERT_EQ(L.GetCount(), 1);
    EXPECT_EQ(L[0], "QUJD");
    EXPECT_THROW(L.DecodeToFile(Dir + "/no/such/dir/x.bin"), EMIMEFileError);
    std::remove((Dir + "/empty.bin").c_str());
    std::remove(Dir.c_str());
}
