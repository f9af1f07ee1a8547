// String lists: whole-text splitting and joining, owned objects, index errors.
#include <gtest/gtest.h>

#include "Classes.h"

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
