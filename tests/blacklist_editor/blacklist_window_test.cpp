// The editor's windows driven like a person would: the list with its
// filter, adding with the check-digit refusal, a busy database, deleting
// after the confirmation, an import through its summary, an export that
// never writes a list it could not read, and a save folder that moves.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <string>
#include <vector>

#include "blacklist_editor/blacklist_dlg.h"
#include "blacklist_editor/editor_resource_ids.h"
#include "blacklist_editor/entry_dlg.h"
#include "blacklist_editor/text_list.h"
#include "central/central_settings.h"
#include "common/card_database.h"
#include "common/message_box.h"
#include "common/reader_settings.h"
#include "editor_database.h"
#include "support/modal_driver.h"
#include "support/screenshot.h"
#include "support/temp_folder.h"

namespace {

bool Contains(const std::wstring& text, const wchar_t* part) { return text.find(part) != std::wstring::npos; }

void WriteFile(const std::wstring& path, const std::string& bytes) {
  std::ofstream(path.c_str(), std::ios::binary) << bytes;
}

std::wstring ListText(HWND dialog, int item, int column) {
  wchar_t text[256] = L"";
  ListView_GetItemText(GetDlgItem(dialog, IDC_LIST), item, column, text, static_cast<int>(std::size(text)));
  return text;
}

int ListCount(HWND dialog) { return ListView_GetItemCount(GetDlgItem(dialog, IDC_LIST)); }

std::string Narrow(const std::wstring& ascii) { return {ascii.begin(), ascii.end()}; }

class BlacklistWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    SetMessageBoxHandler([this](HWND, const wchar_t* text, const wchar_t*, UINT) {
      messages_.push_back(text);
      return answer_;
    });
  }
  void TearDown() override { SetMessageBoxHandler({}); }

  EditorDatabase database_;
  std::vector<std::wstring> messages_;
  int answer_ = IDYES;
};

TEST_F(BlacklistWindowTest, TheListShowsCountsAndFiltersByNumberPrefixOrReason) {
  ASSERT_EQ(database_.Execute("insert into blacklist values ('110105194912310038', '在逃人员');"
                              "insert into blacklist values ('99052119920314002X', '证件挂失');"
                              "insert into blacklist values ('110105198000000011', null);"),
            SQLITE_OK);
  CBlackListDlg dialog;
  const ModalOutcome outcome = RunModal(dialog, [&](HWND window) {
    EXPECT_EQ(ListCount(window), 3);
    EXPECT_EQ(ControlText(window, IDC_COUNT), L"共 3 条");
    EXPECT_EQ(ListText(window, 1, 0), L"99052119920314002X");
    EXPECT_EQ(ListText(window, 1, 1), L"证件挂失");
    SaveWindowScreenshot(window, "blacklist_editor_list");
    SetControlText(window, IDC_FILTER, L"99052119920314002x");
    EXPECT_EQ(ListCount(window), 1);
    EXPECT_EQ(ControlText(window, IDC_COUNT), L"显示 1 条，共 3 条");
    SetControlText(window, IDC_FILTER, L"在逃");
    ASSERT_EQ(ListCount(window), 1);
    EXPECT_EQ(ListText(window, 0, 0), L"110105194912310038");
  });
  EXPECT_FALSE(outcome.timedOut);
  // A list that is not empty is not offered the default file.
  EXPECT_TRUE(messages_.empty());
}

TEST_F(BlacklistWindowTest, AWrongCheckDigitIsRefusedUntilTheUserConfirmsIt) {
  CEntryDlg entry(nullptr);
  const ModalOutcome outcome = RunModal(entry, [&](HWND window) {
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, IDC_FORCE)));
    SetControlText(window, IDC_NUMBER, L"110105194912310039");
    SetControlText(window, IDC_REASON, L"证件号码印错");
    ClickButton(window, IDOK);
    EXPECT_TRUE(Contains(ControlText(window, IDC_ENTRY_MESSAGE), L"校验位不正确：按前17位计算，最后一位应为8"));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, IDC_FORCE)));
    EXPECT_EQ(database_.Number("select count(*) from blacklist;"), 0);
    SaveWindowScreenshot(window, "blacklist_add_check_digit");
    ClickButton(window, IDC_FORCE);
    ClickButton(window, IDOK);
  });
  EXPECT_EQ(outcome.result, IDOK);
  EXPECT_EQ(database_.Number("select count(*) from blacklist where cardid = '110105194912310039';"), 1);
}

TEST_F(BlacklistWindowTest, TheAddDialogTakesLowerCaseXAndRefusesMalformedAndListedNumbers) {
  ASSERT_EQ(database_.Execute("insert into blacklist values ('110105194912310038', 'earlier');"), SQLITE_OK);
  CEntryDlg entry(nullptr);
  const ModalOutcome outcome = RunModal(entry, [&](HWND window) {
    SetControlText(window, IDC_NUMBER, L"1101051949123100");
    ClickButton(window, IDOK);
    EXPECT_EQ(ControlText(window, IDC_ENTRY_MESSAGE), L"身份证号码应为18位，现为16位。");
    SetControlText(window, IDC_NUMBER, L"11010519491231003A");
    ClickButton(window, IDOK);
    EXPECT_TRUE(Contains(ControlText(window, IDC_ENTRY_MESSAGE), L"17位数字"));
    SetControlText(window, IDC_NUMBER, L"110105194912310038");
    ClickButton(window, IDOK);
    EXPECT_TRUE(Contains(ControlText(window, IDC_ENTRY_MESSAGE), L"已在黑名单中"));
    SetControlText(window, IDC_NUMBER, L"99052119920314002x");
    ClickButton(window, IDOK);
  });
  EXPECT_EQ(outcome.result, IDOK);
  EXPECT_EQ(IsBlacklisted(L"99052119920314002X"), 1);
  EXPECT_EQ(database_.Number("select count(*) from blacklist;"), 2);
}

TEST_F(BlacklistWindowTest, AnAddAgainstABusyDatabaseSaysSoAndChangesNothing) {
  sqlite3* holder = nullptr;
  ASSERT_EQ(OpenCardDatabase(&holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(holder, "begin exclusive;", nullptr, nullptr, nullptr), SQLITE_OK);
  CEntryDlg entry(nullptr);
  RunModal(
      entry,
      [&](HWND window) {
        SetControlText(window, IDC_NUMBER, L"110105194912310038");
        ClickButton(window, IDOK);
        EXPECT_TRUE(Contains(ControlText(window, IDC_ENTRY_MESSAGE), L"数据库正忙"));
        EXPECT_TRUE(Contains(ControlText(window, IDC_ENTRY_MESSAGE), L"黑名单未作更改"));
        ClickButton(window, IDCANCEL);
      },
      std::chrono::milliseconds(kDatabaseBusyTimeoutMs + 15000));
  sqlite3_exec(holder, "rollback;", nullptr, nullptr, nullptr);
  sqlite3_close(holder);
  EXPECT_EQ(database_.Number("select count(*) from blacklist;"), 0);
}

TEST_F(BlacklistWindowTest, DeletingAsksWithTheCountAndRemovesOnlyTheChosenRows) {
  ASSERT_EQ(database_.Execute("insert into blacklist values ('110105194912310038', 'old list');"
                              "insert into blacklist values ('110105194912310038', 'old list');"
                              "insert into blacklist values ('99052119920314002X', 'keep');"),
            SQLITE_OK);
  CBlackListDlg dialog;
  RunModal(dialog, [&](HWND window) {
    HWND list = GetDlgItem(window, IDC_LIST);
    ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(list, 1, LVIS_SELECTED, LVIS_SELECTED);
    answer_ = IDNO;
    ClickButton(window, IDC_DELETE);
    EXPECT_EQ(ListCount(window), 3);
    ListView_SetItemState(list, 1, 0, LVIS_SELECTED);
    answer_ = IDYES;
    ClickButton(window, IDC_DELETE);
    EXPECT_EQ(ListCount(window), 2);
  });
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[0], L"确定从黑名单中删除选中的 2 条记录吗？");
  EXPECT_EQ(messages_[1], L"确定从黑名单中删除选中的 1 条记录吗？");
  EXPECT_EQ(IsBlacklisted(L"110105194912310038"), 1);
  EXPECT_EQ(database_.Number("select count(*) from blacklist;"), 2);
}

TEST_F(BlacklistWindowTest, AnImportShowsItsSummaryAndWritesWhatTheUserConfirms) {
  ASSERT_EQ(database_.Execute("insert into blacklist values ('99052119920314002X', 'earlier');"), SQLITE_OK);
  ScopedTempFolder folder;
  const std::wstring path = folder / L"通报.txt";
  WriteFile(path,
            "\xEF\xBB\xBF# notice\r\n"
            "110105194912310038\t\xE5\x9C\xA8\xE9\x80\x83\r\n"
            "110105194912310039\tprinted so\r\n"
            "99052119920314002X\r\n"
            "12345\r\n");
  CBlackListDlg dialog;
  RunModal(dialog, [&](HWND window) {
    const ModalOutcome summary = DriveModal(
        [&] {
          dialog.ImportFile(path);
          return INT_PTR{0};
        },
        [&](HWND summaryWindow) {
          const std::wstring counts = ControlText(summaryWindow, IDC_SUMMARY_COUNTS);
          EXPECT_TRUE(Contains(counts, L"将添加 1 个号码；1 个号码已在名单中；2 行未导入。")) << counts.size();
          EXPECT_EQ(ControlText(summaryWindow, IDC_SUMMARY_LINES),
                    L"第3行：校验位不正确  110105194912310039\r\n第5行：号码不是18位  12345\r\n");
          SaveWindowScreenshot(summaryWindow, "blacklist_import_summary");
          ClickButton(summaryWindow, IDC_INCLUDE_WRONG_CHECK);
          ClickButton(summaryWindow, IDOK);
        });
    EXPECT_TRUE(summary.stepsRan);
    EXPECT_EQ(ListCount(window), 3);
  });
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], L"已导入 2 个号码。");
  EXPECT_EQ(database_.Number("select count(*) from blacklist where reason = '在逃';"), 1);
  EXPECT_EQ(database_.Number("select count(*) from blacklist where cardid = '110105194912310039';"), 1);
}

TEST_F(BlacklistWindowTest, AnEmptyListOffersTheDefaultFileWhenItHoldsANumber) {
  answer_ = IDNO;
  {
    CBlackListDlg dialog;
    RunModal(dialog, [](HWND) {});
  }
  EXPECT_TRUE(messages_.empty()) << "the shipped file holds no number";
  WriteFile(database_.SettingsFolder() + L"blacklist.txt", "# notice\n110105194912310038\n");
  CBlackListDlg dialog;
  RunModal(dialog, [](HWND) {});
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_TRUE(Contains(messages_[0], L"黑名单为空。是否导入默认名单"));
  EXPECT_EQ(database_.Number("select count(*) from blacklist;"), 0);
}

TEST_F(BlacklistWindowTest, TheSummaryListsTheFirstRefusedLinesAndCountsTheRest) {
  ScopedTempFolder folder;
  const std::wstring path = folder / L"bad.txt";
  std::string text = "110105194912310038\n";
  for (std::size_t i = 0; i < kKeptRefusedLines + 3; ++i) text += "12345\n";
  WriteFile(path, text);
  CBlackListDlg dialog;
  RunModal(dialog, [&](HWND) {
    const ModalOutcome summary = DriveModal(
        [&] {
          dialog.ImportFile(path);
          return INT_PTR{0};
        },
        [&](HWND summaryWindow) {
          const std::wstring counts = ControlText(summaryWindow, IDC_SUMMARY_COUNTS);
          EXPECT_TRUE(Contains(counts, L"将添加 1 个号码；0 个号码已在名单中；1003 行未导入。"));
          const std::wstring lines = ControlText(summaryWindow, IDC_SUMMARY_LINES);
          EXPECT_TRUE(lines.starts_with(L"第2行：号码不是18位  12345\r\n"));
          EXPECT_TRUE(lines.ends_with(L"第1001行：号码不是18位  12345\r\n……另有 3 行未列出。\r\n"));
          ClickButton(summaryWindow, IDCANCEL);
        });
    EXPECT_TRUE(summary.stepsRan);
  });
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(database_.Number("select count(*) from blacklist;"), 0);
}

TEST_F(BlacklistWindowTest, AnImportOfMoreNumbersThanOneWriteMayHoldIsRefusedWithHowToSplitIt) {
  ScopedTempFolder folder;
  const std::wstring path = folder / L"全部名单.txt";
  std::string text;
  for (int i = 0; i <= 20000; ++i) text += Narrow(MadeUpNumber(i)) + "\r\n";
  WriteFile(path, text);
  CBlackListDlg dialog;
  const ModalOutcome outcome = RunModal(dialog, [&](HWND) { dialog.ImportFile(path); });
  EXPECT_FALSE(outcome.timedOut) << "the summary was shown";
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0],
            L"文件中的号码超过 20000 个，一次最多导入 20000 个号码。请把文件分成每个不超过 20000 行的几个文件，"
            L"逐个导入。黑名单未作更改。");
  EXPECT_EQ(database_.Number("select count(*) from blacklist;"), 0);
}

TEST_F(BlacklistWindowTest, AListThatCannotBeReadIsNeitherExportedOverAFileNorTakenForAnEmptyOne) {
  ScopedTempFolder folder;
  const std::wstring path = folder / L"导出.txt";
  WriteFile(path, "110105194912310038\r\n");
  // A default list that an empty blacklist would be offered.
  WriteFile(database_.SettingsFolder() + L"blacklist.txt", "99052119920314002X\n");
  ASSERT_EQ(database_.Execute("drop table blacklist;"), SQLITE_OK);
  CBlackListDlg dialog;
  RunModal(dialog, [&](HWND) { dialog.ExportFile(path); });
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[0], L"无法读取黑名单（错误 1）。");
  EXPECT_EQ(messages_[1], L"无法读取黑名单（错误 1）。未导出，文件未作更改。");
  EXPECT_EQ(ReadWholeFile(path), "110105194912310038\r\n");
}

TEST_F(BlacklistWindowTest, ASaveFolderMovedInTheReaderProgramIsFollowedAtTheNextAction) {
  ASSERT_EQ(database_.Execute("insert into blacklist values ('110105194912310038', 'old folder');"), SQLITE_OK);
  const std::wstring oldFolder = database_.SettingsFolder();
  ScopedTempFolder moved;
  ScopedTempFolder exports;
  const std::wstring path = exports / L"导出.txt";
  CBlackListDlg dialog;
  RunModal(dialog, [&](HWND window) {
    EXPECT_EQ(ControlText(window, IDC_DATABASE), L"数据库：" + oldFolder + L"card2");
    EXPECT_EQ(ListCount(window), 1);
    // The reader program's configuration dialog saves the new folder.
    ASSERT_TRUE(WritePrivateProfileStringW(L"Save", L"SavePath", moved.Path().c_str(),
                                           (oldFolder + L"RoraDI.ini").c_str()));
    dialog.ExportFile(path);
    EXPECT_EQ(ControlText(window, IDC_DATABASE), L"数据库：" + moved.Path() + L"card2");
    EXPECT_EQ(ListCount(window), 0);
  });
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], L"已导出 0 条记录。");
  EXPECT_EQ(ReadWholeFile(path), "\xEF\xBB\xBF") << "the new folder's database was not the one read";

  // The add dialog, too, reads the folder again before it writes.
  SetSavePath(oldFolder.c_str());
  CEntryDlg entry(nullptr);
  const ModalOutcome added = RunModal(entry, [](HWND window) {
    SetControlText(window, IDC_NUMBER, L"99052119920314002X");
    ClickButton(window, IDOK);
  });
  EXPECT_EQ(added.result, IDOK);
  EXPECT_EQ(GetSavePath(), moved.Path());
  EXPECT_EQ(database_.Number("select count(*) from blacklist;"), 1);
  SetSavePath(oldFolder.c_str());
  EXPECT_EQ(database_.Number("select count(*) from blacklist where cardid = '99052119920314002X';"), 0);
}

// A counter's pulls keep the table while its central records are on: the
// editor shows the table but changes nothing of it, nor offers a default.
TEST_F(BlacklistWindowTest, ACounterWithCentralRecordsShowsItsListButRefusesEveryChange) {
  ASSERT_EQ(database_.Execute("insert into blacklist values ('110105194912310038', 'pulled');"), SQLITE_OK);
  CentralSettings settings = LoadCentralSettings();
  settings.connection = L"Driver={PostgreSQL Unicode};Server=central.invalid;Database=central;Uid=counter_01;";
  ASSERT_TRUE(SaveCentralSettings(settings));
  ScopedTempFolder folder;
  const std::wstring path = folder / L"通报.txt";
  WriteFile(path, "99052119920314002X\r\n");
  CBlackListDlg dialog;
  RunModal(dialog, [&](HWND window) {
    wchar_t title[64] = L"";
    GetWindowTextW(window, title, static_cast<int>(std::size(title)));
    EXPECT_STREQ(title, L"黑名单管理（只读）");
    EXPECT_TRUE(Contains(ControlText(window, IDC_DATABASE), L"（只读，名单由中心服务器同步）"));
    ASSERT_EQ(ListCount(window), 1);
    ListView_SetItemState(GetDlgItem(window, IDC_LIST), 0, LVIS_SELECTED, LVIS_SELECTED);
    // Each would open a dialog of its own, which the steps would wait on.
    ClickButton(window, IDC_ADD);
    ClickButton(window, IDC_EDIT_REASON);
    ClickButton(window, IDC_DELETE);
    dialog.ImportFile(path);
    EXPECT_EQ(ListCount(window), 1);
  });
  ASSERT_EQ(messages_.size(), 4u);
  for (const std::wstring& message : messages_) {
    EXPECT_EQ(message,
              L"本机已开启中心记录，黑名单由中心服务器统一管理，并定时同步到本机，不能在本机修改。"
              L"请在办公室设置了中心服务器连接的电脑上修改黑名单。");
  }
  EXPECT_EQ(database_.Number("select count(*) from blacklist where reason = 'pulled';"), 1);
  EXPECT_EQ(database_.Number("select count(*) from blacklist;"), 1);
}

}  // namespace
