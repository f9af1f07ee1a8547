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

TEST(StringListText, SplitsAtEveryLineEndForm) {
    TStringList L;
    L.SetText("a\r\nb\nc\rd");
    EXPECT_EQ(Lines(L), (std::vector<std::string>{"a", "b", "c", "d"}));
    L.SetText("a\r\n\r\nb\r\n");
    EXPECT_EQ(Lines(L), (std::vector<std::string>{"a", "", "b"}));
    L.SetText("a\n\r");  // LF then a lone CR: two line ends
    EXPECT_EQ(Lines(L), (std::vector<std::string>{"a", ""}));
    L.SetText("\r\n");
    EXPECT_EQ(Lines(L), (std::vector<std::string>{""}));
    L.SetText("");
    EXPECT_EQ(L.Count(), 0);
    // NUL bytes are ordinary bytes of a line.
    L.SetText(std::string("x\0y\r\nz", 6));
    ASSERT_EQ(L.Count(), 2);
    EXPECT_EQ(L[0], std::string("x\0y", 3));
}

// A stream split into pieces anywhere (between the CR and the LF of a line
// end too) gives the lines of the whole text.
TEST(LineSplitter, PiecesGiveTheLinesOfTheWholeText) {
    const std::vector<std::string> Texts = {
        "a\r\nb\nc\rd", "a\r\n\r\nb\r\n", "a\n\r", "\r\n", "\r\r\n\n", "no end", std::string("x\0y\r", 4)};
    for (const std::string& T : Texts) {
        std::vector<std::string> Whole;
        ForEachLine(T, [&](std::string_view L) { Whole.emplace_back(L); });
        TStringList L;
        L.SetText(T);
        EXPECT_EQ(Whole, Lines(L));
        for (size_t Piece = 1; Piece <= T.size(); ++Piece) {
            std::vector<std::string> Got;
            auto Emit = [&](std::string_view Line) { Got.emplace_back(Line); };
            TLineSplitter S;
            for (size_t i = 0; i < T.size(); i += Piece)
                S.Feed(T.data() + i, std::min(Piece, T.size() - i), Emit);
            S.Feed(nullptr, 0, Emit);
            S.Finish(Emit);
            EXPECT_EQ(Got, Whole) << Piece;
        }
    }
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

TEST(StringListText, JoinsWithCRLFAfterEveryLine) {
    TStringList L;
    EXPECT_EQ(L.GetText(), "");
    L.Add("a");
    L.Add("");
    L.Add("b");
    EXPECT_EQ(L.GetText(), "a\r\n\r\nb\r\n");
    TStringList M;
    M.SetText(L.GetText());
    EXPECT_EQ(Lines(M), Lines(L));
}

TEST(StringList, EditingAndSearching) {
    TStringList L;
    EXPECT_EQ(L.Add("one"), 0);
    EXPECT_EQ(L.Add("two"), 1);
    L.Insert(0, "zero");
    L.Insert(3, "three");
    EXPECT_EQ(Lines(L), (std::vector<std::string>{"zero", "one", "two", "three"}));
    L.Put(1, "ONE");
    L.Delete(0);
    EXPECT_EQ(Lines(L), (std::vector<std::string>{"ONE", "two", "three"}));
    EXPECT_EQ(L.IndexOf("one"), 0);  // ASCII case ignored
    EXPECT_EQ(L.IndexOf("four"), -1);
    EXPECT_THROW(L.Get(3), EStringListError);
    EXPECT_THROW(L.Get(-1), EStringListError);
    EXPECT_THROW(L.Insert(5, "x"), EStringListError);
    EXPECT_THROW(L.Delete(3), EStringListError);
    TStringList C;
    C.Add("old");
    C.Assign(L);
    EXPECT_EQ(Lines(C), Lines(L));
    C.AddStrings(C);  // adding a list to itself copies it once
    EXPECT_EQ(C.Count(), 6);
}

TEST(StringList, OwnedObjectsAreReleased) {
    int Live = 0;
    {
        TStringList L(true);
        L.AddObject("a", new Counted(&Live));
        L.AddObject("b", new Counted(&Live));
        L.InsertObject(0, "c", new Counted(&Live));
        EXPECT_EQ(Live, 3);
        L.Delete(0);
        EXPECT_EQ(Live, 2);
        L.PutObject(0, new Counted(&Live));  // replaces and frees the old one
        EXPECT_EQ(Live, 2);
        L.Put(0, "renamed");  // the text changes, the object stays
        EXPECT_NE(L.GetObject(0), nullptr);
    }
    EXPECT_EQ(Live, 0);
    Counted Kept(&Live);
    {
        TStringList L;  // not owning
        L.AddObject("k", &Kept);
        L.Clear();
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
