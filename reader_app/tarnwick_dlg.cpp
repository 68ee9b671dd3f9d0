#include "reader_app/tarnwick_dlg.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cwchar>
#include <iterator>

#include "card/photo.h"
#include "common/blacklist_alarm_text.h"
#include "common/card_face_text.h"
#include "common/checked_format.h"
#include "common/print_job.h"
#include "common/reader_settings.h"
#include "framework/application.h"
#include "framework/device_context.h"
#include "framework/menu.h"
#include "reader/reader_link.h"
#include "reader_app/card_face.h"
#include "reader_app/config_dlg.h"
#include "reader_app/help_message.h"
#include "reader_app/resource_ids.h"
#include "reader_app/size_mode.h"
#include "reader_app/tool_launch.h"

namespace {

constexpr int kRegionCorner = 50;
// Port 0 scans every serial port, so no one port can be named.
constexpr wchar_t kScanFailedText[] = L"扫描串口未找到读卡器";
constexpr wchar_t kPlaceCardText[] = L"请放卡...";
constexpr wchar_t kBlacklistHitText[] = L"此人已被列入黑名单！";
constexpr wchar_t kEarlierReadListedFormat[] = L"先前读取的%ls已被列入黑名单！";
constexpr wchar_t kReadsWaitingFormat[] = L"有 %d 条记录待保存";
// The toolbar's place, measured from the client area's bottom-right corner.
constexpr int kToolBarRightGap = 50;
constexpr int kToolBarWidth = 234;
constexpr int kToolBarHeight = 39;
constexpr int kToolImageSize = 32;

struct ToolButton {
  int command;
  UINT tipString;
};

// Left to right; each button's image is the icon resource of its command.
constexpr ToolButton kToolButtons[] = {
    {ID_TOOL_BLACKLIST, IDS_TIP_BLACKLIST}, {ID_TOOL_QUERY, IDS_TIP_QUERY}, {ID_TOOL_CONFIG, IDS_TIP_CONFIG},
    {ID_TOOL_MINIMIZE, IDS_TIP_MINIMIZE},   {ID_TOOL_PRINT, IDS_TIP_PRINT}, {ID_TOOL_EXIT, IDS_TIP_EXIT},
};

// The monitor the window is on, or the nearest one.
MONITORINFO MonitorOf(HWND window) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
  return monitor;
}

}  // namespace

CTarnwickDlg::CTarnwickDlg() : CDialog(IDD_TARNWICK) {
  m_hIcon.Load(ResourceInstance(), IDR_MAINFRAME);
  m_hAlarmIcon.Load(ResourceInstance(), IDI_ALARM);
}

const MessageTable* CTarnwickDlg::GetMessageTable() const {
  static constexpr MessageEntry kEntries[] = {
      OnMessage<WM_PAINT, &CTarnwickDlg::OnPaint>(),
      OnMessage<WM_QUERYDRAGICON, &CTarnwickDlg::OnQueryDragIcon>(),
      OnMessage<WM_CONTEXTMENU, &CTarnwickDlg::OnContextMenu>(),
      OnCommand<ID_MENU_SOUND, &CTarnwickDlg::OnSound>(),
      OnCommandRange<ID_MENU_SIZE_LARGE, ID_MENU_SIZE_SMALL, &CTarnwickDlg::OnSizeCommand>(),
      OnCommand<ID_TOOL_BLACKLIST, &CTarnwickDlg::OnBlacklist>(),
      OnCommand<ID_TOOL_QUERY, &CTarnwickDlg::OnQuery>(),
      OnCommand<ID_TOOL_CONFIG, &CTarnwickDlg::OnConfig>(),
      OnCommand<ID_MENU_CONFIG, &CTarnwickDlg::OnConfig>(),
      OnCommand<ID_TOOL_MINIMIZE, &CTarnwickDlg::OnMinimize>(),
      OnCommand<ID_TOOL_PRINT, &CTarnwickDlg::OnPrint>(),
      OnCommand<ID_MENU_HELP, &CTarnwickDlg::OnHelp>(),
      OnMessage<WM_HELP, &CTarnwickDlg::OnF1Help>(),
      OnCommand<ID_TOOL_EXIT, &CTarnwickDlg::OnExit>(),
      OnCommand<ID_MENU_EXIT, &CTarnwickDlg::OnExit>(),
      OnMessage<WM_SIZE, &CTarnwickDlg::OnSize>(),
      OnMessageThenDefault<WM_TIMER, &CTarnwickDlg::OnTimer>(),
      OnMessage<WM_DESTROY, &CTarnwickDlg::OnDestroy>(),
      OnMessage<WM_LBUTTONDOWN, &CTarnwickDlg::OnLButtonDown>(),
      OnNotifyRange<TTN_GETDISPINFOW, 0, 0xFFFFFFFFu, &CTarnwickDlg::OnToolTipText>(),
      OnMessage<WM_CARD_STATUS, &CTarnwickDlg::OnCardStatus>(),
      OnMessage<WM_CARD_READ, &CTarnwickDlg::OnCardRead>(),
      OnMessageThenDefault<WM_SYSCOMMAND, &CTarnwickDlg::OnSysCommand>(),
  };
  static const MessageTable kTable{CDialog::GetMessageTable(), kEntries};
  return &kTable;
}

bool CTarnwickDlg::DoDataExchange(bool) { return true; }

BOOL CTarnwickDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetWindowTextW(m_hWnd, L"居民身份证阅读器");
  SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon.Get()));
  SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon.Get()));
  const RECT monitor = MonitorOf(m_hWnd).rcMonitor;
  ApplySizeMode(SizeModeForMonitorWidth(monitor.right - monitor.left));
  CreateToolBar();
  m_bSound = GetSound();
  SetStatus(L"正在初始化...");
  StartPolling();
  RestartHideTimer();
  return TRUE;
}

void CTarnwickDlg::CreateToolBar() {
  m_imageList.Create(kToolImageSize, kToolImageSize, ILC_COLOR32, static_cast<int>(std::size(kToolButtons)), 12);
  m_imageList.SetBkColor(GetSysColor(COLOR_BTNFACE));
  TBBUTTON buttons[std::size(kToolButtons)] = {};
  for (std::size_t i = 0; i < std::size(kToolButtons); ++i) {
    m_imageList.AddIconResource(ResourceInstance(), kToolButtons[i].command);
    buttons[i].iBitmap = static_cast<int>(i);
    buttons[i].idCommand = kToolButtons[i].command;
    buttons[i].fsState = TBSTATE_ENABLED;
    buttons[i].fsStyle = BTNS_BUTTON;
  }
  const RECT place{m_nClientWidth - kToolBarWidth - kToolBarRightGap, m_nClientHeight - kToolBarHeight,
                   m_nClientWidth - kToolBarRightGap, m_nClientHeight};
  m_toolBar.Create(WS_CHILD | WS_VISIBLE | TBSTYLE_TOOLTIPS | TBSTYLE_FLAT | TBSTYLE_TRANSPARENT | CCS_NODIVIDER |
                       CCS_NORESIZE | CCS_NOPARENTALIGN,
                   place, m_hWnd, IDC_TOOLBAR);
  m_toolBar.SetImageList(m_imageList);
  m_toolBar.SetButtonSize(kToolImageSize, kToolImageSize);
  m_toolBar.AddButtons(buttons);
}

void CTarnwickDlg::ApplySizeMode(int mode) {
  const SizeMode& size = kSizeModes[mode];
  // The move below sends the size message, which must see the new scale.
  m_nScale = size.scale;
  const POINT corner = PlaceInWorkArea(MonitorOf(m_hWnd).rcWork, size.width, size.height);
  SetWindowPos(m_hWnd, nullptr, corner.x, corner.y, size.width, size.height, SWP_NOZORDER);
  if (m_rgnWindow.CreateRoundRectRgn(0, 0, size.width, size.height, kRegionCorner, kRegionCorner)) {
    m_rgnWindow.ApplyToWindow(m_hWnd, true);
  }
  LoadBackground();
  InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CTarnwickDlg::LoadBackground() {
  m_hBackground.Reset();
  RECT client{};
  GetClientRect(m_hWnd, &client);
  m_hBackground.LoadFromFile(GetBgBmp(), client.right, client.bottom);
}

LRESULT CTarnwickDlg::OnPaint(WPARAM, LPARAM) {
  CPaintDC dc(m_hWnd);
  const CardFaceView view{m_nScale,      m_nClientWidth, m_nClientHeight, m_hBackground, m_hPhoto,
                          m_bAlarm == 1, m_hAlarmIcon,   &m_cardShown,    m_szStatus,      m_bWarning == 1};
  DrawCardFace(dc, view);
  return 0;
}

LRESULT CTarnwickDlg::OnQueryDragIcon(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(m_hIcon.Get()); }

LRESULT CTarnwickDlg::OnContextMenu(WPARAM, LPARAM lParam) {
  CMenu menu;
  if (!menu.Load(ResourceInstance(), IDR_CONTEXT_MENU)) return 0;
  HMENU popup = menu.GetSubMenu(0);
  CheckMenuCommand(popup, ID_MENU_SOUND, m_bSound == 1);
  const int currentMode = SizeModeForScale(m_nScale);
  for (int mode = 0; mode < kSizeModeCount; ++mode) {
    CheckMenuCommand(popup, ID_MENU_SIZE_LARGE + mode, mode == currentMode);
  }
  POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  // A menu asked for from the keyboard comes without a point.
  if (at.x == -1 && at.y == -1) GetCursorPos(&at);
  TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_VERTICAL, at.x, at.y, 0, m_hWnd, nullptr);
  return 0;
}

LRESULT CTarnwickDlg::OnSize(WPARAM, LPARAM lParam) {
  const int width = LOWORD(lParam);
  const int height = HIWORD(lParam);
  SetStatusRect(StatusStripRect(m_nScale, width, height));
  m_nClientWidth = width;
  m_nClientHeight = height;
  if (m_toolBar.m_hWnd != nullptr) {
    MoveWindow(m_toolBar.m_hWnd, width - kToolBarWidth - kToolBarRightGap, height - kToolBarHeight, kToolBarWidth,
               kToolBarHeight, FALSE);
  }
  return 0;
}

LRESULT CTarnwickDlg::OnTimer(WPARAM timer, LPARAM) {
  if (timer == kHideTimer) {
    ShowWindow(m_hWnd, SW_MINIMIZE);
  } else if (timer == kClearTimer) {
    ClearShownCard();
    m_bAlarm = 0;
    m_bWarning = 0;
    if (m_bReaderReady == 1) ShowReadyPrompt();
    InvalidateRect(m_hWnd, nullptr, TRUE);
  } else {
    return 0;
  }
  // Both timers fire once.
  KillTimer(m_hWnd, timer);
  return 0;
}

LRESULT CTarnwickDlg::OnDestroy(WPARAM, LPARAM) {
  StopPolling();
  m_hBackground.Reset();
  m_hPhoto.Reset();
  m_imageList.Destroy();
  return 0;
}

LRESULT CTarnwickDlg::OnLButtonDown(WPARAM, LPARAM lParam) {
  PostMessageW(m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, lParam);
  return 0;
}

LRESULT CTarnwickDlg::OnSysCommand(WPARAM command, LPARAM) {
  if (command == SC_RESTORE) RestartHideTimer();
  return 0;
}

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
    SetStatus(L"读卡成功！请放下一张卡...");
  }
}

// A warning or the alarm stays up; the count shows once they are gone.
void CTarnwickDlg::ShowReadsWaiting(int count) {
  m_nReadsWaiting = count;
  if (m_bReaderReady == 1 && m_bAlarm == 0 && m_bWarning == 0) ShowReadyPrompt();
}

void CTarnwickDlg::ShowReadyPrompt() {
  if (m_nReadsWaiting <= 0 || FormatChecked(m_szStatus, kStatusCapacity, kReadsWaitingFormat, m_nReadsWaiting) < 0) {
    SetStatus(kPlaceCardText);
  }
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
  SetStatus(unchecked ? kBlacklistCheckFailedText : L"读卡成功！请放下一张卡...");
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

LRESULT CTarnwickDlg::OnToolTipText(NMHDR* header) {
  auto* tip = reinterpret_cast<NMTTDISPINFOW*>(header);
  for (const ToolButton& button : kToolButtons) {
    if (static_cast<UINT_PTR>(button.command) == header->idFrom) tip->lpszText = MAKEINTRESOURCEW(button.tipString);
  }
  tip->hinst = ResourceInstance();
  tip->uFlags |= TTF_DI_SETITEM;
  return FALSE;
}

void CTarnwickDlg::OnSound() {
  m_bSound = m_bSound == 1 ? 0 : 1;
  SetSound(m_bSound);
}

void CTarnwickDlg::OnSizeCommand(UINT id) { ApplySizeMode(static_cast<int>(id - ID_MENU_SIZE_LARGE)); }

void CTarnwickDlg::OnBlacklist() { StartProgramTool(L"BlackList.exe"); }

void CTarnwickDlg::OnQuery() { StartProgramTool(L"Pellory.exe"); }

void CTarnwickDlg::OnConfig() {
  // The window is disabled while a dialog it owns runs; a command that
  // still reaches it then must not open a second dialog and a second loop.
  if (!IsWindowEnabled(m_hWnd)) return;
  StopPolling();
  m_bReaderReady = 0;
  KillTimer(m_hWnd, kHideTimer);
  CConfigDlg config;
  config.DoModal();
  StartPolling();
  RestartHideTimer();
  RestartClearTimer();
}

void CTarnwickDlg::OnMinimize() { ShowWindow(m_hWnd, SW_MINIMIZE); }

// Prints the last card read, also after the clear timer blanked the face;
// before the first read every text is empty and there is no photo.
void CTarnwickDlg::OnPrint() {
  KillTimer(m_hWnd, kHideTimer);
  CardFaceText text;
  FillCardFaceText(m_cardLast, text);
  m_bPrinting = true;
  PrintCardFace(m_hWnd, text, kFaceSlotCount, m_photoLast.PrintCopy());
  m_bPrinting = false;
  m_photoLast.ReleasePrintCopy();
  RestartHideTimer();
}

void CTarnwickDlg::OnHelp() { ShowProgramHelp(m_hWnd); }

LRESULT CTarnwickDlg::OnF1Help(WPARAM, LPARAM) {
  OnHelp();
  return TRUE;
}

void CTarnwickDlg::OnExit() { EndDialog(IDCANCEL); }

void CTarnwickDlg::ClearShownCard() {
  m_cardShown = CardInfo{};
  m_hPhoto.Reset();
}

void CTarnwickDlg::SetStatus(const wchar_t* text) {
  // Texts longer than the status line are cut, never overrun.
  wcsncpy_s(m_szStatus, text, _TRUNCATE);
}

void CTarnwickDlg::StartPolling() {
  SetPollRunning(1);
  m_hPollThread = CreateThread(nullptr, 0, CardPollThread, m_hWnd, 0, nullptr);
}

void CTarnwickDlg::StopPolling() {
  if (m_hPollThread == nullptr) return;
  SetPollRunning(0);
  WaitForSingleObject(m_hPollThread, INFINITE);
  CloseHandle(m_hPollThread);
  m_hPollThread = nullptr;
}

UINT HideTimerPeriodMs(int seconds) {
  // A very long interval would overflow the period in milliseconds and
  // minimise the window far too early; the longest timer is about 24 days.
  const ULONGLONG period = static_cast<ULONGLONG>(seconds) * 1000u;
  return static_cast<UINT>(std::min<ULONGLONG>(period, USER_TIMER_MAXIMUM));
}

void CTarnwickDlg::RestartHideTimer() {
  const int seconds = GetReservedTime();
  if (seconds > 0) SetTimer(m_hWnd, kHideTimer, HideTimerPeriodMs(seconds), nullptr);
}

void CTarnwickDlg::RestartClearTimer() {
  if (GetClear() != 0) SetTimer(m_hWnd, kClearTimer, kClearDelayMs, nullptr);
}
