// SAM_V frame layout, checksum and response checks.
//
// Portable code: compiled into the Windows programs and into the native
// reader emulator, so both sides of the line agree byte for byte.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Preamble that opens every frame in both directions.
inline constexpr std::array<std::uint8_t, 5> kFramePreamble = {0xAA, 0xAA, 0xAA, 0x96, 0x69};
// Preamble plus the two length bytes.
inline constexpr std::size_t kFrameHeadLength = 7;
// A response carries SW1, SW2, SW3 and the checksum besides its data.
inline constexpr std::uint32_t kResponseMinimumBodyLength = 4;
// Offset of the response data from the start of the frame.
inline constexpr std::size_t kResponsePayloadOffset = 10;

// Results of a frame exchange that are not a reader status byte.
enum LinkResult : int {
  kLinkPortUnusable = 1,
  kLinkShortTransfer = 2,
  kLinkBadChecksum = 3,
  kLinkLengthOutOfBounds = 241,
};

// Reader status bytes (SW3) that the system acts on.
enum ReaderStatus : int {
  kStatusNoCard = 0x80,
  kStatusSuccess = 0x90,
  kStatusCardFound = 0x9F,
  kStatusInvalidCommand = 0x21,
};

// Link capacities: the polling loop's link holds the largest response
// (read base message, L = 1288); the one-shot links of the baud-rate
// routines hold an 11-byte response without data.
inline constexpr std::uint32_t kPollingLinkCapacity = 1296;
inline constexpr std::uint32_t kShortLinkCapacity = 12;

// XOR of count bytes; 0 for none.
std::uint8_t FrameChecksum(const std::uint8_t* bytes, std::size_t count);

// Command and parameter bytes of the commands the system sends.
namespace samv {
inline constexpr std::uint8_t kCmdStatusCheck = 0x11, kParaStatusCheck = 0xFF;
inline constexpr std::uint8_t kCmdCard = 0x20, kParaFindCard = 0x01, kParaSelectCard = 0x02;
inline constexpr std::uint8_t kCmdRead = 0x30, kParaReadBase = 0x01, kParaReadNewAddress = 0x03;
inline constexpr std::uint8_t kCmdSetBaud = 0x60;
inline constexpr std::uint8_t kCmdSetMaxRf = 0x61, kParaSetMaxRf = 0xFF, kMaxRfBytes = 0x58;

// The constant command frames, exactly as sent.
inline constexpr std::array<std::uint8_t, 10> kStatusCheckFrame = {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x11, 0xFF, 0xED};
inline constexpr std::array<std::uint8_t, 10> kFindCardFrame = {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x20, 0x01, 0x22};
inline constexpr std::array<std::uint8_t, 10> kSelectCardFrame = {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x20, 0x02, 0x21};
inline constexpr std::array<std::uint8_t, 10> kReadBaseFrame = {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x30, 0x01, 0x32};
inline constexpr std::array<std::uint8_t, 10> kReadNewAddressFrame = {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x30, 0x03, 0x30};
inline constexpr std::array<std::uint8_t, 11> kSetMaxRfFrame = {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x04, 0x61, 0xFF, 0x58, 0xC2};

// Line speeds the reader supports, in the order they are probed.
inline constexpr std::array<std::uint32_t, 5> kSupportedSpeeds = {115200, 57600, 38400, 19200, 9600};

// Set-baud code for a speed; 0x04 (9600) for any speed not supported.
std::uint8_t BaudCodeForSpeed(std::uint32_t speed);
// Speed for a set-baud code, or 0 for a code the reader does not know.
std::uint32_t SpeedForBaudCode(std::uint8_t code);

// A command frame: preamble, length, command, parameter, data, checksum.
std::vector<std::uint8_t> BuildCommandFrame(std::uint8_t command, std::uint8_t parameter,
                                            std::span<const std::uint8_t> data = {});
// A response frame: preamble, length, SW1, SW2, SW3, data, checksum.
std::vector<std::uint8_t> BuildResponseFrame(std::uint8_t sw1, std::uint8_t sw2, std::uint8_t sw3,
                                             std::span<const std::uint8_t> data = {});
}  // namespace samv

// Checks the 7-byte head of a response: 0 with bodyLength set to L when it
// is good, kLinkShortTransfer for a wrong preamble, kLinkLengthOutOfBounds
// when L < 4 or L + 7 exceeds capacity.
int CheckResponseHead(const std::uint8_t* head, std::uint32_t capacity, std::uint32_t& bodyLength);

// Checks the checksum of a whole response frame whose head passed
// CheckResponseHead: 0 when good, kLinkBadChecksum otherwise.
int CheckResponseChecksum(const std::uint8_t* frame, std::uint32_t bodyLength);
