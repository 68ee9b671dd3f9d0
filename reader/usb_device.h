// The narrow seam to the reader's USB driver: list the present USB device
// interfaces with their setup class, open one by path, and make one device
// I/O control call. The Win32 implementation uses SetupDi and
// DeviceIoControl; tests install a fake device.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct UsbDeviceInterface {
  std::wstring path;        // device path to open
  std::wstring setupClass;  // the device's setup class GUID as text
};

class UsbDeviceSystem {
 public:
  virtual ~UsbDeviceSystem() = default;
  // The present interfaces of the USB device class in enumeration order.
  // Interfaces whose details cannot be sized are left out; when reading
  // the details of one fails, listing stops and complete is false.
  virtual std::vector<UsbDeviceInterface> ListInterfaces(bool& complete) = 0;
  // Opens a device path for control requests only; null on failure.
  virtual HANDLE Open(const std::wstring& path) = 0;
  // One control request. A request that has not completed within timeoutMs
  // is cancelled and fails; the call returns only once the driver is done
  // with the buffers.
  virtual bool Control(HANDLE device, DWORD code, const void* input, DWORD inputSize, void* output,
                       DWORD outputSize, DWORD& returned, DWORD timeoutMs) = 0;
  virtual void Close(HANDLE device) = 0;
};

// The device system in use: the platform's unless a test installed another.
UsbDeviceSystem& CurrentUsbDeviceSystem();
// Installs a replacement (tests only); null restores the platform's.
void InstallUsbDeviceSystem(UsbDeviceSystem* system);
