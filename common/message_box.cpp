#include "common/message_box.h"

#include <utility>

namespace {
MessageBoxHandler& Handler() {
  static MessageBoxHandler handler;
  return handler;
}
}  // namespace

int ShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
  if (const auto& handler = Handler()) return handler(owner, text, caption, type);
  return MessageBoxW(owner, text, caption, type);
}

void ShowErrorMessage(const wchar_t* text, HWND owner) { ShowMessageBox(owner, text, L"", MB_OK | MB_ICONERROR); }

void SetMessageBoxHandler(MessageBoxHandler handler) { Handler() = std::move(handler); }
