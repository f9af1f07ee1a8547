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

// The decoder against a character-by-character reading of the same rules, on
// random lines of alphabet characters, pads, blanks and other bytes, held as
// ordinary and as packed lines: groups split across lines, lines padded by
// themselves and garbage between the characters all decode as one stream.
// (Encoding, line lengths and round trips are checked by fuzz_transfer_decoders.)
TEST(Base64List, FastDecodingMatchesTheCharacterRules) {
    const std::string A = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    auto Reference = [&A](const std::vector<std::string>& Lines) {
        std::string Out;
        uint32_t Acc = 0, Count = 0;
        auto Flush = [&] {  // four characters give three bytes, fewer one byte less than their count
            Acc <<= 6 * (4 - Count);
            for (uint32_t k = 0; k + 1 < Count; ++k) Out += static_cast<char>(Acc >> (16 - 8 * k));
            Acc = Count = 0;
        };
        for (const std::string& L : Lines)
            for (char c : L) {
                if (A.find(c) != std::string::npos) {
                    Acc = (Acc << 6) | static_cast<uint32_t>(A.find(c));
                    if (++Count == 4) Flush();
                } else if (c == '=') {
                    Flush();
                }
            }
        Flush();
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
            for (uint32_t k = Next(Round % 2 ? 90 : 9); k > 0; --k) {
                const uint32_t R = Next(100);
                L += R < 90 ? A[Next(64)] : R < 94 ? '=' : R < 97 ? ' ' : static_cast<char>(Next(256));
            }
            Plain.Add(L);
            Packed.AddPacked(L);
        }
        std::ostringstream P, Q;
        Plain.DecodeTo(P);
        Packed.DecodeTo(Q);
        ASSERT_EQ(P.str(), Reference(Lines)) << Round;
        ASSERT_EQ(Q.str(), P.str()) << Round;
    }
}

TEST(TextLists, QuotedPrintableSoftBreaksAndPlainLinesWithCrLf) {
    EXPECT_EQ(Decoded<TQuotedPrintableList>(
                  {"a=3Db", "soft=", "joined", "", "ends=3D", "lower=3d", "blanks after soft=  ", "x"}),
              "a=b\r\nsoftjoined\r\n\r\nends=\r\nlower=3d\r\nblanks after softx\r\n");
    EXPECT_EQ(Decoded<TPlainList>({"first", "", "  third", ""}), "first\r\n\r\n  third\r\n\r\n");
}

TEST(UUxList, BlocksRoundTripAndShortOrHostileLinesStayInside) {
    for (size_t Len = 57; Len <= 61; ++Len)
        EXPECT_EQ(TUUxList::IsUULine("M" + std::string(Len, 'A')), Len >= 58 && Len <= 60) << Len;
    std::string Data;
    for (int i = 0; i < 200; ++i) Data += static_cast<char>(i * 7);
    TUUxList L;
    L.FileName = "data.bin";
    L.Mode = "644";
    Encode(L, Data);
    std::vector<std::string> Lines;
    for (int i = 0; i < L.GetCount(); ++i) Lines.push_back(L[i]);
    EXPECT_EQ(Lines.front() + "|" + Lines.back(), "begin 644 data.bin|end");
    EXPECT_EQ(Decoded<TUUxList>(Lines), Data);
    TUUxList Copy;
    for (const std::string& S : Lines) Copy.Add(S);
    EXPECT_TRUE(Copy.HasUUBlock() && Copy.FileName == "data.bin");
    Copy.Delete(Copy.GetCount() - 1);  // no "end": no block
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
    L.Add("QUJD");
    L.EncodeFromFile(Dir.Path + "missing.bin");  // the list stays as it was
    EXPECT_EQ(L.GetText(), "QUJD\r\n");
    EXPECT_THROW(L.DecodeToFile(Dir.Path + "no/such/dir/x.bin"), EMIMEFileError);
}
