// TCrMD5: the MD5 message digest (RFC 1321) over a string, a memory buffer or a file.
#pragma once

#include <cstdint>
#include <string>

// Computes the standard MD5 digest of one input. The caller selects the input
// with InputKind, fills the matching field, points Digest at 16 bytes of its
// own and calls Calculate. The digest is written as the words A, B, C, D, each
// least significant byte first (the usual MD5 byte order).
class TCrMD5 {
public:
    enum : unsigned char { ikFile = 0, ikBuffer = 1, ikString = 2 };

    unsigned char InputKind = ikString;
    const unsigned char* Buffer = nullptr;  // input for ikBuffer, Length bytes
    std::string Text;                       // input for ikString (all its bytes)
    std::string FileName;                   // input for ikFile
    unsigned char* Digest = nullptr;        // 16 bytes, owned by the caller
    int32_t Length = 0;                     // byte count for ikBuffer; set from Text for ikString

    // Resets to the initial state, digests the selected input and writes the
    // 16 bytes to Digest. A file that cannot be read raises Exception.
    void Calculate();

    // The digest of S as 32 lower-case hexadecimal digits.
    static std::string HexDigest(const std::string& S);

private:
    void Reset();
    void Update(const unsigned char* Data, size_t Size);
    void Finish(unsigned char* Out);
    void Transform(const unsigned char* Block64);

    uint32_t Block[16] = {};
    uint32_t State[4] = {};
    uint64_t FTotal = 0;
    unsigned char FPending[64] = {};
    size_t FPendingLen = 0;
};

// HMAC-MD5 (RFC 2104) of Text under Key, as 32 lower-case hexadecimal
// digits; the keyed digest of a CRAM-MD5 sign-in.
std::string HmacMd5Hex(const std::string& Key, const std::string& Text);

// The lower-case hexadecimal text of Size bytes.
std::string BytesToHexLower(const unsigned char* Data, size_t Size);
