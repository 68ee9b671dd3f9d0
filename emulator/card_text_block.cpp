#include "emulator/card_text_block.h"

bool EncodeTextField(std::u16string_view text, std::size_t units, std::uint8_t* out) {
  if (text.size() > units) return false;
  for (std::size_t i = 0; i < units; ++i) {
    const char16_t unit = i < text.size() ? text[i] : u' ';
    out[2 * i] = static_cast<std::uint8_t>(unit & 0xFF);
    out[2 * i + 1] = static_cast<std::uint8_t>(unit >> 8);
  }
  return true;
}

bool EncodeCardTextBlock(const CardTextFields& fields, CardTextBlock& block) {
  const std::u16string reserved;  // all spaces after padding
  const struct {
    const std::u16string& text;
    TextFieldSlot slot;
  } layout[] = {
      {fields.name, card_slots::kName},           {fields.sex, card_slots::kSex},
      {fields.nation, card_slots::kNation},       {fields.birth, card_slots::kBirth},
      {fields.address, card_slots::kAddress},     {fields.idNumber, card_slots::kIdNumber},
      {fields.authority, card_slots::kAuthority}, {fields.validFrom, card_slots::kValidFrom},
      {fields.validTo, card_slots::kValidTo},     {reserved, card_slots::kReserved},
  };
  for (const auto& field : layout) {
    if (!EncodeTextField(field.text, field.slot.units, block.data() + field.slot.offset)) return false;
  }
  return true;
}
