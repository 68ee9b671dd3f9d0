// A text cell as a LABEL record: row, column, cell format, then the text
// in 8-bit units when every character fits in one byte, else in UTF-16.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace xls {

void AppendLabelRecord(std::vector<std::uint8_t>& out, std::uint16_t row, std::uint16_t column,
                       std::uint16_t format, std::u16string_view text);

}  // namespace xls
