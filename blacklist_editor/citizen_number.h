// Citizen numbers as the blacklist keeps them: 18 characters, 17 digits and
// a check digit that is a digit or "X".
#pragma once

#include <string>
#include <string_view>

inline constexpr std::size_t kCitizenNumberLength = 18;

enum class NumberCheck {
  kValid,
  kWrongLength,
  kWrongCharacters,  // not 17 digits followed by a digit or X
  kWrongCheckDigit,  // well-formed, but the last character does not match the others
};

// The check digit of the first 17 digits of a number (ISO 7064 MOD 11-2).
char16_t CitizenCheckDigit(std::u16string_view first17);

// Checks number; a lower-case "x" at its end is first made an upper-case
// "X", since that is how the card and the reader program write it.
NumberCheck NormalizeCitizenNumber(std::u16string& number);
