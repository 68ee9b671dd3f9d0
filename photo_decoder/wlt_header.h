// The ten bytes that open every WLT photo: a mark and version that say what
// the bytes are, the quantiser settings the decoder needs, the length of the
// coded payload and a checksum over all of it, so that anything that is not
// a photo written by this codec is refused rather than decoded into noise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

inline constexpr std::size_t kWltHeaderLength = 10;
inline constexpr std::uint8_t kWltVersion = 1;
// Quantiser step of luma in 1/64 units; smaller steps are never written.
inline constexpr std::uint16_t kWltMinStepCode = 16;

struct WltHeader {
  std::uint16_t lumaStepCode = kWltMinStepCode;
  std::uint8_t chromaStepCode = 0;   // 0..15
  std::uint8_t reconstructionCode = 0;  // 0..15
  std::uint16_t payloadLength = 0;
};

// Header followed by payload, ready to store.
std::vector<std::uint8_t> AssembleWltStream(const WltHeader& header, std::span<const std::uint8_t> payload);

// Checks mark, version, settings, length and checksum. Bytes after the
// payload (a card's zero padding) are not looked at.
std::optional<WltHeader> ReadWltHeader(std::span<const std::uint8_t> stream);
