// Any bytes read as a text list: no crash, every line is accounted for at
// most once, and what is kept stays within its bounds, with or without a
// limit on the numbers.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "blacklist_editor/text_list.h"

namespace {

constexpr std::size_t kSmallLimit = 8;

void Check(const TextList& list) {
  int previous = 0;
  for (const TextListLine& line : list.numbers) {
    if (line.line <= previous || line.number.size() != kCitizenNumberLength) __builtin_trap();
    previous = line.line;
  }
  if (list.refused.size() > kKeptRefusedLines || list.refusedCount < list.refused.size()) __builtin_trap();
  for (const RefusedLine& line : list.refused) {
    if (line.content.number.size() > kKeptRefusedText + 1) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Check(ReadTextList(bytes));
  const TextList limited = ReadTextList(bytes, kSmallLimit);
  Check(limited);
  if (limited.numbers.size() + limited.wrongCheckDigits.size() > kSmallLimit) __builtin_trap();
  return 0;
}
