// The host's byte stream cut into command frames, whatever it holds.
#include "emulator/command_frame_parser.h"

#include <gtest/gtest.h>

#include <vector>

#include "reader/sam_frame.h"

namespace {
using Bytes = std::vector<std::uint8_t>;

const Bytes kStatusCheck(samv::kStatusCheckFrame.begin(), samv::kStatusCheckFrame.end());
const Bytes kSetMaxRf(samv::kSetMaxRfFrame.begin(), samv::kSetMaxRfFrame.end());

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

std::vector<IncomingFrame> FeedAll(CommandFrameParser& parser, const Bytes& bytes) {
  std::vector<IncomingFrame> frames;
  parser.Feed(bytes, frames);
  return frames;
}
}  // namespace

TEST(CommandFrameParser, FramesComeOutWhateverTheChunksAre) {
  const Bytes stream = Join({kStatusCheck, kSetMaxRf});
  for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
    CommandFrameParser parser;
    std::vector<IncomingFrame> frames;
    parser.Feed({stream.data(), cut}, frames);
    parser.Feed({stream.data() + cut, stream.size() - cut}, frames);
    ASSERT_EQ(frames.size(), 2u) << cut;
    EXPECT_EQ(frames[0].raw, kStatusCheck);
    EXPECT_EQ(frames[0].command, 0x11);
    EXPECT_EQ(frames[0].parameter, 0xFF);
    EXPECT_TRUE(frames[0].data.empty());
    EXPECT_EQ(frames[1].data, Bytes{0x58});
    EXPECT_FALSE(parser.HoldsPartialFrame());
  }
}

TEST(CommandFrameParser, GarbageBeforeAPreambleIsSkipped) {
  CommandFrameParser parser;
  // Stray bytes, a broken preamble, and an extra AA right before the frame.
  const auto frames = FeedAll(parser, Join({{0x00, 0xAA, 0xAA, 0x96, 0xAA, 0x13, 0xAA}, kStatusCheck}));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].kind, IncomingKind::kCommand);
  EXPECT_EQ(frames[0].raw, kStatusCheck);

  // Only what may still become a preamble is held back.
  EXPECT_TRUE(FeedAll(parser, {0x01, 0x02, 0xAA, 0xAA}).empty());
  EXPECT_TRUE(parser.HoldsPartialFrame());
  parser.DiscardPartialFrame();
  EXPECT_FALSE(parser.HoldsPartialFrame());
}

TEST(CommandFrameParser, BadChecksumAndBadLengthAreReportedAndTheStreamGoesOn) {
  CommandFrameParser parser;
  Bytes badChecksum = kStatusCheck;
  badChecksum.back() ^= 0x01;
  const Bytes tooShort = {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x02};
  const Bytes tooLong = {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, kLongestCommandBody + 1};
  const auto frames = FeedAll(parser, Join({badChecksum, tooShort, {0x11, 0xED}, tooLong, kStatusCheck}));
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(frames[0].kind, IncomingKind::kBadChecksum);
  EXPECT_EQ(frames[0].raw, badChecksum);
  EXPECT_EQ(frames[1].kind, IncomingKind::kBadLength);
  EXPECT_EQ(frames[1].raw, tooShort);
  EXPECT_EQ(frames[2].kind, IncomingKind::kBadLength);
  EXPECT_EQ(frames[3].kind, IncomingKind::kCommand);
  EXPECT_EQ(frames[3].raw, kStatusCheck);
}

TEST(CommandFrameParser, LongestAcceptedFrameCarriesItsData) {
  CommandFrameParser parser;
  const Bytes data(kLongestCommandBody - 3, 0x42);
  const auto frames = FeedAll(parser, samv::BuildCommandFrame(0x61, 0xFF, data));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].kind, IncomingKind::kCommand);
  EXPECT_EQ(frames[0].data, data);
}
