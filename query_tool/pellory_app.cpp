#include "query_tool/pellory_app.h"

#include <sqlite3.h>

#include "common/card_database_check.h"
#include "common/reader_settings.h"
#include "common/working_folders.h"
#include "query_tool/pellory_dlg.h"

BOOL CPelloryApp::InitInstance() {
  // Preparation shows its own message when it fails.
  if (!PrepareWorkingFolders()) return FALSE;
  LoadSettings();
  sqlite3_initialize();
  // Without a readable card2 there is nothing to search.
  if (!CheckCardDatabaseAtStart()) return FALSE;
  CPelloryDlg window;
  m_pMainWnd = &window;
  window.DoModal();
  m_pMainWnd = nullptr;
  return FALSE;
}

int CPelloryApp::ExitInstance() {
  sqlite3_shutdown();
  return CWinApp::ExitInstance();
}
