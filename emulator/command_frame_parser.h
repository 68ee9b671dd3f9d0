// Splits the byte stream from the host into command frames.
//
// The stream is outside input: anything may arrive. The parser looks for
// the preamble, skipping whatever comes before it; a frame whose length
// field is out of bounds is reported and the search for the next preamble
// resumes right after its length field, so one bad head never swallows the
// frames behind it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The reader's receive buffer: command, parameter, up to 61 data bytes and
// the checksum. The commands in use have L = 3 or 4.
inline constexpr std::uint32_t kShortestCommandBody = 3;
inline constexpr std::uint32_t kLongestCommandBody = 64;

enum class IncomingKind {
  kCommand,      // a well-formed frame
  kBadChecksum,  // a complete frame whose XOR check failed
  kBadLength,    // a head whose L is out of bounds; only the head is consumed
};

struct IncomingFrame {
  IncomingKind kind = IncomingKind::kCommand;
  std::vector<std::uint8_t> raw;  // the bytes as received, from the preamble on
  std::uint8_t command = 0;
  std::uint8_t parameter = 0;
  std::vector<std::uint8_t> data;  // between parameter and checksum
};

class CommandFrameParser {
 public:
  // Takes the next bytes of the stream and appends every frame they
  // complete to frames.
  void Feed(std::span<const std::uint8_t> bytes, std::vector<IncomingFrame>& frames);
  // True while bytes of an unfinished frame (or preamble) are held.
  bool HoldsPartialFrame() const { return !pending_.empty(); }
  // Forgets an unfinished frame, as a reader does after a pause on the line.
  void DiscardPartialFrame() { pending_.clear(); }

 private:
  // Drops bytes up to the next preamble; false when none is complete yet.
  bool SkipToPreamble();
  std::vector<std::uint8_t> pending_;
};
