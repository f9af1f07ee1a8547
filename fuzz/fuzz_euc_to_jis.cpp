// Fuzz target: EUCToJIS on arbitrary bytes; the result is 7-bit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "codex.h"
#include "sjisconv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string In(reinterpret_cast<const char*>(Data), Size);
    const std::string Jis = EUCToJIS(In);
    for (unsigned char c : Jis)
        if (c >= 0x80) std::abort();
    (void)JISToSJIS(Jis);
    return 0;
}
