// press-print: presses the print button of the reader program's window and
// answers the printer dialog with OK, as a clerk would. The demo uses it to
// print the card it read.
//
//   press-print.exe [SECONDS]
//
// Exit code 0 when the dialog was answered, 1 when the window or the dialog
// did not show up in time, 2 on wrong arguments.
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

constexpr wchar_t kMainWindowTitle[] = L"居民身份证阅读器";
constexpr WPARAM kPrintCommand = 199;
constexpr DWORD kPollMs = 100;

struct DialogSearch {
  DWORD process;
  HWND owner;
  HWND found;
};

// A visible dialog of the reader program other than its main window.
BOOL CALLBACK FindDialog(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<DialogSearch*>(context);
  wchar_t className[16];
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != search->process || window == search->owner || !IsWindowVisible(window)) return TRUE;
  if (GetClassNameW(window, className, 16) == 0 || std::wcscmp(className, L"#32770") != 0) return TRUE;
  search->found = window;
  return FALSE;
}

HWND WaitFor(ULONGLONG deadline, HWND (*find)(HWND), HWND owner) {
  for (;;) {
    if (HWND window = find(owner)) return window;
    if (GetTickCount64() >= deadline) return nullptr;
    Sleep(kPollMs);
  }
}

HWND MainWindow(HWND) {
  HWND window = FindWindowW(nullptr, kMainWindowTitle);
  return window != nullptr && IsWindowVisible(window) ? window : nullptr;
}

HWND PrinterDialog(HWND owner) {
  DialogSearch search{0, owner, nullptr};
  GetWindowThreadProcessId(owner, &search.process);
  EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const long seconds = argc == 2 ? std::wcstol(argv[1], nullptr, 10) : 20;
  if (argc > 2 || seconds < 1 || seconds > 600) {
    std::fputs("usage: press-print [SECONDS]\n", stderr);
    return 2;
  }
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
  HWND window = WaitFor(deadline, MainWindow, nullptr);
  if (window == nullptr) {
    std::fputs("press-print: no reader program window\n", stderr);
    return 1;
  }
  PostMessageW(window, WM_COMMAND, kPrintCommand, 0);
  HWND dialog = WaitFor(deadline, PrinterDialog, window);
  if (dialog == nullptr) {
    std::fputs("press-print: no printer dialog\n", stderr);
    return 1;
  }
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  return 0;
}
