// Strict UTF-8 validation of byte text.
#include "Utf8.h"

#include <cstddef>

bool IsValidUtf8(std::string_view Bytes) {
    const auto* S = reinterpret_cast<const unsigned char*>(Bytes.data());
    const size_t N = Bytes.size();
    size_t i = 0;
    while (i < N) {
        const unsigned char C = S[i];
        if (C < 0x80) {
            ++i;
            continue;
        }
        size_t Need;
        unsigned char Lo = 0x80, Hi = 0xBF;  // range of the first continuation byte
        if (C >= 0xC2 && C <= 0xDF) {
            Need = 1;
        } else if (C >= 0xE0 && C <= 0xEF) {
            Need = 2;
            if (C == 0xE0)
                Lo = 0xA0;  // no overlong forms
            else if (C == 0xED)
                Hi = 0x9F;  // no surrogates
        } else if (C >= 0xF0 && C <= 0xF4) {
            Need = 3;
            if (C == 0xF0)
                Lo = 0x90;
            else if (C == 0xF4)
                Hi = 0x8F;  // nothing above U+10FFFF
        } else {
            return false;
        }
        if (N - i <= Need) return false;
        if (S[i + 1] < Lo || S[i + 1] > Hi) return false;
        for (size_t k = 2; k <= Need; ++k)
            if (S[i + k] < 0x80 || S[i + k] > 0xBF) return false;
        i += Need + 1;
    }
    return true;
}
