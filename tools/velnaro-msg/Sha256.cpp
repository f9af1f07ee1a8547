// SHA-256 (FIPS 180-4): 64-byte blocks, big-endian words, length padding.
#include "Sha256.h"

#include <cstdio>
#include <cstring>

namespace {

const uint32_t K[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

inline uint32_t Rotr(uint32_t X, int N) { return (X >> N) | (X << (32 - N)); }

}  // namespace

TSha256::TSha256()
    : H{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19} {}

void TSha256::Block(const unsigned char* P) {
    uint32_t W[64];
    for (int t = 0; t < 16; ++t)
        W[t] = uint32_t(P[4 * t]) << 24 | uint32_t(P[4 * t + 1]) << 16 | uint32_t(P[4 * t + 2]) << 8 | P[4 * t + 3];
    for (int t = 16; t < 64; ++t) {
        const uint32_t S0 = Rotr(W[t - 15], 7) ^ Rotr(W[t - 15], 18) ^ (W[t - 15] >> 3);
        const uint32_t S1 = Rotr(W[t - 2], 17) ^ Rotr(W[t - 2], 19) ^ (W[t - 2] >> 10);
        W[t] = W[t - 16] + S0 + W[t - 7] + S1;
    }
    uint32_t a = H[0], b = H[1], c = H[2], d = H[3], e = H[4], f = H[5], g = H[6], h = H[7];
    for (int t = 0; t < 64; ++t) {
        const uint32_t T1 = h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + K[t] + W[t];
        const uint32_t T2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
        h = g;
        g = f;
        f = e;
        e = d + T1;
        d = c;
        c = b;
        b = a;
        a = T1 + T2;
    }
    H[0] += a; H[1] += b; H[2] += c; H[3] += d;
    H[4] += e; H[5] += f; H[6] += g; H[7] += h;
}

void TSha256::Update(const void* Data, size_t Size) {
    const unsigned char* P = static_cast<const unsigned char*>(Data);
    Total += Size;
    if (Used > 0) {
        const size_t Take = Size < 64 - Used ? Size : 64 - Used;
        std::memcpy(Buf + Used, P, Take);
        Used += Take;
        P += Take;
        Size -= Take;
        if (Used < 64) return;
        Block(Buf);
        Used = 0;
    }
    for (; Size >= 64; P += 64, Size -= 64) Block(P);
    std::memcpy(Buf, P, Size);
    Used = Size;
}

std::string TSha256::HexDigest() {
    const uint64_t Bits = Total * 8;
    const unsigned char Pad = 0x80;
    Update(&Pad, 1);
    const unsigned char Zero[64] = {};
    Update(Zero, Used <= 56 ? 56 - Used : 120 - Used);
    unsigned char Len[8];
    for (int i = 0; i < 8; ++i) Len[i] = static_cast<unsigned char>(Bits >> (56 - 8 * i));
    Update(Len, 8);
    static const char Digits[] = "0123456789ABCDEF";
    std::string Hex;
    for (uint32_t W : H)
        for (int s = 28; s >= 0; s -= 4) Hex += Digits[(W >> s) & 15];
    return Hex;
}

bool Sha256File(const std::string& NativePath, std::string& Hex) {
    std::FILE* F = std::fopen(NativePath.c_str(), "rb");
    if (!F) return false;
    TSha256 S;
    static unsigned char Buf[1 << 16];
    size_t N;
    while ((N = std::fread(Buf, 1, sizeof Buf, F)) > 0) S.Update(Buf, N);
    const bool Ok = !std::ferror(F);
    std::fclose(F);
    if (Ok) Hex = S.HexDigest();
    return Ok;
}
