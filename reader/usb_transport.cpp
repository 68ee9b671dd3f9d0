#include "reader/usb_transport.h"

#include "common/reader_settings.h"
#include "reader/serial_transport.h"
#include "reader/usb_device.h"

namespace {
// The driver's calls may block for as long as the driver likes, so each is
// bounded like the serial line: a send gives up after 1000 ms plus 1 ms a
// byte, a receive after 3000 ms plus 1 ms a byte.
constexpr DWORD kSendTimeoutMs = 1000;
constexpr DWORD kReceiveTimeoutMs = 3000;

// The driver takes the frame in two calls (head, body) and gives the
// response in two (head, body).
class UsbChannel final : public FrameChannel {
 public:
  UsbChannel(UsbDeviceSystem& devices, HANDLE device) : devices_(devices), device_(device) {}

  int Send(const std::uint8_t* frame, std::uint32_t length) override {
    if (length < kFrameHeadLength) return kLinkShortTransfer;
    if (!SendPart(kIoctlSendHead, frame, kFrameHeadLength) ||
        !SendPart(kIoctlSendBody, frame + kFrameHeadLength, length - kFrameHeadLength)) {
      return kLinkPortUnusable;
    }
    return 0;
  }

  int Receive(std::uint8_t* into, std::uint32_t count) override {
    const DWORD code = headReceived_ ? kIoctlReceiveBody : kIoctlReceiveHead;
    headReceived_ = true;
    DWORD returned = 0;
    if (!devices_.Control(device_, code, nullptr, 0, into, count, returned, kReceiveTimeoutMs + count)) {
      return kLinkPortUnusable;
    }
    return returned != count ? kLinkShortTransfer : 0;
  }

 private:
  bool SendPart(DWORD code, const std::uint8_t* part, std::uint32_t length) {
    DWORD returned = 0;
    return devices_.Control(device_, code, part, length, nullptr, 0, returned, kSendTimeoutMs + length);
  }

  UsbDeviceSystem& devices_;
  HANDLE device_;
  bool headReceived_ = false;
};
}  // namespace

HANDLE OpenUsbReader() {
  UsbDeviceSystem& devices = CurrentUsbDeviceSystem();
  bool complete = false;
  for (const auto& entry : devices.ListInterfaces(complete)) {
    if (lstrcmpiW(entry.setupClass.c_str(), kReaderSetupClass) != 0) continue;
    if (HANDLE device = devices.Open(entry.path)) return device;
  }
  return nullptr;
}

int ConnectUsb(ReaderLink& link) {
  link.handle = OpenUsbReader();
  if (link.handle == nullptr) return kLinkPortUnusable;
  link.port = kUsbLinkPort;
  const int result = SamUsbExchange(link, samv::kStatusCheckFrame.data(), samv::kStatusCheckFrame.size());
  if (result != kStatusSuccess) CloseReaderLink(link);
  return result;
}

int SamUsbExchange(ReaderLink& link, const std::uint8_t* frame, std::uint32_t frameLength) {
  UsbChannel channel(CurrentUsbDeviceSystem(), link.handle);
  return ExchangeFrame(link, channel, frame, frameLength);
}

int ConnectReader(ReaderLink& link, int portNumber) {
  return portNumber >= kUsbPortBase ? ConnectUsb(link) : ConnectSerial(link, portNumber);
}

int ExchangeOverLink(ReaderLink& link, const std::uint8_t* frame, std::uint32_t frameLength) {
  return link.port >= kUsbPortBase ? SamUsbExchange(link, frame, frameLength) : SamExchange(link, frame, frameLength);
}
