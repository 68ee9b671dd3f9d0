// A reader driver stand-in for the USB seam: devices with their setup
// class, scripted response frames, control calls that hang, and a record of
// what was opened and sent.
#pragma once

#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "reader/usb_device.h"

class FakeUsbDevices final : public UsbDeviceSystem {
 public:
  struct Device {
    std::wstring path;
    std::wstring setupClass;
    bool opens = true;
  };

  FakeUsbDevices();
  ~FakeUsbDevices() override;
  FakeUsbDevices(const FakeUsbDevices&) = delete;
  FakeUsbDevices& operator=(const FakeUsbDevices&) = delete;

  std::vector<UsbDeviceInterface> ListInterfaces(bool& complete) override;
  HANDLE Open(const std::wstring& path) override;
  // A hanging call blocks until its time-out runs out and then fails, as
  // the platform's cancelled request does; ReleaseHangingCalls ends it
  // early, for a test whose call was given no bound.
  bool Control(HANDLE device, DWORD code, const void* input, DWORD inputSize, void* output, DWORD outputSize,
               DWORD& returned, DWORD timeoutMs) override;
  void Close(HANDLE device) override;

  // Queues a response: the bytes the driver hands out for the next frame.
  void Respond(std::vector<std::uint8_t> frame) { responses.push_back(std::move(frame)); }
  void ClearResponses() { responses.clear(); }

  std::vector<Device> devices;
  bool listingComplete = true;
  std::set<DWORD> failingCodes;          // control calls that fail
  std::set<DWORD> hangingCodes;          // control calls the driver never completes
  std::vector<std::wstring> openedPaths;  // in order
  std::vector<std::vector<std::uint8_t>> sentFrames;
  std::map<DWORD, DWORD> timeouts;       // the last time-out each control code was given
  int openHandles = 0;

  // Set once a hanging call has started.
  HANDLE HangStarted() const { return hangStarted_; }
  void ReleaseHangingCalls() { SetEvent(release_); }

 private:
  HANDLE hangStarted_;
  HANDLE release_;
  std::deque<std::vector<std::uint8_t>> responses;
  std::vector<std::uint8_t> sending_;
  std::vector<std::uint8_t> receiving_;
  std::size_t received_ = 0;
};

// The reader's setup class as the driver's property gives it.
inline constexpr wchar_t kFakeReaderClass[] = L"{FF646F81-8DEF-11D2-9449-00105A075F6B}";
