#include "fake_usb_device.h"

#include <algorithm>
#include <cstring>

#include "reader/usb_transport.h"

FakeUsbDevices::FakeUsbDevices()
    : hangStarted_(CreateEventW(nullptr, TRUE, FALSE, nullptr)), release_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  InstallUsbDeviceSystem(this);
}

FakeUsbDevices::~FakeUsbDevices() {
  InstallUsbDeviceSystem(nullptr);
  CloseHandle(release_);
  CloseHandle(hangStarted_);
}

std::vector<UsbDeviceInterface> FakeUsbDevices::ListInterfaces(bool& complete) {
  complete = listingComplete;
  std::vector<UsbDeviceInterface> listed;
  for (const auto& device : devices) listed.push_back({device.path, device.setupClass});
  return listed;
}

HANDLE FakeUsbDevices::Open(const std::wstring& path) {
  openedPaths.push_back(path);
  const auto it = std::find_if(devices.begin(), devices.end(), [&](const Device& d) { return d.path == path; });
  if (it == devices.end() || !it->opens) return nullptr;
  ++openHandles;
  return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(0x1000 + (it - devices.begin())));
}

void FakeUsbDevices::Close(HANDLE) { --openHandles; }

bool FakeUsbDevices::Control(HANDLE, DWORD code, const void* input, DWORD inputSize, void* output, DWORD outputSize,
                             DWORD& returned, DWORD timeoutMs) {
  returned = 0;
  timeouts[code] = timeoutMs;
  if (failingCodes.count(code) != 0) return false;
  if (hangingCodes.count(code) != 0) {
    SetEvent(hangStarted_);
    WaitForSingleObject(release_, timeoutMs);
    return false;
  }
  const auto* in = static_cast<const std::uint8_t*>(input);
  switch (code) {
    case kIoctlSendHead:
      sending_.assign(in, in + inputSize);
      return true;
    case kIoctlSendBody:
      sending_.insert(sending_.end(), in, in + inputSize);
      sentFrames.push_back(sending_);
      return true;
    case kIoctlReceiveHead:
      receiving_.clear();
      received_ = 0;
      if (!responses.empty()) {
        receiving_ = std::move(responses.front());
        responses.pop_front();
      }
      [[fallthrough]];
    case kIoctlReceiveBody: {
      const std::size_t count = std::min<std::size_t>(outputSize, receiving_.size() - received_);
      std::memcpy(output, receiving_.data() + received_, count);
      received_ += count;
      returned = static_cast<DWORD>(count);
      return true;
    }
    default:
      return false;
  }
}
