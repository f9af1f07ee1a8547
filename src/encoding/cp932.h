// Shift_JIS (code page 932) to Unicode and back, for the widget boundary.
#pragma once

#include <string>

// Shift_JIS bytes to Unicode; a byte sequence with no character becomes U+FFFD.
std::u16string Cp932ToUtf16(const std::string& Sjis);
std::string Cp932ToUtf8(const std::string& Sjis);
// Unicode to Shift_JIS; a character with no Shift_JIS code becomes "?".
std::string Utf16ToCp932(const std::u16string& Text);
std::string Utf8ToCp932(const std::string& Text);

// The program's Shift_JIS text for a UTF-8 literal of the source code. Like
// Utf8ToCp932, but U+301C, U+2016, U+2212, U+2014, U+00A2, U+00A3 and U+00AC
// (how JIS-based editors show 0x8160, 0x8161, 0x817C, 0x815C, 0x8191, 0x8192
// and 0x81CA) take those codes instead of "?".
std::string SJ(const char* Utf8);
