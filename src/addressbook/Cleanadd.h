// Address clean-up: reduces a display address text to the bare address.
#pragma once

#include <string>
#include <vector>

// Removes comments in parentheses (from the first "(" to the first ")",
// repeated while the ")" stands after the "("), trims blanks and control
// bytes from both ends, and keeps what stands between the first "<" and the
// first ">" when both are present (empty when ">" is not beyond "<" + 1).
// With Wrap and a non-empty result, the result is enclosed in "<" and ">".
// Byte searches are safe in Shift_JIS: "(", ")", "<", ">" are never the
// second byte of a double-byte character. Runs in linear time.
std::string CleanAddress(const std::string& Text, bool Wrap);

// Splits an address list (a To or Cc field value, or a text typed by the
// user) into its addresses as written, each without the spaces, tabs and line
// breaks around it, empty ones dropped. Commas do not split inside a quoted string
// ("Yamada, Taro" <t@example.jp>), a comment (nested parentheses) or angle
// brackets; a backslash inside quotes or a comment takes the next byte as it
// is. A group ("Team: a@x, b@y;") gives its members without the group name,
// and ";" ends it like a comma. ISO-2022-JP double-byte runs (from ESC "$" to
// the next ESC "(") and Shift_JIS double-byte characters are taken whole, so
// their bytes never split, quote or escape. An unclosed quote, comment or
// bracket runs to the end of the text. Linear time.
std::vector<std::string> SplitAddressList(const std::string& Text);
