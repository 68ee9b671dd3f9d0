// The reader program's window with the real polling loop and the reader
// emulator, and BlackList.exe started from its toolbar button: a number
// added in the editor while the window runs raises the alarm at the next
// read, without a restart.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "blacklist_editor/editor_resource_ids.h"
#include "common/card_database.h"
#include "common/reader_settings.h"
#include "common/working_folders.h"
#include "reader_app/resource_ids.h"
#include "reader_app/tarnwick_dlg.h"
#include "support/app_data_folder.h"
#include "support/emulator_control.h"
#include "support/emulator_reader.h"
#include "support/message_pump.h"
#include "support/modal_driver.h"
#include "support/screenshot.h"

namespace {

constexpr wchar_t kSampleId[] = L"99052119920314002X";

// A top-level dialog of another process, found by its caption.
HWND WaitForDialog(const wchar_t* caption) {
  HWND found = nullptr;
  PumpUntil([&] { return (found = FindWindowW(L"#32770", caption)) != nullptr && IsWindowVisible(found); }, 20000);
  return found;
}

class BlacklistEndToEndTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(emulator_.Connected()) << "run under tests/support/with-emulator";
    emulator_.Request("clear-faults");
    emulator_.Request("lift");
    ASSERT_TRUE(UseEmulatorAsReader());
    SetAutoSave(1);
  }

  EmulatorControl emulator_;
  ScopedAppDataFolder appData_;
  CTarnwickDlg dialog_;
};

TEST_F(BlacklistEndToEndTest, ANumberAddedInTheEditorRaisesTheAlarmAtTheNextRead) {
  ASSERT_EQ(IsBlacklisted(kSampleId), 0);
  HANDLE editorProcess = nullptr;
  const ModalOutcome outcome = RunModal(dialog_, [&](HWND window) {
    EXPECT_TRUE(PumpUntil([&] { return std::wcscmp(dialog_.m_szStatus, L"请放卡...") == 0; }, 10000));
    SendMessageW(window, WM_COMMAND, ID_TOOL_BLACKLIST, 0);
    HWND editor = WaitForDialog(L"黑名单管理");
    ASSERT_NE(editor, nullptr) << "the toolbar button did not start BlackList.exe";
    DWORD processId = 0;
    GetWindowThreadProcessId(editor, &processId);
    EXPECT_NE(processId, GetCurrentProcessId());
    editorProcess = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId);

    // The editor's own modal loops run in its process: its commands are
    // posted, never sent, so that this thread is not held by them.
    PostMessageW(editor, WM_COMMAND, IDC_ADD, 0);
    HWND add = WaitForDialog(L"添加黑名单");
    ASSERT_NE(add, nullptr);
    SetDlgItemTextW(add, IDC_NUMBER, kSampleId);
    SetDlgItemTextW(add, IDC_REASON, L"通报在逃");
    PostMessageW(add, WM_COMMAND, IDOK, 0);
    HWND list = GetDlgItem(editor, IDC_LIST);
    EXPECT_TRUE(PumpUntil([&] { return ListView_GetItemCount(list) == 1; }, 10000));
    SaveWindowScreenshot(editor, "blacklist_editor_beside_reader");

    emulator_.Request("lay " + std::string(SAMPLE_CARD));
    EXPECT_TRUE(PumpUntil([&] { return dialog_.m_bAlarm == 1; }, 10000));
    EXPECT_STREQ(dialog_.m_szStatus, L"此人已被列入黑名单！");
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    SaveWindowScreenshot(window, "reader_alarm_after_editor_add");

    PostMessageW(editor, WM_COMMAND, IDCANCEL, 0);
    SendMessageW(window, WM_COMMAND, ID_TOOL_EXIT, 0);
  });
  EXPECT_EQ(outcome.result, IDCANCEL);
  ASSERT_NE(editorProcess, nullptr);
  if (WaitForSingleObject(editorProcess, 20000) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "BlackList.exe did not close";
    // No window of the editor may outlive the test.
    TerminateProcess(editorProcess, 1);
  }
  CloseHandle(editorProcess);
}

}  // namespace
