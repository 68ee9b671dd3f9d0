// Cards of the emulated reader: the text of a card file, and the card as
// the reader hands it out (text block, photo, newest address).
//
// A card file is UTF-8 text of key=value lines; blank lines and lines
// starting with '#' are ignored. Keys: name, sex (1 or 2), nation (two
// digits), birth (YYYYMMDD), address, id (18 characters), authority,
// validfrom (YYYYMMDD), validto (YYYYMMDD or 长期), and optionally
// newaddress and one of two photo keys, each a path relative to the card
// file: portrait (a PNG or uncompressed BMP picture of any size, fitted and
// encoded into a WLT photo as the card is laid) or photo_wlt (raw photo
// bytes, at most 1024, for photos no encoder would make).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "emulator/card_text_block.h"

inline constexpr std::size_t kCardPhotoBytes = 1024;
inline constexpr std::size_t kNewAddressUnits = 35;
// Card files are small; anything longer is not a card file.
inline constexpr std::size_t kLongestCardFile = 16 * 1024;
// Paths are limited like the host's: 259 characters and the terminator.
inline constexpr std::size_t kLongestPath = 259;

enum CardFileResult : int {
  kCardFileOk = 0,
  kCardFileUnreadable = -1,
  kCardFileMalformed = -2,
  kCardFilePathTooLong = -3,
  kCardPhotoUnreadable = -4,
  kCardPhotoTooLarge = -5,
  kCardPortraitUnusable = -6,
};

// What a card file says, checked against the slots it must fit.
struct CardFileFields {
  CardTextFields text;
  std::optional<std::u16string> newAddress;
  std::string photoPath;     // raw photo; empty: none
  std::string portraitPath;  // picture to encode; empty: none
};

// The card as the reader delivers it.
struct Card {
  CardTextBlock textBlock{};
  std::array<std::uint8_t, kCardPhotoBytes> photo{};
  // UTF-16LE, filled up with spaces; absent when the card has none.
  std::optional<std::array<std::uint8_t, kNewAddressUnits * 2>> newAddress;
};

// Parses the text of a card file. On failure error names the line and
// the reason.
int ParseCardFileText(std::string_view text, CardFileFields& fields, std::string& error);

// Builds the card from checked fields and the photo bytes (at most
// kCardPhotoBytes, padded with zeros; none gives a fixed filler pattern).
Card MakeCard(const CardFileFields& fields, std::optional<std::span<const std::uint8_t>> photo);

// Reads, parses and builds the card of a card file.
int LoadCardFile(const std::string& path, Card& card, std::string& error);

// A made-up card for tests that need just any card.
Card BuiltInTestCard();
