// Frame building and response checks, shared by both ends of the line.
#include "reader/sam_frame.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
using Bytes = std::vector<std::uint8_t>;

const Bytes kGoodStatusResponse = {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x04, 0x00, 0x00, 0x90, 0x94};

int CheckHead(const Bytes& frame, std::uint32_t capacity, std::uint32_t& length) {
  return CheckResponseHead(frame.data(), capacity, length);
}

Bytes ResponseWithLength(std::uint16_t length) {
  Bytes frame(kFramePreamble.begin(), kFramePreamble.end());
  frame.push_back(static_cast<std::uint8_t>(length >> 8));
  frame.push_back(static_cast<std::uint8_t>(length));
  return frame;
}
}  // namespace

TEST(SamFrame, ChecksumIsXorOfBytes) {
  const Bytes findCardBody = {0x00, 0x03, 0x20, 0x01};
  EXPECT_EQ(FrameChecksum(findCardBody.data(), findCardBody.size()), 0x22);
  EXPECT_EQ(FrameChecksum(nullptr, 0), 0);
}

TEST(SamFrame, BuiltFramesEqualTheFixedCommandFrames) {
  using namespace samv;
  EXPECT_EQ(BuildCommandFrame(kCmdStatusCheck, kParaStatusCheck), Bytes(kStatusCheckFrame.begin(), kStatusCheckFrame.end()));
  EXPECT_EQ(BuildCommandFrame(kCmdCard, kParaFindCard), Bytes(kFindCardFrame.begin(), kFindCardFrame.end()));
  EXPECT_EQ(BuildCommandFrame(kCmdCard, kParaSelectCard), Bytes(kSelectCardFrame.begin(), kSelectCardFrame.end()));
  EXPECT_EQ(BuildCommandFrame(kCmdRead, kParaReadBase), Bytes(kReadBaseFrame.begin(), kReadBaseFrame.end()));
  EXPECT_EQ(BuildCommandFrame(kCmdRead, kParaReadNewAddress), Bytes(kReadNewAddressFrame.begin(), kReadNewAddressFrame.end()));
  const Bytes maxRf = {kMaxRfBytes};
  EXPECT_EQ(BuildCommandFrame(kCmdSetMaxRf, kParaSetMaxRf, maxRf), Bytes(kSetMaxRfFrame.begin(), kSetMaxRfFrame.end()));
  EXPECT_EQ(BuildResponseFrame(0x00, 0x00, 0x90), kGoodStatusResponse);
}

TEST(SamFrame, SetBaudFramesCarryTheSpeedCode) {
  using namespace samv;
  EXPECT_EQ(BuildCommandFrame(kCmdSetBaud, BaudCodeForSpeed(115200)),
            (Bytes{0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x60, 0x00, 0x63}));
  EXPECT_EQ(BaudCodeForSpeed(57600), 0x01);
  EXPECT_EQ(BaudCodeForSpeed(19200), 0x03);
  EXPECT_EQ(BaudCodeForSpeed(9600), 0x04);
  EXPECT_EQ(BaudCodeForSpeed(4800), 0x04);  // not supported: the slowest speed
  EXPECT_EQ(SpeedForBaudCode(0x02), 38400u);
  EXPECT_EQ(SpeedForBaudCode(0x05), 0u);
}

TEST(SamFrame, ResponseHeadBoundsFollowTheCapacity) {
  std::uint32_t length = 99;
  EXPECT_EQ(CheckHead(ResponseWithLength(4), kShortLinkCapacity, length), 0);
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(CheckHead(ResponseWithLength(3), kShortLinkCapacity, length), kLinkLengthOutOfBounds);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(CheckHead(ResponseWithLength(5), kShortLinkCapacity, length), 0);
  EXPECT_EQ(CheckHead(ResponseWithLength(6), kShortLinkCapacity, length), kLinkLengthOutOfBounds);
  EXPECT_EQ(CheckHead(ResponseWithLength(1288), kPollingLinkCapacity, length), 0);
  EXPECT_EQ(CheckHead(ResponseWithLength(1290), kPollingLinkCapacity, length), kLinkLengthOutOfBounds);
  EXPECT_EQ(CheckHead(ResponseWithLength(0xFFFF), 0xFFFFFFFFu, length), 0);  // no overflow in L + 7
}

TEST(SamFrame, AnyWrongPreambleByteIsAShortTransfer) {
  for (std::size_t i = 0; i < kFramePreamble.size(); ++i) {
    Bytes frame = kGoodStatusResponse;
    frame[i] ^= 0x01;
    std::uint32_t length = 0;
    EXPECT_EQ(CheckHead(frame, kShortLinkCapacity, length), kLinkShortTransfer) << "byte " << i;
  }
}

TEST(SamFrame, ChecksumOfResponseCoversLengthThroughChecksum) {
  EXPECT_EQ(CheckResponseChecksum(kGoodStatusResponse.data(), 4), 0);
  Bytes bad = kGoodStatusResponse;
  bad.back() = 0x95;
  EXPECT_EQ(CheckResponseChecksum(bad.data(), 4), kLinkBadChecksum);
}
