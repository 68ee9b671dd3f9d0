// UTF-16 (the driver's wide texts) to UTF-8 (file names); unpaired
// surrogates become U+FFFD. The other way goes through the strict
// Utf8ToUtf16 the emulator's card files use.
#pragma once

#include <string>
#include <string_view>

namespace xls {

std::string ToUtf8(std::u16string_view text);

}  // namespace xls
