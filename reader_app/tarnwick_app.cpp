#include "reader_app/tarnwick_app.h"

#include <objbase.h>
#include <sqlite3.h>

#include "common/card_database.h"
#include "common/reader_settings.h"
#include "common/working_folders.h"
#include "reader_app/config_dlg.h"
#include "reader_app/tarnwick_dlg.h"

BOOL CTarnwickApp::InitInstance() {
  // Preparation shows its own message when it fails; nothing else was set
  // up yet, so there is nothing to undo.
  if (!PrepareWorkingFolders()) return FALSE;
  LoadSettings();
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  sqlite3_initialize();
  // A card2 from before the query tool's indices gets them here; the query
  // tool itself never writes. Searches still work (slowly) if this fails.
  AddQueryIndexes();
  if (GetDialog() != 0) {
    CConfigDlg config;
    config.DoModal();
  }
  CTarnwickDlg window;
  m_pMainWnd = &window;
  window.DoModal();
  m_pMainWnd = nullptr;
  return FALSE;
}

int CTarnwickApp::ExitInstance() {
  sqlite3_shutdown();
  CoUninitialize();
  return CWinApp::ExitInstance();
}
