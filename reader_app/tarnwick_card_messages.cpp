// How the main window turns the polling loop's messages into the card on
// the face, the alarm and the status line.
#include "reader_app/tarnwick_dlg.h"

#include <cwchar>
#include <iterator>

#include "card/photo.h"
#include "common/blacklist_alarm_text.h"
#include "common/checked_format.h"
#include "common/reader_settings.h"
#include "reader/reader_link.h"

namespace {
// Port 0 scans every serial port, so no one port can be named.
constexpr wchar_t kScanFailedText[] = L"扫描串口未找到读卡器";
constexpr wchar_t kPlaceCardText[] = L"请放卡...";
constexpr wchar_t kReadText[] = L"读卡成功！请放下一张卡...";
constexpr wchar_t kBlacklistHitText[] = L"此人已被列入黑名单！";
constexpr wchar_t kEarlierReadListedFormat[] = L"先前读取的%ls已被列入黑名单！";
constexpr wchar_t kReadsWaitingFormat[] = L"有 %d 条记录待保存";
}  // namespace

LRESULT CTarnwickDlg::OnCardStatus(WPARAM kind, LPARAM code) {
  switch (kind) {
    case kCardFound:
      ClearShownCard();
      SetStatus(L"正在读卡...");
      m_bAlarm = 0;
      m_bWarning = 0;
      break;
    case kBlacklistHit:
      ShowBlacklistHit(static_cast<unsigned>(code));
      break;
    case kNewAddressAdded:
      if (static_cast<unsigned>(code) == m_nShownRead) TakeCardRead(m_nShownRead, m_cardShown, nullptr);
      break;
    case kReadsWaiting:
      ShowReadsWaiting(static_cast<int>(code));
      break;
    case kBlacklistCleared:
      ShowBlacklistCleared(static_cast<unsigned>(code));
      break;
    default:
      ShowLoopStatus(static_cast<int>(code));
      break;
  }
  return 0;
}

void CTarnwickDlg::ShowLoopStatus(int code) {
  if (code <= 0) {
    SetStatus(PhotoStatusText(code));
  } else if (code == kLinkPortUnusable || code == kLinkShortTransfer) {
    const int port = GetCurrentPort();
    if (port >= kUsbPortBase) {
      SetStatus(L"连接 USB 端口失败");
    } else if (port == 0) {
      SetStatus(kScanFailedText);
    } else {
      std::swprintf(m_szStatus, std::size(m_szStatus), L"连接 COM%d 端口失败", port);
    }
    m_bReaderReady = 0;
  } else if (code == kStatusNoCard) {
    if (m_bReaderReady == 0) {
      ShowReadyPrompt();
      m_bReaderReady = 1;
    }
  } else {
    SetStatus(StatusText(code));
  }
}

// The alarm goes on the face only while the face shows the read it is
// about; an answer that comes after the face moved on names the person.
void CTarnwickDlg::ShowBlacklistHit(unsigned sequence) {
  if (sequence == m_nShownRead) {
    SetStatus(kBlacklistHitText);
    m_bAlarm = 1;
    m_bWarning = 0;
    return;
  }
  const wchar_t* name = m_recentReads.NameOf(sequence);
  if (FormatChecked(m_szStatus, kStatusCapacity, kEarlierReadListedFormat, name != nullptr ? name : L"") < 0) {
    SetStatus(kBlacklistHitText);
  }
  m_bWarning = 1;
}

// The failed check of the read on the face was made good: not listed.
void CTarnwickDlg::ShowBlacklistCleared(unsigned sequence) {
  if (sequence != m_nShownRead || std::wcscmp(m_szStatus, kBlacklistCheckFailedText) != 0) return;
  m_bWarning = 0;
  if (m_nReadsWaiting > 0) {
    ShowReadyPrompt();
  } else {
    SetStatus(kReadText);
  }
}

// A warning or the alarm stays up; the count shows once they are gone.
void CTarnwickDlg::ShowReadsWaiting(int count) {
  m_nReadsWaiting = count;
  if (m_bReaderReady == 1 && m_bAlarm == 0 && m_bWarning == 0) ShowReadyPrompt();
}

// Reads not stored at all go before reads not yet on the central server.
void CTarnwickDlg::ShowReadyPrompt() {
  if (m_nReadsWaiting > 0 && FormatChecked(m_szStatus, kStatusCapacity, kReadsWaitingFormat, m_nReadsWaiting) >= 0) {
    return;
  }
  SetStatus(m_szCentral[0] != L'\0' ? m_szCentral : kPlaceCardText);
}

// The card and its photo are taken as one read; an announcement of a read
// that a newer one has replaced is dropped, the newer one's follows.
LRESULT CTarnwickDlg::OnCardRead(WPARAM sequence, LPARAM blacklist) {
  const auto read = static_cast<unsigned>(sequence);
  CardInfo card;
  if (!TakeCardRead(read, card, m_photoLast.KeptPath())) return 0;
  m_cardShown = card;
  m_nShownRead = read;
  m_recentReads.Remember(read, card.name);
  m_hPhoto.Reset();
  if (m_photoLast.KeptPath() != nullptr) m_hPhoto.LoadFromFile(m_photoLast.KeptPath());
  RestartClearTimer();
  // A person who could not be checked is never shown as a plain success.
  const bool unchecked = blacklist == kBlacklistUnchecked;
  SetStatus(unchecked ? kBlacklistCheckFailedText : kReadText);
  m_cardLast = m_cardShown;
  m_bReaderReady = 1;
  m_bAlarm = 0;
  m_bWarning = unchecked ? 1 : 0;
  if (m_bPrinting) return 0;
  RestartHideTimer();
  ShowWindow(m_hWnd, SW_RESTORE);
  SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(m_hWnd);
  return 0;
}
