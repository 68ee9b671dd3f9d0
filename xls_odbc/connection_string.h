// A connection string: "KEY=value;" pairs, a value in braces ("{...}", with
// "}}" standing for "}") may hold ";". Keys are compared in upper case.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace xls {

using ConnectionAttributes = std::map<std::u16string, std::u16string>;

// Nothing when a brace is left open or a pair has no key.
std::optional<ConnectionAttributes> ParseConnectionString(std::u16string_view text);

}  // namespace xls
