// TCrMD5: the MD5 message digest (RFC 1321) over a string, a memory buffer or a file.
#include "CrMD5.h"

#include <algorithm>
#include <cstring>
#include <fstream>

#include "SysUtils.h"

namespace {

inline uint32_t Rotl(uint32_t X, int N) { return (X << N) | (X >> (32 - N)); }

const uint32_t K[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

const int R[64] = {7,  12, 17, 22, 7,  12, 17, 22, 7,  12, 17, 22, 7,  12, 17, 22, 5,  9,  14, 20, 5,  9,
                   14, 20, 5,  9,  14, 20, 5,  9,  14, 20, 4,  11, 16, 23, 4,  11, 16, 23, 4,  11, 16, 23,
                   4,  11, 16, 23, 6,  10, 15, 21, 6,  10, 15, 21, 6,  10, 15, 21, 6,  10, 15, 21};

}  // namespace

void TCrMD5::Reset() {
    State[0] = 0x67452301;
    State[1] = 0xefcdab89;
    State[2] = 0x98badcfe;
    State[3] = 0x10325476;
    FTotal = 0;
    FPendingLen = 0;
}

void TCrMD5::Transform(const unsigned char* P) {
    for (int I = 0; I < 16; ++I)
        Block[I] = uint32_t(P[I * 4]) | (uint32_t(P[I * 4 + 1]) << 8) | (uint32_t(P[I * 4 + 2]) << 16) |
                   (uint32_t(P[I * 4 + 3]) << 24);
    uint32_t A = State[0], B = State[1], C = State[2], D = State[3];
    for (int I = 0; I < 64; ++I) {
        uint32_t F;
        int G;
        if (I < 16) {
            F = (B & C) | (~B & D);
            G = I;
        } else if (I < 32) {
            F = (D & B) | (~D & C);
            G = (5 * I + 1) % 16;
        } else if (I < 48) {
            F = B ^ C ^ D;
            G = (3 * I + 5) % 16;
        } else {
            F = C ^ (B | ~D);
            G = (7 * I) % 16;
        }
        uint32_t T = D;
        D = C;
        C = B;
        B = B + Rotl(A + F + K[I] + Block[G], R[I]);
        A = T;
    }
    State[0] += A;
    State[1] += B;
    State[2] += C;
    State[3] += D;
}

void TCrMD5::Update(const unsigned char* Data, size_t Size) {
    FTotal += Size;
    if (FPendingLen > 0) {
        size_t Take = std::min(Size, 64 - FPendingLen);
        std::memcpy(FPending + FPendingLen, Data, Take);
        FPendingLen += Take;
        Data += Take;
        Size -= Take;
        if (FPendingLen < 64) return;
        Transform(FPending);
        FPendingLen = 0;
    }
    while (Size >= 64) {
        Transform(Data);
        Data += 64;
        Size -= 64;
    }
    if (Size > 0) {
        std::memcpy(FPending, Data, Size);
        FPendingLen = Size;
    }
}

void TCrMD5::Finish(unsigned char* Out) {
    const uint64_t Bits = FTotal * 8;
    unsigned char Pad[72] = {0x80};
    size_t PadLen = (FPendingLen < 56) ? 56 - FPendingLen : 120 - FPendingLen;
    Update(Pad, PadLen);
    unsigned char Len[8];
    for (int I = 0; I < 8; ++I) Len[I] = static_cast<unsigned char>(Bits >> (8 * I));
    Update(Len, 8);
    for (int W = 0; W < 4; ++W)
        for (int I = 0; I < 4; ++I) Out[W * 4 + I] = static_cast<unsigned char>(State[W] >> (8 * I));
}

void TCrMD5::Calculate() {
    Reset();
    switch (InputKind) {
        case ikBuffer:
            if (Buffer && Length > 0) Update(Buffer, static_cast<size_t>(Length));
            break;
        case ikString:
            Length = static_cast<int32_t>(Text.size());
            Update(reinterpret_cast<const unsigned char*>(Text.data()), Text.size());
            break;
        case ikFile: {
            std::ifstream In(FileName, std::ios::binary);
            if (!In) throw Exception("Cannot open " + FileName);
            char Chunk[65536];
            while (In.read(Chunk, sizeof Chunk) || In.gcount() > 0)
                Update(reinterpret_cast<const unsigned char*>(Chunk), static_cast<size_t>(In.gcount()));
            break;
        }
        default: break;
    }
    unsigned char Out[16];
    Finish(Out);
    if (Digest) std::memcpy(Digest, Out, 16);
}

std::string TCrMD5::HexDigest(const std::string& S) {
    TCrMD5 Md5;
    unsigned char Out[16];
    Md5.InputKind = ikString;
    Md5.Text = S;
    Md5.Digest = Out;
    Md5.Calculate();
    return BytesToHexLower(Out, 16);
}

namespace {

std::string RawDigest(const std::string& S) {
    TCrMD5 Md5;
    unsigned char Out[16];
    Md5.InputKind = TCrMD5::ikString;
    Md5.Text = S;
    Md5.Digest = Out;
    Md5.Calculate();
    return std::string(reinterpret_cast<const char*>(Out), 16);
}

}  // namespace

std::string HmacMd5Hex(const std::string& Key, const std::string& Text) {
    // A key longer than the block is replaced by its digest; a shorter one is
    // padded with zero bytes to the 64-byte block.
    std::string K = Key.size() > 64 ? RawDigest(Key) : Key;
    K.resize(64, '\0');
    std::string Inner(64, '\0'), Outer(64, '\0');
    for (size_t I = 0; I < 64; ++I) {
        Inner[I] = static_cast<char>(K[I] ^ 0x36);
        Outer[I] = static_cast<char>(K[I] ^ 0x5c);
    }
    const std::string D = RawDigest(Outer + RawDigest(Inner + Text));
    return BytesToHexLower(reinterpret_cast<const unsigned char*>(D.data()), D.size());
}

std::string BytesToHexLower(const unsigned char* Data, size_t Size) {
    static const char Hex[] = "0123456789abcdef";
    std::string R;
    R.reserve(Size * 2);
    for (size_t I = 0; I < Size; ++I) {
        R += Hex[Data[I] >> 4];
        R += Hex[Data[I] & 15];
    }
    return R;
}
