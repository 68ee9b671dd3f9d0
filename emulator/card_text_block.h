// The card's 256-byte text block: fixed-width UTF-16LE fields, each left
// aligned and filled up with spaces. Portable; the host decodes the same
// layout.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::size_t kCardTextBlockBytes = 256;
using CardTextBlock = std::array<std::uint8_t, kCardTextBlockBytes>;

// Where a field lies in the block: byte offset and width in UTF-16 units.
struct TextFieldSlot {
  std::size_t offset;
  std::size_t units;
};

namespace card_slots {
inline constexpr TextFieldSlot kName{0, 15};
inline constexpr TextFieldSlot kSex{30, 1};
inline constexpr TextFieldSlot kNation{32, 2};
inline constexpr TextFieldSlot kBirth{36, 8};
inline constexpr TextFieldSlot kAddress{52, 35};
inline constexpr TextFieldSlot kIdNumber{122, 18};
inline constexpr TextFieldSlot kAuthority{158, 15};
inline constexpr TextFieldSlot kValidFrom{188, 8};
inline constexpr TextFieldSlot kValidTo{204, 8};
inline constexpr TextFieldSlot kReserved{220, 18};
}  // namespace card_slots

// The text fields of one card, as UTF-16 units without padding.
struct CardTextFields {
  std::u16string name;
  std::u16string sex;     // "1" male, "2" female
  std::u16string nation;  // two decimal digits
  std::u16string birth;   // YYYYMMDD
  std::u16string address;
  std::u16string idNumber;
  std::u16string authority;
  std::u16string validFrom;  // YYYYMMDD
  std::u16string validTo;    // YYYYMMDD or 长期
};

// Writes text as UTF-16LE into units * 2 bytes at out, filled up with
// U+0020. False (and nothing written) when the text is longer than units.
bool EncodeTextField(std::u16string_view text, std::size_t units, std::uint8_t* out);

// Lays out every field, the reserved tail as spaces. False when a field
// does not fit its slot; block is then unspecified.
bool EncodeCardTextBlock(const CardTextFields& fields, CardTextBlock& block);
