// String lists: whole-text splitting and joining, packed lines, index errors; UTF-8 checks.
#include <gtest/gtest.h>

#include <algorithm>

#include "Classes.h"
#include "LineSplitter.h"
#include "Utf8.h"

namespace {
std::vector<std::string> Lines(const TStrings& L) {
    std::vector<std::string> R;
    for (int i = 0; i < L.Count(); ++i) R.push_back(L[i]);
    return R;
}
}  // namespace

// Whole texts and streams split into pieces anywhere (between the CR and the
// LF of a line end too) give the same lines; they join back with CR LF.
TEST(LineSplitter, EveryLineEndFormWholeOrInPieces) {
    using V = std::vector<std::string>;
    const std::pair<std::string, V> Cases[] = {
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"a\n\r", {"a", ""}},  // LF then a lone CR: two line ends
        {"\r\r\n\n", {"", "", ""}},
        {"", {}},
        {std::string("x\0y\r", 4), {std::string("x\0y", 3)}},  // NUL is an ordinary byte
    };
    for (const auto& [T, Want] : Cases) {
        TStringList L;
        L.SetText(T);
        EXPECT_EQ(Lines(L), Want);
        V Whole;
        ForEachLine(T, [&](std::string_view Line) { Whole.emplace_back(Line); });
        EXPECT_EQ(Whole, Want);
        for (size_t Piece = 1; Piece <= T.size(); ++Piece) {
            V Got;
            auto Emit = [&](std::string_view Line) { Got.emplace_back(Line); };
            TLineSplitter S;
            for (size_t i = 0; i < T.size(); i += Piece)
                S.Feed(T.data() + i, std::min(Piece, T.size() - i), Emit);
            S.Feed(nullptr, 0, Emit);
            S.Finish(Emit);
            EXPECT_EQ(Got, Want) << Piece;
        }
        std::string Joined;
        for (const std::string& W : Want) Joined += W + "\r\n";
        EXPECT_EQ(L.GetText(), Joined);
    }
}

TEST(Utf8, StrictValidation) {
    const std::pair<const char*, bool> Cases[] = {
        {"", true},
        {"\xE6\x97\xA5\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", true},  // 日, U+1F600, U+10FFFF
        {"\x93\xFA\x96\x7B", false},                             // 日本 in Shift_JIS
        {"\xC0\xAF", false},                                     // overlong
        {"\xE0\x9F\xBF", false},                                 // overlong three-byte form
        {"\xED\xA0\x80", false},                                 // surrogate
        {"\xF4\x90\x80\x80", false},                             // above U+10FFFF
        {"\xE6\x97", false},                                     // cut short
        {"\xE6\x97\x41", false},                                 // continuation missing
    };
    for (const auto& C : Cases) EXPECT_EQ(IsValidUtf8(C.first), C.second) << C.first;
}

TEST(StringList, IndexErrorsSearchAndAddingAListToItself) {
    TStringList L;
    L.SetText("zero\none\ntwo");
    EXPECT_EQ(L.IndexOf("ONE"), 1);  // ASCII case ignored
    EXPECT_EQ(L.IndexOf("four"), -1);
    EXPECT_THROW(L.Get(3), EStringListError);
    EXPECT_THROW(L.Get(-1), EStringListError);
    EXPECT_THROW(L.Insert(4, "x"), EStringListError);
    EXPECT_THROW(L.Delete(3), EStringListError);
    L.AddStrings(L);  // copies it once
    EXPECT_EQ(Lines(L), (std::vector<std::string>{"zero", "one", "two", "zero", "one", "two"}));
}

// Packed lines read back exactly, in order with ordinary ones, whether through
// View (in place) or after the first At turns them into strings; chunks fill
// and grow (more than 2 MB here), empty and over-long lines included.
TEST(StringList, PackedLinesReadBackAsAdded) {
    std::vector<std::string> Want;
    TStringList L;
    for (int i = 0; i < 40000; ++i) {
        std::string S(i % 1000 ? static_cast<size_t>((i * 37) % 97) : 0, static_cast<char>('A' + i % 26));
        if (i == 20000) S.assign(1500000, 'x');   // longer than any packed line
        i % 7 ? L.AddPacked(S) : void(L.Add(S));  // after packed lines an ordinary add packs too
        Want.push_back(S);
    }
    ASSERT_EQ(L.GetCount(), static_cast<int>(Want.size()));
    for (int i = 0; i < L.GetCount(); ++i) ASSERT_EQ(L.View(i), Want[static_cast<size_t>(i)]) << i;
    EXPECT_THROW(L.View(L.GetCount()), EStringListError);
    EXPECT_EQ(L.At(3), Want[3]);  // now ordinary strings
    EXPECT_EQ(Lines(L), Want);
    L.Clear();
    L.AddPacked("only");
    L.Insert(0, "first");  // any other change turns packed lines into strings first
    L.Put(1, "put");
    EXPECT_EQ(Lines(L), (std::vector<std::string>{"first", "put"}));
}
