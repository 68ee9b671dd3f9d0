#include "reader/sam_frame.h"

#include <algorithm>

std::uint8_t FrameChecksum(const std::uint8_t* bytes, std::size_t count) {
  std::uint8_t sum = 0;
  for (std::size_t i = 0; i < count; ++i) sum ^= bytes[i];
  return sum;
}

namespace samv {
namespace {
constexpr std::array<std::uint8_t, 5> kBaudCodes = {0x00, 0x01, 0x02, 0x03, 0x04};

// Frames share one shape: preamble, big-endian length of what follows,
// the given body bytes, and the XOR of everything from the length on.
std::vector<std::uint8_t> FrameAround(std::span<const std::uint8_t> body) {
  const std::size_t length = body.size() + 1;  // the checksum follows the body
  std::vector<std::uint8_t> frame(kFramePreamble.begin(), kFramePreamble.end());
  frame.push_back(static_cast<std::uint8_t>(length >> 8));
  frame.push_back(static_cast<std::uint8_t>(length & 0xFF));
  frame.insert(frame.end(), body.begin(), body.end());
  frame.push_back(FrameChecksum(frame.data() + kFramePreamble.size(), frame.size() - kFramePreamble.size()));
  return frame;
}
}  // namespace

std::uint8_t BaudCodeForSpeed(std::uint32_t speed) {
  const auto it = std::find(kSupportedSpeeds.begin(), kSupportedSpeeds.end(), speed);
  return it == kSupportedSpeeds.end() ? 0x04 : kBaudCodes[it - kSupportedSpeeds.begin()];
}

std::uint32_t SpeedForBaudCode(std::uint8_t code) {
  return code < kSupportedSpeeds.size() ? kSupportedSpeeds[code] : 0;
}

std::vector<std::uint8_t> BuildCommandFrame(std::uint8_t command, std::uint8_t parameter,
                                            std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> body{command, parameter};
  body.insert(body.end(), data.begin(), data.end());
  return FrameAround(body);
}

std::vector<std::uint8_t> BuildResponseFrame(std::uint8_t sw1, std::uint8_t sw2, std::uint8_t sw3,
                                             std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> body{sw1, sw2, sw3};
  body.insert(body.end(), data.begin(), data.end());
  return FrameAround(body);
}
}  // namespace samv

int CheckResponseHead(const std::uint8_t* head, std::uint32_t capacity, std::uint32_t& bodyLength) {
  bodyLength = 0;
  if (!std::equal(kFramePreamble.begin(), kFramePreamble.end(), head)) return kLinkShortTransfer;
  const std::uint32_t length = static_cast<std::uint32_t>(head[5]) << 8 | head[6];
  if (length < kResponseMinimumBodyLength || length + kFrameHeadLength > capacity) return kLinkLengthOutOfBounds;
  bodyLength = length;
  return 0;
}

int CheckResponseChecksum(const std::uint8_t* frame, std::uint32_t bodyLength) {
  // From the first length byte through the checksum byte the XOR is 0.
  return FrameChecksum(frame + kFramePreamble.size(), bodyLength + 2) == 0 ? 0 : kLinkBadChecksum;
}
