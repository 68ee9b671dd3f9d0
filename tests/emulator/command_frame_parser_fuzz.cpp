// Any bytes from the host, in any chunks, go through the frame parser
// without reading outside them, and every frame it reports is whole.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "emulator/command_frame_parser.h"
#include "reader/sam_frame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks the chunk size; the rest is the stream.
  const std::size_t chunk = data[0] % 16 + 1;
  CommandFrameParser parser;
  std::vector<IncomingFrame> frames;
  for (std::size_t at = 1; at < size; at += chunk) {
    parser.Feed({data + at, std::min(chunk, size - at)}, frames);
  }
  for (const IncomingFrame& frame : frames) {
    if (frame.raw.size() < kFrameHeadLength) std::abort();
    if (frame.kind == IncomingKind::kCommand && frame.data.size() + kFrameHeadLength + 3 != frame.raw.size()) std::abort();
  }
  return 0;
}
