// String lists: whole-text splitting and joining, owned objects, index errors.
#include <gtest/gtest.h>

#include <algorithm>

#include "Classes.h"
#include "LineSplitter.h"
#include "Utf8.h"

namespace {
struct Counted : TObject {
    explicit Counted(int* Live) : Live(Live) { ++*Live; }
    ~Counted() override { --*Live; }
    int* Live;
};

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
        {"\r\n", {""}},
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
        TStringList Back;
        Back.SetText(L.GetText());
        EXPECT_EQ(Lines(Back), Want);
    }
    TStringList L;
    L.SetText("a\n\nb");
    EXPECT_EQ(L.GetText(), "a\r\n\r\nb\r\n");
}

TEST(Utf8, StrictValidation) {
    const std::pair<const char*, bool> Cases[] = {
        {"", true},
        {"plain ascii\r\n", true},
        {"\xE6\x97\xA5\xE6\x9C\xAC", true},          // 日本
        {"\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", true},  // U+1F600, U+10FFFF
        {"\x93\xFA\x96\x7B", false},                 // 日本 in Shift_JIS
        {"\xC0\xAF", false},                         // overlong
        {"\xE0\x9F\xBF", false},                     // overlong three-byte form
        {"\xED\xA0\x80", false},                     // surrogate
        {"\xF4\x90\x80\x80", false},                 // above U+10FFFF
        {"\xE6\x97", false},                         // cut short
        {"\xE6\x97\x41", false},                     // continuation missing
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

TEST(StringList, OwnedObjectsAreReleased) {
    int Live = 0;
    Counted Kept(&Live);
    {
        TStringList L(true), NotOwning;
        L.AddObject("a", new Counted(&Live));
        L.InsertObject(0, "c", new Counted(&Live));
        L.Delete(0);
        L.PutObject(0, new Counted(&Live));  // replaces and frees the old one
        L.Put(0, "renamed");                 // the text changes, the object stays
        EXPECT_EQ(Live, 2);
        NotOwning.AddObject("k", &Kept);
        NotOwning.Clear();
    }
    EXPECT_EQ(Live, 1);
}

// Packed lines read back exactly, in order with ordinary ones, whether through
// View (in place) or after the first At turns them into strings; chunks fill
// and grow (more than 2 MB here), empty and over-long lines included.
TEST(StringList, PackedLinesReadBackAsAdded) {
    std::vector<std::string> Want = {"head"};
    TStringList L;
    L.Add("head");
    for (int i = 0; i < 40000; ++i) {
        std::string S(static_cast<size_t>((i * 37) % 97), static_cast<char>('A' + i % 26));
        if (i % 1000 == 0) S.clear();
        if (i == 20000) S.assign(1500000, 'x');  // longer than any packed line
        if (i % 7 == 0) {
            L.Add(S);  // after packed lines an ordinary add packs too
        } else {
            L.AddPacked(S);
        }
        Want.push_back(S);
    }
    ASSERT_EQ(L.GetCount(), static_cast<int>(Want.size()));
    for (int i = 0; i < L.GetCount(); ++i) ASSERT_EQ(L.View(i), Want[static_cast<size_t>(i)]) << i;
    EXPECT_EQ(L.GetObject(5), nullptr);
    EXPECT_THROW(L.View(L.GetCount()), EStringListError);
    EXPECT_EQ(L.At(3), Want[3]);  // now ordinary strings
    EXPECT_EQ(Lines(L), Want);
    L.Delete(0);
    L.AddPacked("tail");
    L.Insert(1, "second");  // any other change turns packed lines into strings first
    Want.erase(Want.begin());
    Want.push_back("tail");
    Want.insert(Want.begin() + 1, "second");
    EXPECT_EQ(Lines(L), Want);
    L.Clear();
    L.AddPacked("only");
    L.Put(0, "put");
    EXPECT_EQ(Lines(L), std::vector<std::string>{"put"});
}
