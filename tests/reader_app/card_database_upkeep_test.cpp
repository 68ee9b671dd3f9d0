// The reader program's start-up work on its card database: the progress
// window that shows while long work runs, and the conversion of an
// old-form card2 (tests/support/make-old-card2) with what a failure says.
#include <windows.h>

#include <commctrl.h>
#include <sqlite3.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "common/card_database_upgrade.h"
#include "common/message_box.h"
#include "common/reader_settings.h"
#include "common/search_statistics.h"
#include "common/message_capture.h"
#include "reader_app/card_database_upkeep.h"
#include "reader_app/progress_window.h"
#include "support/old_form_database.h"
#include "support/screenshot.h"
#include "support/temp_folder.h"

namespace {

constexpr ProgressTexts kTexts{L"测试进度", L"正在测试，请稍候……"};

// The progress window of this process, once it shows.
HWND WaitForProgressWindow() {
  for (int tries = 0; tries < 200; ++tries) {
    HWND window = FindWindowW(nullptr, kTexts.title);
    if (window != nullptr && IsWindowVisible(window)) return window;
    Sleep(10);
  }
  return nullptr;
}

std::wstring ChildText(HWND window, int id) {
  wchar_t text[128] = {};
  GetDlgItemTextW(window, id, text, static_cast<int>(std::size(text)));
  return text;
}

TEST(ProgressWindowTest, LongWorkShowsItsTextAndProgressUntilItEnds) {
  HWND seen = nullptr;
  std::wstring text;
  LRESULT position = -1;
  int shot = 0;
  const int result = RunWithProgressWindow(kTexts, true, [&](const ProgressReport& report) {
    report(400);
    seen = WaitForProgressWindow();
    if (seen == nullptr) return 0;
    text = ChildText(seen, kProgressTextId);
    // Sent from here, so answered once the window thread has taken the
    // report posted before it.
    position = SendDlgItemMessageW(seen, kProgressBarId, PBM_GETPOS, 0, 0);
    shot = SaveWindowScreenshot(seen, "progress-window");
    return 42;
  });
  EXPECT_EQ(result, 42);
  ASSERT_NE(seen, nullptr);
  EXPECT_EQ(text, kTexts.text);
  EXPECT_EQ(position, 400);
  EXPECT_EQ(shot, kScreenshotSaved);
  EXPECT_FALSE(IsWindow(seen));
}

TEST(ProgressWindowTest, WorkOfAMomentShowsNoWindowAndNoBarWithoutProgress) {
  std::atomic<bool> shown = false;
  EXPECT_EQ(RunWithProgressWindow(kTexts, false, [&](const ProgressReport&) {
              HWND window = FindWindowW(nullptr, kTexts.title);
              shown = window != nullptr && IsWindowVisible(window);
              return 7;
            }),
            7);
  EXPECT_FALSE(shown);
  // Without a bar, on long work.
  bool hasBar = true;
  RunWithProgressWindow(kTexts, false, [&](const ProgressReport&) {
    HWND window = WaitForProgressWindow();
    hasBar = window == nullptr || GetDlgItem(window, kProgressBarId) != nullptr;
    return 0;
  });
  EXPECT_FALSE(hasBar);
}

TEST(ProgressWindowTest, ClosingTheWindowDoesNotStopTheWork) {
  bool stillThere = false;
  RunWithProgressWindow(kTexts, true, [&](const ProgressReport&) {
    HWND window = WaitForProgressWindow();
    if (window == nullptr) return 0;
    SendMessageW(window, WM_CLOSE, 0, 0);
    stillThere = IsWindowVisible(window) != FALSE;
    return 0;
  });
  EXPECT_TRUE(stillThere);
}

class CardDatabaseUpkeepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(PlaceOldFormDatabase(folder_.Path()));
    SetSavePath(folder_.Path().c_str());
  }
  void TearDown() override { SetSavePath(L""); }

  std::wstring Card2() const { return folder_ / L"card2"; }

  ScopedTempFolder folder_;
  ScopedMessageCapture messages_;
};

TEST_F(CardDatabaseUpkeepTest, OldFormIsConvertedAtTheStart) {
  const std::string reads = QueryRows(Card2(), "select * from cardinfo order by rowid;");
  KeepCardDatabaseCurrent();
  EXPECT_TRUE(messages_.Texts().empty());
  EXPECT_EQ(DatabaseEncoding(Card2()), "UTF-8");
  EXPECT_EQ(QueryRows(Card2(), "select * from cardinfo order by rowid;"), reads);
  EXPECT_EQ(DatabaseEncoding(folder_ / kOldFormBackupName), "UTF-16le");
  EXPECT_FALSE(SearchStatisticsAreDue());
  // The next start finds nothing to do.
  KeepCardDatabaseCurrent();
  EXPECT_FALSE(FileExists(folder_ / (std::wstring(kOldFormBackupName) + L"-2")));
}

TEST_F(CardDatabaseUpkeepTest, AFailedConversionSaysSoAndTheOldFileStaysInUse) {
  // Another program has card2 open, so it cannot be replaced.
  const HANDLE held = CreateFileW(Card2().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  KeepCardDatabaseCurrent();
  CloseHandle(held);
  ASSERT_EQ(messages_.Messages().size(), 1u);
  const CapturedMessage& message = messages_.Messages()[0];
  EXPECT_EQ(message.text.find(L"验卡记录库 card2 未能转换为新的格式（替换原来的文件，代码 "), 0u) << message.text;
  EXPECT_NE(message.text.find(L"程序继续使用原来的文件"), std::wstring::npos);
  EXPECT_EQ(message.type & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING));
  EXPECT_EQ(DatabaseEncoding(Card2()), "UTF-16le");
  // The old file keeps working: it got the search indices and statistics.
  EXPECT_EQ(QueryRows(Card2(), "select count(*) from sqlite_master where name = 'cardinfo_name';"), "1");
  EXPECT_FALSE(SearchStatisticsAreDue());
}

}  // namespace
