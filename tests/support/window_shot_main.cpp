// window-shot: waits for a top-level window with the given title, lets it
// settle, saves a screenshot of it in the build's screenshot folder and
// prints its place on the screen ("LEFT TOP WIDTH HEIGHT"). A copy taken
// from another process may lack the window's child windows; the demo uses
// the place to cut the whole window out of the X screen.
//
//   window-shot.exe TITLE NAME [SECONDS]
//
// Exit code 0 when saved, 1 when no such window showed up in time or the
// picture could not be saved, 2 on wrong arguments.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "support/screenshot.h"

namespace {
constexpr DWORD kPollMs = 100;
constexpr DWORD kSettleMs = 500;

HWND WaitForWindow(const wchar_t* title, ULONGLONG deadline) {
  for (;;) {
    HWND window = FindWindowW(nullptr, title);
    if (window != nullptr && IsWindowVisible(window)) return window;
    if (GetTickCount64() >= deadline) return nullptr;
    Sleep(kPollMs);
  }
}

std::string ToUtf8(const wchar_t* text) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string utf8(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), length, nullptr, nullptr);
  utf8.pop_back();
  return utf8;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3 || argc > 4) {
    std::fputs("usage: window-shot TITLE NAME [SECONDS]\n", stderr);
    return 2;
  }
  const long seconds = argc == 4 ? std::wcstol(argv[3], nullptr, 10) : 10;
  if (seconds < 1 || seconds > 600) {
    std::fputs("window-shot: SECONDS must be from 1 to 600\n", stderr);
    return 2;
  }
  HWND window = WaitForWindow(argv[1], GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000);
  if (window == nullptr) {
    std::fputs("window-shot: no such window\n", stderr);
    return 1;
  }
  Sleep(kSettleMs);
  const std::string name = ToUtf8(argv[2]);
  if (SaveWindowScreenshot(window, name.c_str()) != kScreenshotSaved) {
    std::fputs("window-shot: the screenshot could not be saved\n", stderr);
    return 1;
  }
  RECT place{};
  GetWindowRect(window, &place);
  std::printf("%ld %ld %ld %ld\n", place.left, place.top, place.right - place.left, place.bottom - place.top);
  return 0;
}
