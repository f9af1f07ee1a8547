// Unicode (UTF-8) to Shift_JIS through the inverse of code page 932.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// 0: no mapping; 0x01-0xFF: a single byte; above 0xFF: a double-byte code, lead byte high.
uint16_t UnicodeToSJIS(uint16_t U);

// The code of a mark that Mac, iPhone and Unix text writes with another code
// point than the one code page 932 decodes the code to: U+301C WAVE DASH
// (0x8160, decoded as U+FF5E), U+2016 (0x8161), U+2212 (0x817C), U+00A2
// (0x8191), U+00A3 (0x8192) and U+00AC (0x81CA); 0 for any other character.
// UnicodeToSJIS has no code for these; UTF-8 text takes them from here.
uint16_t JISVariantToSJIS(uint32_t U);

// Converts the first UTF-8 character of Text (non-empty) and returns its
// Shift_JIS text; Length receives the number of bytes the character took.
std::string UTF8CharToSJIS(const std::string& Text, int& Length);
// The same for the character starting at byte Pos of Text, appended to Out;
// returns the number of bytes it took. Lets callers walk a text by index.
size_t UTF8CharToSJISAt(const std::string& Text, size_t Pos, std::string& Out);

// UTF-8 text to Shift_JIS: UnicodeToSJIS, then JISVariantToSJIS; a character
// with no code from either keeps its bytes.
std::string UTF8ToSJIS(const std::string& Text);

// UTF8ToSJIS of a text fed in pieces of any size, then finished: the output
// is exactly that of converting the whole text at once.
class TUTF8ToSJISStream {
public:
    void Feed(const char* Data, size_t Size, std::string& Out);
    void Finish(std::string& Out);

private:
    size_t Convert(const unsigned char* T, size_t N, bool Final, std::string& Out);
    std::string Held;
};

// The generated code page 932 tables (uni2sj_tables.cpp, from tools/gen-uni2sj.py).
namespace uni2sj_tables {
// One Unicode page: Table[0] is the first low byte F, Table[1 .. Count] the
// codes for the low bytes F, F + 1, ... (0: no mapping). Table is null for a
// page without mapped characters.
struct PageTable {
    const uint16_t* Table;
    uint16_t Count;
};
extern const PageTable Pages[256];

// Unicode value of each double-byte code, 0 where the code has no character:
// [lead index][trail - 0x40], lead index 0-30 for 0x81-0x9F and 31-59 for 0xE0-0xFC.
constexpr int PairLeads = 60;
constexpr int PairTrails = 0xFC - 0x40 + 1;
extern const uint16_t Cp932Pairs[PairLeads][PairTrails];
}  // namespace uni2sj_tables
