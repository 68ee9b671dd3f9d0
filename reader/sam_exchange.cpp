#include "reader/reader_link.h"

#include "common/reader_settings.h"
#include "reader/usb_device.h"

namespace {
constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;

// A serial port opened without overlapped I/O: one write call for the
// frame, one read call for each part of the response.
class SerialChannel final : public FrameChannel {
 public:
  explicit SerialChannel(HANDLE port) : port_(port) {}
  ~SerialChannel() override { PurgeComm(port_, kPurgeAll); }  // drop anything the reader sent beyond the frame

  int Send(const std::uint8_t* frame, std::uint32_t length) override {
    // A response that came after the last read timed out would otherwise
    // be taken as the answer to this command.
    PurgeComm(port_, PURGE_RXABORT | PURGE_RXCLEAR);
    DWORD written = 0;
    if (!WriteFile(port_, frame, length, &written, nullptr)) return kLinkPortUnusable;
    return written < length ? kLinkShortTransfer : 0;
  }

  int Receive(std::uint8_t* into, std::uint32_t count) override {
    DWORD read = 0;
    if (!ReadFile(port_, into, count, &read, nullptr)) return kLinkPortUnusable;
    return read < count ? kLinkShortTransfer : 0;
  }

 private:
  HANDLE port_;
};
}  // namespace

ReaderLink::ReaderLink(std::uint32_t bufferCapacity)
    : capacity(bufferCapacity), storage_(new std::uint8_t[bufferCapacity < kResponsePayloadOffset ? kResponsePayloadOffset : bufferCapacity]()) {
  buffer = storage_.get();
  payload = buffer + kResponsePayloadOffset;
}

ReaderLink::~ReaderLink() { CloseReaderLink(*this); }

void CloseReaderLink(ReaderLink& link) {
  if (link.handle == nullptr) return;
  if (link.port >= kUsbPortBase) {
    CurrentUsbDeviceSystem().Close(link.handle);
  } else {
    CloseHandle(link.handle);
  }
  link.handle = nullptr;
}

int ExchangeFrame(ReaderLink& link, FrameChannel& channel, const std::uint8_t* frame, std::uint32_t frameLength) {
  link.payloadLength = 0;
  if (link.capacity < kFrameHeadLength) return kLinkLengthOutOfBounds;
  if (const int sent = channel.Send(frame, frameLength); sent != 0) return sent;
  if (const int head = channel.Receive(link.buffer, kFrameHeadLength); head != 0) return head;

  std::uint32_t bodyLength = 0;
  if (const int checked = CheckResponseHead(link.buffer, link.capacity, bodyLength); checked != 0) return checked;
  if (const int body = channel.Receive(link.buffer + kFrameHeadLength, bodyLength); body != 0) return body;
  if (const int sum = CheckResponseChecksum(link.buffer, bodyLength); sum != 0) return sum;

  link.payloadLength = static_cast<std::int32_t>(bodyLength - kResponseMinimumBodyLength);
  return link.buffer[9];  // SW3
}

int SamExchange(ReaderLink& link, const std::uint8_t* frame, std::uint32_t frameLength) {
  SerialChannel channel(link.handle);
  return ExchangeFrame(link, channel, frame, frameLength);
}
