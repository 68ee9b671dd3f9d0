// window-close: asks a top-level window with the given title to close, as
// its close box would, and waits until it is gone. The demo and the program
// test end the reader program with it; the platform's process tools need to
// read other processes, which not every machine allows.
//
//   window-close.exe TITLE [SECONDS]
//
// Exit code 0 when the window closed, 1 when there was no such window or it
// stayed open, 2 on wrong arguments.
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {
constexpr DWORD kPollMs = 100;
}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2 || argc > 3) {
    std::fputs("usage: window-close TITLE [SECONDS]\n", stderr);
    return 2;
  }
  const long seconds = argc == 3 ? std::wcstol(argv[2], nullptr, 10) : 30;
  if (seconds < 1 || seconds > 600) {
    std::fputs("window-close: SECONDS must be from 1 to 600\n", stderr);
    return 2;
  }
  HWND window = FindWindowW(nullptr, argv[1]);
  if (window == nullptr) {
    std::fputs("window-close: no such window\n", stderr);
    return 1;
  }
  PostMessageW(window, WM_CLOSE, 0, 0);
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
  while (IsWindow(window)) {
    if (GetTickCount64() >= deadline) {
      std::fputs("window-close: the window stayed open\n", stderr);
      return 1;
    }
    Sleep(kPollMs);
  }
  return 0;
}
