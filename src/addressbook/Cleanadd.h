// Address clean-up: reduces a display address text to the bare address.
#pragma once

#include <string>

// Removes comments in parentheses (from the first "(" to the first ")",
// repeated while the ")" stands after the "("), trims blanks and control
// bytes from both ends, and keeps what stands between the first "<" and the
// first ">" when both are present (empty when ">" is not beyond "<" + 1).
// With Wrap and a non-empty result, the result is enclosed in "<" and ">".
// Byte searches are safe in Shift_JIS: "(", ")", "<", ">" are never the
// second byte of a double-byte character. Runs in linear time.
std::string CleanAddress(const std::string& Text, bool Wrap);
