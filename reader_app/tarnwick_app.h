// The reader program's application object: prepares the folders and the
// settings, initialises COM and SQLite for the process, optionally shows
// the configuration dialog, then runs the main window until it closes.
#pragma once

#include "framework/application.h"

class CTarnwickApp : public CWinApp {
 public:
  BOOL InitInstance() override;
  int ExitInstance() override;

 private:
  bool m_bComStarted = false;
  bool m_bSqliteStarted = false;
};
