#include "emulator/sam_reader.h"

#include "reader/sam_frame.h"

namespace {
void AppendBigEndian16(std::vector<std::uint8_t>& bytes, std::size_t value) {
  bytes.push_back(static_cast<std::uint8_t>(value >> 8));
  bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
}
}  // namespace

void SamReader::Lay(const Card& card) {
  card_ = card;
  field_ = CardField::kPresent;
}

void SamReader::Lift() {
  card_ = Card{};
  field_ = CardField::kNone;
}

std::vector<std::uint8_t> SamReader::StatusFrame(std::uint8_t status) {
  return samv::BuildResponseFrame(0x00, 0x00, status);
}

ReaderAnswer SamReader::Answer(const IncomingFrame& command) {
  const bool noData = command.data.empty();
  const std::uint8_t cmd = command.command;
  const std::uint8_t para = command.parameter;
  if (cmd == samv::kCmdStatusCheck && para == samv::kParaStatusCheck && noData) return {StatusFrame(kStatusSuccess), {}};
  if (cmd == samv::kCmdCard && para == samv::kParaFindCard && noData) return {FindCard(), {}};
  if (cmd == samv::kCmdCard && para == samv::kParaSelectCard && noData) return {SelectCard(), {}};
  if (cmd == samv::kCmdRead && para == samv::kParaReadBase && noData) return {ReadBaseMessage(), {}};
  if (cmd == samv::kCmdRead && para == samv::kParaReadNewAddress && noData) return {ReadNewAddress(), {}};
  if (cmd == samv::kCmdSetBaud && noData) return SetLineSpeed(para);
  if (cmd == samv::kCmdSetMaxRf && para == samv::kParaSetMaxRf && command.data.size() == 1) {
    return {StatusFrame(kStatusSuccess), {}};
  }
  return {StatusFrame(kStatusInvalidCommand), {}};
}

std::vector<std::uint8_t> SamReader::FindCard() const {
  return StatusFrame(field_ == CardField::kPresent ? kStatusCardFound : kStatusNoCard);
}

std::vector<std::uint8_t> SamReader::SelectCard() const {
  return StatusFrame(field_ == CardField::kNone ? kStatusSelectFailed : kStatusSuccess);
}

std::vector<std::uint8_t> SamReader::ReadBaseMessage() {
  if (field_ == CardField::kNone) return StatusFrame(kStatusReadFailed);
  std::vector<std::uint8_t> data;
  AppendBigEndian16(data, card_.textBlock.size());
  AppendBigEndian16(data, card_.photo.size());
  data.insert(data.end(), card_.textBlock.begin(), card_.textBlock.end());
  data.insert(data.end(), card_.photo.begin(), card_.photo.end());
  // A card that was read stays quiet until it is laid down again.
  field_ = CardField::kHalted;
  return samv::BuildResponseFrame(0x00, 0x00, kStatusSuccess, data);
}

std::vector<std::uint8_t> SamReader::ReadNewAddress() const {
  if (field_ == CardField::kNone || !card_.newAddress) return StatusFrame(kStatusReadFailed);
  return samv::BuildResponseFrame(0x00, 0x00, kStatusSuccess, *card_.newAddress);
}

ReaderAnswer SamReader::SetLineSpeed(std::uint8_t code) const {
  const std::uint32_t speed = samv::SpeedForBaudCode(code);
  if (speed == 0) return {StatusFrame(kStatusInvalidCommand), {}};
  return {StatusFrame(kStatusSuccess), speed};
}
