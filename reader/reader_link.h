// An open connection to the reader and the exchange of one frame over it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "reader/sam_frame.h"

struct ReaderLink {
  explicit ReaderLink(std::uint32_t bufferCapacity);
  ~ReaderLink();
  ReaderLink(const ReaderLink&) = delete;
  ReaderLink& operator=(const ReaderLink&) = delete;

  HANDLE handle = nullptr;      // open serial port or USB device; null while closed
  std::int32_t port = 0;        // 1..16 serial, 1001 USB
  std::uint8_t* payload;        // response data: always buffer + 10
  std::int32_t payloadLength = 0;
  std::uint32_t capacity;
  std::uint8_t* buffer;         // the whole last response frame

 private:
  std::unique_ptr<std::uint8_t[]> storage_;
};

// Closes the link's handle, if any, and marks the link closed.
void CloseReaderLink(ReaderLink& link);

// The byte channel under one exchange. Both results use the link codes:
// 0 done, kLinkPortUnusable when the call failed, kLinkShortTransfer when
// fewer bytes moved than asked for.
class FrameChannel {
 public:
  virtual ~FrameChannel() = default;
  virtual int Send(const std::uint8_t* frame, std::uint32_t length) = 0;
  virtual int Receive(std::uint8_t* into, std::uint32_t count) = 0;
};

// Sends one command frame and receives the response into link.buffer with
// every check of the response; the same for each transport. Returns a
// link code or the response's status byte (SW3).
int ExchangeFrame(ReaderLink& link, FrameChannel& channel, const std::uint8_t* frame, std::uint32_t frameLength);

// One exchange over the serial port in link.handle; the receive queue is
// purged before the command goes out, and the port afterwards whatever
// happened.
int SamExchange(ReaderLink& link, const std::uint8_t* frame, std::uint32_t frameLength);

// The fixed message for a result or status code.
const wchar_t* StatusText(int code);
