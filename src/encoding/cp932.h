// Shift_JIS (code page 932) to Unicode and back, for the widget boundary.
#pragma once

#include <string>

// Shift_JIS bytes to Unicode; a byte sequence with no character becomes U+FFFD.
std::u16string Cp932ToUtf16(const std::string& Sjis);
std::string Cp932ToUtf8(const std::string& Sjis);
// Unicode to Shift_JIS; a character with no Shift_JIS code becomes "?".
std::string Utf16ToCp932(const std::u16string& Text);
std::string Utf8ToCp932(const std::string& Text);

// The program's Shift_JIS text for a UTF-8 literal of the source code.
std::string SJ(const char* Utf8);
