// Fuzz target: QPDecode and Q-word decoding on arbitrary text; output never longer than input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "codex.h"
#include "sjisconv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string In(reinterpret_cast<const char*>(Data), Size);
    if (QPDecode(In).size() > In.size()) std::abort();
    if (DecodeText('Q', In).size() > In.size()) std::abort();
    return 0;
}
