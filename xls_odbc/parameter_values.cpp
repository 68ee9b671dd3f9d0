#include "xls_odbc/parameter_values.h"

#include <algorithm>

#include "emulator/utf8_to_utf16.h"

namespace xls_odbc {
namespace {

// The length in units of a terminated value, looking no further than the
// buffer when its size is known.
template <typename Unit>
std::size_t TerminatedLength(const Unit* text, SQLLEN bufferBytes) {
  const std::size_t limit = bufferBytes > 0 ? static_cast<std::size_t>(bufferBytes) / sizeof(Unit) : SIZE_MAX;
  std::size_t length = 0;
  while (length < limit && text[length] != 0) ++length;
  return length;
}

template <typename Unit>
std::size_t ValueLength(const BoundParameter& parameter) {
  const auto* text = static_cast<const Unit*>(parameter.value);
  if (!parameter.indicator || *parameter.indicator == SQL_NTS) return TerminatedLength(text, parameter.bufferLength);
  return static_cast<std::size_t>(*parameter.indicator) / sizeof(Unit);
}

// False when a narrow value is not UTF-8.
bool ReadText(const BoundParameter& parameter, std::u16string& value) {
  if (parameter.valueType == SQL_C_WCHAR) {
    const auto* text = static_cast<const char16_t*>(parameter.value);
    value.assign(text, ValueLength<char16_t>(parameter));
    return true;
  }
  const auto* text = static_cast<const char*>(parameter.value);
  return Utf8ToUtf16(std::string_view(text, ValueLength<char>(parameter)), value);
}

}  // namespace

SQLRETURN ReadParameterValues(Statement& statement, std::vector<std::optional<std::u16string>>& values) {
  values.clear();
  for (std::size_t i = 0; i < statement.insert->parameters; ++i) {
    if (i >= statement.parameters.size() || !statement.parameters[i].bound)
      return statement.diagnostics.Error("07002", u"COUNT field incorrect: a parameter is not bound");
    const BoundParameter& parameter = statement.parameters[i];
    const SQLLEN indicator = parameter.indicator ? *parameter.indicator : SQL_NTS;
    if (indicator == SQL_NULL_DATA || !parameter.value) {
      values.emplace_back();
      continue;
    }
    if (indicator < 0 && indicator != SQL_NTS)
      return statement.diagnostics.Error("HY090", u"Invalid string or buffer length");
    std::u16string value;
    if (!ReadText(parameter, value))
      return statement.diagnostics.Error("22018", u"Invalid character value: a narrow text is not UTF-8");
    values.emplace_back(std::move(value));
  }
  return SQL_SUCCESS;
}

}  // namespace xls_odbc
