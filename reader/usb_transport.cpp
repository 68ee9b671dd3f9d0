#include "reader/usb_transport.h"

#include "common/reader_settings.h"
#include "reader/serial_transport.h"
#include "reader/usb_device.h"

namespace {
// The driver takes the frame in two calls (head, body) and gives the
// response in two (head, body); it has no time-out of its own.
class UsbChannel final : public FrameChannel {
 public:
  UsbChannel(UsbDeviceSystem& devices, HANDLE device) : devices_(devices), device_(device) {}

  int Send(const std::uint8_t* frame, std::uint32_t length) override {
    if (length < kFrameHeadLength) return kLinkShortTransfer;
    DWORD returned = 0;
    if (!devices_.Control(device_, kIoctlSendHead, frame, kFrameHeadLength, nullptr, 0, returned) ||
        !devices_.Control(device_, kIoctlSendBody, frame + kFrameHeadLength, length - kFrameHeadLength, nullptr, 0, returned)) {
      return kLinkPortUnusable;
    }
    return 0;
  }

  int Receive(std::uint8_t* into, std::uint32_t count) override {
    const DWORD code = headReceived_ ? kIoctlReceiveBody : kIoctlReceiveHead;
    headReceived_ = true;
    DWORD returned = 0;
    if (!devices_.Control(device_, code, nullptr, 0, into, count, returned)) return kLinkPortUnusable;
    return returned != count ? kLinkShortTransfer : 0;
  }

 private:
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
