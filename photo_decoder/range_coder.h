// Adaptive binary range coder: the entropy coder under the photo format.
//
// Each decision is coded with a probability model that learns as it goes,
// mixing a fast and a slow estimate so that it both adapts quickly to a
// small picture and becomes very confident on long runs of zeros.
// The decoder reads zeros past the end of its input, so a stream followed
// by zero padding decodes exactly like the stream alone, and the encoder
// drops trailing zero bytes for the same reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class AdaptiveBit {
 public:
  // Probability of a 0, in units of 1/32768.
  std::uint32_t ProbabilityOfZero() const { return (fast_ + slow_) >> 1; }
  void Learn(bool bit);

 private:
  std::uint16_t fast_ = 16384;
  std::uint16_t slow_ = 16384;
};

class RangeEncoder {
 public:
  // Codes one decision and returns it, so that coding routines can be
  // written once for encoder and decoder.
  bool Code(bool bit, AdaptiveBit& model);
  bool CodeEven(bool bit);
  // Ends the stream and returns its bytes.
  std::vector<std::uint8_t> Finish();

 private:
  void Encode(bool bit, std::uint32_t probabilityOfZero);
  void ShiftLow();

  std::uint64_t low_ = 0;
  std::uint32_t range_ = 0xFFFFFFFFu;
  std::uint8_t cache_ = 0;
  std::uint64_t pendingBytes_ = 1;
  bool firstByte_ = true;
  std::vector<std::uint8_t> out_;
};

class RangeDecoder {
 public:
  explicit RangeDecoder(std::span<const std::uint8_t> input);
  // The argument is ignored: it mirrors RangeEncoder::Code.
  bool Code(bool, AdaptiveBit& model);
  bool CodeEven(bool);

 private:
  bool Decode(std::uint32_t probabilityOfZero);
  std::uint8_t NextByte();

  std::span<const std::uint8_t> input_;
  std::size_t position_ = 0;
  std::uint32_t range_ = 0xFFFFFFFFu;
  std::uint32_t code_ = 0;
};
