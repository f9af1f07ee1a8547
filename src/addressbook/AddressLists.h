// The address book window's lists without widgets: source, To and CC lists, copying, deleting, handing over, reading and saving.
#pragma once

#include <string>
#include <vector>

#include "AddressFile.h"

// One list of the window: its rows in order and the selected row (-1: none).
// The window shows Rows and keeps Selected in step with its list widget.
struct TAddressList {
    std::vector<TAddressEntry> Rows;
    int Selected = -1;

    // Appends a row (selection unchanged).
    void Append(const TAddressEntry& Entry) { Rows.push_back(Entry); }
    // Removes every row.
    void Clear();
    // The addresses of all rows joined by "," (no blanks, no comma at the end);
    // the names are not used.
    std::string JoinedAddresses() const;
};

// The state of the address book window: the three lists and the name of the
// list whose selection changed last. Handlers keep the names of the window's.
class TAddressBookLists {
public:
    // Names of the lists; LastList holds one of them, or is empty until the
    // first selection change.
    static const char* const SourceName;  // "ListView1"
    static const char* const ToName;      // "ListView2"
    static const char* const CcName;      // "ListView3"

    TAddressList Source;  // the address book itself
    TAddressList To;
    TAddressList Cc;
    std::string LastList;

    // The list called Name, or null for an unknown name.
    TAddressList* ListNamed(const std::string& Name);

    // A row's selection changed in list Name (selected or unselected alike).
    void SelectItem(const std::string& Name) { LastList = Name; }

    // Copies the selected source row to the To list (IncludeBtnClick, a double
    // click or Enter in the source list) or the CC list (SpeedButton1Click).
    // False when no source row is selected.
    bool IncludeBtnClick() { return CopySelected(To); }
    bool SpeedButton1Click() { return CopySelected(Cc); }
    // Empty the To list (HelpBtnClick) and the CC list (Button3Click).
    void HelpBtnClick() { To.Clear(); }
    void Button3Click() { Cc.Clear(); }

    // Removes the selected row of List. The row now at the same index, or the
    // last row when the removed one was last, becomes selected; nothing is
    // selected when the list is empty. False when no row was selected.
    static bool DeleteSelected(TAddressList& List);
    // Delete (Button2Click) on the list named by LastList; null when nothing
    // happens (LastList empty), else the list, which then gets the focus.
    TAddressList* Button2Click();

    // Entering a list: with rows and none selected, the first row is selected.
    static void EnterList(TAddressList& List);

    // "戻る" (OKBtnClick): eTo becomes the To list's addresses joined by ","
    // when that list has rows and keeps its text otherwise; the same for eCC.
    void OKBtnClick(std::string& eTo, std::string& eCC) const;

    // The main window's "アドレス帳(&A)": the source list is replaced by the
    // entries of the file at Path (nothing selected). False when there is no
    // file; the source list then keeps its rows and the caller shows
    // "住所録のファイルはありません".
    bool LoadSource(const std::string& Path);
    // "保存" (ListSave): the source list replaces the file at Path, written
    // beside it and renamed over it; EInOutError when that fails, and the old
    // file is then whole.
    void ListSave(const std::string& Path) const;

    // The entry dialog's "OK" and "継続（追加）": appends (Name, Address) to the
    // source list. False, and nothing appended, when Address is empty (the
    // dialog then shows "メールアドレスをいれてください。"). Neither text is
    // trimmed, so an address of blanks is appended as it is.
    bool AddEntry(const std::string& Name, const std::string& Address);

private:
    bool CopySelected(TAddressList& Dest);
};

// The texts of the address book windows (Shift_JIS).
std::string NoAddressBookText();   // "住所録のファイルはありません"
std::string AddressMissingText();  // "メールアドレスをいれてください。"
