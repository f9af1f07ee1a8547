// libFuzzer target: code page 932 to Unicode and back on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cp932.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string Bytes(reinterpret_cast<const char*>(Data), Size);
    const std::u16string U16 = Cp932ToUtf16(Bytes);
    const std::string U8 = Cp932ToUtf8(Bytes);
    if (U16.size() > Bytes.size() || U8.size() > 3 * Bytes.size()) std::abort();
    const std::string Back16 = Utf16ToCp932(U16);
    const std::string Back8 = Utf8ToCp932(U8);
    if (Back16 != Back8) std::abort();
    // Encoding gives text in the preferred codes, with "?" for each U+FFFD:
    // it decodes to the same characters and encodes to itself again.
    const std::u16string Again = Cp932ToUtf16(Back16);
    if (Utf16ToCp932(Again) != Back16) std::abort();
    if (U16.find(u'\uFFFD') == std::u16string::npos && Again != U16) std::abort();
    // Arbitrary bytes read as UTF-8 and as UTF-16 code units must not upset the encoders.
    Utf8ToCp932(Bytes);
    std::u16string Units;
    for (size_t i = 0; i + 1 < Size; i += 2) Units += static_cast<char16_t>(Data[i] | Data[i + 1] << 8);
    const std::string FromUnits = Utf16ToCp932(Units);
    if (FromUnits.size() > 2 * Units.size()) std::abort();
    SJ(Bytes.c_str());
    return 0;
}
