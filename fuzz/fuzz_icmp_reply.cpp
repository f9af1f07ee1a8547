// Fuzz target for reading ICMP replies (with and without IP header) and dotted IPv4 address texts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Icmphead.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    TIcmpReply R;
    if (ParseIpIcmpPacket(Data, Size, R)) {
        if (R.IcmpSize + 20 > Size || R.IcmpSize < 8) std::abort();
        IsEchoReplyTo(R, R.Identifier, R.Sequence);
    }
    if (ParseIcmpMessage(Data, Size, R) && R.IcmpSize != Size) std::abort();
    InternetChecksum(Data, Size);

    std::string Text(reinterpret_cast<const char*>(Data), Size);
    uint32_t A = 0;
    if (ParseDottedAddress(Text, A)) {
        // A dotted form reads back as the same address.
        uint32_t B = 0;
        if (A == 0xFFFFFFFFu || !ParseDottedAddress(DottedAddress(A), B) || A != B) std::abort();
    }
    return 0;
}
