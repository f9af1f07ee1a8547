// SHA-256 (FIPS 180-4) for the digests velnaro-msg reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class TSha256 {
public:
    TSha256();
    void Update(const void* Data, size_t Size);
    // The digest as 64 upper-case hexadecimal digits; the object is spent.
    std::string HexDigest();

private:
    void Block(const unsigned char* P);
    uint32_t H[8];
    unsigned char Buf[64];
    size_t Used = 0;
    uint64_t Total = 0;
};

// Digest of a whole file; false when it cannot be read.
bool Sha256File(const std::string& NativePath, std::string& Hex);
