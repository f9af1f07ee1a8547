// Fuzz target: the address clean-up routine.
#include <cstddef>
#include <cstdint>
#include <string>

#include "Cleanadd.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string Text(reinterpret_cast<const char*>(Data), Size);
    const std::string Bare = CleanAddress(Text, false);
    if (Bare.size() > Size) __builtin_trap();
    const std::string Wrapped = CleanAddress(Text, true);
    if (Wrapped != (Bare.empty() ? std::string() : "<" + Bare + ">")) __builtin_trap();
    return 0;
}
