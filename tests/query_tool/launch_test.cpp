// The installed programs under Wine: the reader program's "查询" button
// starts the query tool from the program folder as a process of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "reader_app/resource_ids.h"
#include "support/app_data_folder.h"
#include "support/screenshot.h"

namespace {

constexpr DWORD kPollMs = 100;

HWND WaitForWindow(const wchar_t* title, DWORD timeoutMs) {
  for (DWORD waited = 0; waited < timeoutMs; waited += kPollMs) {
    HWND window = FindWindowW(nullptr, title);
    if (window != nullptr && IsWindowVisible(window)) return window;
    Sleep(kPollMs);
  }
  return nullptr;
}

std::wstring ProcessImageOf(HWND window) {
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
  if (process == nullptr) return {};
  wchar_t path[MAX_PATH];
  DWORD length = MAX_PATH;
  const bool got = QueryFullProcessImageNameW(process, 0, path, &length) != FALSE;
  CloseHandle(process);
  return got ? std::wstring(path, length) : std::wstring();
}

// Posts a close to the window and waits until its process has ended; a
// process that does not end is ended, so that no program outlives the test.
bool CloseAndWait(HWND window, UINT message, WPARAM wParam) {
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id);
  if (process == nullptr) return false;
  PostMessageW(window, message, wParam, 0);
  const bool ended = WaitForSingleObject(process, 20000) == WAIT_OBJECT_0;
  if (!ended) TerminateProcess(process, 1);
  CloseHandle(process);
  return ended;
}

TEST(LaunchTest, QueryButtonStartsTheQueryToolFromTheProgramFolder) {
  ScopedAppDataFolder appData;
  const std::wstring folder = APP_FOLDER;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION reader{};
  ASSERT_TRUE(CreateProcessW((folder + L"Tarnwick.exe").c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &reader));
  CloseHandle(reader.hThread);
  HWND main = WaitForWindow(L"居民身份证阅读器", 30000);
  ASSERT_NE(main, nullptr);

  PostMessageW(main, WM_COMMAND, MAKEWPARAM(ID_TOOL_QUERY, 0), 0);
  HWND query = WaitForWindow(L"查询身份证信息", 30000);
  if (query == nullptr) CloseAndWait(main, WM_COMMAND, MAKEWPARAM(ID_TOOL_EXIT, 0));
  ASSERT_NE(query, nullptr);
  EXPECT_EQ(CompareStringOrdinal(ProcessImageOf(query).c_str(), -1, (folder + L"Pellory.exe").c_str(), -1, TRUE),
            CSTR_EQUAL);
  Sleep(500);
  EXPECT_EQ(SaveWindowScreenshot(query, "query-tool-started"), kScreenshotSaved);
  EXPECT_TRUE(CloseAndWait(query, WM_CLOSE, 0));

  EXPECT_TRUE(CloseAndWait(main, WM_COMMAND, MAKEWPARAM(ID_TOOL_EXIT, 0)));
  if (WaitForSingleObject(reader.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(reader.hProcess, 1);
  CloseHandle(reader.hProcess);
}

}  // namespace
