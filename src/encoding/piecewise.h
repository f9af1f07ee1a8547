// Feeding a text to a converter in pieces (internal to the encoding library).
#pragma once

#include <cstddef>
#include <string>

namespace piecewise {

inline const unsigned char* Bytes(const std::string& S) {
    return reinterpret_cast<const unsigned char*>(S.data());
}

// Feeds a piece to a converter Conv(Bytes, Size, Final) that returns how many
// bytes it used: bytes held back from the previous piece go first; whatever
// the converter cannot decide yet is held back again.
template <typename Convert>
void Feed(std::string& Held, const char* Data, size_t Size, Convert Conv) {
    if (Held.empty()) {
        size_t Used = Conv(reinterpret_cast<const unsigned char*>(Data), Size, false);
        Held.assign(Data + Used, Size - Used);
    } else {
        Held.append(Data, Size);
        size_t Used = Conv(Bytes(Held), Held.size(), false);
        Held.erase(0, Used);
    }
}

}  // namespace piecewise
