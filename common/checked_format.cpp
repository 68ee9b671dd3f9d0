#include "common/checked_format.h"

#include <cstdarg>
#include <cwchar>

int FormatChecked(wchar_t* out, std::size_t capacity, const wchar_t* format, ...) {
  if (capacity == 0) return -1;
  std::va_list arguments;
  va_start(arguments, format);
  const int length = std::vswprintf(out, capacity, format, arguments);
  va_end(arguments);
  if (length < 0 || static_cast<std::size_t>(length) >= capacity) {
    out[0] = L'\0';
    return -1;
  }
  return length;
}
