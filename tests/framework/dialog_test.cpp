// Modal dialogs driven with messages: the message table routes commands,
// messages and notifications to the handlers of the right class, and Enter
// and Esc end the dialog through OnOK and OnCancel.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "support/modal_driver.h"
#include "support/screenshot.h"
#include "test_dialog.h"

namespace {

TEST(DialogTest, ClickRunsTableHandlerAndEnterEndsWithOk) {
  CTestDlg dialog;
  const ModalOutcome outcome = RunModal(dialog, [&](HWND window) {
    EXPECT_EQ(dialog.m_hWnd, window);
    SetControlText(window, IDC_NAME, L"韩晓川");
    EXPECT_EQ(ControlText(window, IDC_NAME), L"韩晓川");
    ClickButton(window, IDC_PRESS);
    ClickButton(window, IDC_PRESS);
    EXPECT_EQ(dialog.pressCount, 2);
    EXPECT_EQ(SaveWindowScreenshot(window, "framework_dialog"), kScreenshotSaved);
    PostKey(GetDlgItem(window, IDC_NAME), VK_RETURN);
  });
  EXPECT_TRUE(outcome.stepsRan);
  EXPECT_FALSE(outcome.closedByDriver);
  EXPECT_EQ(outcome.result, IDOK);
  EXPECT_TRUE(dialog.initRan);
  EXPECT_TRUE(dialog.okRan);
  EXPECT_EQ(dialog.nameAtOk, L"韩晓川");
  EXPECT_EQ(dialog.m_hWnd, nullptr);
}

TEST(DialogTest, EscEndsWithCancelWithoutOk) {
  CTestDlg dialog;
  const ModalOutcome outcome =
      RunModal(dialog, [](HWND window) { PostKey(GetDlgItem(window, IDC_NAME), VK_ESCAPE); });
  EXPECT_EQ(outcome.result, IDCANCEL);
  EXPECT_FALSE(outcome.closedByDriver);
  EXPECT_FALSE(dialog.okRan);
}

TEST(DialogTest, CommandRangeMessagesAndNotificationsReachTheirHandlers) {
  CTestDlg dialog;
  RunModal(dialog, [&](HWND window) {
    // Menu items arrive without a control window.
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(ID_SIZE_FIRST + 1, 0), 0);
    EXPECT_EQ(dialog.lastSizeCommand, ID_SIZE_FIRST + 1u);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(ID_SIZE_LAST + 1, 0), 0);
    EXPECT_EQ(dialog.lastSizeCommand, ID_SIZE_FIRST + 1u);

    // A handler's result reaches the sender.
    EXPECT_EQ(SendMessageW(window, kAddMessage, 2, 3), 5);

    HTREEITEM march = dialog.m_tree.GetChildItem(dialog.m_tree.GetRootItem());
    for (int i = 1; i < 3; ++i) march = dialog.m_tree.GetNextSiblingItem(march);
    ASSERT_NE(march, nullptr);
    dialog.m_tree.SelectItem(march);
    EXPECT_EQ(dialog.selectedTreeData, 2024 * 256 + 3);

    NMTTDISPINFOW tip{};
    tip.hdr.hwndFrom = dialog.m_toolBar.m_hWnd;
    tip.hdr.idFrom = ID_TOOL_FIRST;
    tip.hdr.code = TTN_GETDISPINFOW;
    SendMessageW(window, WM_NOTIFY, ID_TOOL_FIRST, reinterpret_cast<LPARAM>(&tip));
    EXPECT_STREQ(tip.lpszText, L"第一");
    EXPECT_TRUE(tip.uFlags & TTF_DI_SETITEM);
  });
}

TEST(DialogTest, DerivedTableTakesOverEntryAndKeepsTheRest) {
  CDerivedDlg dialog;
  const ModalOutcome outcome = RunModal(dialog, [&](HWND window) {
    ClickButton(window, IDC_PRESS);
    EXPECT_EQ(SendMessageW(window, kAddMessage, 4, 5), 9);
    PostKey(GetDlgItem(window, IDC_NAME), VK_RETURN);
  });
  EXPECT_EQ(dialog.derivedPressCount, 1);
  EXPECT_EQ(dialog.pressCount, 0);
  EXPECT_EQ(outcome.result, IDOK);
  EXPECT_TRUE(dialog.okRan);
}

TEST(DialogTest, FailingHandlerEndsDialogWithFailure) {
  CTestDlg dialog;
  const ModalOutcome outcome = RunModal(dialog, [](HWND window) { ClickButton(window, IDC_THROW); });
  EXPECT_EQ(outcome.result, CDialog::kFailed);
  EXPECT_FALSE(outcome.closedByDriver);
}

TEST(DialogTest, MissingTemplateFailsWithoutWindow) {
  CDialog dialog(4321);
  EXPECT_EQ(dialog.DoModal(), CDialog::kFailed);
  EXPECT_EQ(dialog.m_hWnd, nullptr);
}

TEST(ModalDriverTest, ClosesDialogThatStepsLeftOpen) {
  CTestDlg dialog;
  const ModalOutcome outcome = RunModal(dialog, [](HWND) {});
  EXPECT_TRUE(outcome.stepsRan);
  EXPECT_TRUE(outcome.closedByDriver);
  EXPECT_FALSE(outcome.timedOut);
  EXPECT_EQ(outcome.result, IDCANCEL);
}

TEST(ModalDriverTest, DrivesNestedDialogOpenedByClick) {
  CTestDlg dialog;
  ModalOutcome nested;
  const ModalOutcome outer = RunModal(dialog, [&](HWND window) {
    nested = DriveModal(
        [&] {
          ClickButton(window, IDC_OPEN_NESTED);
          return dialog.nestedResult;
        },
        [&](HWND inner) {
          EXPECT_NE(inner, window);
          EXPECT_EQ(GetWindow(inner, GW_OWNER), window);
          EXPECT_FALSE(IsWindowEnabled(window));
          PostKey(GetDlgItem(inner, IDOK), VK_RETURN);
        });
    PostKey(GetDlgItem(window, IDC_NAME), VK_ESCAPE);
  });
  EXPECT_TRUE(nested.stepsRan);
  EXPECT_EQ(nested.result, IDOK);
  EXPECT_EQ(outer.result, IDCANCEL);
  EXPECT_FALSE(outer.closedByDriver);
}

ModalOutcome g_forgottenBox;

TEST(ModalDriverTest, TimeOutEndsForgottenMessageBoxAndFails) {
  EXPECT_NONFATAL_FAILURE(
      {
        CTestDlg dialog;
        g_forgottenBox = RunModal(
            dialog, [](HWND window) { MessageBoxW(window, L"没有人会点这个", L"", MB_OK); },
            std::chrono::milliseconds(1500));
      },
      "still open");
  EXPECT_TRUE(g_forgottenBox.timedOut);
  EXPECT_EQ(g_forgottenBox.result, IDCANCEL);
}

}  // namespace
