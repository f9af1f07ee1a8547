// Fuzz target: DecodeHeader then JISToSJIS on arbitrary header text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "codex.h"
#include "sjisconv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string In(reinterpret_cast<const char*>(Data), Size);
    (void)JISToSJIS(DecodeHeader(In));
    for (const char* Cs : {"iso-2022-jp", "utf-8", ""}) (void)DecodeWords(In, Cs);
    return 0;
}
