// One decoded card read and the routines that turn the card's text block
// into it. CardInfo is copied whole between the polling thread and the
// window, so it holds fixed-size texts and no pointers.
#pragma once

#include <cstddef>
#include <cstdint>

struct CardInfo {
  wchar_t name[16];
  wchar_t sex[2];
  wchar_t nation[10];
  wchar_t birth[10];
  wchar_t address[36];
  wchar_t idNumber[20];
  wchar_t authority[16];
  wchar_t validFrom[10];
  wchar_t validTo[10];
  wchar_t newAddress[36];
  wchar_t birthText[16];
  wchar_t validityText[24];
};

// The card's photo as the reader delivers it: the WLT bytes, before any
// decoding. Central records send these rather than the bitmap.
inline constexpr std::size_t kLargestPhotoBytes = 1024;
struct CardPhotoBytes {
  std::uint32_t size;
  std::uint8_t bytes[kLargestPhotoBytes];
};

// Size of the card's text block in bytes, and of the newest-address block.
inline constexpr std::size_t kCardTextBytes = 256;
inline constexpr std::size_t kNewAddressBytes = 70;

// Forms of FormatCardDate.
inline constexpr int kDateLong = 1;   // 1980年05月07日
inline constexpr int kDateShort = 2;  // 1980.05.07, or 长期

// Fills card from the 256-byte UTF-16LE text block.
void DecodeCardText(CardInfo& card, const std::uint8_t* text);
// Fills birthText (long form) and validityText (both short forms joined by
// a hyphen) from birth, validFrom and validTo.
void FormatCardDates(CardInfo& card);
// The nation's name for its two code units; "其他" for unknown codes.
const wchar_t* NationName(const wchar_t* code);
// Formats an 8-unit date into out (outUnits units with the terminator).
void FormatCardDate(wchar_t* out, std::size_t outUnits, const wchar_t* date, int form);
// Removes every U+0020 from a 0-terminated text in place.
void RemoveSpaces(wchar_t* text);
// "05" gives "5", "12" stays "12".
void DropLeadingZero(wchar_t* out, const wchar_t* twoUnits);
// The value of exactly `count` ASCII digits, or -1 when one of them is not
// a digit (dates in folder names, file names and stored texts).
int DigitsValue(const wchar_t* text, int count);
