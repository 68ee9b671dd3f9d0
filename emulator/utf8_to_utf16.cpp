#include "emulator/utf8_to_utf16.h"

#include <cstdint>

namespace {
// Number of continuation bytes after a lead byte and the smallest code
// point that needs this many; 0 continuation bytes means ASCII, -1 a byte
// that cannot start a sequence.
struct LeadByte {
  int continuations;
  std::uint32_t bits;
  std::uint32_t smallest;
};

LeadByte ClassifyLead(std::uint8_t byte) {
  if (byte < 0x80) return {0, byte, 0};
  if ((byte & 0xE0) == 0xC0) return {1, byte & 0x1Fu, 0x80};
  if ((byte & 0xF0) == 0xE0) return {2, byte & 0x0Fu, 0x800};
  if ((byte & 0xF8) == 0xF0) return {3, byte & 0x07u, 0x10000};
  return {-1, 0, 0};
}

void AppendCodePoint(std::uint32_t point, std::u16string& out) {
  if (point < 0x10000) {
    out.push_back(static_cast<char16_t>(point));
    return;
  }
  point -= 0x10000;
  out.push_back(static_cast<char16_t>(0xD800 + (point >> 10)));
  out.push_back(static_cast<char16_t>(0xDC00 + (point & 0x3FF)));
}
}  // namespace

bool Utf8ToUtf16(std::string_view text, std::u16string& out) {
  out.clear();
  std::size_t i = 0;
  while (i < text.size()) {
    const LeadByte lead = ClassifyLead(static_cast<std::uint8_t>(text[i++]));
    if (lead.continuations < 0 || text.size() - i < static_cast<std::size_t>(lead.continuations)) return false;
    std::uint32_t point = lead.bits;
    for (int k = 0; k < lead.continuations; ++k) {
      const auto byte = static_cast<std::uint8_t>(text[i++]);
      if ((byte & 0xC0) != 0x80) return false;
      point = point << 6 | (byte & 0x3Fu);
    }
    if (point < lead.smallest || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return false;
    AppendCodePoint(point, out);
  }
  return true;
}
