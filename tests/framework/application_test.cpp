// The application object's life: InitInstance, the optional message loop,
// ExitInstance and the exit code, also when a dialog runs as main window.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "framework/application.h"
#include "support/modal_driver.h"
#include "test_dialog.h"

namespace {

class RecordingApp : public CWinApp {
 public:
  std::vector<std::string> calls;
  BOOL askForLoop = FALSE;
  bool throwInInit = false;
  INT_PTR mainWindowResult = 0;

  BOOL InitInstance() override {
    calls.push_back("InitInstance");
    if (throwInInit) throw std::runtime_error("start-up failed");
    if (askForLoop) {
      PostQuitMessage(7);
      return TRUE;
    }
    CTestDlg dialog;
    m_pMainWnd = &dialog;
    mainWindowResult = RunModal(dialog, [this](HWND window) {
                         calls.push_back("main window shown");
                         PostKey(GetDlgItem(window, IDC_NAME), VK_RETURN);
                       }).result;
    m_pMainWnd = nullptr;
    return FALSE;
  }
  int ExitInstance() override {
    calls.push_back("ExitInstance");
    return CWinApp::ExitInstance();
  }
};

TEST(ApplicationTest, RunsMainWindowBetweenInitAndExit) {
  RecordingApp app;
  EXPECT_EQ(RunApplication(app, GetModuleHandleW(nullptr)), 0);
  EXPECT_EQ(app.calls, (std::vector<std::string>{"InitInstance", "main window shown", "ExitInstance"}));
  EXPECT_EQ(app.mainWindowResult, IDOK);
}

TEST(ApplicationTest, MessageLoopRunsWhenInitAsksAndQuitCodeBecomesExitCode) {
  RecordingApp app;
  app.askForLoop = TRUE;
  EXPECT_EQ(RunApplication(app, GetModuleHandleW(nullptr)), 7);
  EXPECT_EQ(app.calls, (std::vector<std::string>{"InitInstance", "ExitInstance"}));
}

TEST(ApplicationTest, FailedStartStillRunsExitInstanceAndReportsFailure) {
  RecordingApp app;
  app.throwInInit = true;
  EXPECT_EQ(RunApplication(app, GetModuleHandleW(nullptr)), -1);
  EXPECT_EQ(app.calls, (std::vector<std::string>{"InitInstance", "ExitInstance"}));
}

}  // namespace
