#include "reader_app/tarnwick_app.h"

#include <objbase.h>
#include <sqlite3.h>

#include "common/card_database.h"
#include "common/card_database_check.h"
#include "common/reader_settings.h"
#include "common/working_folders.h"
#include "reader_app/card_database_upkeep.h"
#include "reader_app/config_dlg.h"
#include "reader_app/tarnwick_dlg.h"

BOOL CTarnwickApp::InitInstance() {
  // Preparation shows its own message when it fails; nothing else was set
  // up yet, so there is nothing to undo.
  if (!PrepareWorkingFolders()) return FALSE;
  LoadSettings();
  m_bComStarted = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  m_bSqliteStarted = sqlite3_initialize() == SQLITE_OK;
  // A damaged card2 is named to the user and left alone; the program goes on
  // showing cards, and the polling loop reports what it cannot check or store.
  // The query tool and the editor never write the database's form,
  // indices or statistics; the reader program keeps them current here.
  if (CheckCardDatabaseAtStart()) KeepCardDatabaseCurrent();
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
  // A start that stopped early never started them.
  if (m_bSqliteStarted) sqlite3_shutdown();
  if (m_bComStarted) CoUninitialize();
  m_bSqliteStarted = false;
  m_bComStarted = false;
  return CWinApp::ExitInstance();
}
