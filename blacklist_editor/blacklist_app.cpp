#include "blacklist_editor/blacklist_app.h"

#include <sqlite3.h>

#include "blacklist_editor/blacklist_dlg.h"
#include "common/reader_settings.h"
#include "common/working_folders.h"

BOOL CBlackListApp::InitInstance() {
  if (!PrepareWorkingFolders()) return FALSE;
  LoadSettings();
  sqlite3_initialize();
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
