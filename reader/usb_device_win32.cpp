// The platform's USB device access: the SetupDi device-interface calls and
// overlapped DeviceIoControl with a time-out.
#include <windows.h>
#include <initguid.h>
#include <setupapi.h>
#include <usbiodef.h>

#include <memory>

#include "reader/usb_device.h"

namespace {
struct DeviceSetDeleter {
  void operator()(void* set) const { SetupDiDestroyDeviceInfoList(static_cast<HDEVINFO>(set)); }
};
using DeviceSet = std::unique_ptr<void, DeviceSetDeleter>;

struct EventDeleter {
  void operator()(void* event) const { CloseHandle(event); }
};
using EventHandle = std::unique_ptr<void, EventDeleter>;

enum class FetchResult { kListed, kSkipped, kFailed };

// Both sizes are asked first; only an interface whose queries announce a
// size with ERROR_INSUFFICIENT_BUFFER is read.
FetchResult FetchInterface(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& data, UsbDeviceInterface& out) {
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof(device);
  DWORD detailSize = 0;
  const BOOL sized = SetupDiGetDeviceInterfaceDetailW(set, &data, nullptr, 0, &detailSize, &device);
  if (sized || GetLastError() != ERROR_INSUFFICIENT_BUFFER) return FetchResult::kSkipped;
  DWORD classSize = 0;
  const BOOL classSized = SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_CLASSGUID, nullptr, nullptr, 0, &classSize);
  if (classSized || GetLastError() != ERROR_INSUFFICIENT_BUFFER) return FetchResult::kSkipped;

  std::unique_ptr<std::uint8_t[]> detailBuffer(new (std::nothrow) std::uint8_t[detailSize]);
  std::unique_ptr<std::uint8_t[]> classBuffer(new (std::nothrow) std::uint8_t[classSize + sizeof(wchar_t)]());
  if (!detailBuffer || !classBuffer) return FetchResult::kFailed;
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(detailBuffer.get());
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
  if (!SetupDiGetDeviceInterfaceDetailW(set, &data, detail, detailSize, nullptr, &device) ||
      !SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_CLASSGUID, nullptr, classBuffer.get(), classSize, nullptr)) {
    return FetchResult::kFailed;
  }
  out.path = detail->DevicePath;
  out.setupClass = reinterpret_cast<const wchar_t*>(classBuffer.get());
  return FetchResult::kListed;
}

class Win32UsbDeviceSystem final : public UsbDeviceSystem {
 public:
  std::vector<UsbDeviceInterface> ListInterfaces(bool& complete) override {
    std::vector<UsbDeviceInterface> found;
    complete = false;
    HDEVINFO raw = SetupDiGetClassDevsW(&GUID_DEVINTERFACE_USB_DEVICE, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (raw == INVALID_HANDLE_VALUE) return found;
    DeviceSet set(raw);
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof(data);
    for (DWORD index = 0; SetupDiEnumDeviceInterfaces(raw, nullptr, &GUID_DEVINTERFACE_USB_DEVICE, index, &data); ++index) {
      UsbDeviceInterface entry;
      const FetchResult fetched = FetchInterface(raw, data, entry);
      if (fetched == FetchResult::kFailed) return found;
      if (fetched == FetchResult::kListed) found.push_back(std::move(entry));
    }
    complete = true;
    return found;
  }

  // Overlapped, so that a request the driver never completes can be
  // given up.
  HANDLE Open(const std::wstring& path) override {
    HANDLE device = CreateFileW(path.c_str(), 0, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    return device == INVALID_HANDLE_VALUE ? nullptr : device;
  }

  bool Control(HANDLE device, DWORD code, const void* input, DWORD inputSize, void* output, DWORD outputSize,
               DWORD& returned, DWORD timeoutMs) override {
    returned = 0;
    EventHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!done) return false;
    OVERLAPPED overlapped{};
    overlapped.hEvent = done.get();
    if (!DeviceIoControl(device, code, const_cast<void*>(input), inputSize, output, outputSize, nullptr, &overlapped) &&
        GetLastError() != ERROR_IO_PENDING) {
      return false;
    }
    if (WaitForSingleObject(done.get(), timeoutMs) != WAIT_OBJECT_0) CancelIoEx(device, &overlapped);
    // Waits for a cancelled request too: until it completes, the driver
    // may still write into output and overlapped.
    return GetOverlappedResult(device, &overlapped, &returned, TRUE) != 0;
  }

  void Close(HANDLE device) override { CloseHandle(device); }
};

Win32UsbDeviceSystem g_platformDevices;
UsbDeviceSystem* g_installedDevices = nullptr;
}  // namespace

UsbDeviceSystem& CurrentUsbDeviceSystem() {
  return g_installedDevices != nullptr ? *g_installedDevices : g_platformDevices;
}

void InstallUsbDeviceSystem(UsbDeviceSystem* system) { g_installedDevices = system; }
