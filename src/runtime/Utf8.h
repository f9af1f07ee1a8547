// Strict UTF-8 validation of byte text.
#pragma once

#include <string_view>

// True when Bytes is well-formed UTF-8: no overlong forms, no surrogates
// (U+D800..U+DFFF), nothing above U+10FFFF, no sequence cut short.
bool IsValidUtf8(std::string_view Bytes);
