// window-command: sends a command to a top-level window with the given
// title, as a click on the button or menu item with that id would, once
// the window shows. The second demo presses the query tool's search button
// with it.
//
//   window-command.exe TITLE ID [SECONDS]
//
// Exit code 0 when the command was handled, 1 when no such window showed up
// in time, 2 on wrong arguments.
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {
constexpr DWORD kPollMs = 100;
}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3 || argc > 4) {
    std::fputs("usage: window-command TITLE ID [SECONDS]\n", stderr);
    return 2;
  }
  const long id = std::wcstol(argv[2], nullptr, 10);
  const long seconds = argc == 4 ? std::wcstol(argv[3], nullptr, 10) : 30;
  if (id < 1 || id > 0xFFFF || seconds < 1 || seconds > 600) {
    std::fputs("window-command: ID must be from 1 to 65535, SECONDS from 1 to 600\n", stderr);
    return 2;
  }
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
  HWND window = nullptr;
  while ((window = FindWindowW(nullptr, argv[1])) == nullptr || !IsWindowVisible(window)) {
    if (GetTickCount64() >= deadline) {
      std::fputs("window-command: no such window\n", stderr);
      return 1;
    }
    Sleep(kPollMs);
  }
  // Sent, not posted: the command has run when the tool ends.
  SendMessageW(window, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED), 0);
  return 0;
}
