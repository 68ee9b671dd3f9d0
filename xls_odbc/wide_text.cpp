#include "xls_odbc/wide_text.h"

#include <algorithm>

namespace xls_odbc {

std::u16string WideArgument(const SQLWCHAR* text, SQLINTEGER length) {
  if (!text) return {};
  const auto* units = reinterpret_cast<const char16_t*>(text);
  if (length == SQL_NTS) return std::u16string(units);
  return std::u16string(units, static_cast<std::size_t>(std::max<SQLINTEGER>(length, 0)));
}

SQLRETURN CopyWideResult(std::u16string_view text, SQLWCHAR* buffer, SQLLEN capacity, SQLLEN* length,
                         Diagnostics& diagnostics) {
  if (length) *length = static_cast<SQLLEN>(text.size());
  if (buffer && capacity > 0) {
    const std::size_t copied = std::min(text.size(), static_cast<std::size_t>(capacity - 1));
    std::copy_n(text.begin(), copied, reinterpret_cast<char16_t*>(buffer));
    buffer[copied] = 0;
  }
  if (buffer && static_cast<SQLLEN>(text.size()) >= capacity)
    return diagnostics.Warning("01004", u"String data, right truncated");
  return SQL_SUCCESS;
}

}  // namespace xls_odbc
