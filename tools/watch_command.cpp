#include "tools/watch_command.h"

#include <windows.h>

#include "common/reader_settings.h"
#include "reader/card_poll.h"
#include "tools/console.h"
#include "tools/card_json.h"
#include "tools/json_line.h"

namespace {
constexpr wchar_t kWindowClass[] = L"ReaderctlWatchWindow";
constexpr UINT_PTR kStopTimer = 1;
constexpr std::int32_t kPortTypeSerial = 2;
// Posted by the polling thread in place of its beep.
constexpr UINT WM_WATCH_BEEP = WM_APP + 2;

HWND g_watchWindow = nullptr;

void ReportBeep() { PostMessageW(g_watchWindow, WM_WATCH_BEEP, 0, 0); }

struct WatchState {
  bool answer;
  ULONGLONG started;
};

const char* MessageName(UINT message) {
  if (message == WM_WATCH_BEEP) return "beep";
  return message == WM_CARD_READ ? "WM_CARD_READ" : "WM_CARD_STATUS";
}

void PrintMessage(const WatchState& state, UINT message, WPARAM kind, LPARAM code) {
  JsonLine line;
  line.Add("command", "watch").Add("message", MessageName(message));
  line.Add("kind", static_cast<std::int64_t>(kind)).Add("code", static_cast<std::int64_t>(code));
  line.Add("ms", static_cast<std::int64_t>(GetTickCount64() - state.started));
  const bool carriesCard = message == WM_CARD_READ || (message == WM_CARD_STATUS && kind == kNewAddressAdded);
  if (carriesCard && state.answer) {
    CardInfo card{};
    TakeCardInfo(card);  // at once, as the reader program's window does
    AddCardFields(line, card);
  }
  WriteOutputLine(line.Text());
}

LRESULT CALLBACK WatchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<WatchState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_CARD_STATUS:
    case WM_CARD_READ:
    case WM_WATCH_BEEP:
      if (state != nullptr) PrintMessage(*state, message, wParam, lParam);
      return 0;
    case WM_TIMER:
      if (wParam == kStopTimer) PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

// The loop reads the port from the settings; the watched port is set in
// memory only, never saved.
void UsePort(int port) {
  SetPortType(port >= kUsbPortBase ? kPortTypeUsb : kPortTypeSerial);
  if (port >= kUsbPortBase) {
    SetUsbPort(port);
  } else {
    SetComPort(port);
  }
}

void PumpMessages() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
}
}  // namespace

int RunWatch(int port, int seconds, bool answer) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WatchWindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kWindowClass;
  if (!RegisterClassW(&windowClass)) return 1;
  HWND window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  if (window == nullptr) {
    UnregisterClassW(kWindowClass, instance);
    return 1;
  }
  WatchState state{answer, GetTickCount64()};
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));
  UsePort(port);
  g_watchWindow = window;
  SetReadBeep(ReportBeep);

  SetPollRunning(1);
  HANDLE thread = CreateThread(nullptr, 0, CardPollThread, window, 0, nullptr);
  int exitCode = 1;
  if (thread != nullptr) {
    SetTimer(window, kStopTimer, static_cast<UINT>(seconds) * 1000u, nullptr);
    PumpMessages();
    SetPollRunning(0);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    exitCode = 0;
  }
  SetReadBeep(nullptr);
  KillTimer(window, kStopTimer);
  DestroyWindow(window);
  UnregisterClassW(kWindowClass, instance);
  return exitCode;
}
