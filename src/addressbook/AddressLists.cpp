// The address book window's lists without widgets: source, To and CC lists, copying, deleting, handing over, reading and saving.
#include "AddressLists.h"

#include "cp932.h"

const char* const TAddressBookLists::SourceName = "ListView1";
const char* const TAddressBookLists::ToName = "ListView2";
const char* const TAddressBookLists::CcName = "ListView3";

void TAddressList::Clear() {
    Rows.clear();
    Selected = -1;
}

std::string TAddressList::JoinedAddresses() const {
    std::string T;
    for (const TAddressEntry& E : Rows) T += E.Address + ',';
    if (!T.empty()) T.pop_back();  // the comma after the last address
    return T;
}

TAddressList* TAddressBookLists::ListNamed(const std::string& Name) {
    if (Name == SourceName) return &Source;
    if (Name == ToName) return &To;
    if (Name == CcName) return &Cc;
    return nullptr;
}

bool TAddressBookLists::CopySelected(TAddressList& Dest) {
    if (Source.Selected < 0 || Source.Selected >= static_cast<int>(Source.Rows.size())) return false;
    Dest.Append(Source.Rows[static_cast<size_t>(Source.Selected)]);
    return true;
}

bool TAddressBookLists::DeleteSelected(TAddressList& List) {
    const int I = List.Selected;
    if (I < 0 || I >= static_cast<int>(List.Rows.size())) return false;
    List.Rows.erase(List.Rows.begin() + I);
    const int Count = static_cast<int>(List.Rows.size());
    List.Selected = Count == 0 ? -1 : (I == Count ? Count - 1 : I);
    return true;
}

TAddressList* TAddressBookLists::Button2Click() {
    TAddressList* List = ListNamed(LastList);
    if (List) DeleteSelected(*List);
    return List;
}

void TAddressBookLists::EnterList(TAddressList& List) {
    if (!List.Rows.empty() && List.Selected < 0) List.Selected = 0;
}

void TAddressBookLists::OKBtnClick(std::string& eTo, std::string& eCC) const {
    if (!To.Rows.empty()) eTo = To.JoinedAddresses();
    if (!Cc.Rows.empty()) eCC = Cc.JoinedAddresses();
}

bool TAddressBookLists::LoadSource(const std::string& Path) {
    std::vector<TAddressEntry> Entries;
    if (!LoadAddressBook(Path, Entries)) return false;
    Source.Rows = std::move(Entries);
    Source.Selected = -1;
    return true;
}

void TAddressBookLists::ListSave(const std::string& Path) const { ::ListSave(Path, Source.Rows); }

bool TAddressBookLists::AddEntry(const std::string& Name, const std::string& Address) {
    if (Address.empty()) return false;
    Source.Append({Name, Address});
    return true;
}

std::string NoAddressBookText() { return SJ("住所録のファイルはありません"); }
std::string AddressMissingText() { return SJ("メールアドレスをいれてください。"); }
