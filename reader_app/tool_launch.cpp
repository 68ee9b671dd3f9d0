#include "reader_app/tool_launch.h"

#include <windows.h>

#include <cwchar>

#include "common/reader_settings.h"
#include "common/working_folders.h"

bool StartProgramTool(const wchar_t* fileName) {
  wchar_t path[kPathCapacity];
  const int folderLength = GetProgramFolder(kPathCapacity, path);
  if (folderLength == 0 || folderLength + std::wcslen(fileName) >= kPathCapacity) return false;
  wcscat_s(path, fileName);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(path, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}
