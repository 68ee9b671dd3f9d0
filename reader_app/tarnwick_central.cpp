// The main window's part in central records: the sender runs while the
// window does, and its text about the server takes the status line
// whenever no alarm, warning or unstored read has it.
#include <cwchar>
#include <string>

#include "central/central_settings.h"
#include "reader_app/tarnwick_dlg.h"

namespace {
// The pull was asked together with the sender: what is left of the wait.
constexpr DWORD kPullStopWaitMs = 300;
}  // namespace

void CTarnwickDlg::StartCentralRecords() {
  const CentralSettings settings = LoadCentralSettings();
  if (!CentralRecordsOn(settings)) return;
  m_centralSender.Start(m_hWnd, settings);
  m_blacklistPull.Start(settings);
}

// Both threads are asked at once; closing waits for them together about
// as long as for one.
void CTarnwickDlg::StopCentralRecords() {
  m_centralSender.AskToStop();
  m_blacklistPull.AskToStop();
  m_centralSender.Stop();
  m_blacklistPull.Stop(kPullStopWaitMs);
}

LRESULT CTarnwickDlg::OnCentralStatus(WPARAM, LPARAM) {
  const bool shown = m_szCentral[0] != L'\0' && std::wcscmp(m_szStatus, m_szCentral) == 0;
  const std::wstring text = m_centralSender.StatusText();
  wcsncpy_s(m_szCentral, kStatusCapacity, text.c_str(), _TRUNCATE);
  if (m_bAlarm == 1 || m_bWarning == 1 || m_nReadsWaiting > 0) return 0;
  if (m_szCentral[0] != L'\0' || shown) {
    ShowReadyPrompt();
    InvalidateRect(m_hWnd, nullptr, TRUE);
  }
  return 0;
}
