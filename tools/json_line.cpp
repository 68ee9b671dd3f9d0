#include "tools/json_line.h"

#include <windows.h>

#include <cstdio>

namespace {
void AppendEscaped(std::string& out, std::string_view text) {
  out += '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof(escaped), "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;  // UTF-8 passes through unchanged
    }
  }
  out += '"';
}
}  // namespace

std::string Utf8FromWide(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
  utf8.resize(static_cast<std::size_t>(size - 1));
  return utf8;
}

void JsonLine::AddKey(std::string_view key) {
  body_ += body_.empty() ? "{" : ",";
  AppendEscaped(body_, key);
  body_ += ':';
}

JsonLine& JsonLine::Add(std::string_view key, std::string_view utf8Value) {
  AddKey(key);
  AppendEscaped(body_, utf8Value);
  return *this;
}

JsonLine& JsonLine::Add(std::string_view key, const wchar_t* value) { return Add(key, std::string_view(Utf8FromWide(value))); }

JsonLine& JsonLine::Add(std::string_view key, std::int64_t value) {
  AddKey(key);
  body_ += std::to_string(value);
  return *this;
}

JsonLine& JsonLine::AddFlag(std::string_view key, bool value) {
  AddKey(key);
  body_ += value ? "true" : "false";
  return *this;
}

std::string JsonLine::Text() const { return body_.empty() ? "{}" : body_ + "}"; }
