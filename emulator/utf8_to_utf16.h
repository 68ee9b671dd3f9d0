// Strict UTF-8 to UTF-16 conversion for the card files.
#pragma once

#include <string>
#include <string_view>

// Converts well-formed UTF-8 (no overlong forms, no surrogates, nothing
// above U+10FFFF); false for anything else, leaving out unspecified.
bool Utf8ToUtf16(std::string_view text, std::u16string& out);
