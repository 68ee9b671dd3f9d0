// The blacklist editor's application object: prepares the folders and the
// settings like the other programs of the suite (so it finds the same card
// database), initialises SQLite, and runs the editor's window.
#pragma once

#include "framework/application.h"

class CBlackListApp : public CWinApp {
 public:
  BOOL InitInstance() override;
  int ExitInstance() override;
};
