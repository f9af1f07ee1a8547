// Fuzz target: Base64Decode on arbitrary text; output never exceeds three bytes per four input bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "codex.h"
#include "sjisconv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string In(reinterpret_cast<const char*>(Data), Size);
    const std::string Out = Base64Decode(In);
    if (Out.size() > In.size() / 4 * 3 + 2) std::abort();
    return 0;
}
