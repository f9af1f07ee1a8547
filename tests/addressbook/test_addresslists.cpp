// Tests of the address book window's lists: deleting, handing over, reading and saving.
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

TEST(AddressBookLists, DeleteSelectsTheRowThatTakesThePlace) {
    const struct {
        std::initializer_list<const char*> Before;
        int Selected;
        const char* After;
        int NowSelected;
    } Cases[] = {
        {{"a", "b", "c"}, 0, "b,c", 0},  // the next row moves up into place
        {{"a", "b", "c"}, 2, "a,b", 1},  // the last row: the new last row
        {{"a"}, 0, "", -1},              // the only row: nothing left to select
        {{"a", "b"}, -1, "a,b", -1},     // nothing selected: nothing removed
    };
    for (const auto& C : Cases) {
        TAddressList L = Rows(C.Before, C.Selected);
        EXPECT_EQ(TAddressBookLists::DeleteSelected(L), C.Selected >= 0);
        EXPECT_EQ(L.JoinedAddresses(), C.After);
        EXPECT_EQ(L.Selected, C.NowSelected) << C.After;
    }
    TAddressBookLists B;  // "削除" before any list was entered does nothing
    B.To = Rows({"t1", "t2"}, 1);
    EXPECT_EQ(B.Button2Click(), nullptr);
    TAddressBookLists::EnterList(B.Cc = Rows({"a", "b"}));  // entering a list selects its first row
    EXPECT_EQ(B.Cc.Selected, 0);
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
}

TEST(AddressBookLists, EntriesNeedAnAddressAndTheSourceRoundTripsThroughTheFile) {
    TTempDir Dir;
    const std::string Path = Dir.Path + "VELNARO.LST";
    TAddressBookLists B;
    B.Source = Rows({"keep@x"}, 0);
    EXPECT_FALSE(B.LoadSource(Path));  // no file: the rows stay
    EXPECT_EQ(B.Source.JoinedAddresses(), "keep@x");
    WriteFileText(Path, SJ("山田,yamada@example.jp,") + "\r\nonly-name,\r\n");
    ASSERT_TRUE(B.LoadSource(Path));
    EXPECT_FALSE(B.AddEntry(SJ("山田"), ""));
    EXPECT_TRUE(B.AddEntry("a\r\nb", "  "));  // blanks count as an address
    B.To = Rows({"not-saved@x"});
    B.ListSave(Path);
    EXPECT_EQ(ReadFileText(Path), SJ("山田,yamada@example.jp,") + "\r\nonly-name,,\r\na  b,  ,\r\n");
    TAddressBookLists Again;
    ASSERT_TRUE(Again.LoadSource(Path));
    EXPECT_EQ(Again.Source.JoinedAddresses(), "yamada@example.jp,,  ");
}

}  // namespace
