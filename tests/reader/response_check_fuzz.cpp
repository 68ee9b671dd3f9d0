// Any bytes from the line go through the response checks without reading
// outside the received frame.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "reader/sam_frame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kFrameHeadLength + 1) return 0;
  // The first byte picks a capacity; the rest is what the reader sent.
  const std::uint32_t capacity = kFrameHeadLength + data[0] * 8u;
  std::vector<std::uint8_t> buffer(data + 1, data + size);
  std::uint32_t length = 0;
  if (CheckResponseHead(buffer.data(), capacity, length) != 0) return 0;
  if (length + kFrameHeadLength > buffer.size()) return 0;  // the read would have come up short
  buffer.resize(length + kFrameHeadLength);  // exactly what a link buffer would hold
  CheckResponseChecksum(buffer.data(), length);
  return 0;
}
