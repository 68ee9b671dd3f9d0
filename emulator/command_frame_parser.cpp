#include "emulator/command_frame_parser.h"

#include <algorithm>

#include "reader/sam_frame.h"

bool CommandFrameParser::SkipToPreamble() {
  const auto found = std::search(pending_.begin(), pending_.end(), kFramePreamble.begin(), kFramePreamble.end());
  if (found != pending_.end()) {
    pending_.erase(pending_.begin(), found);
    return true;
  }
  // Keep the longest tail that may still grow into a preamble.
  std::size_t keep = std::min(pending_.size(), kFramePreamble.size() - 1);
  while (keep > 0 && !std::equal(pending_.end() - static_cast<std::ptrdiff_t>(keep), pending_.end(), kFramePreamble.begin())) {
    --keep;
  }
  pending_.erase(pending_.begin(), pending_.end() - static_cast<std::ptrdiff_t>(keep));
  return false;
}

void CommandFrameParser::Feed(std::span<const std::uint8_t> bytes, std::vector<IncomingFrame>& frames) {
  pending_.insert(pending_.end(), bytes.begin(), bytes.end());
  while (SkipToPreamble() && pending_.size() >= kFrameHeadLength) {
    const std::uint32_t length = static_cast<std::uint32_t>(pending_[5]) << 8 | pending_[6];
    IncomingFrame frame;
    if (length < kShortestCommandBody || length > kLongestCommandBody) {
      frame.kind = IncomingKind::kBadLength;
      frame.raw.assign(pending_.begin(), pending_.begin() + kFrameHeadLength);
      pending_.erase(pending_.begin(), pending_.begin() + kFrameHeadLength);
      frames.push_back(std::move(frame));
      continue;
    }
    const std::size_t total = kFrameHeadLength + length;
    if (pending_.size() < total) return;
    frame.raw.assign(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(total));
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(total));
    // From the first length byte through the checksum the XOR is 0.
    if (FrameChecksum(frame.raw.data() + kFramePreamble.size(), total - kFramePreamble.size()) != 0) {
      frame.kind = IncomingKind::kBadChecksum;
    } else {
      frame.command = frame.raw[7];
      frame.parameter = frame.raw[8];
      frame.data.assign(frame.raw.begin() + 9, frame.raw.end() - 1);
    }
    frames.push_back(std::move(frame));
  }
}
