// Fuzz target: EncodeHeader of SJISToJIS output and of raw bytes; words decode back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "codex.h"
#include "sjisconv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string In(reinterpret_cast<const char*>(Data), Size);
    const std::string Jis = SJISToJIS(In);
    const std::string Enc = EncodeHeader(Jis);
    (void)EncodeHeader(In);
    // Without encoded-word markers of its own, the text decodes back exactly.
    // The markers count in the converted text: a byte with no JIS code
    // becomes "?", which can make one next to an "=".
    if (Jis.find("=?") == std::string::npos && Jis.find("?=") == std::string::npos &&
        JISToSJIS(DecodeHeader(Enc)) != JISToSJIS(Jis))
        std::abort();
    return 0;
}
