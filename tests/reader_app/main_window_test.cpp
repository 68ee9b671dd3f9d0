// The main window driven by the messages of the polling loop, with a
// stand-in loop (no reader): status texts, the displayed and the kept card,
// the alarm, the timers, the size modes, the context menu and the keys.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "central/central_settings.h"
#include "common/card_database.h"
#include "common/message_box.h"
#include "common/suite_folders.h"
#include "common/reader_settings.h"
#include "fake_card_poll.h"
#include "fake_print_job.h"
#include "framework/application.h"
#include "reader/card_poll.h"
#include "reader_app/card_face.h"
#include "reader_app/resource_ids.h"
#include "reader_app/tarnwick_dlg.h"
#include "support/app_data_folder.h"
#include "support/message_pump.h"
#include "support/modal_driver.h"
#include "support/screenshot.h"
#include "support/temp_folder.h"
#include "window_fixture.h"

namespace {

LRESULT SendStatus(HWND window, WPARAM kind, LPARAM code = 0) { return SendMessageW(window, WM_CARD_STATUS, kind, code); }

// A new thread may not have run yet when its creator goes on.
bool StartedThreads(LONG count) {
  for (int waited = 0; waited < 2000 && FakePoll().started < count; waited += 10) Sleep(10);
  return FakePoll().started == count;
}

void SendCommand(HWND window, UINT id) { SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

SIZE WindowSize(HWND window) {
  RECT frame{};
  GetWindowRect(window, &frame);
  return {frame.right - frame.left, frame.bottom - frame.top};
}

void Screenshot(HWND window, const char* name) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  EXPECT_EQ(SaveWindowScreenshot(window, name), kScreenshotSaved) << name;
}

class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    app_.m_pMainWnd = &dialog_;
    ResetFakePoll();
    ResetFakePrint();
    FakePoll().card = SampleCard();
    UseWindowTestSettings(appData_.Path());
    WriteSamplePhoto(appData_.Path() + L"image.bmp");
  }
  void TearDown() override { SetMessageBoxHandler({}); }

  ModalOutcome Run(const DialogSteps& steps) { return RunModal(dialog_, steps); }

  ScopedAppDataFolder appData_;
  CWinApp app_;
  CTarnwickDlg dialog_;
};

TEST_F(MainWindowTest, OpensWithOneLoopAndStopsItWhenClosed) {
  const ModalOutcome outcome = Run([&](HWND window) {
    EXPECT_TRUE(StartedThreads(1));
    EXPECT_EQ(FakePoll().window, window);
    EXPECT_NE(dialog_.m_hPollThread, nullptr);
    EXPECT_STREQ(dialog_.m_szStatus, L"正在初始化...");
    wchar_t title[32];
    GetWindowTextW(window, title, 32);
    EXPECT_STREQ(title, L"居民身份证阅读器");
    EXPECT_EQ(dialog_.m_bSound, 1);
    EXPECT_EQ(dialog_.m_toolBar.GetButtonCount(), 6);
    // The clear timer waits for a read; no hide timer with ReservedTime 0.
    EXPECT_FALSE(KillTimer(window, kClearTimer));
    EXPECT_FALSE(KillTimer(window, kHideTimer));
    SendCommand(window, ID_TOOL_EXIT);
  });
  EXPECT_EQ(outcome.result, IDCANCEL);
  EXPECT_FALSE(outcome.closedByDriver);
  EXPECT_EQ(FakePoll().finished, 1);
  EXPECT_EQ(dialog_.m_hPollThread, nullptr);
}

TEST_F(MainWindowTest, StatusCodesBecomeTheirTexts) {
  Run([&](HWND window) {
    struct Case {
      LPARAM code;
      const wchar_t* text;
    };
    const Case cases[] = {
        {-1, L"相片解码错误"},  {0, L"调用读卡接口库错误"}, {3, L"数据传输错误"},
        {0x41, L"读证/卡操作失败"}, {241, L"未知错误"},      {247, L"保存记录失败"},
    };
    for (const Case& c : cases) {
      EXPECT_EQ(SendStatus(window, kStatusChanged, c.code), 0);
      EXPECT_STREQ(dialog_.m_szStatus, c.text) << "code " << c.code;
    }
    SendStatus(window, kStatusChanged, 1);
    EXPECT_STREQ(dialog_.m_szStatus, L"连接 COM3 端口失败");
    EXPECT_EQ(dialog_.m_bReaderReady, 0);
    // Port 0 scans every serial port: no one port may be named.
    SetComPort(0);
    SendStatus(window, kStatusChanged, 2);
    EXPECT_STREQ(dialog_.m_szStatus, L"扫描串口未找到读卡器");
    SetPortType(kPortTypeUsb);
    SetUsbPort(1001);
    SendStatus(window, kStatusChanged, 2);
    EXPECT_STREQ(dialog_.m_szStatus, L"连接 USB 端口失败");
  });
}

// Every text the status line can show, as the window makes it.
std::vector<std::wstring> EveryStatusText(HWND window, const CTarnwickDlg& dialog) {
  std::vector<std::wstring> texts;
  const auto keep = [&] { texts.emplace_back(dialog.m_szStatus); };
  for (LPARAM code = -10; code <= 255; ++code) {
    SendStatus(window, kStatusChanged, code);
    keep();
  }
  for (const int port : {0, 999}) {
    SetComPort(port);
    SendStatus(window, kStatusChanged, 1);
    keep();
  }
  SetPortType(kPortTypeUsb);
  SetUsbPort(1001);
  SendStatus(window, kStatusChanged, 1);
  keep();
  SendStatus(window, kBlacklistHit);
  keep();
  SendStatus(window, kCardFound);
  keep();
  SendMessageW(window, WM_CARD_READ, 0, 0);
  keep();
  return texts;
}

// As wide as a text can be drawn: each CJK character a full cell, each
// ASCII character half of one, whatever the font.
int WorstCaseWidth(std::wstring_view text, int cellHeight) {
  int halfCells = 0;
  for (const wchar_t c : text) halfCells += c < 0x80 ? 1 : 2;
  return (halfCells * cellHeight + 1) / 2;
}

TEST_F(MainWindowTest, AtTheSmallSizeEveryStatusTextIsReadableLeftOfTheToolbar) {
  FakePoll().card = SampleCard();
  wcscpy_s(FakePoll().card.newAddress, L"临河市清溪区望山路十八号柳岸花园东区二期七栋三单元一百零八号");
  Run([&](HWND window) {
    SendCommand(window, ID_MENU_SIZE_SMALL);
    const int s = dialog_.m_nScale;
    ASSERT_EQ(s, 2);
    RECT toolBar{};
    GetWindowRect(dialog_.m_toolBar.m_hWnd, &toolBar);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&toolBar), 2);
    const int room = toolBar.left - 10 * s;
    for (const std::wstring& text : EveryStatusText(window, dialog_)) {
      const auto first = static_cast<std::size_t>(StatusLineBreak(text.c_str(), 8 * s, room));
      std::wstring_view second = std::wstring_view(text).substr(first);
      if (!second.empty() && second.front() == L' ') second.remove_prefix(1);
      EXPECT_LE(WorstCaseWidth(std::wstring_view(text).substr(0, first), 8 * s), room) << text;
      EXPECT_LE(WorstCaseWidth(second, 8 * s), room) << text << " needs a third line";
    }
    // The read above left the card with its newest address on show.
    Screenshot(window, "reader_main_small_new_address");
  });
}

TEST_F(MainWindowTest, PlaceCardPromptOnlyTheFirstTimeTheReaderIsReady) {
  Run([&](HWND window) {
    SendStatus(window, kStatusChanged, 0x80);
    EXPECT_STREQ(dialog_.m_szStatus, L"请放卡...");
    EXPECT_EQ(dialog_.m_bReaderReady, 1);
    SendStatus(window, kStatusChanged, 0x41);
    SendStatus(window, kStatusChanged, 0x80);
    EXPECT_STREQ(dialog_.m_szStatus, L"读证/卡操作失败");
    // A connection failure makes the reader not ready again.
    SendStatus(window, kStatusChanged, 1);
    SendStatus(window, kStatusChanged, 0x80);
    EXPECT_STREQ(dialog_.m_szStatus, L"请放卡...");
  });
}

TEST_F(MainWindowTest, StatusCodesRepaintOnlyTheStatusStrip) {
  Run([&](HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    const RECT strip = FakePoll().statusRect;
    EXPECT_EQ(strip.left, 10 * dialog_.m_nScale);
    EXPECT_EQ(strip.top, client.bottom - 39);
    EXPECT_EQ(strip.right, client.right - 206);
    EXPECT_EQ(strip.bottom, client.bottom);
    // The handler itself invalidates nothing: the loop invalidates the strip.
    UpdateWindow(window);
    SendStatus(window, kStatusChanged, 0x80);
    SendStatus(window, kStatusChanged, 3);
    EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE));
  });
}

TEST_F(MainWindowTest, AReadShowsTheCardTheAlarmAndTheClearTimerBlanksIt) {
  Run([&](HWND window) {
    SendStatus(window, kStatusChanged, 0x80);
    SendStatus(window, kCardFound);
    EXPECT_STREQ(dialog_.m_szStatus, L"正在读卡...");
    EXPECT_STREQ(dialog_.m_cardShown.name, L"");
    EXPECT_EQ(SendMessageW(window, WM_CARD_READ, 0, 0), 0);
    EXPECT_EQ(FakePoll().takes, 1);
    EXPECT_STREQ(dialog_.m_cardShown.name, L"韩晓川");
    EXPECT_STREQ(dialog_.m_cardLast.idNumber, L"99052119920314002X");
    EXPECT_NE(dialog_.m_hPhoto.Get(), nullptr);
    EXPECT_STREQ(dialog_.m_szStatus, L"读卡成功！请放下一张卡...");
    EXPECT_EQ(dialog_.m_bAlarm, 0);
    Screenshot(window, "reader_main_large_card");

    SendStatus(window, kBlacklistHit);
    EXPECT_STREQ(dialog_.m_szStatus, L"此人已被列入黑名单！");
    EXPECT_EQ(dialog_.m_bAlarm, 1);
    // The card lifted: the blacklist text stays up.
    SendStatus(window, kStatusChanged, 0x80);
    EXPECT_STREQ(dialog_.m_szStatus, L"此人已被列入黑名单！");
    wcscpy_s(FakePoll().card.newAddress, L"临河市清溪区柳岸街7号");
    SendStatus(window, kNewAddressAdded);
    EXPECT_STREQ(dialog_.m_cardShown.newAddress, L"临河市清溪区柳岸街7号");
    Screenshot(window, "reader_main_large_alarm");

    SendMessageW(window, WM_TIMER, kClearTimer, 0);
    EXPECT_STREQ(dialog_.m_cardShown.name, L"");
    EXPECT_EQ(dialog_.m_hPhoto.Get(), nullptr);
    EXPECT_EQ(dialog_.m_bAlarm, 0);
    EXPECT_STREQ(dialog_.m_szStatus, L"请放卡...");
    // The last card stays for printing.
    EXPECT_STREQ(dialog_.m_cardLast.name, L"韩晓川");
    EXPECT_FALSE(KillTimer(window, kClearTimer)) << "the clear timer fires once";
  });
}

TEST_F(MainWindowTest, WaitingReadsAFailedCheckAndALateAlarmEachSayWhatTheyAreAbout) {
  Run([&](HWND window) {
    SendStatus(window, kStatusChanged, 0x80);
    SendStatus(window, kReadsWaiting, 3);
    EXPECT_STREQ(dialog_.m_szStatus, L"有 3 条记录待保存");
    SendMessageW(window, WM_CARD_READ, 5, kBlacklistUnchecked);
    EXPECT_STREQ(dialog_.m_szStatus, L"黑名单核查失败，请人工核对！");
    EXPECT_EQ(dialog_.m_bWarning, 1);
    // The warning stays until the check is made good.
    SendStatus(window, kReadsWaiting, 4);
    EXPECT_STREQ(dialog_.m_szStatus, L"黑名单核查失败，请人工核对！");
    SendStatus(window, kBlacklistCleared, 5);
    EXPECT_STREQ(dialog_.m_szStatus, L"有 4 条记录待保存");
    EXPECT_EQ(dialog_.m_bWarning, 0);
    SendStatus(window, kReadsWaiting, 0);
    EXPECT_STREQ(dialog_.m_szStatus, L"请放卡...");

    // An alarm for read 5 that arrives once read 6 is on the face names
    // the person of read 5 and leaves the face that shows read 6 unmarked.
    wcscpy_s(FakePoll().card.name, L"林一");
    SendMessageW(window, WM_CARD_READ, 6, 0);
    SendStatus(window, kBlacklistHit, 5);
    EXPECT_STREQ(dialog_.m_szStatus, L"先前读取的韩晓川已被列入黑名单！");
    EXPECT_EQ(dialog_.m_bAlarm, 0);
    EXPECT_EQ(dialog_.m_bWarning, 1);
    SendStatus(window, kBlacklistHit, 6);
    EXPECT_STREQ(dialog_.m_szStatus, L"此人已被列入黑名单！");
    EXPECT_EQ(dialog_.m_bAlarm, 1);
  });
}

TEST_F(MainWindowTest, ClearTimerLeavesAConnectionFailureVisible) {
  Run([&](HWND window) {
    SendMessageW(window, WM_CARD_READ, 0, 0);
    SendStatus(window, kStatusChanged, 1);
    SendMessageW(window, WM_TIMER, kClearTimer, 0);
    EXPECT_STREQ(dialog_.m_szStatus, L"连接 COM3 端口失败");
    EXPECT_STREQ(dialog_.m_cardShown.name, L"");
  });
}

TEST_F(MainWindowTest, TimersRunOnlyAsTheSettingsAllow) {
  SetClear(0);
  SetReservedTime(30);
  Run([&](HWND window) {
    EXPECT_TRUE(KillTimer(window, kHideTimer)) << "started with the window";
    SendMessageW(window, WM_CARD_READ, 0, 0);
    EXPECT_FALSE(KillTimer(window, kClearTimer));
    EXPECT_TRUE(KillTimer(window, kHideTimer));
    SetClear(1);
    SendMessageW(window, WM_CARD_READ, 0, 0);
    EXPECT_TRUE(KillTimer(window, kClearTimer));

    SendMessageW(window, WM_TIMER, kHideTimer, 0);
    EXPECT_TRUE(IsIconic(window));
    EXPECT_FALSE(KillTimer(window, kHideTimer)) << "the hide timer fires once";
    SendMessageW(window, WM_CARD_READ, 0, 0);
    EXPECT_FALSE(IsIconic(window)) << "a read brings the window back";
    KillTimer(window, kHideTimer);
    SendMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(KillTimer(window, kHideTimer)) << "a restore restarts the hide timer";
  });
}

TEST(HideTimer, LongIntervalsAreCappedInsteadOfOverflowing) {
  EXPECT_EQ(HideTimerPeriodMs(30), 30000u);
  EXPECT_EQ(HideTimerPeriodMs(2000000), 2000000000u);
  EXPECT_EQ(HideTimerPeriodMs(5000000), static_cast<UINT>(USER_TIMER_MAXIMUM));
  EXPECT_EQ(HideTimerPeriodMs(2147483647), static_cast<UINT>(USER_TIMER_MAXIMUM));
}

TEST_F(MainWindowTest, SizeModesFollowTheMenu) {
  Run([&](HWND window) {
    // The test display is 1600 pixels wide.
    EXPECT_EQ(dialog_.m_nScale, 4);
    EXPECT_EQ(WindowSize(window).cx, 912);
    EXPECT_EQ(WindowSize(window).cy, 672);
    SendMessageW(window, WM_CARD_READ, 0, 0);
    struct Case {
      UINT command;
      int scale;
      int width;
      int height;
      const char* screenshot;
    };
    const Case cases[] = {{ID_MENU_SIZE_MEDIUM, 3, 684, 504, "reader_main_medium_card"},
                          {ID_MENU_SIZE_SMALL, 2, 456, 336, "reader_main_small_card"},
                          {ID_MENU_SIZE_LARGE, 4, 912, 672, nullptr}};
    for (const Case& c : cases) {
      SendCommand(window, c.command);
      EXPECT_EQ(dialog_.m_nScale, c.scale);
      EXPECT_EQ(WindowSize(window).cx, c.width);
      EXPECT_EQ(WindowSize(window).cy, c.height);
      RECT region{};
      EXPECT_NE(GetWindowRgnBox(window, &region), ERROR);
      // A rounded region leaves out its last column and row.
      EXPECT_EQ(region.right, c.width - 1);
      EXPECT_EQ(region.bottom, c.height - 1);
      RECT client{};
      GetClientRect(window, &client);
      EXPECT_EQ(dialog_.m_nClientWidth, client.right);
      EXPECT_EQ(dialog_.m_nClientHeight, client.bottom);
      RECT toolBar{};
      GetWindowRect(dialog_.m_toolBar.m_hWnd, &toolBar);
      MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&toolBar), 2);
      EXPECT_EQ(toolBar.left, client.right - 284);
      EXPECT_EQ(toolBar.top, client.bottom - 39);
      EXPECT_EQ(FakePoll().statusRect.top, client.bottom - 39);
      BITMAP background{};
      ASSERT_NE(GetObjectW(dialog_.m_hBackground, sizeof(background), &background), 0);
      EXPECT_EQ(background.bmWidth, client.right);
      if (c.screenshot != nullptr) Screenshot(window, c.screenshot);
    }
    SendStatus(window, kBlacklistHit);
    SendCommand(window, ID_MENU_SIZE_MEDIUM);
    Screenshot(window, "reader_main_medium_alarm");
    SendCommand(window, ID_MENU_SIZE_SMALL);
    Screenshot(window, "reader_main_small_alarm");
  });
}

TEST_F(MainWindowTest, ContextMenuChecksTheSoundAndTheSize) {
  Run([&](HWND window) {
    SendCommand(window, ID_MENU_SIZE_MEDIUM);
    MenuChecks checks = ReadContextMenu(window);
    ASSERT_TRUE(checks.opened);
    EXPECT_TRUE(checks.sound);
    EXPECT_FALSE(checks.large);
    EXPECT_TRUE(checks.medium);
    EXPECT_FALSE(checks.small);

    // The sound switch changes the setting in memory only; the running loop
    // is not restarted for it.
    SendCommand(window, ID_MENU_SOUND);
    EXPECT_EQ(dialog_.m_bSound, 0);
    EXPECT_EQ(GetSound(), 0);
    EXPECT_EQ(FakePoll().started, 1);
    SendCommand(window, ID_MENU_SIZE_LARGE);
    checks = ReadContextMenu(window);
    EXPECT_FALSE(checks.sound);
    EXPECT_TRUE(checks.large);
    EXPECT_FALSE(checks.medium);
    SendCommand(window, ID_MENU_SOUND);
    EXPECT_EQ(dialog_.m_bSound, 1);
    EXPECT_EQ(GetSound(), 1);
  });
}

TEST_F(MainWindowTest, EnterEndsTheWindow) {
  const ModalOutcome outcome = Run([](HWND window) { PostKey(window, VK_RETURN); });
  EXPECT_EQ(outcome.result, IDOK);
  EXPECT_FALSE(outcome.closedByDriver);
  EXPECT_EQ(FakePoll().finished, 1);
}

TEST_F(MainWindowTest, EscEndsTheWindow) {
  const ModalOutcome outcome = Run([](HWND window) { PostKey(window, VK_ESCAPE); });
  EXPECT_EQ(outcome.result, IDCANCEL);
  EXPECT_FALSE(outcome.closedByDriver);
}

TEST_F(MainWindowTest, ToolTipsComeFromTheStringTable) {
  Run([&](HWND window) {
    NMTTDISPINFOW tip{};
    tip.hdr.hwndFrom = dialog_.m_toolBar.m_hWnd;
    tip.hdr.idFrom = ID_TOOL_PRINT;
    tip.hdr.code = TTN_GETDISPINFOW;
    SendMessageW(window, WM_NOTIFY, ID_TOOL_PRINT, reinterpret_cast<LPARAM>(&tip));
    EXPECT_EQ(tip.lpszText, MAKEINTRESOURCEW(IDS_TIP_PRINT));
    EXPECT_NE(tip.hinst, nullptr);
    EXPECT_TRUE(tip.uFlags & TTF_DI_SETITEM);
    wchar_t text[16];
    LoadStringW(tip.hinst, IDS_TIP_PRINT, text, 16);
    EXPECT_STREQ(text, L"打印");
  });
}

TEST_F(MainWindowTest, HelpShowsVersionAndFolders) {
  std::wstring shown;
  SetMessageBoxHandler([&](HWND, const wchar_t* text, const wchar_t*, UINT) {
    shown = text;
    return IDOK;
  });
  std::wstring byMenu;
  Run([&](HWND window) {
    SendCommand(window, ID_MENU_HELP);
    byMenu = shown;
    shown.clear();
    // F1 comes as a help message, not as the menu's command.
    HELPINFO help{};
    help.cbSize = sizeof(help);
    SendMessageW(window, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
  });
  EXPECT_NE(byMenu.find(L"版本"), std::wstring::npos);
  EXPECT_EQ(shown, byMenu);
  EXPECT_NE(shown.find(appData_.Path()), std::wstring::npos) << "the save folder";
}

TEST_F(MainWindowTest, ConfigurationRestartsTheLoopAndTheTimers) {
  SetReservedTime(30);
  Run([&](HWND window) {
    SendStatus(window, kStatusChanged, 0x80);
    const ModalOutcome config = DriveModal(
        [&] {
          SendCommand(window, ID_TOOL_CONFIG);
          return INT_PTR{0};
        },
        [&](HWND configWindow) {
          // The old loop is gone before the dialog shows.
          EXPECT_EQ(FakePoll().finished, 1);
          EXPECT_EQ(dialog_.m_bReaderReady, 0);
          ClickButton(configWindow, IDCANCEL);
        });
    EXPECT_TRUE(config.stepsRan);
    EXPECT_TRUE(StartedThreads(2));
    EXPECT_NE(dialog_.m_hPollThread, nullptr);
    EXPECT_TRUE(KillTimer(window, kHideTimer));
    EXPECT_TRUE(KillTimer(window, kClearTimer));
  });
  EXPECT_EQ(FakePoll().finished, 2);
}

TEST_F(MainWindowTest, PrintBeforeAnyReadSendsEmptyTextsAndNoPhoto) {
  SetReservedTime(30);
  Run([&](HWND window) {
    FakePrint().whileDialogOpen = [&] { EXPECT_FALSE(KillTimer(window, kHideTimer)) << "held back while printing"; };
    SendCommand(window, ID_TOOL_PRINT);
    EXPECT_TRUE(KillTimer(window, kHideTimer)) << "restarted afterwards";
  });
  ASSERT_EQ(FakePrint().calls, 1);
  EXPECT_EQ(FakePrint().count, 10);
  EXPECT_NE(FakePrint().owner, nullptr);
  for (const auto& slot : FakePrint().text.slot) EXPECT_STREQ(slot, L"");
  EXPECT_EQ(FakePrint().photo, "") << "image.bmp of an earlier run is no photo of this card";
}

TEST_F(MainWindowTest, ACardReadWhileThePrinterDialogIsOpenLeavesTheDialogInFront) {
  SetReservedTime(30);
  Run([&](HWND window) {
    FakePrint().whileDialogOpen = [&] {
      // Where the printer dialog would be: a window of its own in front.
      HWND printerDialog = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                           nullptr, nullptr, nullptr);
      SetForegroundWindow(printerDialog);
      SendMessageW(window, WM_CARD_READ, 0, 0);
      EXPECT_EQ(GetForegroundWindow(), printerDialog) << "the read brought the main window over the dialog";
      EXPECT_FALSE(KillTimer(window, kHideTimer)) << "the read restarted the hide timer under the dialog";
      DestroyWindow(printerDialog);
    };
    SendCommand(window, ID_TOOL_PRINT);
    EXPECT_STREQ(dialog_.m_cardLast.name, L"韩晓川") << "the read itself was taken";
    EXPECT_TRUE(KillTimer(window, kHideTimer)) << "restarted after printing";
  });
}

TEST_F(MainWindowTest, PrintKeepsTheLastCardAndItsPhotoWhateverComesAfter) {
  const std::string firstPhoto = ReadWholeFile(appData_.Path() + L"image.bmp");
  Run([&](HWND window) {
    wcscpy_s(FakePoll().card.name, L"韩川");
    SendMessageW(window, WM_CARD_READ, 0, 0);
    SendMessageW(window, WM_TIMER, kClearTimer, 0);
    // A card laid while the printer dialog is open, with another photo.
    FakePrint().whileDialogOpen = [&] {
      wcscpy_s(FakePoll().card.name, L"苏映秋");
      DeleteFileW((appData_.Path() + L"image.bmp").c_str());
      SendMessageW(window, WM_CARD_READ, 0, 0);
    };
    SendCommand(window, ID_TOOL_PRINT);
    EXPECT_STREQ(FakePrint().text.slot[kFaceName], L"韩  川");
    EXPECT_STREQ(FakePrint().text.slot[kFaceBirthMonth], L"3");
    EXPECT_STREQ(FakePrint().text.slot[kFaceIdNumber], L"99052119920314002X");
    EXPECT_EQ(FakePrint().photo, firstPhoto);
    // The card read meanwhile, whose photo could not be decoded, prints
    // without one rather than with the one before.
    FakePrint().whileDialogOpen = nullptr;
    SendCommand(window, ID_TOOL_PRINT);
    EXPECT_STREQ(FakePrint().text.slot[kFaceName], L"苏映秋");
    EXPECT_EQ(FakePrint().photo, "");
  });
}

TEST_F(MainWindowTest, ConfigurationBlocksTheWindowUntilItCloses) {
  Run([&](HWND window) {
    const ModalOutcome config = DriveModal(
        [&] {
          SendCommand(window, ID_TOOL_CONFIG);
          return INT_PTR{0};
        },
        [&](HWND configWindow) {
          EXPECT_EQ(GetWindow(configWindow, GW_OWNER), window);
          EXPECT_FALSE(IsWindowEnabled(window));
          // A second press would open a second dialog over this one and
          // leave two loops running afterwards.
          SendCommand(window, ID_TOOL_CONFIG);
          ClickButton(configWindow, IDCANCEL);
        });
    EXPECT_FALSE(config.timedOut);
    EXPECT_TRUE(IsWindowEnabled(window));
    EXPECT_TRUE(StartedThreads(2));
    EXPECT_EQ(FakePoll().finished, 1) << "exactly one loop runs";
  });
  EXPECT_EQ(FakePoll().finished, 2);
}

// Waits for a file that a started program leaves.
bool AppearsWithin(const std::wstring& path, DWORD milliseconds) {
  for (DWORD waited = 0; waited < milliseconds; waited += 50) {
    if (FileExists(path)) return true;
    Sleep(50);
  }
  return FileExists(path);
}

// A program that has just ended may still hold its file for a moment.
void RemoveProgram(const std::wstring& path) {
  for (int attempt = 0; attempt < 100 && !DeleteFileW(path.c_str()); ++attempt) Sleep(50);
}

TEST_F(MainWindowTest, ToolbarStartsTheQueryToolAndTheBlacklistEditorFromTheProgramFolder) {
  ScopedTempFolder marks;
  SetEnvironmentVariableW(L"TOOL_STUB_MARKS", marks.Path().c_str());
  const std::wstring folder = TestProgramFolder();
  struct Tool {
    UINT command;
    const wchar_t* program;
  };
  for (const Tool tool : {Tool{ID_TOOL_QUERY, L"Pellory.exe"}, Tool{ID_TOOL_BLACKLIST, L"BlackList.exe"}}) {
    const std::wstring program = folder + tool.program;
    Run([&](HWND window) {
      // Without the program nothing happens, and nothing is said.
      SendMessageW(window, WM_COMMAND, MAKEWPARAM(tool.command, BN_CLICKED),
                   reinterpret_cast<LPARAM>(dialog_.m_toolBar.m_hWnd));
      ASSERT_TRUE(CopyFileW((folder + L"tool_stub.exe").c_str(), program.c_str(), FALSE));
      SendMessageW(window, WM_COMMAND, MAKEWPARAM(tool.command, BN_CLICKED),
                   reinterpret_cast<LPARAM>(dialog_.m_toolBar.m_hWnd));
      EXPECT_TRUE(AppearsWithin(marks / tool.program, 10000)) << "not started: " << program;
      SendCommand(window, ID_TOOL_EXIT);
    });
    RemoveProgram(program);
  }
  SetEnvironmentVariableW(L"TOOL_STUB_MARKS", nullptr);
}

TEST_F(MainWindowTest, TheFaceDragsTheWindowAndTheCommandsMinimiseAndEndIt) {
  const ModalOutcome outcome = Run([&](HWND window) {
    // A press anywhere on the face is a press on a caption the window lacks.
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
    MSG drag{};
    ASSERT_TRUE(PeekMessageW(&drag, window, WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_REMOVE));
    EXPECT_EQ(drag.wParam, static_cast<WPARAM>(HTCAPTION));
    SendCommand(window, ID_TOOL_MINIMIZE);
    EXPECT_TRUE(IsIconic(window));
    SendCommand(window, ID_MENU_EXIT);
  });
  EXPECT_EQ(outcome.result, IDCANCEL);
  EXPECT_FALSE(outcome.closedByDriver);
}

}  // namespace

// Central records that cannot work (a connection string naming no driver):
// the status line names the fault at once with the reads waiting for the
// server, the alarm takes the line before it, and the reads still queue.
TEST_F(MainWindowTest, ACentralServerThatCannotBeUsedIsNamedOnTheStatusLineAfterTheAlarm) {
  // The 32-bit Wine here has no ODBC driver manager beside it, so no
  // connection string can be judged there.
  if (sizeof(void*) == 4) GTEST_SKIP() << "no ODBC driver manager for 32-bit programs on this machine";
  ASSERT_TRUE(CopyFileW((TestProgramFolder() + L"card2").c_str(), (appData_.Path() + L"card2").c_str(), FALSE));
  wchar_t settingsFolder[MAX_PATH];
  ASSERT_GT(GetSettingsFolder(MAX_PATH, settingsFolder), 0);
  CreateDirectoryW(settingsFolder, nullptr);
  CentralSettings central = LoadCentralSettings();
  central.connection = L"Driver={No Such Driver};Server=127.0.0.1;";
  ASSERT_TRUE(SaveCentralSettings(central));
  constexpr wchar_t kNamedAtStart[] = L"中心服务器连接设置有误，0 条记录待上传";
  constexpr wchar_t kNamed[] = L"中心服务器连接设置有误，1 条记录待上传";
  Run([&](HWND window) {
    SendStatus(window, kStatusChanged, 0x80);
    // The sender logs in as it starts, before any read.
    EXPECT_TRUE(PumpUntil([&] { return std::wstring_view(dialog_.m_szStatus) == kNamedAtStart; }, 15000));
    // A read stored as the loop stores it is queued for the server.
    SYSTEMTIME now;
    GetLocalTime(&now);
    EXPECT_EQ(StoreCardRead(SampleCard(), now), 0);
    EXPECT_TRUE(PumpUntil([&] { return std::wstring_view(dialog_.m_szStatus) == kNamed; }, 15000))
        << "the status line never named the fault";
    Screenshot(window, "reader_main_central_fault");
    SendStatus(window, kBlacklistHit);
    PumpUntil([] { return false; }, 1500);
    EXPECT_STREQ(dialog_.m_szStatus, L"此人已被列入黑名单！");
  });
  SetStoredReadCompanion({nullptr, nullptr});
}
