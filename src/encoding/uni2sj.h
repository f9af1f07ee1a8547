// Unicode (UTF-8) to Shift_JIS through the inverse of code page 932.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// 0: no mapping; 0x01-0xFF: a single byte; above 0xFF: a double-byte code, lead byte high.
uint16_t UnicodeToSJIS(uint16_t U);

// Converts the first UTF-8 character of Text (non-empty) and returns its
// Shift_JIS text; Length receives the number of bytes the character took.
std::string UTF8CharToSJIS(const std::string& Text, int& Length);
// The same for the character starting at byte Pos of Text, appended to Out;
// returns the number of bytes it took. Lets callers walk a text by index.
size_t UTF8CharToSJISAt(const std::string& Text, size_t Pos, std::string& Out);

std::string UTF8ToSJIS(const std::string& Text);
