// libFuzzer target: UTF-8 to Shift_JIS on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "uni2sj.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string Text(reinterpret_cast<const char*>(Data), Size);
    const std::string Out = UTF8ToSJIS(Text);
    // A character never gives more bytes than it takes.
    if (Out.size() > Text.size()) std::abort();
    // Walking by index gives the same text and takes every byte exactly once.
    std::string Walked;
    size_t Pos = 0;
    while (Pos < Text.size()) {
        const size_t Step = UTF8CharToSJISAt(Text, Pos, Walked);
        if (Step == 0 || Step > Text.size() - Pos) std::abort();
        Pos += Step;
    }
    if (Walked != Out) std::abort();
    if (!Text.empty()) {
        int Length = 0;
        UTF8CharToSJIS(Text, Length);
        if (Length < 1 || static_cast<size_t>(Length) > Text.size()) std::abort();
    }
    return 0;
}
