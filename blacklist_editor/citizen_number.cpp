#include "blacklist_editor/citizen_number.h"

#include <algorithm>

namespace {
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
}  // namespace

char16_t CitizenCheckDigit(std::u16string_view first17) {
  // Weight of position i is 2^(17 - i) mod 11.
  static constexpr int kWeights[17] = {7, 9, 10, 5, 8, 4, 2, 1, 6, 3, 7, 9, 10, 5, 8, 4, 2};
  static constexpr char16_t kDigitForRemainder[] = u"10X98765432";
  int sum = 0;
  for (std::size_t i = 0; i < 17 && i < first17.size(); ++i) sum += (first17[i] - u'0') * kWeights[i];
  return kDigitForRemainder[sum % 11];
}

NumberCheck NormalizeCitizenNumber(std::u16string& number) {
  if (number.size() != kCitizenNumberLength) return NumberCheck::kWrongLength;
  if (number.back() == u'x') number.back() = u'X';
  const std::u16string_view body(number.data(), kCitizenNumberLength - 1);
  if (!std::all_of(body.begin(), body.end(), IsDigit)) return NumberCheck::kWrongCharacters;
  if (!IsDigit(number.back()) && number.back() != u'X') return NumberCheck::kWrongCharacters;
  return CitizenCheckDigit(body) == number.back() ? NumberCheck::kValid : NumberCheck::kWrongCheckDigit;
}
