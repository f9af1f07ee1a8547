// Fuzzes the mail date parser and its zone helpers: any text gives a finite
// date in the calendar's range or 0, without exceptions.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "BaseMsg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string Text(reinterpret_cast<const char*>(Data), Size);
    const TDateTime T = ParseMailDate(Text);
    if (!std::isfinite(T) || (T != 0 && (T < -693593.0 || T >= 2958466.0))) std::abort();
    (void)FormatDateTime("yyyy/mm/dd hh:nn:ss", T);

    const TDateTime Z = ZoneToGMT(Text, 45000.0);
    if (!std::isfinite(Z)) std::abort();

    std::string Rest = Text;
    const std::string Token = NextToken(Rest, Size > 0 ? Text.substr(0, 1) : std::string(" "));
    if (Token.size() + Rest.size() > Text.size()) std::abort();
    return 0;
}
