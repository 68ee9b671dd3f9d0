// A stand-in for the programs the main window starts from its program
// folder (BlackList.exe, Pellory.exe), copied there under their names by a
// test: it leaves an empty file named after itself in the folder that
// TOOL_STUB_MARKS names, so that the test sees it was started, and ends.
#include <windows.h>

#include <string>

int wmain() {
  wchar_t folder[MAX_PATH];
  const DWORD folderLength = GetEnvironmentVariableW(L"TOOL_STUB_MARKS", folder, MAX_PATH);
  wchar_t self[MAX_PATH];
  const DWORD selfLength = GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (folderLength == 0 || folderLength >= MAX_PATH || selfLength == 0 || selfLength >= MAX_PATH) return 1;
  const std::wstring path = std::wstring(self);
  const std::wstring mark = std::wstring(folder) + path.substr(path.find_last_of(L'\\') + 1);
  HANDLE file = CreateFileW(mark.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  CloseHandle(file);
  return 0;
}
