// The query tool's application object: prepares the folders and the
// settings like the reader program, initialises SQLite, and runs the query
// window until it closes.
#pragma once

#include "framework/application.h"

class CPelloryApp : public CWinApp {
 public:
  BOOL InitInstance() override;
  int ExitInstance() override;
};
