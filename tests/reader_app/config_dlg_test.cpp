// The configuration dialog driven with messages, with the reader emulator
// on one COM port so that exactly one serial port can be opened.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <utility>

#include "common/card_database.h"
#include "common/message_box.h"
#include "common/reader_settings.h"
#include "common/working_folders.h"
#include "reader_app/config_dlg.h"
#include "reader_app/resource_ids.h"
#include "support/app_data_folder.h"
#include "support/emulator_control.h"
#include "support/modal_driver.h"
#include "support/screenshot.h"
#include "support/temp_folder.h"
#include "window_fixture.h"

namespace {

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

std::wstring ComboText(HWND dialog, int index) {
  HWND list = GetDlgItem(dialog, IDC_PORT_LIST);
  wchar_t text[32] = {};
  SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
  return text;
}

int ComboCount(HWND dialog) { return static_cast<int>(SendDlgItemMessageW(dialog, IDC_PORT_LIST, CB_GETCOUNT, 0, 0)); }
int ComboSelection(HWND dialog) { return static_cast<int>(SendDlgItemMessageW(dialog, IDC_PORT_LIST, CB_GETCURSEL, 0, 0)); }

std::wstring SettingsFile() {
  wchar_t path[kPathCapacity];
  GetSettingsFilePath(kPathCapacity, path);
  return path;
}

int SavedInt(const wchar_t* section, const wchar_t* key) {
  return static_cast<int>(GetPrivateProfileIntW(section, key, -100, SettingsFile().c_str()));
}

class ConfigDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(emulator_.Connected()) << "run under tests/support/with-emulator";
    emulator_.Request("plug");
    port_ = EmulatorComPort();
    // A prepared start: settings folder with the shipped files, then the
    // settings read from it.
    ASSERT_EQ(PrepareWorkingFolders(), 1);
    UseWindowTestSettings(appData_.Path() + L"Tarnwick\\");
    SetMessageBoxHandler([this](HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
      owners_.push_back(owner);
      messages_.push_back(text);
      captions_.push_back(caption);
      types_.push_back(type);
      return answer_;
    });
  }
  void TearDown() override {
    SetMessageBoxHandler({});
    emulator_.Request("plug");
  }

  EmulatorControl emulator_;
  ScopedAppDataFolder appData_;
  int port_ = 0;
  CConfigDlg dialog_;
  int answer_ = IDCANCEL;
  std::vector<HWND> owners_;
  std::vector<std::wstring> messages_;
  std::vector<std::wstring> captions_;
  std::vector<UINT> types_;
};

TEST_F(ConfigDialogTest, CheckBoxesShowOnlyTheValueOneAndConfirmStoresAndSaves) {
  SetSound(2);
  SetDialog(1);
  SetClear(0);
  SetAutoSave(1);
  SetReservedTime(30);
  const ModalOutcome outcome = RunModal(dialog_, [&](HWND window) {
    EXPECT_FALSE(Checked(window, IDC_SOUND));
    EXPECT_TRUE(Checked(window, IDC_DIALOG_AT_START));
    EXPECT_FALSE(Checked(window, IDC_CLEAR));
    EXPECT_TRUE(Checked(window, IDC_AUTO_SAVE));
    EXPECT_EQ(ControlText(window, IDC_RESERVED_TIME), L"30");
    EXPECT_EQ(ControlText(window, IDC_BG_PATH), GetBgBmp());
    EXPECT_EQ(ControlText(window, IDC_SAVE_PATH), GetSavePath());
    EXPECT_EQ(SaveWindowScreenshot(window, "reader_config_dialog"), kScreenshotSaved);
    ClickButton(window, IDC_CLEAR);
    SetControlText(window, IDC_RESERVED_TIME, L"45");
    ClickButton(window, IDOK);
  });
  EXPECT_EQ(outcome.result, IDOK);
  EXPECT_EQ(GetSound(), 0);
  EXPECT_EQ(GetDialog(), 1);
  EXPECT_EQ(GetClear(), 1);
  EXPECT_EQ(GetReservedTime(), 45);
  EXPECT_EQ(SavedInt(L"Display", L"Sound"), 0);
  EXPECT_EQ(SavedInt(L"Display", L"Clear"), 1);
  EXPECT_EQ(SavedInt(L"Display", L"ReservedTime"), 45);
}

TEST_F(ConfigDialogTest, AnIntervalThatIsNoStorableNumberIsRefusedAndTheDialogStays) {
  const ModalOutcome outcome = RunModal(dialog_, [&](HWND window) {
    // The interval is kept as a signed 32-bit number.
    for (const wchar_t* interval : {L"", L"2147483648", L"4294967295"}) {
      SetControlText(window, IDC_RESERVED_TIME, interval);
      ClickButton(window, IDOK);
    }
    ASSERT_EQ(messages_.size(), 3u);
    for (const std::wstring& message : messages_) EXPECT_EQ(message, L"请输入一个整数。");
  });
  EXPECT_TRUE(outcome.closedByDriver);
  EXPECT_EQ(GetReservedTime(), 0);
}

// A folder below the test's application-data folder whose path, with its
// trailing backslash, is length characters long.
std::wstring FolderOfLength(const std::wstring& base, std::size_t length) {
  return base + std::wstring(length - base.size() - 1, L'x') + L"\\";
}

TEST_F(ConfigDialogTest, ASaveFolderThatCannotServeIsRefusedAndNothingIsApplied) {
  const std::wstring folderInUse = GetSavePath();
  const std::string settingsBefore = ReadWholeFile(SettingsFile());
  const std::wstring file = appData_.Path() + L"a-file";
  WriteSamplePhoto(file);
  // An archived photo adds "YYYYMM\DD_<number>.bmp" (32 characters) and a
  // file being written a temporary suffix, so 215 is the longest folder.
  const std::wstring tooLong = L"保存文件夹的路径太长（最多215个字符），请选择其他文件夹。";
  const std::pair<std::wstring, std::wstring> refused[] = {
      {FolderOfLength(appData_.Path(), 240), tooLong},
      {FolderOfLength(appData_.Path(), 216), tooLong},
      {file + L"\\records\\", L"无法创建保存文件夹 " + file + L"\\records\\，请选择其他文件夹。"},
  };
  const ModalOutcome outcome = RunModal(dialog_, [&](HWND window) {
    ClickButton(window, IDC_SOUND);
    for (const auto& [folder, text] : refused) {
      SetControlText(window, IDC_SAVE_PATH, folder.c_str());
      ClickButton(window, IDOK);
      ASSERT_EQ(messages_.size(), 1u) << folder;
      EXPECT_EQ(messages_.back(), text);
      EXPECT_EQ(owners_.back(), window) << "nothing under the message can be pressed";
      messages_.clear();
      owners_.clear();
    }
  });
  EXPECT_TRUE(outcome.closedByDriver) << "the dialog stays for another folder";
  EXPECT_EQ(std::wstring(GetSavePath()), folderInUse);
  EXPECT_EQ(GetSound(), 1) << "no setting is stored while the folder is refused";
  EXPECT_EQ(ReadWholeFile(SettingsFile()), settingsBefore);
  EXPECT_FALSE(FileExists(FolderOfLength(appData_.Path(), 216)));

  const std::wstring longest = FolderOfLength(appData_.Path(), 215);
  CConfigDlg again;
  const ModalOutcome accepted = RunModal(again, [&](HWND window) {
    SetControlText(window, IDC_SAVE_PATH, longest.c_str());
    ClickButton(window, IDOK);
  });
  EXPECT_EQ(accepted.result, IDOK);
  EXPECT_EQ(std::wstring(GetSavePath()), longest);
  EXPECT_TRUE(FileExists(longest + L"card2"));
}

// Lists a number in the database of the save folder in use.
void ListNumber(const char* number) {
  sqlite3* db = nullptr;
  ASSERT_EQ(OpenCardDatabase(&db), SQLITE_OK);
  const std::string insert = std::string("insert into blacklist values ('") + number + "', '在逃');";
  EXPECT_EQ(sqlite3_exec(db, insert.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
}

TEST_F(ConfigDialogTest, AListedNumberStillRaisesTheAlarmAfterTheSaveFolderMoved) {
  ListNumber("110105194912310038");
  ListNumber("99052119920314002X");
  const std::wstring folderInUse = GetSavePath();
  const std::wstring newFolder = appData_.Path() + L"新存档\\";
  RunModal(dialog_, [&](HWND window) {
    SetControlText(window, IDC_SAVE_PATH, newFolder.c_str());
    ClickButton(window, IDOK);
  });
  ASSERT_EQ(std::wstring(GetSavePath()), newFolder);
  EXPECT_EQ(LookUpBlacklist(L"110105194912310038"), BlacklistAnswer::kListed);
  EXPECT_EQ(LookUpBlacklist(L"99052119920314002X"), BlacklistAnswer::kListed);
  EXPECT_EQ(LookUpBlacklist(L"110105194912310046"), BlacklistAnswer::kNotListed);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], L"保存文件夹已改为 " + newFolder + L"。\n黑名单（共2条）已复制到新文件夹。\n以前保存的记录和照片仍在原文件夹 " +
                              folderInUse + L" 中，查询程序只查询新文件夹中的记录。");

  // Back to a folder that has its database: nothing is copied or told.
  CConfigDlg back;
  RunModal(back, [&](HWND window) {
    SetControlText(window, IDC_SAVE_PATH, folderInUse.c_str());
    ClickButton(window, IDOK);
  });
  EXPECT_EQ(std::wstring(GetSavePath()), folderInUse);
  EXPECT_EQ(messages_.size(), 1u);
}

TEST_F(ConfigDialogTest, ABlacklistThatCannotBeCopiedKeepsTheFolderInUse) {
  const std::wstring folderInUse = GetSavePath();
  WriteSamplePhoto(folderInUse + L"card2");  // no database any more
  const std::wstring newFolder = appData_.Path() + L"新存档\\";
  const ModalOutcome outcome = RunModal(dialog_, [&](HWND window) {
    SetControlText(window, IDC_SAVE_PATH, newFolder.c_str());
    ClickButton(window, IDOK);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], L"无法把黑名单复制到新的保存文件夹，保存文件夹未改变。黑名单可能正被其他程序修改，请稍后再试。");
  });
  EXPECT_TRUE(outcome.closedByDriver);
  EXPECT_EQ(std::wstring(GetSavePath()), folderInUse);
  // A database with an empty blacklist left behind would be taken as the
  // folder's own at the next attempt.
  EXPECT_FALSE(FileExists(newFolder + L"card2"));
}

TEST_F(ConfigDialogTest, SettingsThatCannotBeSavedAreToldAndNotApplied) {
  // A reader of the file that does not let it be replaced.
  HANDLE reader = CreateFileW(SettingsFile().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  const ModalOutcome outcome = RunModal(dialog_, [&](HWND window) {
    ClickButton(window, IDC_SOUND);
    ClickButton(window, IDOK);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], L"无法保存配置文件，设置未改变。");
  });
  CloseHandle(reader);
  EXPECT_TRUE(outcome.closedByDriver) << "the dialog stays";
  EXPECT_EQ(GetSound(), 1);
  EXPECT_EQ(SavedInt(L"Display", L"Sound"), 1);
}

TEST_F(ConfigDialogTest, BrowseButtonsAndTheBaudRateButtonOpenTheirDialogsOverThisOne) {
  RunModal(dialog_, [&](HWND window) {
    const std::wstring background = ControlText(window, IDC_BG_PATH);
    const std::wstring saveFolder = ControlText(window, IDC_SAVE_PATH);
    for (const int button : {IDC_BG_BROWSE, IDC_SAVE_BROWSE, IDC_BAUD_SETUP}) {
      const ModalOutcome opened = DriveModal(
          [&] {
            ClickButton(window, button);
            return INT_PTR{0};
          },
          [&](HWND opened) {
            EXPECT_EQ(GetWindow(opened, GW_OWNER), window) << "button " << button;
            EXPECT_FALSE(IsWindowEnabled(window));
            ClickButton(opened, IDCANCEL);
          });
      EXPECT_TRUE(opened.stepsRan) << "button " << button;
      EXPECT_FALSE(opened.closedByDriver) << "button " << button;
    }
    // Cancelled browsers leave their fields as they were.
    EXPECT_EQ(ControlText(window, IDC_BG_PATH), background);
    EXPECT_EQ(ControlText(window, IDC_SAVE_PATH), saveFolder);
  });
}

TEST_F(ConfigDialogTest, PortListHoldsUsbOrTheSerialPortsThatOpen) {
  SetPortType(kPortTypeUsb);
  SetComPort(port_);
  RunModal(dialog_, [&](HWND window) {
    EXPECT_TRUE(Checked(window, IDC_USB));
    ASSERT_EQ(ComboCount(window), 1);
    EXPECT_EQ(ComboText(window, 0), L"USB");
    EXPECT_EQ(ComboSelection(window), 0);

    ClickButton(window, IDC_SERIAL);
    EXPECT_EQ(GetPortType(), 0) << "the kind changes at once";
    ASSERT_EQ(ComboCount(window), 1) << "only the emulator's port opens";
    EXPECT_EQ(ComboText(window, 0), L"COM" + std::to_wstring(port_));
    EXPECT_EQ(ComboSelection(window), 0);

    ClickButton(window, IDC_USB);
    EXPECT_EQ(GetPortType(), kPortTypeUsb);
    ClickButton(window, IDC_SERIAL);
    ClickButton(window, IDCANCEL);
  });
  // Left with 退出: the kind stays in memory, the file is untouched.
  EXPECT_EQ(GetPortType(), 0);
  EXPECT_EQ(GetCurrentPort(), port_);
  EXPECT_EQ(SavedInt(L"Port", L"Type"), 2);
}

TEST_F(ConfigDialogTest, ConfirmStoresThePortAndPreparesANewSaveFolder) {
  SetPortType(0);
  SetComPort(1);
  const std::wstring newFolder = appData_.Path() + L"存档\\";
  RunModal(dialog_, [&](HWND window) {
    EXPECT_EQ(ComboSelection(window), -1) << "port 1 does not open, so nothing is selected";
    SendDlgItemMessageW(window, IDC_PORT_LIST, CB_SETCURSEL, 0, 0);
    SetControlText(window, IDC_SAVE_PATH, newFolder.c_str());
    ClickButton(window, IDOK);
  });
  EXPECT_EQ(GetComPort(), port_);
  EXPECT_EQ(SavedInt(L"Port", L"COMPort"), port_);
  EXPECT_EQ(std::wstring(GetSavePath()), newFolder);
  EXPECT_NE(GetFileAttributesW((newFolder + L"card2").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ConfigDialogTest, ConfirmingTheUsbEntryStoresUsbPort1001) {
  SetPortType(kPortTypeUsb);
  SetUsbPort(1005);
  RunModal(dialog_, [&](HWND window) { ClickButton(window, IDOK); });
  EXPECT_EQ(GetUsbPort(), 1001);
  EXPECT_EQ(SavedInt(L"Port", L"USBPort"), 1001);
}

TEST_F(ConfigDialogTest, AnEmptyPortListKeepsThePortSetBefore) {
  SetPortType(0);
  SetComPort(7);
  emulator_.Request("fault unplug");
  RunModal(dialog_, [&](HWND window) {
    EXPECT_EQ(ComboCount(window), 0);
    ClickButton(window, IDOK);
  });
  EXPECT_EQ(GetComPort(), 7);
  EXPECT_EQ(SavedInt(L"Port", L"COMPort"), 7);
}

int CountReads() {
  sqlite3* db = nullptr;
  int count = -1;
  if (OpenCardDatabase(&db) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "select count(*) from cardinfo", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
      count = sqlite3_column_int(statement, 0);
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return count;
}

TEST_F(ConfigDialogTest, PurgeAsksWithTheDateAndDeletesTheReadsBeforeIt) {
  CardInfo card = SampleCard();
  SYSTEMTIME before{2010, 5, 4, 6, 12, 0, 0, 0};
  SYSTEMTIME onTheDay{2010, 5, 5, 7, 9, 0, 0, 0};
  ASSERT_EQ(StoreCardRead(card, before), 0);
  ASSERT_EQ(StoreCardRead(card, onTheDay), 0);
  RunModal(dialog_, [&](HWND window) {
    SYSTEMTIME date{2010, 5, 5, 7, 0, 0, 0, 0};
    DateTime_SetSystemtime(GetDlgItem(window, IDC_PURGE_DATE), GDT_VALID, &date);
    ClickButton(window, IDC_PURGE);
    EXPECT_EQ(CountReads(), 2) << "cancelled";
    answer_ = IDOK;
    ClickButton(window, IDC_PURGE);
    EXPECT_TRUE(IsWindowVisible(window)) << "the dialog stays open";
  });
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[0], L"是否需要删除2010年5月7日前的历史记录？");
  EXPECT_EQ(captions_[0], L"");
  EXPECT_EQ(types_[0], static_cast<UINT>(MB_OKCANCEL));
  EXPECT_EQ(CountReads(), 1);
}

TEST_F(ConfigDialogTest, HelpShowsTheFolders) {
  RunModal(dialog_, [&](HWND window) { ClickButton(window, IDC_CONFIG_HELP); });
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find(GetSavePath()), std::wstring::npos);
}

}  // namespace
