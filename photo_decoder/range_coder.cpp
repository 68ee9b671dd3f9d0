#include "photo_decoder/range_coder.h"

namespace {

constexpr int kProbabilityBits = 15;
constexpr std::uint32_t kProbabilityOne = 1u << kProbabilityBits;
constexpr std::uint32_t kTopValue = 1u << 24;
constexpr int kFastRate = 4;
constexpr int kSlowRate = 7;

void Adapt(std::uint16_t& probability, bool bit, int rate) {
  // The shifts keep a probability strictly between 0 and kProbabilityOne.
  if (bit) {
    probability = static_cast<std::uint16_t>(probability - (probability >> rate));
  } else {
    probability = static_cast<std::uint16_t>(probability + ((kProbabilityOne - probability) >> rate));
  }
}

}  // namespace

void AdaptiveBit::Learn(bool bit) {
  Adapt(fast_, bit, kFastRate);
  Adapt(slow_, bit, kSlowRate);
}

bool RangeEncoder::Code(bool bit, AdaptiveBit& model) {
  Encode(bit, model.ProbabilityOfZero());
  model.Learn(bit);
  return bit;
}

bool RangeEncoder::CodeEven(bool bit) {
  Encode(bit, kProbabilityOne / 2);
  return bit;
}

void RangeEncoder::Encode(bool bit, std::uint32_t probabilityOfZero) {
  const std::uint32_t bound = (range_ >> kProbabilityBits) * probabilityOfZero;
  if (bit) {
    low_ += bound;
    range_ -= bound;
  } else {
    range_ = bound;
  }
  while (range_ < kTopValue) {
    range_ <<= 8;
    ShiftLow();
  }
}

void RangeEncoder::ShiftLow() {
  if (static_cast<std::uint32_t>(low_) < 0xFF000000u || (low_ >> 32) != 0) {
    const auto carry = static_cast<std::uint8_t>(low_ >> 32);
    std::uint8_t pending = cache_;
    do {
      // The very first byte is always zero; the decoder assumes it.
      if (!firstByte_) out_.push_back(static_cast<std::uint8_t>(pending + carry));
      firstByte_ = false;
      pending = 0xFF;
    } while (--pendingBytes_ != 0);
    cache_ = static_cast<std::uint8_t>(low_ >> 24);
  }
  ++pendingBytes_;
  low_ = (low_ & 0x00FFFFFFu) << 8;
}

std::vector<std::uint8_t> RangeEncoder::Finish() {
  for (int i = 0; i < 5; ++i) ShiftLow();
  while (!out_.empty() && out_.back() == 0) out_.pop_back();
  return std::move(out_);
}

RangeDecoder::RangeDecoder(std::span<const std::uint8_t> input) : input_(input) {
  for (int i = 0; i < 4; ++i) code_ = (code_ << 8) | NextByte();
}

std::uint8_t RangeDecoder::NextByte() {
  return position_ < input_.size() ? input_[position_++] : 0;
}

bool RangeDecoder::Decode(std::uint32_t probabilityOfZero) {
  const std::uint32_t bound = (range_ >> kProbabilityBits) * probabilityOfZero;
  bool bit;
  if (code_ < bound) {
    range_ = bound;
    bit = false;
  } else {
    code_ -= bound;
    range_ -= bound;
    bit = true;
  }
  while (range_ < kTopValue) {
    range_ <<= 8;
    code_ = (code_ << 8) | NextByte();
  }
  return bit;
}

bool RangeDecoder::Code(bool, AdaptiveBit& model) {
  const bool bit = Decode(model.ProbabilityOfZero());
  model.Learn(bit);
  return bit;
}

bool RangeDecoder::CodeEven(bool) { return Decode(kProbabilityOne / 2); }
