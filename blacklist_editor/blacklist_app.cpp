#include "blacklist_editor/blacklist_app.h"

#include <sqlite3.h>

#include "blacklist_editor/blacklist_dlg.h"
#include "common/card_database_check.h"
#include "common/reader_settings.h"
#include "common/working_folders.h"

BOOL CBlackListApp::InitInstance() {
  if (!PrepareWorkingFolders()) return FALSE;
  LoadSettings();
  sqlite3_initialize();
  // Without a readable card2 there is no list to edit, and editing a damaged
  // file could only make it worse.
  if (!CheckCardDatabaseAtStart()) return FALSE;
  CBlackListDlg window;
  m_pMainWnd = &window;
  window.DoModal();
  m_pMainWnd = nullptr;
  return FALSE;
}

int CBlackListApp::ExitInstance() {
  sqlite3_shutdown();
  return CWinApp::ExitInstance();
}
