// UTF-16 (the driver's wide texts) to UTF-8 (file names, the library's
// messages) and back. Unpaired surrogates and malformed bytes become U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace xls {

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

}  // namespace xls
