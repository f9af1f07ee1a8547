// SHA-256 (FIPS 180-4): 64-byte blocks, big-endian words, length padding.
#include "Sha256.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define VELNARO_SHA_NI 1
#endif

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

void BlockPortable(uint32_t* H, const unsigned char* P) {
    uint32_t W[64];
    for (int t = 0; t < 16; ++t)
        W[t] = uint32_t(P[4 * t]) << 24 | uint32_t(P[4 * t + 1]) << 16 | uint32_t(P[4 * t + 2]) << 8 |
               P[4 * t + 3];
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
    H[0] += a;
    H[1] += b;
    H[2] += c;
    H[3] += d;
    H[4] += e;
    H[5] += f;
    H[6] += g;
    H[7] += h;
}

#ifdef VELNARO_SHA_NI
// The same rounds with the SHA extensions: four rounds per group, the state
// held as ABEF and CDGH, the message schedule in four rotating registers.
__attribute__((target("sha,sse4.1,ssse3"))) void BlocksNI(uint32_t* H, const unsigned char* P, size_t Count) {
    const __m128i Mask = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    __m128i Tmp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&H[0]));
    __m128i State1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&H[4]));
    Tmp = _mm_shuffle_epi32(Tmp, 0xB1);                // CDAB
    State1 = _mm_shuffle_epi32(State1, 0x1B);          // EFGH
    __m128i State0 = _mm_alignr_epi8(Tmp, State1, 8);  // ABEF
    State1 = _mm_blend_epi16(State1, Tmp, 0xF0);       // CDGH
    for (; Count > 0; --Count, P += 64) {
        const __m128i Abef = State0, Cdgh = State1;
        __m128i M[4];
        for (int g = 0; g < 16; ++g) {
            if (g < 4)
                M[g] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(P + 16 * g)), Mask);
            __m128i Msg =
                _mm_add_epi32(M[g & 3], _mm_loadu_si128(reinterpret_cast<const __m128i*>(&K[4 * g])));
            State1 = _mm_sha256rnds2_epu32(State1, State0, Msg);
            if (g >= 3 && g <= 14) {
                const int Next = (g + 1) & 3;
                M[Next] = _mm_add_epi32(M[Next], _mm_alignr_epi8(M[g & 3], M[(g + 3) & 3], 4));
                M[Next] = _mm_sha256msg2_epu32(M[Next], M[g & 3]);
            }
            Msg = _mm_shuffle_epi32(Msg, 0x0E);
            State0 = _mm_sha256rnds2_epu32(State0, State1, Msg);
            if (g >= 1 && g <= 12) M[(g + 3) & 3] = _mm_sha256msg1_epu32(M[(g + 3) & 3], M[g & 3]);
        }
        State0 = _mm_add_epi32(State0, Abef);
        State1 = _mm_add_epi32(State1, Cdgh);
    }
    Tmp = _mm_shuffle_epi32(State0, 0x1B);        // FEBA
    State1 = _mm_shuffle_epi32(State1, 0xB1);     // DCHG
    State0 = _mm_blend_epi16(Tmp, State1, 0xF0);  // DCBA
    State1 = _mm_alignr_epi8(State1, Tmp, 8);     // ABEF
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&H[0]), State0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&H[4]), State1);
}
#endif

}  // namespace

bool TSha256::HasShaInstructions() {
#ifdef VELNARO_SHA_NI
    static const bool Has = [] {
        unsigned a, b, c, d;
        if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_SSE4_1) || !(c & bit_SSSE3)) return false;
        if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
        return (b & (1u << 29)) != 0;  // SHA
    }();
    return Has;
#else
    return false;
#endif
}

TSha256::TSha256(bool Portable)
    : H{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19},
      UseNI(!Portable && HasShaInstructions()) {}

void TSha256::Blocks(const unsigned char* P, size_t Count) {
#ifdef VELNARO_SHA_NI
    if (UseNI) return BlocksNI(H, P, Count);
#endif
    for (; Count > 0; --Count, P += 64) BlockPortable(H, P);
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
        Blocks(Buf, 1);
        Used = 0;
    }
    Blocks(P, Size / 64);
    P += Size / 64 * 64;
    Size %= 64;
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

bool Sha256SelfTest() {
    struct Vector {
        std::string Text;
        const char* Digest;
    };
    const Vector Vectors[] = {
        {"abc", "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248D6A61D20638B8E5C026930C3E6039A33CE45964FF2167F6ECEDD419DB06C1"},
        {std::string(1000000, 'a'), "CDC76E5C9914FB9281A1C7E284D73E67F1809A48A497200E046D39CCC7112CD0"},
        {"", "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855"},
    };
    for (int Portable = 0; Portable < 2; ++Portable) {
        for (const Vector& V : Vectors) {
            TSha256 Whole(Portable != 0);
            Whole.Update(V.Text.data(), V.Text.size());
            if (Whole.HexDigest() != V.Digest) return false;
            // The same bytes in uneven pieces.
            TSha256 Pieces(Portable != 0);
            for (size_t i = 0, Step = 1; i < V.Text.size(); i += Step, Step = Step * 3 % 97 + 1)
                Pieces.Update(V.Text.data() + i, std::min(Step, V.Text.size() - i));
            if (Pieces.HexDigest() != V.Digest) return false;
        }
    }
    return true;
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
