// libFuzzer target: mailto links of arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Mailto.h"

namespace {
void CheckHeader(const std::string& S) {
    for (unsigned char C : S)
        if (C < 0x20 || C == 0x7F) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string Link = "mailto:" + std::string(reinterpret_cast<const char*>(Data), Size);
    TMailtoFields F;
    if (!ParseMailto(Link, F)) std::abort();
    // No control character reaches a header field.
    CheckHeader(F.To);
    CheckHeader(F.CC);
    CheckHeader(F.Subject);
    // Every line break of the body is CR LF, and no other control character stays.
    for (size_t i = 0; i < F.Body.size(); ++i) {
        const unsigned char C = static_cast<unsigned char>(F.Body[i]);
        if (C == '\r' && (i + 1 >= F.Body.size() || F.Body[i + 1] != '\n')) std::abort();
        if (C == '\n' && (i == 0 || F.Body[i - 1] != '\r')) std::abort();
        if (C < 0x20 && C != '\r' && C != '\n' && C != '\t') std::abort();
    }
    // Output stays within a small multiple of the input (addresses gain ", ", line ends gain a CR).
    if (F.To.size() + F.CC.size() + F.Subject.size() + F.Body.size() > 3 * Link.size()) std::abort();
    return 0;
}
