// Fuzz target: splitting an address list and cleaning each address, as a reply to all does.
#include <cstddef>
#include <cstdint>
#include <string>

#include "Cleanadd.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string Text(reinterpret_cast<const char*>(Data), Size);
    size_t Total = 0;
    for (const std::string& Item : SplitAddressList(Text)) {
        // Items are trimmed pieces of the text, never empty.
        if (Item.empty() || Item.size() > Size || Text.find(Item) == std::string::npos) __builtin_trap();
        for (char C : {Item.front(), Item.back()})
            if (C == ' ' || C == '\t' || C == '\r' || C == '\n') __builtin_trap();
        Total += Item.size();
        CleanAddress(Item, false);
    }
    if (Total > Size) __builtin_trap();
    return 0;
}
