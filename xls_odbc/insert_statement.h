// The one statement the driver runs: "insert into [Sheet$] values (?,...)",
// keywords in any case, a final ";" optional.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace xls {

struct InsertStatement {
  std::u16string sheet;  // without the "$"
  std::size_t parameters = 0;
};

std::optional<InsertStatement> ParseInsertStatement(std::u16string_view sql);

}  // namespace xls
