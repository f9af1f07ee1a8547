// Lists of byte strings: the abstract TStrings and the concrete TStringList.
#include "Classes.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include <sys/mman.h>

#include "LineSplitter.h"

namespace {
inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }
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
    ForEachLine(Text, [this](std::string_view Line) { Add(std::string(Line)); });
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
    if (FPackCount > 0) Unpack();
    return FItems[static_cast<size_t>(Index)].Text;
}

std::string_view TStringList::View(int Index) const {
    CheckIndex(Index, GetCount());
    const size_t I = static_cast<size_t>(Index);
    if (I < FItems.size()) return FItems[I].Text;
    return PackedView(I - FItems.size());
}

size_t TStringList::PackChunk::End(size_t Line) const {
    uint32_t E;
    std::memcpy(&E, Data.get() + Capacity - 4 * (Line + 1), 4);
    return E;
}

std::string_view TStringList::PackedView(size_t K) const {
    // The last chunk whose first line is at or before K.
    const auto It = std::upper_bound(FPackChunks.begin(), FPackChunks.end(), K,
                                     [](size_t Line, const PackChunk& C) { return Line < C.FirstLine; });
    const PackChunk& C = *(It - 1);
    const size_t J = K - C.FirstLine;
    const size_t Start = J == 0 ? 0 : C.End(J - 1);
    return std::string_view(C.Data.get() + Start, C.End(J) - Start);
}

namespace {
// Full-size chunks are placed on, and sized to, a huge-page boundary and
// offered to the kernel for huge pages: a long body then costs a few page
// faults instead of one per 4 KB.
constexpr size_t FirstChunk = 256, MaxChunk = 2 << 20;
// Longer lines are not packed (they are rare and gain nothing from it).
constexpr size_t MaxPackedLine = MaxChunk / 2;

char* NewChunk(size_t Capacity) {
    void* P = nullptr;
    if (Capacity == MaxChunk) {
        P = std::aligned_alloc(MaxChunk, MaxChunk);
#ifdef MADV_HUGEPAGE
        if (P) madvise(P, MaxChunk, MADV_HUGEPAGE);
#endif
    } else {
        P = std::malloc(Capacity);
    }
    if (!P) throw std::bad_alloc();
    return static_cast<char*>(P);
}
}  // namespace

void TStringList::FreeChunk::operator()(char* P) const { std::free(P); }

void TStringList::AddPacked(std::string_view S) {
    if (S.size() > MaxPackedLine) {
        if (FPackCount > 0) Unpack();
        FItems.push_back(Item{std::string(S), nullptr});
        return;
    }
    // Chunks grow from small (short lists stay small) to 2 MB.
    const size_t Need = S.size() + 4;
    if (FPackChunks.empty() ||
        FPackChunks.back().Capacity - FPackChunks.back().Size - 4 * FPackChunks.back().Lines < Need) {
        const size_t Grown =
            FPackChunks.empty() ? FirstChunk : std::min(MaxChunk, 2 * FPackChunks.back().Capacity);
        PackChunk C;
        C.Capacity = std::max(Grown, (Need + 3) & ~size_t(3));
        C.Data.reset(NewChunk(C.Capacity));
        C.FirstLine = FPackCount;
        FPackChunks.push_back(std::move(C));
    }
    PackChunk& C = FPackChunks.back();
    if (!S.empty()) std::memcpy(C.Data.get() + C.Size, S.data(), S.size());
    C.Size += S.size();
    const uint32_t E = static_cast<uint32_t>(C.Size);
    std::memcpy(C.Data.get() + C.Capacity - 4 * (C.Lines + 1), &E, 4);
    ++C.Lines;
    ++FPackCount;
}

void TStringList::Unpack() const {
    // Into a new vector, so that the growth copies nothing twice.
    std::vector<Item> All;
    All.reserve(FItems.size() + FPackCount);
    for (Item& I : FItems) All.push_back(std::move(I));
    for (size_t K = 0; K < FPackCount; ++K) All.push_back(Item{std::string(PackedView(K)), nullptr});
    FItems.swap(All);
    std::vector<PackChunk>().swap(FPackChunks);
    FPackCount = 0;
}

void TStringList::Insert(int Index, const std::string& S) { InsertObject(Index, S, nullptr); }

int TStringList::Add(const std::string& S) {
    if (FPackCount > 0) {
        AddPacked(S);
        return GetCount() - 1;
    }
    return AddObject(S, nullptr);
}

int TStringList::Add(std::string&& S) {
    if (FPackCount > 0) {
        AddPacked(S);
        return GetCount() - 1;
    }
    FItems.push_back(Item{std::move(S), nullptr});
    return GetCount() - 1;
}

int TStringList::AddObject(const std::string& S, TObject* Obj) {
    if (FPackCount > 0) Unpack();
    FItems.push_back(Item{S, Obj});
    return GetCount() - 1;
}

void TStringList::InsertObject(int Index, const std::string& S, TObject* Obj) {
    CheckIndex(Index, GetCount() + 1);
    if (FPackCount > 0) Unpack();
    FItems.insert(FItems.begin() + Index, Item{S, Obj});
}

void TStringList::Delete(int Index) {
    CheckIndex(Index, GetCount());
    if (FPackCount > 0) Unpack();
    TObject* Obj = FItems[static_cast<size_t>(Index)].Obj;
    FItems.erase(FItems.begin() + Index);
    if (FOwnsObjects) delete Obj;
}

void TStringList::Put(int Index, const std::string& S) {
    // Replacing the text keeps the line's object.
    CheckIndex(Index, GetCount());
    if (FPackCount > 0) Unpack();
    FItems[static_cast<size_t>(Index)].Text = S;
}

void TStringList::Clear() {
    std::vector<Item> Old;
    Old.swap(FItems);
    std::vector<PackChunk>().swap(FPackChunks);
    FPackCount = 0;
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
    if (FPackCount > 0) Unpack();
    TObject*& Slot = FItems[static_cast<size_t>(Index)].Obj;
    if (FOwnsObjects && Slot != Obj) delete Slot;
    Slot = Obj;
}
