#include "framework/application.h"

#include <commctrl.h>

namespace {

HINSTANCE g_resourceInstance = nullptr;
CWinApp* g_currentApplication = nullptr;

// Pumps messages until WM_QUIT and returns its code.
int RunMessageLoop() {
  MSG msg{};
  BOOL got;
  while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
    if (got == -1) return -1;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace

CWinApp::CWinApp() { g_currentApplication = this; }

CWinApp::~CWinApp() {
  if (g_currentApplication == this) g_currentApplication = nullptr;
}

CWinApp* CurrentApplication() { return g_currentApplication; }

bool InitDialogControls() {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  // Only classes that every comctl32 since Windows 2000 knows: one unknown
  // flag makes the whole call fail there.
  controls.dwICC = ICC_WIN95_CLASSES | ICC_DATE_CLASSES;
  return InitCommonControlsEx(&controls) != FALSE;
}

HINSTANCE ResourceInstance() {
  return g_resourceInstance != nullptr ? g_resourceInstance : GetModuleHandleW(nullptr);
}

int RunApplication(CWinApp& app, HINSTANCE instance) {
  g_resourceInstance = instance;
  InitDialogControls();
  bool exiting = false;
  try {
    if (app.InitInstance()) app.m_quitCode = RunMessageLoop();
    exiting = true;
    return app.ExitInstance();
  } catch (...) {
    // Nothing may unwind into the C runtime's start-up code; a failed
    // start still releases what the application object set up.
    if (!exiting) {
      try {
        app.ExitInstance();
      } catch (...) {
      }
    }
  }
  return -1;
}
