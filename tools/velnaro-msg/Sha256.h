// SHA-256 (FIPS 180-4) for the digests velnaro-msg reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class TSha256 {
public:
    // The x86 SHA instructions are used when the processor has them, unless
    // Portable asks for the plain implementation.
    explicit TSha256(bool Portable = false);
    // True when this processor has the SHA instructions.
    static bool HasShaInstructions();
    void Update(const void* Data, size_t Size);
    // The digest as 64 upper-case hexadecimal digits; the object is spent.
    std::string HexDigest();

private:
    void Blocks(const unsigned char* P, size_t Count);
    uint32_t H[8];
    bool UseNI;
    unsigned char Buf[64];
    size_t Used = 0;
    uint64_t Total = 0;
};

// Checks both implementations against the FIPS 180-2 test vectors.
bool Sha256SelfTest();

// Digest of a whole file; false when it cannot be read.
bool Sha256File(const std::string& NativePath, std::string& Hex);
