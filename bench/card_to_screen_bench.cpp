// Time from laying a card on the reader to the window's WM_CARD_READ, with
// the polling loop exactly as the reader program runs it and the emulated
// reader sending its bytes at the line rate.
//
//   card_to_screen_bench.exe PORT CARDFILE [ROUNDS]
//
// Runs under tests/support/with-emulator --pace (see scripts/bench), which
// gives the emulator's control channel in SAMV_CONTROL.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "common/reader_settings.h"
#include "reader/card_poll.h"
#include "support/emulator_control.h"
#include "common/working_folders.h"
#include "support/app_data_folder.h"

namespace {
constexpr wchar_t kWindowClass[] = L"CardToScreenBench";
constexpr std::int32_t kPortTypeSerial = 2;
// Bytes on the line for find card, select and read base message, both ways.
constexpr int kFrameBytes = (10 + 11) + (10 + 11) + (10 + 1295);
constexpr double kBitsPerByte = 10.0;
constexpr double kLineSpeed = 115200.0;

double g_readAt = 0;

LRESULT CALLBACK BenchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CARD_READ) {
    g_readAt = NowMs();
    CardInfo card;
    TakeCardInfo(card);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// Pumps messages until WM_CARD_READ arrived or the time is up.
bool WaitForRead(double deadline) {
  g_readAt = 0;
  while (g_readAt == 0 && NowMs() < deadline) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  return g_readAt != 0;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: card_to_screen_bench PORT CARDFILE [ROUNDS]\n");
    return 2;
  }
  const int port = _wtoi(argv[1]);
  char cardFile[MAX_PATH * 3];
  WideCharToMultiByte(CP_UTF8, 0, argv[2], -1, cardFile, sizeof(cardFile), nullptr, nullptr);
  const int rounds = argc > 3 ? _wtoi(argv[3]) : 30;
  EmulatorControl emulator;
  if (!emulator.Connected()) return 2;

  // Settings of a profile of its own: Period 100 ms, nothing stored, no
  // beep; the figure is the read itself.
  ScopedAppDataFolder appData;
  wchar_t settingsFolder[kPathCapacity], settingsFile[kPathCapacity];
  if (GetSettingsFolder(kPathCapacity, settingsFolder) == 0 || !CreatePathFolders(settingsFolder) ||
      GetSettingsFilePath(kPathCapacity, settingsFile) == 0) {
    return 1;
  }
  WritePrivateProfileStringW(L"Card", L"Period", L"100", settingsFile);
  WritePrivateProfileStringW(L"Display", L"Sound", L"0", settingsFile);
  WritePrivateProfileStringW(L"Save", L"AutoSave", L"0", settingsFile);
  LoadSettings();
  SetSavePath(settingsFolder);
  SetPortType(kPortTypeSerial);
  SetComPort(port);

  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = BenchWindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kWindowClass;
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);

  // The first lay of a card file makes the emulator encode its portrait;
  // that is the emulator's work, not the read's.
  emulator.Request(std::string("lay ") + cardFile);
  emulator.Request("lift");

  SetPollRunning(1);
  HANDLE thread = CreateThread(nullptr, 0, CardPollThread, window, 0, nullptr);
  std::vector<double> samples;
  for (int round = 0; round < rounds; ++round) {
    emulator.Request("lift");
    Sleep(150 + static_cast<DWORD>(round * 37 % 100));  // lay at any point of the polling period
    const double laid = NowMs();
    emulator.Request(std::string("lay ") + cardFile);
    if (WaitForRead(laid + 5000)) samples.push_back(g_readAt - laid);
  }
  SetPollRunning(0);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  DestroyWindow(window);
  UnregisterClassW(kWindowClass, instance);

  if (samples.empty()) {
    std::fprintf(stderr, "card_to_screen_bench: no card was read\n");
    return 1;
  }
  std::sort(samples.begin(), samples.end());
  const double lineMs = kFrameBytes * kBitsPerByte * 1000.0 / kLineSpeed;
  const double target = GetPeriod() / 2.0 + 1.2 * lineMs;
  std::printf("card to WM_CARD_READ median %6.1f ms over %zu reads (min %.1f, max %.1f)\n", samples[samples.size() / 2],
              samples.size(), samples.front(), samples.back());
  std::printf("frames on the line          %6.1f ms; target Period/2 + 1.2 x line = %.1f ms (Period %d ms)\n", lineMs,
              target, GetPeriod());
  return 0;
}
