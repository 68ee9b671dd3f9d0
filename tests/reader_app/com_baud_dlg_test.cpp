// The baud-rate dialog against the reader emulator: each result of 获取
// and 设置 and the message it shows.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/message_box.h"
#include "common/reader_settings.h"
#include "common/working_folders.h"
#include "reader/serial_transport.h"
#include "reader_app/com_baud_dlg.h"
#include "reader_app/resource_ids.h"
#include "support/app_data_folder.h"
#include "support/emulator_control.h"
#include "support/modal_driver.h"
#include "support/screenshot.h"

namespace {

class BaudRateDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(emulator_.Connected()) << "run under tests/support/with-emulator";
    emulator_.Request("clear-faults");
    emulator_.Request("set-speed 115200");
    ASSERT_EQ(PrepareWorkingFolders(), 1);
    LoadSettings();
    SetMessageBoxHandler([this](HWND, const wchar_t* text, const wchar_t*, UINT type) {
      messages_.push_back(text);
      types_.push_back(type & MB_ICONMASK);
      return IDOK;
    });
  }
  void TearDown() override {
    SetMessageBoxHandler({});
    emulator_.Request("clear-faults");
    emulator_.Request("set-speed 115200");
  }

  // Selects the emulator's port in the port list.
  void SelectEmulatorPort(HWND window) {
    SendDlgItemMessageW(window, IDC_PORT_LIST, CB_SETCURSEL, static_cast<WPARAM>(EmulatorComPort() - 1), 0);
  }

  EmulatorControl emulator_;
  ScopedAppDataFolder appData_;
  CComBaudDlg dialog_{nullptr};
  std::vector<std::wstring> messages_;
  std::vector<UINT> types_;
};

TEST_F(BaudRateDialogTest, ListsSixteenPortsAndFiveSpeeds) {
  RunModal(dialog_, [&](HWND window) {
    EXPECT_EQ(SendDlgItemMessageW(window, IDC_PORT_LIST, CB_GETCOUNT, 0, 0), 16);
    EXPECT_EQ(SendDlgItemMessageW(window, IDC_PORT_LIST, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(SendDlgItemMessageW(window, IDC_SPEED_LIST, CB_GETCOUNT, 0, 0), 5);
    EXPECT_EQ(SendDlgItemMessageW(window, IDC_SPEED_LIST, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(ControlText(window, IDC_CURRENT_SPEED), L"");
    EXPECT_EQ(SaveWindowScreenshot(window, "reader_baud_rate_dialog"), kScreenshotSaved);
  });
}

TEST_F(BaudRateDialogTest, SetBeforeProbeAsksForTheCurrentSpeedAndSendsNothing) {
  emulator_.Request("clear-log");
  const ModalOutcome outcome = RunModal(dialog_, [&](HWND window) {
    SelectEmulatorPort(window);
    ClickButton(window, IDOK);
  });
  EXPECT_TRUE(outcome.closedByDriver) << "the dialog stays open";
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], L"请先获取当前波特率");
  EXPECT_EQ(types_[0], static_cast<UINT>(MB_ICONEXCLAMATION));
  EXPECT_EQ(emulator_.Value("log"), "");
}

TEST_F(BaudRateDialogTest, ProbeFindsTheSpeedOrSaysThePortWouldNotOpen) {
  RunModal(dialog_, [&](HWND window) {
    // COM1 leads nowhere in the test prefix.
    ClickButton(window, IDC_PROBE);
    SelectEmulatorPort(window);
    ClickButton(window, IDC_PROBE);
    EXPECT_EQ(ControlText(window, IDC_CURRENT_SPEED), L"115200");
  });
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], L"端口打开失败");
  EXPECT_EQ(types_[0], static_cast<UINT>(MB_ICONSTOP));
}

TEST_F(BaudRateDialogTest, FailedSetsShowTheirTextsAndASuccessfulOneEnds) {
  const ModalOutcome outcome = RunModal(dialog_, [&](HWND window) {
    SelectEmulatorPort(window);
    ClickButton(window, IDC_PROBE);
    SendDlgItemMessageW(window, IDC_SPEED_LIST, CB_SETCURSEL, 1, 0);  // 57600
    // The reader refuses the command (invalid command status).
    emulator_.Request("fault status 60 01 21 count=1");
    ClickButton(window, IDOK);
    // The reader stays silent and keeps its speed.
    emulator_.Request("fault silence count=1");
    ClickButton(window, IDOK);
    EXPECT_TRUE(IsWindowVisible(window));
    ClickButton(window, IDOK);
  });
  EXPECT_EQ(outcome.result, IDOK);
  const std::vector<std::wstring> expected = {L"其它错误", L"超时", L"设置串口波特率成功"};
  EXPECT_EQ(messages_, expected);
  ASSERT_EQ(types_.size(), 3u);
  EXPECT_EQ(types_[0], static_cast<UINT>(MB_ICONSTOP));
  EXPECT_EQ(types_[2], static_cast<UINT>(MB_ICONINFORMATION));
  EXPECT_EQ(GetCurrentLineSpeed(), 57600u);
  EXPECT_EQ(emulator_.Value("speed"), "57600");

  // A new probe finds the new speed.
  CComBaudDlg again(nullptr);
  RunModal(again, [&](HWND window) {
    SelectEmulatorPort(window);
    ClickButton(window, IDC_PROBE);
    EXPECT_EQ(ControlText(window, IDC_CURRENT_SPEED), L"57600");
  });
}

}  // namespace
