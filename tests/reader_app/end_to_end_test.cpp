// The main window with the real polling loop against the reader emulator:
// a card laid on the reader is shown, raises the blacklist alarm, is stored
// and archived; closing the window while a card is read leaves no thread.
#include <windows.h>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cwchar>
#include <functional>
#include <string>

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

int ExecuteSql(const char* sql) {
  sqlite3* db = nullptr;
  int result = OpenCardDatabase(&db);
  if (result == SQLITE_OK) result = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return result;
}

int StoredReadsOf(const wchar_t* id) {
  sqlite3* db = nullptr;
  int count = -1;
  if (OpenCardDatabase(&db) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare16_v2(db, L"select count(*) from cardinfo where cardid = ?", -1, &statement, nullptr) ==
        SQLITE_OK) {
      sqlite3_bind_text16(statement, 1, id, -1, SQLITE_TRANSIENT);
      if (sqlite3_step(statement) == SQLITE_ROW) count = sqlite3_column_int(statement, 0);
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return count;
}

std::wstring ArchivedPhotoPath() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t name[64];
  std::swprintf(name, 64, L"%04d%02d\\%02d_%ls.bmp", now.wYear, now.wMonth, now.wDay, kSampleId);
  return std::wstring(GetSavePath()) + name;
}

class EndToEndTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(emulator_.Connected()) << "run under tests/support/with-emulator";
    emulator_.Request("clear-faults");
    emulator_.Request("lift");
    ASSERT_TRUE(UseEmulatorAsReader({{L"Card", L"ReadAppend", L"1"}}));
    SetAutoSave(1);
    SetClear(1);
  }

  EmulatorControl emulator_;
  ScopedAppDataFolder appData_;
  CTarnwickDlg dialog_;
};

TEST_F(EndToEndTest, ACardLaidOnIsShownAlarmedStoredAndArchived) {
  ASSERT_EQ(ExecuteSql("insert into blacklist values ('99052119920314002X', 'test')"), SQLITE_OK);
  const ModalOutcome outcome = RunModal(dialog_, [&](HWND window) {
    EXPECT_TRUE(PumpUntil([&] { return std::wcscmp(dialog_.m_szStatus, L"请放卡...") == 0; }, 10000))
        << "status: " << testing::PrintToString(std::wstring(dialog_.m_szStatus));
    emulator_.Request("lay " + std::string(SAMPLE_CARD));
    EXPECT_TRUE(PumpUntil([&] { return dialog_.m_bAlarm == 1 && dialog_.m_cardShown.newAddress[0] != L'\0'; }, 10000));
    EXPECT_STREQ(dialog_.m_cardShown.idNumber, kSampleId);
    EXPECT_STREQ(dialog_.m_cardLast.idNumber, kSampleId);
    EXPECT_STREQ(dialog_.m_szStatus, L"此人已被列入黑名单！");
    EXPECT_NE(dialog_.m_hPhoto.Get(), nullptr);
    // The row is stored after the window has the card.
    EXPECT_TRUE(PumpUntil([] { return StoredReadsOf(kSampleId) == 1; }, 5000));
    EXPECT_TRUE(PumpUntil([] { return GetFileAttributesW(ArchivedPhotoPath().c_str()) != INVALID_FILE_ATTRIBUTES; }, 5000));
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    EXPECT_EQ(SaveWindowScreenshot(window, "reader_main_emulator_alarm"), kScreenshotSaved);
    // The card lifted: the alarm text stays.
    emulator_.Request("lift");
    PumpUntil([] { return false; }, 600);
    EXPECT_STREQ(dialog_.m_szStatus, L"此人已被列入黑名单！");
    SendMessageW(window, WM_COMMAND, ID_TOOL_EXIT, 0);
  });
  EXPECT_EQ(outcome.result, IDCANCEL);
  EXPECT_FALSE(outcome.closedByDriver);
}

TEST_F(EndToEndTest, ClosingWhileACardIsReadWaitsForTheLoopToEnd) {
  HANDLE thread = nullptr;
  const ModalOutcome outcome = RunModal(dialog_, [&](HWND window) {
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), dialog_.m_hPollThread, GetCurrentProcess(), &thread, SYNCHRONIZE,
                                FALSE, 0));
    EXPECT_TRUE(PumpUntil([&] { return std::wcscmp(dialog_.m_szStatus, L"请放卡...") == 0; }, 10000));
    emulator_.Request("lay " + std::string(SAMPLE_CARD));
    EXPECT_TRUE(PumpUntil([&] { return std::wcscmp(dialog_.m_szStatus, L"正在读卡...") == 0; }, 10000));
    SendMessageW(window, WM_COMMAND, ID_TOOL_EXIT, 0);
  });
  EXPECT_EQ(outcome.result, IDCANCEL);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0) << "the polling thread outlived the window";
  EXPECT_EQ(dialog_.m_hPollThread, nullptr);
  CloseHandle(thread);
}

TEST_F(EndToEndTest, TheConfigurationDialogMovesTheLoopToAnotherPort) {
  SetComPort(3);  // nothing there
  RunModal(dialog_, [&](HWND window) {
    EXPECT_TRUE(PumpUntil([&] { return std::wcscmp(dialog_.m_szStatus, L"连接 COM3 端口失败") == 0; }, 10000))
        << "status: " << testing::PrintToString(std::wstring(dialog_.m_szStatus));
    const ModalOutcome config = DriveModal(
        [&] {
          SendMessageW(window, WM_COMMAND, ID_MENU_CONFIG, 0);
          return INT_PTR{0};
        },
        [&](HWND configWindow) {
          ASSERT_EQ(SendDlgItemMessageW(configWindow, IDC_PORT_LIST, CB_GETCOUNT, 0, 0), 1);
          SendDlgItemMessageW(configWindow, IDC_PORT_LIST, CB_SETCURSEL, 0, 0);
          ClickButton(configWindow, IDOK);
        });
    EXPECT_EQ(config.result, 0);
    EXPECT_EQ(GetComPort(), EmulatorComPort());
    EXPECT_TRUE(PumpUntil([&] { return std::wcscmp(dialog_.m_szStatus, L"请放卡...") == 0; }, 10000));
    emulator_.Request("lay " + std::string(SAMPLE_CARD));
    EXPECT_TRUE(PumpUntil([&] { return std::wcscmp(dialog_.m_cardShown.idNumber, kSampleId) == 0; }, 10000));
    SendMessageW(window, WM_COMMAND, ID_TOOL_EXIT, 0);
  });
}

}  // namespace
