// Fuzz target: unscrambling stored password texts.
#include <cstddef>
#include <cstdint>
#include <string>

#include "Rc4unit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string Stored(reinterpret_cast<const char*>(Data), Size);
    const std::string Password = DecodePassword(PasswordKey, Stored);
    if (Password.size() > PasswordBlockSize || Password.find('\0') != std::string::npos) __builtin_trap();
    // Whatever comes out is stored and read back unchanged.
    const std::string Again = EncodePassword(PasswordKey, Password);
    if (Again.size() != 2 * PasswordBlockSize || DecodePassword(PasswordKey, Again) != Password)
        __builtin_trap();
    // Overlong passwords are cut, never written past the block.
    EncodePassword(PasswordKey, Stored);
    return 0;
}
