// The reader with its SAM_V module: the card on its field and the answer
// to each command.
//
// Statuses beyond the host's table: read base message and read new address
// without a card, and read new address of a card that has no newest
// address, answer 0x41 (reading the card failed). A set-line-speed code the
// reader does not know, a known command with an unexpected parameter or
// with data, and any unknown command answer 0x21 (invalid command).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "emulator/card_file.h"
#include "emulator/command_frame_parser.h"

enum class CardField { kNone, kPresent, kHalted };

// Statuses the emulated reader sends besides the host's well-known ones.
inline constexpr std::uint8_t kStatusBadChecksumReceived = 0x10;
inline constexpr std::uint8_t kStatusBadLengthReceived = 0x11;
inline constexpr std::uint8_t kStatusReadFailed = 0x41;
inline constexpr std::uint8_t kStatusSelectFailed = 0x81;

struct ReaderAnswer {
  std::vector<std::uint8_t> frame;
  // The line speed that takes effect once the frame is sent, if it changes.
  std::optional<std::uint32_t> speedAfter;
};

class SamReader {
 public:
  explicit SamReader(std::uint32_t speed) : speed_(speed) {}

  std::uint32_t Speed() const { return speed_; }
  void SetSpeed(std::uint32_t speed) { speed_ = speed; }

  // Lays a card down (replacing any card); it is found again.
  void Lay(const Card& card);
  void Lift();
  CardField Field() const { return field_; }

  // Carries out one well-formed command and returns its response.
  ReaderAnswer Answer(const IncomingFrame& command);

  // A response frame with this status and no data (SW1 SW2 are 0).
  static std::vector<std::uint8_t> StatusFrame(std::uint8_t status);

 private:
  std::vector<std::uint8_t> FindCard() const;
  std::vector<std::uint8_t> SelectCard() const;
  std::vector<std::uint8_t> ReadBaseMessage();
  std::vector<std::uint8_t> ReadNewAddress() const;
  ReaderAnswer SetLineSpeed(std::uint8_t code) const;

  std::uint32_t speed_;
  CardField field_ = CardField::kNone;
  Card card_;
};
