// Fuzz target: JISToSJIS on arbitrary bytes, escapes and shifts in any order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "codex.h"
#include "sjisconv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string In(reinterpret_cast<const char*>(Data), Size);
    const std::string Out = JISToSJIS(In);
    if (Out.size() > In.size() * 2) std::abort();
    return 0;
}
