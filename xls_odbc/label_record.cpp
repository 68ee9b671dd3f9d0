#include "xls_odbc/label_record.h"

#include <algorithm>

#include "xls_odbc/biff_records.h"
#include "xls_odbc/byte_order.h"

namespace xls {

void AppendLabelRecord(std::vector<std::uint8_t>& out, std::uint16_t row, std::uint16_t column,
                       std::uint16_t format, std::u16string_view text) {
  const bool compressed = std::ranges::all_of(text, [](char16_t c) { return c < 0x100; });
  const std::size_t textBytes = text.size() * (compressed ? 1 : 2);
  AppendU16(out, record_id::kLabel);
  AppendU16(out, static_cast<std::uint16_t>(9 + textBytes));
  AppendU16(out, row);
  AppendU16(out, column);
  AppendU16(out, format);
  AppendU16(out, static_cast<std::uint16_t>(text.size()));
  out.push_back(compressed ? 0x00 : 0x01);
  for (char16_t c : text) {
    if (compressed)
      out.push_back(static_cast<std::uint8_t>(c));
    else
      AppendU16(out, c);
  }
}

}  // namespace xls
