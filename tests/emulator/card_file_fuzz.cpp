// Any card file text is either refused or gives fields that fit the text
// block.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "emulator/card_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CardFileFields fields;
  std::string error;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (ParseCardFileText(text, fields, error) != kCardFileOk) return 0;
  CardTextBlock block{};
  if (!EncodeCardTextBlock(fields.text, block)) std::abort();
  MakeCard(fields, std::nullopt);
  return 0;
}
