// The reader program's start-up: the configuration dialog first when the
// settings ask for it, then the main window; no window at all when the
// working folders cannot be prepared.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/message_box.h"
#include "common/reader_settings.h"
#include "common/working_folders.h"
#include "reader_app/resource_ids.h"
#include "reader_app/tarnwick_app.h"
#include "support/app_data_folder.h"
#include "support/modal_driver.h"

namespace {

// The dialogs this thread showed, by title, in order.
struct ShownWindows {
  std::vector<std::wstring> titles;
};

ShownWindows* g_shown = nullptr;

BOOL CALLBACK CloseMainWindow(HWND window, LPARAM) {
  wchar_t title[64] = {};
  GetWindowTextW(window, title, 64);
  if (IsWindowVisible(window) && std::wstring(title) == L"居民身份证阅读器") {
    g_shown->titles.push_back(title);
    PostMessageW(window, WM_COMMAND, ID_TOOL_EXIT, 0);
    return FALSE;
  }
  return TRUE;
}

// Runs on this thread's message loop while the main window runs modally.
void CALLBACK LookForMainWindow(HWND, UINT, UINT_PTR timer, DWORD) {
  const size_t before = g_shown->titles.size();
  EnumThreadWindows(GetCurrentThreadId(), CloseMainWindow, 0);
  if (g_shown->titles.size() != before) KillTimer(nullptr, timer);
}

class StartUpTest : public testing::Test {
 protected:
  void SetUp() override { g_shown = &shown_; }
  void TearDown() override {
    g_shown = nullptr;
    SetMessageBoxHandler({});
  }

  // Starts the program and closes the first window it shows, noting its title.
  ModalOutcome StartAndCloseTheFirstWindow() {
    return DriveModal([&] { return static_cast<INT_PTR>(app_.InitInstance()); },
                      [&](HWND window) {
                        wchar_t title[64] = {};
                        GetWindowTextW(window, title, 64);
                        shown_.titles.push_back(title);
                        PostMessageW(window, WM_COMMAND, ID_TOOL_EXIT, 0);
                      });
  }

  ScopedAppDataFolder appData_;
  ShownWindows shown_;
  CTarnwickApp app_;
};

TEST_F(StartUpTest, TheConfigurationDialogComesFirstAndLeavingItStillOpensTheMainWindow) {
  ASSERT_EQ(PrepareWorkingFolders(), 1);
  wchar_t file[kPathCapacity];
  ASSERT_GT(GetSettingsFilePath(kPathCapacity, file), 0);
  WritePrivateProfileStringW(L"Display", L"Dialog", L"1", file);
  const ModalOutcome config = DriveModal(
      [&] { return static_cast<INT_PTR>(app_.InitInstance()); },
      [&](HWND window) {
        wchar_t title[64] = {};
        GetWindowTextW(window, title, 64);
        shown_.titles.push_back(title);
        SetTimer(nullptr, 0, 100, LookForMainWindow);
        ClickButton(window, IDCANCEL);
      },
      std::chrono::milliseconds(30000));
  EXPECT_EQ(config.result, FALSE);
  EXPECT_FALSE(config.timedOut);
  const std::vector<std::wstring> expected = {L"居民身份证阅读器配置", L"居民身份证阅读器"};
  EXPECT_EQ(shown_.titles, expected);
  EXPECT_EQ(app_.ExitInstance(), 0);
}

TEST_F(StartUpTest, WithoutTheSettingTheMainWindowComesStraightAway) {
  const ModalOutcome main = StartAndCloseTheFirstWindow();
  EXPECT_EQ(main.result, FALSE);
  const std::vector<std::wstring> expected = {L"居民身份证阅读器"};
  EXPECT_EQ(shown_.titles, expected);
  EXPECT_EQ(app_.ExitInstance(), 0);
}

TEST_F(StartUpTest, AFailedPreparationShowsItsMessageAndNoWindow) {
  std::wstring message;
  SetMessageBoxHandler([&](HWND owner, const wchar_t* text, const wchar_t*, UINT) {
    EXPECT_EQ(owner, nullptr);
    message = text;
    return IDOK;
  });
  // An application-data folder under a file cannot hold a settings folder.
  const std::wstring blocker = appData_.Path() + L"file";
  HANDLE file = CreateFileW(blocker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  appData_.PointAt(blocker + L"\\");
  const ModalOutcome outcome =
      DriveModal([&] { return static_cast<INT_PTR>(app_.InitInstance()); }, [](HWND) {},
                 std::chrono::milliseconds(3000));
  EXPECT_EQ(outcome.result, FALSE);
  EXPECT_FALSE(outcome.stepsRan) << "a window was shown";
  EXPECT_FALSE(message.empty());
  EXPECT_EQ(app_.ExitInstance(), 0);
}

TEST_F(StartUpTest, ADamagedCard2IsNamedLeftAloneAndTheMainWindowStillOpens) {
  ASSERT_EQ(PrepareWorkingFolders(), 1);
  const std::wstring card2 = std::wstring(GetSavePath()) + L"card2";
  // A first copy cut short by a power cut.
  HANDLE file = CreateFileW(card2.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  SetFilePointer(file, 8192, nullptr, FILE_BEGIN);
  SetEndOfFile(file);
  CloseHandle(file);
  std::vector<std::wstring> messages;
  SetMessageBoxHandler([&](HWND, const wchar_t* text, const wchar_t*, UINT) {
    messages.emplace_back(text);
    return IDOK;
  });
  const ModalOutcome main = StartAndCloseTheFirstWindow();
  EXPECT_EQ(main.result, FALSE);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find(card2), std::wstring::npos) << "the message does not name the file";
  const std::vector<std::wstring> expected = {L"居民身份证阅读器"};
  EXPECT_EQ(shown_.titles, expected) << "the reader program goes on showing cards";
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExW(card2.c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(data.nFileSizeLow, 8192u) << "the damaged file was replaced or changed";
  EXPECT_EQ(app_.ExitInstance(), 0);
}

}  // namespace
