// Formatting into a fixed buffer that reports a cut text. mingw's swprintf
// returns the length the whole text would have had and cuts the buffer
// without a negative result, so a check for "< 0" alone misses every cut
// path; every path and fixed-size text is formed through this instead.
#pragma once

#include <cstddef>

// Formats into out (capacity units with the terminator). The length written,
// or -1 with an empty text when the text does not fit or cannot be formed.
int FormatChecked(wchar_t* out, std::size_t capacity, const wchar_t* format, ...);
