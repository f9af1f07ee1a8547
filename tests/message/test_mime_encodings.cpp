// Transfer encoding lists: base64, quoted-printable, plain and uuencode.
#include <gtest/gtest.h>

#include <sstream>

#include "MIMEx.h"
#include "TestFiles.h"

namespace {

template <class List>
std::string Decoded(const std::vector<std::string>& Lines) {
    List L;
    for (const std::string& S : Lines) L.Add(S);
    std::ostringstream Out;
    L.DecodeTo(Out);
    return Out.str();
}

void Encode(TEncodingList& L, const std::string& Data) {
    std::istringstream In(Data);
    L.EncodeFrom(In);
}

}  // namespace

TEST(Base64List, EncodesSixtyBytesPerLineWithPaddingOnlyAtTheEnd) {
    TBase64List L;
    Encode(L, std::string(61, 'x'));
    ASSERT_EQ(L.GetCount(), 2);
    EXPECT_EQ(L[0].size(), 80u);
    EXPECT_EQ(L[1], "eA==");
    std::ostringstream Out;
    L.DecodeTo(Out);
    EXPECT_EQ(Out.str(), std::string(61, 'x'));
}

// The decoder against a character-by-character reading of the same rules, on
// random lines of alphabet characters, pads, blanks and other bytes, held as
// ordinary and as packed lines: groups split across lines, lines padded by
// themselves and garbage between the characters all decode as one stream.
TEST(Base64List, FastDecodingMatchesTheCharacterRules) {
    const std::string A = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    auto Reference = [&A](const std::vector<std::string>& Lines) {
        std::string Out;
        uint32_t Acc = 0;
        int Count = 0;
        auto Flush = [&](int Bytes) {
            Acc <<= 6 * (4 - Count);
            for (int k = 0; k < Bytes; ++k) Out += static_cast<char>(Acc >> (16 - 8 * k));
            Acc = 0;
            Count = 0;
        };
        for (const std::string& L : Lines)
            for (char c : L) {
                const size_t V = A.find(c);
                if (V != std::string::npos) {
                    Acc = (Acc << 6) | static_cast<uint32_t>(V);
                    if (++Count == 4) Flush(3);
                } else if (c == '=') {
                    Flush(Count - 1 > 0 ? Count - 1 : 0);
                }
            }
        Flush(Count - 1 > 0 ? Count - 1 : 0);
        return Out;
    };
    uint32_t Seed = 12345;
    auto Next = [&Seed](uint32_t N) {
        Seed = Seed * 1103515245u + 12345u;
        return (Seed >> 8) % N;
    };
    for (int Round = 0; Round < 200; ++Round) {
        std::vector<std::string> Lines(Next(20));
        TBase64List Plain, Packed;
        for (std::string& L : Lines) {
            const uint32_t Len = Next(Round % 2 ? 90 : 9);
            for (uint32_t k = 0; k < Len; ++k) {
                const uint32_t R = Next(100);
                L += R < 90 ? A[Next(64)] : R < 94 ? '=' : R < 97 ? ' ' : static_cast<char>(Next(256));
            }
            Plain.Add(L);
            Packed.AddPacked(L);
        }
        const std::string Want = Reference(Lines);
        std::ostringstream P, Q;
        Plain.DecodeTo(P);
        Packed.DecodeTo(Q);
        ASSERT_EQ(P.str(), Want) << Round;
        ASSERT_EQ(Q.str(), Want) << Round;
    }
}

TEST(TextLists, QuotedPrintableSoftBreaksAndPlainLinesWithCrLf) {
    EXPECT_EQ(Decoded<TQuotedPrintableList>(
                  {"a=3Db", "soft=", "joined", "", "ends=3D", "lower=3d", "blanks after soft=  ", "x"}),
              "a=b\r\nsoftjoined\r\n\r\nends=\r\nlower=3d\r\nblanks after softx\r\n");
    const std::string Text = std::string("caf\xe9 = ok \r\n") + std::string(100, 'y') + "\r\n";
    TQuotedPrintableList Back;
    Encode(Back, Text);
    std::ostringstream Out;
    Back.DecodeTo(Out);
    EXPECT_EQ(Out.str(), Text);
    for (int i = 0; i < Back.GetCount(); ++i) EXPECT_LE(Back[i].size(), 76u);
    EXPECT_EQ(Decoded<TPlainList>({"first", "", "  third", ""}), "first\r\n\r\n  third\r\n\r\n");
}

TEST(UUxList, BlocksRoundTripAndShortOrHostileLinesStayInside) {
    for (size_t Len = 57; Len <= 61; ++Len)
        EXPECT_EQ(TUUxList::IsUULine("M" + std::string(Len, 'A')), Len >= 58 && Len <= 60) << Len;
    EXPECT_FALSE(TUUxList::IsUULine("`"));
    std::string Data;
    for (int i = 0; i < 200; ++i) Data += static_cast<char>(i * 7);
    TUUxList L;
    L.FileName = "data.bin";
    L.Mode = "644";
    Encode(L, Data);
    EXPECT_EQ(L[0], "begin 644 data.bin");
    EXPECT_EQ(L[L.GetCount() - 1], "end");
    TUUxList Copy;
    for (int i = 0; i < L.GetCount(); ++i) Copy.Add(L[i]);
    EXPECT_TRUE(Copy.HasUUBlock());
    EXPECT_EQ(Copy.FileName, "data.bin");
    std::ostringstream Out;
    Copy.DecodeTo(Out);
    EXPECT_EQ(Out.str(), Data);
    Copy.Delete(Copy.GetCount() - 1);  // no "end"
    EXPECT_FALSE(Copy.HasUUBlock());

    // "#86)C" is "abc"; dropping its last character reads it as zero. A count
    // far beyond the data is rejected, never read past the line.
    EXPECT_EQ(Decoded<TUUxList>({"begin 600 a.txt", "#86)C", "#86)", "end"}), "abcab@");
    EXPECT_EQ(Decoded<TUUxList>({"begin 600 a.txt", "M86)C", "\x01\x02\x03", "end"}), "");
    std::string Line;
    TUUxList::DecodeUULine("M!", Line);
    EXPECT_EQ(Line.size(), 45u);
}

TEST(EncodingList, FilesEmptyListAndMissingSource) {
    TTempDir Dir;
    TBase64List L;
    L.DecodeToFile(Dir.Path + "empty.bin");
    EXPECT_EQ(Dir.Files(), std::vector<std::string>{"empty.bin"});
    EXPECT_EQ(ReadFileText(Dir.Path + "empty.bin"), "");
    L.Add("QUJD");
    L.EncodeFromFile(Dir.Path + "missing.bin");  // the list stays as it was
    ASSERT_EQ(L.GetCount(), 1);
    EXPECT_EQ(L[0], "QUJD");
    EXPECT_THROW(L.DecodeToFile(Dir.Path + "no/such/dir/x.bin"), EMIMEFileError);
}
