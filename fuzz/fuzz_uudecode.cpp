// Fuzzes the uuencode routines: block detection, names, decoding and saving.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "MIMEx.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static const std::string Path = [] {
        char Tmpl[] = "/tmp/fuzz-uu-XXXXXX";
        const char* D = mkdtemp(Tmpl);
        if (!D) std::abort();
        return std::string(D) + "/block";
    }();
    const std::string Text(reinterpret_cast<const char*>(Data), Size);
    TUUxList L;
    L.SetText(Text);
    L.HasUUBlock();
    std::ostringstream Out;
    L.DecodeTo(Out);
    const int Blocks = UUBlockCount(L);
    for (int b = 1; b <= Blocks + 1 && b <= 4; ++b) UUBlockName(L, b);
    UUSaveBlock(L, 1, Path);
    for (int i = 0; i < L.GetCount() && i < 256; ++i) {
        std::string Bytes;
        TUUxList::DecodeUULine(L[i], Bytes);
        if (TUUxList::IsUULine(L[i]) &&
            Bytes.size() != static_cast<size_t>((static_cast<unsigned char>(L[i][0]) - 32) & 63))
            std::abort();
    }

    // Encoding any bytes and decoding them gives the same bytes.
    TUUxList E;
    E.FileName = "file.bin";
    E.LineBytes = Size > 0 ? Data[0] % 70 : 0;
    std::istringstream In(Text);
    E.EncodeFrom(In);
    std::ostringstream Back;
    E.DecodeTo(Back);
    if (Back.str() != Text) std::abort();
    return 0;
}
