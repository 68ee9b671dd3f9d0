// The application object: one per program, run from wWinMain by
// RunApplication. InitInstance does the program's work (usually by running
// its main window modally) and returns FALSE when there is nothing left to
// do; ExitInstance releases what InitInstance set up and gives the exit code.
#pragma once

#include <windows.h>

class CDialog;

class CWinApp {
 public:
  // The newest application object becomes the process's current one.
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // TRUE lets RunApplication run a message loop until WM_QUIT before
  // ExitInstance; FALSE goes straight to ExitInstance.
  virtual BOOL InitInstance() { return FALSE; }
  // The process exit code: the WM_QUIT code when a message loop ran, else 0.
  virtual int ExitInstance() { return m_quitCode; }

  // The window that stands for the program while it runs; not owned.
  CDialog* m_pMainWnd = nullptr;

 private:
  friend int RunApplication(CWinApp& app, HINSTANCE instance);
  int m_quitCode = 0;
};

// The application object of the process, or null when there is none.
CWinApp* CurrentApplication();

// Registers the common control classes the suite's dialogs use (toolbars,
// tooltips, list and tree views, date pickers, spin controls). Repeating it
// is harmless.
bool InitDialogControls();

// The module that holds the program's resources: the instance handed to
// RunApplication, or the running program file before that.
HINSTANCE ResourceInstance();

// Initialises the common controls, then InitInstance, the message loop when
// it asked for one, and ExitInstance, whose result is returned. An exception
// escaping the application object ends the run with -1 after ExitInstance.
int RunApplication(CWinApp& app, HINSTANCE instance);
