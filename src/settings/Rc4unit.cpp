// Scrambling of stored passwords: RC4 over a fixed 256-byte block, written as hexadecimal digits.
#include "Rc4unit.h"

#include <cstring>

const char* const PasswordKey = "tavoremikulasenopridafuna";

void Rc4Schedule(const std::string& Key, TRc4State& State) {
    const std::string K = Key.empty() ? std::string(1, '\0') : Key;
    for (int i = 0; i < 256; ++i) State.S[i] = static_cast<uint8_t>(i);
    uint8_t J = 0;
    for (size_t i = 0; i < 256; ++i) {
        J = static_cast<uint8_t>(J + State.S[i] + static_cast<uint8_t>(K[i % K.size()]));
        uint8_t T = State.S[i];
        State.S[i] = State.S[J];
        State.S[J] = T;
    }
    State.I = 0;
    State.J = 0;
}

void Rc4Crypt(const TRc4State& State, const uint8_t* Src, uint8_t* Dst, size_t Len) {
    TRc4State W = State;
    for (size_t k = 0; k < Len; ++k) {
        W.I = static_cast<uint8_t>(W.I + 1);
        W.J = static_cast<uint8_t>(W.J + W.S[W.I]);
        uint8_t T = W.S[W.I];
        W.S[W.I] = W.S[W.J];
        W.S[W.J] = T;
        Dst[k] = Src[k] ^ W.S[static_cast<uint8_t>(W.S[W.I] + W.S[W.J])];
    }
}

namespace {

int HexDigit(unsigned char C) {
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    if (C >= 'a' && C <= 'f') return C - 'a' + 10;
    return -1;
}

}  // namespace

std::string EncodePassword(const std::string& Key, const std::string& Password) {
    uint8_t P[PasswordBlockSize] = {};
    std::memcpy(P, Password.data(),
                Password.size() < PasswordBlockSize ? Password.size() : PasswordBlockSize);
    TRc4State State;
    Rc4Schedule(Key, State);
    uint8_t C[PasswordBlockSize];
    Rc4Crypt(State, P, C, PasswordBlockSize);
    static const char Digits[] = "0123456789ABCDEF";
    std::string Out;
    Out.reserve(2 * PasswordBlockSize);
    for (uint8_t B : C) {
        Out += Digits[B >> 4];
        Out += Digits[B & 15];
    }
    return Out;
}

std::string DecodePassword(const std::string& Key, const std::string& Stored) {
    uint8_t C[PasswordBlockSize] = {};
    size_t Pairs = Stored.size() / 2;
    if (Pairs > PasswordBlockSize) Pairs = PasswordBlockSize;
    for (size_t k = 0; k < Pairs; ++k) {
        int Hi = HexDigit(static_cast<unsigned char>(Stored[2 * k]));
        int Lo = HexDigit(static_cast<unsigned char>(Stored[2 * k + 1]));
        C[k] = (Hi < 0 || Lo < 0) ? 0 : static_cast<uint8_t>(Hi * 16 + Lo);
    }
    TRc4State State;
    Rc4Schedule(Key, State);
    uint8_t P[PasswordBlockSize];
    Rc4Crypt(State, C, P, PasswordBlockSize);
    size_t Len = 0;
    while (Len < PasswordBlockSize && P[Len] != 0) ++Len;
    return std::string(reinterpret_cast<const char*>(P), Len);
}
