#include "photo_decoder/wlt_header.h"

namespace {

constexpr std::uint8_t kMark[2] = {0xB5, 0x7A};

// CRC-16 with the CCITT polynomial, bit by bit: a photo is a kilobyte.
std::uint16_t Crc16(std::span<const std::uint8_t> first, std::span<const std::uint8_t> second) {
  std::uint16_t crc = 0xFFFF;
  auto feed = [&crc](std::span<const std::uint8_t> bytes) {
    for (const std::uint8_t byte : bytes) {
      crc ^= static_cast<std::uint16_t>(byte << 8);
      for (int bit = 0; bit < 8; ++bit) {
        crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
      }
    }
  };
  feed(first);
  feed(second);
  return crc;
}

void PutBigEndian16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 8);
  at[1] = static_cast<std::uint8_t>(value);
}

std::uint16_t GetBigEndian16(const std::uint8_t* at) { return static_cast<std::uint16_t>((at[0] << 8) | at[1]); }

constexpr std::size_t kChecksumOffset = 8;

}  // namespace

std::vector<std::uint8_t> AssembleWltStream(const WltHeader& header, std::span<const std::uint8_t> payload) {
  std::vector<std::uint8_t> stream;
  stream.reserve(kWltHeaderLength + payload.size());
  stream.resize(kWltHeaderLength);
  stream[0] = kMark[0];
  stream[1] = kMark[1];
  stream[2] = kWltVersion;
  stream[3] = static_cast<std::uint8_t>((header.chromaStepCode << 4) | (header.reconstructionCode & 0x0F));
  PutBigEndian16(&stream[4], header.lumaStepCode);
  PutBigEndian16(&stream[6], static_cast<std::uint16_t>(payload.size()));
  PutBigEndian16(&stream[kChecksumOffset],
                 Crc16(std::span(stream).first(kChecksumOffset), payload));
  stream.insert(stream.end(), payload.begin(), payload.end());
  return stream;
}

std::optional<WltHeader> ReadWltHeader(std::span<const std::uint8_t> stream) {
  if (stream.size() < kWltHeaderLength) return std::nullopt;
  if (stream[0] != kMark[0] || stream[1] != kMark[1] || stream[2] != kWltVersion) return std::nullopt;
  WltHeader header;
  header.chromaStepCode = static_cast<std::uint8_t>(stream[3] >> 4);
  header.reconstructionCode = static_cast<std::uint8_t>(stream[3] & 0x0F);
  header.lumaStepCode = GetBigEndian16(&stream[4]);
  header.payloadLength = GetBigEndian16(&stream[6]);
  if (header.lumaStepCode < kWltMinStepCode) return std::nullopt;
  if (header.payloadLength > stream.size() - kWltHeaderLength) return std::nullopt;
  const auto payload = stream.subspan(kWltHeaderLength, header.payloadLength);
  if (Crc16(stream.first(kChecksumOffset), payload) != GetBigEndian16(&stream[kChecksumOffset])) {
    return std::nullopt;
  }
  return header;
}
