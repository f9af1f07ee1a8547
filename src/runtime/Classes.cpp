// Lists of byte strings: the abstract TStrings and the concrete TStringList.
#include "Classes.h"

#include <algorithm>
#include <cstring>

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
    if (!FPackEnds.empty()) Unpack();
    return FItems[static_cast<size_t>(Index)].Text;
}

std::string_view TStringList::View(int Index) const {
    CheckIndex(Index, GetCount());
    const size_t I = static_cast<size_t>(Index);
    if (I < FItems.size()) return FItems[I].Text;
    return PackedView(I - FItems.size());
}

std::string_view TStringList::PackedView(size_t K) const {
    // The last chunk whose first line is at or before K.
    const auto It = std::upper_bound(FPackChunks.begin(), FPackChunks.end(), K,
                                     [](size_t Line, const PackChunk& C) { return Line < C.FirstLine; });
    const PackChunk& C = *(It - 1);
    const size_t Start = K == C.FirstLine ? 0 : FPackEnds[K - 1];
    return std::string_view(C.Data.get() + Start, FPackEnds[K] - Start);
}

void TStringList::AddPacked(std::string_view S) {
    // Chunks grow from small (short lists stay small) to 1 MB; a longer line
    // gets a chunk of its own size.
    constexpr size_t FirstChunk = 256, MaxChunk = 1 << 20;
    if (FPackChunks.empty() || FPackChunks.back().Capacity - FPackChunks.back().Size < S.size()) {
        const size_t Grown = FPackChunks.empty() ? FirstChunk : std::min(MaxChunk, 2 * FPackChunks.back().Capacity);
        PackChunk C;
        C.Capacity = std::max(Grown, S.size());
        C.Data.reset(new char[C.Capacity]);
        C.FirstLine = FPackEnds.size();
        FPackChunks.push_back(std::move(C));
    }
    PackChunk& C = FPackChunks.back();
    if (!S.empty()) std::memcpy(C.Data.get() + C.Size, S.data(), S.size());
    C.Size += S.size();
    FPackEnds.push_back(C.Size);
}

void TStringList::Unpack() const {
    // Into a new vector, so that the growth copies nothing twice.
    std::vector<Item> All;
    All.reserve(FItems.size() + FPackEnds.size());
    for (Item& I : FItems) All.push_back(std::move(I));
    for (size_t K = 0; K < FPackEnds.size(); ++K) All.push_back(Item{std::string(PackedView(K)), nullptr});
    FItems.swap(All);
    std::vector<PackChunk>().swap(FPackChunks);
    std::vector<size_t>().swap(FPackEnds);
}

void TStringList::Insert(int Index, const std::string& S) { InsertObject(Index, S, nullptr); }

int TStringList::Add(const std::string& S) {
    if (!FPackEnds.empty()) {
        AddPacked(S);
        return GetCount() - 1;
    }
    return AddObject(S, nullptr);
}

int TStringList::Add(std::string&& S) {
    if (!FPackEnds.empty()) {
        AddPacked(S);
        return GetCount() - 1;
    }
    FItems.push_back(Item{std::move(S), nullptr});
    return GetCount() - 1;
}

int TStringList::AddObject(const std::string& S, TObject* Obj) {
    if (!FPackEnds.empty()) Unpack();
    FItems.push_back(Item{S, Obj});
    return GetCount() - 1;
}

void TStringList::InsertObject(int Index, const std::string& S, TObject* Obj) {
    CheckIndex(Index, GetCount() + 1);
    if (!FPackEnds.empty()) Unpack();
    FItems.insert(FItems.begin() + Index, Item{S, Obj});
}

void TStringList::Delete(int Index) {
    CheckIndex(Index, GetCount());
    if (!FPackEnds.empty()) Unpack();
    TObject* Obj = FItems[static_cast<size_t>(Index)].Obj;
    FItems.erase(FItems.begin() + Index);
    if (FOwnsObjects) delete Obj;
}

void TStringList::Put(int Index, const std::string& S) {
    // Replacing the text keeps the line's object.
    CheckIndex(Index, GetCount());
    if (!FPackEnds.empty()) Unpack();
    FItems[static_cast<size_t>(Index)].Text = S;
}

void TStringList::Clear() {
    std::vector<Item> Old;
    Old.swap(FItems);
    std::vector<PackChunk>().swap(FPackChunks);
    std::vector<size_t>().swap(FPackEnds);
    if (FOwnsObjects)
        for (Item& I : Old) delete I.Obj;
}

TObject* TStringList::GetObject(int Index) const {
    CheckIndex(Index, GetCount());
    if (static_cast<size_t>(Index) >= FItems.size()) return nullptr;  // packed lines carry none
    return FItems[static_cast<size_t>(Index)].Obj;
}

void TStringList::PutObject(int Index, TObject* Obj) {
    CheckIndex(Index, GetCount());
    if (!FPackEnds.empty()) Unpack();
    TObject*& Slot = FItems[static_cast<size_t>(Index)].Obj;
    if (FOwnsObjects && Slot != Obj) delete Slot;
    Slot = Obj;
}
