// Conversion between JIS (ISO-2022-JP), Shift_JIS and EUC-JP, with half-width katakana.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class TStrings;

// Row/cell transformation of a JIS X 0208 code (first byte high) to Shift_JIS.
uint16_t JISCharToSJIS(uint16_t Code);
// Shift_JIS code to JIS X 0208, each byte of the result masked to 7 bits.
uint16_t SJISCharToJIS(uint16_t Code);
// The first two bytes of Text as Shift_JIS when both lie in 0x21-0x7F;
// otherwise those bytes (or the whole of a shorter text) unchanged.
std::string JISPairToSJIS(const std::string& Text);
// Lead and trail as JIS when they form a Shift_JIS pair; otherwise unchanged.
std::string SJISPairToJIS(unsigned char Lead, unsigned char Trail);

inline bool IsSJISLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
inline bool IsSJISTrail(unsigned char c) { return c >= 0x40 && c <= 0xFC; }
inline bool IsHankakuKana(unsigned char c) { return c >= 0xA1 && c <= 0xDF; }

// The full-width Shift_JIS character for the half-width katakana byte that
// starts Text (0xA1-0xDF); other or missing bytes give an empty string.
std::string HankakuToZenkaku(const std::string& Text);

// A 16-bit code as two bytes, high byte first, and back.
std::string CodeToStr(uint16_t Code);
uint16_t StrToCode(const std::string& Text);

std::string SJISToJIS(const std::string& Text);
std::string EUCToJIS(const std::string& Text);
std::string JISToSJIS(const std::string& Text);

// Incremental forms of the three converters: Feed the text in pieces of any
// size, then Finish; the output is exactly that of converting the whole text
// at once. They let a large text be converted without holding all of it.
class TSJISToJISStream {
public:
    void Feed(const char* Data, size_t Size, std::string& Out);
    void Finish(std::string& Out);

private:
    bool On = false;
    std::string Held;
};

class TEUCToJISStream {
public:
    void Feed(const char* Data, size_t Size, std::string& Out);
    void Finish(std::string& Out);

private:
    bool On = false;
    std::string Held;
};

class TJISToSJISStream {
public:
    enum class TMode { Single, Double, Kana };
    void Feed(const char* Data, size_t Size, std::string& Out);
    void Finish(std::string& Out);

private:
    TMode Mode = TMode::Single, Saved = TMode::Single;
    std::string Held;
};

// True when no line holds a byte above 0x7F or an ESC byte.
bool IsAllASCII(const TStrings& Lines);
