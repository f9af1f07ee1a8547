// Fuzz target: reading address book file texts.
#include <cstddef>
#include <cstdint>
#include <string>

#include "AddressFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string Text(reinterpret_cast<const char*>(Data), Size);
    const auto Entries = ReadAddressText(Text);
    if (Entries.size() > Size) __builtin_trap();
    // Names and addresses read from a file hold no comma and no line break,
    // so writing them and reading them again gives the same entries.
    if (ReadAddressText(AddressBookText(Entries)) != Entries) __builtin_trap();
    return 0;
}
