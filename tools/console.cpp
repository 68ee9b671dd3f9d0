#include "tools/console.h"

#include <windows.h>

#include "common/message_box.h"
#include "tools/json_line.h"

namespace {
void WriteLine(DWORD stream, const std::string& utf8) {
  HANDLE handle = GetStdHandle(stream);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  const std::string line = utf8 + "\n";
  DWORD written = 0;
  WriteFile(handle, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}
}  // namespace

void WriteOutputLine(const std::string& utf8) { WriteLine(STD_OUTPUT_HANDLE, utf8); }

void WriteErrorLine(const std::string& utf8) { WriteLine(STD_ERROR_HANDLE, utf8); }

void RouteMessageBoxesToConsole() {
  SetMessageBoxHandler([](HWND, const wchar_t* text, const wchar_t*, UINT) {
    WriteErrorLine("readerctl: " + Utf8FromWide(text));
    return IDOK;
  });
}
