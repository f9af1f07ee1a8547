// ICMP echo packets: the 1,013-byte request with its shared counters, the Internet checksum, reply reading and dotted IPv4 addresses.
#include "Icmphead.h"

#include <ctime>

namespace {

uint16_t NextIdentifier = 1;
uint16_t NextSequence = 1;

uint16_t ReadLE16(const uint8_t* P) { return static_cast<uint16_t>(P[0] | (P[1] << 8)); }

}  // namespace

uint16_t InternetChecksum(const uint8_t* Data, size_t Size) {
    uint64_t Sum = 0;
    size_t I = 0;
    for (; I + 1 < Size; I += 2) Sum += static_cast<uint32_t>((Data[I] << 8) | Data[I + 1]);
    if (I < Size) Sum += static_cast<uint32_t>(Data[I] << 8);
    while (Sum >> 16) Sum = (Sum & 0xFFFF) + (Sum >> 16);
    return static_cast<uint16_t>(~Sum & 0xFFFF);
}

TEchoPacket BuildEchoRequest(uint16_t Identifier, uint16_t Sequence, uint32_t Tick) {
    TEchoPacket P{};
    P[0] = IcmpEchoRequestType;
    P[1] = 0;
    P[4] = static_cast<uint8_t>(Identifier & 0xFF);
    P[5] = static_cast<uint8_t>(Identifier >> 8);
    P[6] = static_cast<uint8_t>(Sequence & 0xFF);
    P[7] = static_cast<uint8_t>(Sequence >> 8);
    P[8] = 0;
    for (int B = 0; B < 4; ++B) P[9 + B] = static_cast<uint8_t>(Tick >> (8 * B));
    for (size_t K = 0; K < IcmpEchoFillerSize; ++K) P[13 + K] = static_cast<uint8_t>(32 + K % 24);
    uint16_t Sum = InternetChecksum(P.data(), P.size());
    P[2] = static_cast<uint8_t>(Sum >> 8);
    P[3] = static_cast<uint8_t>(Sum & 0xFF);
    return P;
}

TEchoPacket NextEchoRequest(uint32_t Tick, uint16_t& Identifier, uint16_t& Sequence) {
    Identifier = NextIdentifier++;
    Sequence = NextSequence++;
    return BuildEchoRequest(Identifier, Sequence, Tick);
}

uint16_t PeekEchoIdentifier() { return NextIdentifier; }
uint16_t PeekEchoSequence() { return NextSequence; }

void SetEchoCounters(uint16_t Identifier, uint16_t Sequence) {
    NextIdentifier = Identifier;
    NextSequence = Sequence;
}

uint32_t TickCount() {
    timespec Ts{};
    clock_gettime(CLOCK_MONOTONIC, &Ts);
    uint64_t Ms = static_cast<uint64_t>(Ts.tv_sec) * 1000u + static_cast<uint64_t>(Ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(Ms);
}

bool ParseIcmpMessage(const uint8_t* Data, size_t Size, TIcmpReply& Reply) {
    Reply = TIcmpReply{};
    if (Data == nullptr || Size < 8) return false;
    Reply.Type = Data[0];
    Reply.Code = Data[1];
    Reply.Identifier = ReadLE16(Data + 4);
    Reply.Sequence = ReadLE16(Data + 6);
    Reply.IcmpSize = Size;
    Reply.ChecksumOk = InternetChecksum(Data, Size) == 0;
    return true;
}

bool ParseIpIcmpPacket(const uint8_t* Data, size_t Size, TIcmpReply& Reply) {
    Reply = TIcmpReply{};
    if (Data == nullptr || Size < 20) return false;
    if ((Data[0] >> 4) != 4) return false;
    size_t HeaderSize = static_cast<size_t>(Data[0] & 0x0F) * 4;
    if (HeaderSize < 20 || HeaderSize > Size) return false;
    if (Data[9] != 1)  // protocol ICMP
        return false;
    uint32_t Source = (static_cast<uint32_t>(Data[12]) << 24) | (static_cast<uint32_t>(Data[13]) << 16) |
                      (static_cast<uint32_t>(Data[14]) << 8) | Data[15];
    if (!ParseIcmpMessage(Data + HeaderSize, Size - HeaderSize, Reply)) return false;
    Reply.Source = Source;
    return true;
}

bool IsEchoReplyTo(const TIcmpReply& Reply, uint16_t Identifier, uint16_t Sequence) {
    return Reply.Type == IcmpEchoReplyType && Reply.Code == 0 && Reply.ChecksumOk &&
           Reply.Identifier == Identifier && Reply.Sequence == Sequence;
}

bool ParseDottedAddress(const std::string& Text, uint32_t& Address) {
    uint32_t Parts[4] = {0, 0, 0, 0};
    int Count = 0;
    size_t I = 0;
    const size_t N = Text.size();
    if (N == 0) return false;
    for (;;) {
        if (Count == 4 || I >= N) return false;
        uint32_t Base = 10;
        if (Text[I] == '0') {
            Base = 8;
            if (I + 1 < N && (Text[I + 1] == 'x' || Text[I + 1] == 'X')) {
                Base = 16;
                I += 2;
                if (I >= N || Text[I] == '.') return false;  // "0x" without digits
            }
        }
        uint64_t Value = 0;
        size_t Digits = 0;
        for (; I < N && Text[I] != '.'; ++I) {
            char C = Text[I];
            uint32_t D;
            if (C >= '0' && C <= '9')
                D = static_cast<uint32_t>(C - '0');
            else if (Base == 16 && C >= 'a' && C <= 'f')
                D = static_cast<uint32_t>(C - 'a' + 10);
            else if (Base == 16 && C >= 'A' && C <= 'F')
                D = static_cast<uint32_t>(C - 'A' + 10);
            else
                return false;
            if (D >= Base) return false;
            Value = Value * Base + D;
            if (Value > 0xFFFFFFFFu) return false;
            ++Digits;
        }
        if (Digits == 0) return false;
        Parts[Count++] = static_cast<uint32_t>(Value);
        if (I >= N) break;
        ++I;  // the "."
    }
    uint32_t Result;
    switch (Count) {
        case 1: Result = Parts[0]; break;
        case 2:
            if (Parts[0] > 0xFF || Parts[1] > 0xFFFFFF) return false;
            Result = (Parts[0] << 24) | Parts[1];
            break;
        case 3:
            if (Parts[0] > 0xFF || Parts[1] > 0xFF || Parts[2] > 0xFFFF) return false;
            Result = (Parts[0] << 24) | (Parts[1] << 16) | Parts[2];
            break;
        default:
            if (Parts[0] > 0xFF || Parts[1] > 0xFF || Parts[2] > 0xFF || Parts[3] > 0xFF) return false;
            Result = (Parts[0] << 24) | (Parts[1] << 16) | (Parts[2] << 8) | Parts[3];
            break;
    }
    if (Result == 0xFFFFFFFFu) return false;
    Address = Result;
    return true;
}

std::string DottedAddress(uint32_t Address) {
    return std::to_string(Address >> 24) + "." + std::to_string((Address >> 16) & 0xFF) + "." +
           std::to_string((Address >> 8) & 0xFF) + "." + std::to_string(Address & 0xFF);
}
