// Lists of byte strings: the abstract TStrings and the concrete TStringList.
#include "Classes.h"

namespace {
inline char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}
bool SameTextAscii(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}
}  // namespace

void TStrings::Put(int Index, const std::string& S) {
    Delete(Index);
    Insert(Index, S);
}

int TStrings::Add(const std::string& S) {
    int Index = GetCount();
    Insert(Index, S);
    return Index;
}

void TStrings::Assign(const TStrings& Source) {
    if (&Source == this) return;
    BeginUpdate();
    Clear();
    AddStrings(Source);
    EndUpdate();
}

void TStrings::AddStrings(const TStrings& Source) {
    // The count is read once: adding a list to itself copies it once.
    const int N = Source.GetCount();
    for (int i = 0; i < N; ++i) Add(Source.Get(i));
}

int TStrings::IndexOf(const std::string& S) const {
    const int N = GetCount();
    for (int i = 0; i < N; ++i)
        if (SameTextAscii(Get(i), S)) return i;
    return -1;
}

std::string TStrings::GetText() const {
    const int N = GetCount();
    std::string Result;
    for (int i = 0; i < N; ++i) {
        Result += Get(i);
        Result += "\r\n";
    }
    return Result;
}

void TStrings::SetText(const std::string& Text) {
    BeginUpdate();
    Clear();
    const size_t N = Text.size();
    size_t P = 0;
    while (P < N) {
        size_t Start = P;
        while (P < N && Text[P] != '\r' && Text[P] != '\n') ++P;
        Add(Text.substr(Start, P - Start));
        if (P < N && Text[P] == '\r') ++P;
        if (P < N && Text[P] == '\n') ++P;
    }
    EndUpdate();
}

TStringList::~TStringList() { Clear(); }

void TStringList::CheckIndex(int Index, int Limit) const {
    if (Index < 0 || Index >= Limit)
        throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
}

std::string TStringList::Get(int Index) const { return At(Index); }

const std::string& TStringList::At(int Index) const {
    CheckIndex(Index, GetCount());
    return FItems[static_cast<size_t>(Index)].Text;
}

void TStringList::Insert(int Index, const std::string& S) { InsertObject(Index, S, nullptr); }

int TStringList::Add(const std::string& S) { return AddObject(S, nullptr); }

int TStringList::AddObject(const std::string& S, TObject* Obj) {
    FItems.push_back(Item{S, Obj});
    return GetCount() - 1;
}

void TStringList::InsertObject(int Index, const std::string& S, TObject* Obj) {
    CheckIndex(Index, GetCount() + 1);
    FItems.insert(FItems.begin() + Index, Item{S, Obj});
}

void TStringList::Delete(int Index) {
    CheckIndex(Index, GetCount());
    TObject* Obj = FItems[static_cast<size_t>(Index)].Obj;
    FItems.erase(FItems.begin() + Index);
    if (FOwnsObjects) delete Obj;
}

void TStringList::Put(int Index, const std::string& S) {
    // Replacing the text keeps the line's object.
    CheckIndex(Index, GetCount());
    FItems[static_cast<size_t>(Index)].Text = S;
}

void TStringList::Clear() {
    std::vector<Item> Old;
    Old.swap(FItems);
    if (FOwnsObjects)
        for (Item& I : Old) delete I.Obj;
}

TObject* TStringList::GetObject(int Index) const {
    CheckIndex(Index, GetCount());
    return FItems[static_cast<size_t>(Index)].Obj;
}

void TStringList::PutObject(int Index, TObject* Obj) {
    CheckIndex(Index, GetCount());
    TObject*& Slot = FItems[static_cast<size_t>(Index)].Obj;
    if (FOwnsObjects && Slot != Obj) delete Slot;
    Slot = Obj;
}
