// One JSON object on one line: the diagnostics tool's output format.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class JsonLine {
 public:
  JsonLine& Add(std::string_view key, std::string_view utf8Value);
  JsonLine& Add(std::string_view key, const wchar_t* value);
  JsonLine& Add(std::string_view key, std::int64_t value);
  JsonLine& AddFlag(std::string_view key, bool value);
  // The object with its closing brace, without a line end.
  std::string Text() const;

 private:
  void AddKey(std::string_view key);
  std::string body_;
};

std::string Utf8FromWide(const wchar_t* text);
