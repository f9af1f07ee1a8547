// Scrambling of stored passwords: RC4 over a fixed 256-byte block, written as hexadecimal digits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The key every stored password is scrambled with.
extern const char* const PasswordKey;

// Bytes of the block a password is scrambled in; the stored text has two
// hexadecimal digits per block byte.
constexpr size_t PasswordBlockSize = 256;

// RC4 permutation with its two indices.
struct TRc4State {
    uint8_t S[256];
    uint8_t I;
    uint8_t J;
};

// RC4 key schedule over all 256 state bytes with key byte (i mod key
// length); the indices start at 0. An empty key is taken as the single byte 0.
void Rc4Schedule(const std::string& Key, TRc4State& State);
// XORs Len bytes of Src with the next Len keystream bytes into Dst (Src and
// Dst may be the same). Works on its own copy of State: every call starts at
// the state's position.
void Rc4Crypt(const TRc4State& State, const uint8_t* Src, uint8_t* Dst, size_t Len);

// The stored form of Password: 512 upper-case hexadecimal digits. Only the
// first 256 bytes of a longer password fit the block; the rest is dropped, so
// such a password is stored cut to 256 bytes.
std::string EncodePassword(const std::string& Key, const std::string& Password);
// The password of a stored text: pairs of hexadecimal digits in either case,
// a pair that is not a hexadecimal number read as 0, an unpaired last
// character ignored, at most 256 pairs read (the rest is ignored); the
// password ends before the first zero byte of the unscrambled block.
std::string DecodePassword(const std::string& Key, const std::string& Stored);
