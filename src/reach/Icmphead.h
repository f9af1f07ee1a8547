// ICMP echo packets: the 1,013-byte request with its shared counters, the Internet checksum, reply reading and dotted IPv4 addresses.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

constexpr uint8_t IcmpEchoReplyType = 0;
constexpr uint8_t IcmpEchoRequestType = 8;
// The echo request the echo component sends: 13 header bytes and 1,000 filler bytes.
constexpr size_t IcmpEchoPacketSize = 1013;
constexpr size_t IcmpEchoFillerSize = 1000;
// The largest datagram read from the raw socket at once.
constexpr size_t IcmpReceiveSize = 1289;

using TEchoPacket = std::array<uint8_t, IcmpEchoPacketSize>;

// RFC 1071 Internet checksum of Size bytes, an odd last byte padded with a
// zero byte. The result is in host order; store it most significant byte first.
// A block that already holds its correct checksum sums to 0.
uint16_t InternetChecksum(const uint8_t* Data, size_t Size);

// The echo request: type 8, code 0, checksum, Identifier and Sequence least
// significant byte first, a 0 byte, Tick least significant byte first, then
// the filler 32 + (k mod 24).
TEchoPacket BuildEchoRequest(uint16_t Identifier, uint16_t Sequence, uint32_t Tick);

// The next echo request from the identifier and sequence counters shared by
// every echo component of the program (both start at 1 and grow by 1 with
// each packet); the values used are returned through Identifier and Sequence.
// Called on the GUI thread only.
TEchoPacket NextEchoRequest(uint32_t Tick, uint16_t& Identifier, uint16_t& Sequence);
// The values the next packet will carry.
uint16_t PeekEchoIdentifier();
uint16_t PeekEchoSequence();
void SetEchoCounters(uint16_t Identifier, uint16_t Sequence);

// Milliseconds since an arbitrary fixed point (system start), wrapping at 2^32.
uint32_t TickCount();

// What a received ICMP message says.
struct TIcmpReply {
    uint32_t Source = 0;  // IPv4 source, host order (0 when not known)
    uint8_t Type = 0;
    uint8_t Code = 0;
    uint16_t Identifier = 0;  // read least significant byte first, as sent
    uint16_t Sequence = 0;    // read least significant byte first, as sent
    size_t IcmpSize = 0;      // bytes of the ICMP message
    bool ChecksumOk = false;
};

// Reads a datagram as a raw ICMP socket delivers it: an IPv4 header, then the
// ICMP message. False for anything that is not a whole IPv4 header with
// protocol ICMP followed by at least the 8-byte ICMP header.
bool ParseIpIcmpPacket(const uint8_t* Data, size_t Size, TIcmpReply& Reply);
// Reads an ICMP message without IP header (as an ICMP datagram socket delivers it).
bool ParseIcmpMessage(const uint8_t* Data, size_t Size, TIcmpReply& Reply);
// True when Reply is an intact echo reply carrying Identifier and Sequence.
bool IsEchoReplyTo(const TIcmpReply& Reply, uint16_t Identifier, uint16_t Sequence);

// An IPv4 address text in the forms inet_addr takes: one to four parts
// separated by ".", each decimal, octal (leading 0) or hexadecimal (0x), the
// last part filling the remaining bytes. Address is in host order. The
// all-ones address 255.255.255.255 is refused, as is anything else.
bool ParseDottedAddress(const std::string& Text, uint32_t& Address);
// "a.b.c.d" of a host-order address.
std::string DottedAddress(uint32_t Address);
