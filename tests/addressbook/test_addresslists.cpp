// Tests of the address book window's lists: copying, deleting, handing over, reading and saving.
#include <gtest/gtest.h>

#include "AddressLists.h"
#include "TestFiles.h"
#include "cp932.h"

namespace {

TAddressList Rows(std::initializer_list<const char*> Addresses, int Selected = -1) {
    TAddressList L;
    for (const char* A : Addresses) L.Append({std::string("n-") + A, A});
    L.Selected = Selected;
    return L;
}

TEST(AddressBookLists, CopyingNeedsASelectedSourceRowAndKeepsIt) {
    TAddressBookLists B;
    B.Source = Rows({"a@x", "b@x"});
    EXPECT_FALSE(B.IncludeBtnClick());
    B.Source.Selected = 1;
    EXPECT_TRUE(B.IncludeBtnClick());
    EXPECT_TRUE(B.IncludeBtnClick());  // duplicates are allowed
    EXPECT_TRUE(B.SpeedButton1Click());
    EXPECT_EQ(B.Source.JoinedAddresses(), "a@x,b@x");
    EXPECT_EQ(B.To.JoinedAddresses(), "b@x,b@x");
    EXPECT_EQ(B.Cc.Rows, (std::vector<TAddressEntry>{{"n-b@x", "b@x"}}));
}

TEST(AddressBookLists, DeleteSelectsTheRowThatTakesThePlace) {
    struct Case {
        std::initializer_list<const char*> Before;
        int Selected;
        const char* After;
        int NowSelected;
    };
    const Case Cases[] = {
        {{"a", "b", "c"}, 0, "b,c", 0},  // the next row moves up into place
        {{"a", "b", "c"}, 1, "a,c", 1},
        {{"a", "b", "c"}, 2, "a,b", 1},  // the last row: the new last row
        {{"a"}, 0, "", -1},              // the only row: nothing left to select
        {{"a", "b"}, -1, "a,b", -1},     // nothing selected: nothing removed
    };
    for (const Case& C : Cases) {
        TAddressList L = Rows(C.Before, C.Selected);
        EXPECT_EQ(TAddressBookLists::DeleteSelected(L), C.Selected >= 0);
        EXPECT_EQ(L.JoinedAddresses(), C.After);
        EXPECT_EQ(L.Selected, C.NowSelected) << C.After;
    }
}

TEST(AddressBookLists, DeleteButtonWorksOnTheListSelectedLast) {
    TAddressBookLists B;
    B.Source = Rows({"s1", "s2"}, 0);
    B.To = Rows({"t1", "t2"}, 1);
    EXPECT_EQ(B.Button2Click(), nullptr);  // no selection change yet: nothing happens
    B.SelectItem(TAddressBookLists::ToName);
    EXPECT_EQ(B.Button2Click(), &B.To);
    EXPECT_EQ(B.To.JoinedAddresses(), "t1");
    EXPECT_EQ(B.Source.JoinedAddresses(), "s1,s2");
    // Entering a list with rows and none selected selects the first.
    TAddressList Two = Rows({"a", "b"});
    TAddressBookLists::EnterList(Two);
    EXPECT_EQ(Two.Selected, 0);
}

TEST(AddressBookLists, HandOverJoinsAddressesAndKeepsFieldsOfEmptyLists) {
    TAddressBookLists B;
    std::string To = "kept@x", Cc = "old@x";
    B.Cc = Rows({"c1@x", "c2@x"});
    B.OKBtnClick(To, Cc);
    EXPECT_EQ(To + " " + Cc, "kept@x c1@x,c2@x");
    B.To = Rows({"a@x", "", "b@x"});
    B.OKBtnClick(To, Cc);
    EXPECT_EQ(To, "a@x,,b@x");  // only the comma after the last address goes
    B.To = Rows({""});
    B.OKBtnClick(To, Cc);
    EXPECT_EQ(To, "");
}

TEST(AddressBookLists, EntriesNeedAnAddressAndTheSourceRoundTripsThroughTheFile) {
    TTempDir Dir;
    const std::string Path = Dir.Path + "VELNARO.LST";
    TAddressBookLists B;
    B.Source = Rows({"keep@x"}, 0);
    EXPECT_FALSE(B.LoadSource(Path));  // no file: the rows stay
    EXPECT_EQ(B.Source.JoinedAddresses(), "keep@x");

    WriteFileText(Path, SJ("山田,yamada@example.jp,") + "\r\nonly-name,\r\n\r\n");
    ASSERT_TRUE(B.LoadSource(Path));
    EXPECT_EQ(B.Source.Selected, -1);
    EXPECT_FALSE(B.AddEntry(SJ("山田"), ""));
    EXPECT_TRUE(B.AddEntry("", "  "));  // blanks count as an address
    B.To = Rows({"not-saved@x"});
    B.ListSave(Path);
    EXPECT_EQ(ReadFileText(Path), SJ("山田,yamada@example.jp,") + "\r\nonly-name,,\r\n,,\r\n,  ,\r\n");
    TAddressBookLists Again;
    ASSERT_TRUE(Again.LoadSource(Path));
    EXPECT_EQ(Again.Source.Rows, B.Source.Rows);
}

}  // namespace
