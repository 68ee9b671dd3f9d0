// Any bytes read as a text list: no crash, and every line is accounted for
// at most once.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "blacklist_editor/text_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const TextList list = ReadTextList(std::string_view(reinterpret_cast<const char*>(data), size));
  int previous = 0;
  for (const TextListLine& line : list.numbers) {
    if (line.line <= previous || line.number.size() != kCitizenNumberLength) __builtin_trap();
    previous = line.line;
  }
  return 0;
}
