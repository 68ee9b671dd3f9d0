// window-command: sends a command to a top-level window with the given
// title, as a click on the button or menu item with that id would, once
// the window shows; with --tree, selects the last item under the first
// item of the tree view control with that id instead, as a click on it
// would. The second demo picks the query tool's latest month with it.
//
//   window-command.exe [--tree] TITLE ID [SECONDS]
//
// Exit code 0 when the command was handled, 1 when no such window (or
// tree item) showed up in time, 2 on wrong arguments.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cwchar>

namespace {
constexpr DWORD kPollMs = 100;
}  // namespace

// The tree's handles are plain values: they pass between processes as the
// selection message needs them.
HTREEITEM NextItem(HWND tree, WPARAM relation, HTREEITEM item) {
  return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

int SelectLastChild(HWND window, int id) {
  HWND tree = GetDlgItem(window, id);
  const HTREEITEM root = NextItem(tree, TVGN_ROOT, nullptr);
  HTREEITEM child = root == nullptr ? nullptr : NextItem(tree, TVGN_CHILD, root);
  while (child != nullptr && NextItem(tree, TVGN_NEXT, child) != nullptr) child = NextItem(tree, TVGN_NEXT, child);
  if (child == nullptr) {
    std::fputs("window-command: no such tree item\n", stderr);
    return 1;
  }
  SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(child));
  return 0;
}

int wmain(int argc, wchar_t** argv) {
  const bool tree = argc > 1 && std::wcscmp(argv[1], L"--tree") == 0;
  if (tree) {
    --argc;
    ++argv;
  }
  if (argc < 3 || argc > 4) {
    std::fputs("usage: window-command [--tree] TITLE ID [SECONDS]\n", stderr);
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
  if (tree) return SelectLastChild(window, static_cast<int>(id));
  // Sent, not posted: the command has run when the tool ends.
  SendMessageW(window, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED), 0);
  return 0;
}
