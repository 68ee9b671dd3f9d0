// The polling thread over a USB reader whose driver never completes a
// request: stopping the thread, as closing the main window or opening the
// configuration does, ends it within one polling period plus the time-out
// of one driver call.
#include <gtest/gtest.h>

#include "common/reader_settings.h"
#include "fake_usb_device.h"
#include "reader/card_poll.h"
#include "reader/usb_transport.h"
#include "support/app_data_folder.h"

namespace {
// The polling period of a settings file without the key.
constexpr DWORD kDefaultPeriodMs = 500;
// A receive gives up after 3000 ms plus 1 ms a byte; the head has 7.
constexpr DWORD kHeadReceiveTimeoutMs = 3000 + 7;
// The most a stop may take: the period of a pass that had begun, and the
// one call that pass makes before its exchange fails; and time to spare
// for a slow machine.
constexpr DWORD kStopBoundMs = kDefaultPeriodMs + kHeadReceiveTimeoutMs + 1500;

class UsbPollStopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadSettings();  // an empty profile: the defaults
    SetPortType(kPortTypeUsb);
    SetUsbPort(kUsbLinkPort);
    devices_.devices.push_back({L"\\\\?\\usb#reader", kFakeReaderClass, true});
    window_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
  }

  void TearDown() override {
    if (thread_ != nullptr) {
      // A thread that outlived its bound ends once its call is let go.
      SetPollRunning(0);
      devices_.ReleaseHangingCalls();
      WaitForSingleObject(thread_, INFINITE);
      CloseHandle(thread_);
    }
    DestroyWindow(window_);
  }

  ScopedAppDataFolder appData_;
  FakeUsbDevices devices_;
  HWND window_ = nullptr;
  HANDLE thread_ = nullptr;
};

TEST_F(UsbPollStopTest, StoppingEndsTheThreadWhileTheDriverHoldsARequest) {
  // The driver takes the status check but never answers it.
  devices_.hangingCodes = {kIoctlReceiveHead};
  SetPollRunning(1);
  thread_ = CreateThread(nullptr, 0, CardPollThread, window_, 0, nullptr);
  ASSERT_NE(thread_, nullptr);
  ASSERT_EQ(WaitForSingleObject(devices_.HangStarted(), kDefaultPeriodMs + 5000), WAIT_OBJECT_0);

  const ULONGLONG stopping = GetTickCount64();
  SetPollRunning(0);
  ASSERT_EQ(WaitForSingleObject(thread_, kStopBoundMs), WAIT_OBJECT_0)
      << "still running " << GetTickCount64() - stopping << " ms after the stop";
  CloseHandle(thread_);
  thread_ = nullptr;
  EXPECT_EQ(devices_.openHandles, 0);  // the device was closed on the way out
}
}  // namespace
