// Uuencoded blocks inside plain text: counting them, their names, saving one.
#include "UUBlocks.h"

#include "MIMEEncodings.h"
#include "MIMEShared.h"

using namespace mime_detail;

namespace {

// Direct access to the lines of a list: TStringList without copies.
class TLineReader {
public:
    explicit TLineReader(const TStrings& L) : FList(L), FFast(dynamic_cast<const TStringList*>(&L)) {}
    int Count() const { return FList.GetCount(); }
    const std::string& operator[](int i) {
        if (FFast) return FFast->At(i);
        FTemp = FList.Get(i);
        return FTemp;
    }

private:
    const TStrings& FList;
    const TStringList* FFast;
    std::string FTemp;
};

}  // namespace

int UUBlockCount(const TStrings& Lines) {
    enum { None, Begin, Body, End } Phase = None;
    int Count = 0;
    TLineReader R(Lines);
    for (int i = 0; i < R.Count(); ++i) {
        const std::string& L = R[i];
        if ((Phase == None || Phase == End) && IsBeginLineAnyCase(L)) Phase = Begin;
        if (Phase == Begin && TUUxList::IsUULine(L)) Phase = Body;
        if (Phase == Body && IsEndAnyCase(L)) {
            ++Count;
            Phase = End;
        }
    }
    return Phase == End ? Count : 0;
}

std::string UUBlockName(const TStrings& Lines, int N) {
    enum { None, Begin, Body, End } Phase = None;
    int Block = 0;
    std::string Name;
    TLineReader R(Lines);
    for (int i = 0; i < R.Count(); ++i) {
        const std::string& L = R[i];
        if (Phase == None && IsBeginLineAnyCase(L)) {
            Phase = Begin;
            ++Block;
            Name = L.substr(10);
        }
        if (Phase == Begin && TUUxList::IsUULine(L)) Phase = Body;
        if (Phase == Body && IsEndAnyCase(L)) Phase = Block == N ? End : None;
    }
    return Phase == End ? Name : std::string();
}

void UUWriteBlock(const TStrings& Lines, int N, std::ostream& Stream) {
    TOutBuffer Out(Stream);
    int Seen = 0;
    bool On = false;
    TLineReader R(Lines);
    for (int i = 0; i < R.Count(); ++i) {
        const std::string& L = R[i];
        if (On && L == "end") break;
        if (On) {
            if (TUUxList::IsUULine(L)) TUUxList::DecodeUULine(L, Out.Buf());
            Out.Check();
            continue;
        }
        if (IsBeginLineExact(L) && ++Seen == N) On = true;
    }
}

void UUSaveBlock(const TStrings& Lines, int N, const std::string& Path) {
    std::ofstream F = CreateFile(Path);
    UUWriteBlock(Lines, N, F);
    CloseFile(F, Path);
}
