#include "xls_odbc/connection_string.h"

namespace xls {
namespace {

std::u16string Trim(std::u16string_view text) {
  const auto first = text.find_first_not_of(u' ');
  if (first == std::u16string_view::npos) return {};
  return std::u16string(text.substr(first, text.find_last_not_of(u' ') - first + 1));
}

std::u16string UpperAscii(std::u16string text) {
  for (char16_t& c : text)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return text;
}

// Reads a braced value starting after "{"; pos ends after the closing brace.
std::optional<std::u16string> ReadBracedValue(std::u16string_view text, std::size_t& pos) {
  std::u16string value;
  while (pos < text.size()) {
    const char16_t c = text[pos++];
    if (c != u'}') {
      value.push_back(c);
    } else if (pos < text.size() && text[pos] == u'}') {
      value.push_back(u'}');
      ++pos;
    } else {
      return value;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<ConnectionAttributes> ParseConnectionString(std::u16string_view text) {
  ConnectionAttributes attributes;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t equals = text.find(u'=', pos);
    const std::size_t semicolon = text.find(u';', pos);
    if (equals == std::u16string_view::npos || semicolon < equals) {
      // A pair without "=" (an empty one between two ";") is skipped.
      if (!Trim(text.substr(pos, semicolon - pos)).empty()) return std::nullopt;
      if (semicolon == std::u16string_view::npos) break;
      pos = semicolon + 1;
      continue;
    }
    const std::u16string key = UpperAscii(Trim(text.substr(pos, equals - pos)));
    if (key.empty()) return std::nullopt;
    pos = equals + 1;
    while (pos < text.size() && text[pos] == u' ') ++pos;
    std::u16string value;
    if (pos < text.size() && text[pos] == u'{') {
      ++pos;
      auto braced = ReadBracedValue(text, pos);
      if (!braced) return std::nullopt;
      value = std::move(*braced);
      pos = text.find(u';', pos);
    } else {
      const std::size_t end = text.find(u';', pos);
      value = Trim(text.substr(pos, end - pos));
      pos = end;
    }
    attributes.try_emplace(key, std::move(value));
    if (pos == std::u16string_view::npos) break;
    ++pos;
  }
  return attributes;
}

}  // namespace xls
