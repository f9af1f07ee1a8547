// Fuzzes the address routines: results are never longer than their input and
// an angle address is always a part of the text it came from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "BaseMsg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string Text(reinterpret_cast<const char*>(Data), Size);
    const std::string Address = ExtractMailAddress(Text);
    if (Address.size() > Text.size()) std::abort();
    const std::string Angle = ExtractAngleAddr(Text);
    if (Angle != Text && (Angle.size() < 2 || Angle.front() != '<' || Angle.back() != '>' ||
                          Text.find(Angle) == std::string::npos))
        std::abort();
    return 0;
}
