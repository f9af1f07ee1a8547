// Address clean-up: reduces a display address text to the bare address.
#include "Cleanadd.h"

#include "SysUtils.h"

std::string CleanAddress(const std::string& Text, bool Wrap) {
    // Comment removal. Each round removes the first "(" through the first
    // ")"; what stands before that "(" holds neither bracket, so the next
    // round's first "(" and ")" are the first ones after the removed part.
    // One forward pass therefore gives the result of the repeated rounds.
    std::string R;
    R.reserve(Text.size());
    size_t Pos = 0;
    for (;;) {
        size_t P = Text.find('(', Pos);
        size_t Q = P == std::string::npos ? std::string::npos : Text.find(')', Pos);
        if (P == std::string::npos || Q == std::string::npos || Q < P) break;
        R.append(Text, Pos, P - Pos);
        Pos = Q + 1;
    }
    R.append(Text, Pos, std::string::npos);

    R = Trim(R);

    size_t P = R.find('<');
    size_t Q = R.find('>');
    if (P != std::string::npos && Q != std::string::npos)
        R = Q > P + 1 ? R.substr(P + 1, Q - P - 1) : std::string();

    if (Wrap && !R.empty()) R = "<" + R + ">";
    return R;
}
