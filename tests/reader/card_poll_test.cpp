// Stopping the polling thread while it waits for a window that does not
// answer: the wait ends at once and the thread ends after its pass.
#include <gtest/gtest.h>

#include "common/reader_settings.h"
#include "common/working_folders.h"
#include "reader/card_poll.h"
#include "support/app_data_folder.h"
#include "support/emulator_control.h"

namespace {
constexpr wchar_t kWindowClass[] = L"CardPollTestWindow";
constexpr std::int32_t kPortTypeSerial = 2;

bool g_cardRead = false;

LRESULT CALLBACK SilentWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CARD_READ) g_cardRead = true;  // and never takes the card
  return DefWindowProcW(window, message, wParam, lParam);
}

void PumpUntil(bool& flag, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (!flag && GetTickCount64() < deadline) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
}

TEST(CardPollThread, StoppingEndsTheHandshakeWaitAtOnce) {
  EmulatorControl emulator;
  ASSERT_TRUE(emulator.Connected()) << "run under tests/support/with-emulator";
  ScopedAppDataFolder appData;
  wchar_t settingsFolder[kPathCapacity];
  ASSERT_GT(GetSettingsFolder(kPathCapacity, settingsFolder), 0);
  ASSERT_TRUE(CreatePathFolders(settingsFolder));
  LoadSettings();  // defaults: no file yet
  SetSavePath(settingsFolder);
  SetPortType(kPortTypeSerial);
  SetComPort(EmulatorComPort());
  emulator.Request("clear-faults");
  emulator.Request("lay " + std::string(SAMPLE_CARD));

  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = SilentWindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kWindowClass;
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);

  SetPollRunning(1);
  HANDLE thread = CreateThread(nullptr, 0, CardPollThread, window, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  PumpUntil(g_cardRead, 10000);
  EXPECT_TRUE(g_cardRead);
  const ULONGLONG stopping = GetTickCount64();
  SetPollRunning(0);
  EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  // The hand-shake would have lasted 2000 ms; the pass ends well before.
  EXPECT_LT(GetTickCount64() - stopping, 1500u);
  CloseHandle(thread);
  DestroyWindow(window);
  UnregisterClassW(kWindowClass, instance);
}
}  // namespace
