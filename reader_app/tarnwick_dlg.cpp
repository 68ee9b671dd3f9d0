#include "reader_app/tarnwick_dlg.h"

#include <windowsx.h>

#include <algorithm>

#include "common/reader_settings.h"
#include "framework/application.h"
#include "framework/device_context.h"
#include "framework/menu.h"
#include "reader_app/card_face.h"
#include "reader_app/config_dlg.h"
#include "reader_app/help_message.h"
#include "reader_app/resource_ids.h"
#include "reader_app/size_mode.h"
#include "reader_app/tool_launch.h"

namespace {

constexpr int kRegionCorner = 50;

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
      OnMessage<WM_CENTRAL_STATUS, &CTarnwickDlg::OnCentralStatus>(),
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
  StartCentralRecords();
  StartPolling();
  RestartHideTimer();
  return TRUE;
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
    const RECT place = ToolBarPlace(width, height);
    MoveWindow(m_toolBar.m_hWnd, place.left, place.top, place.right - place.left, place.bottom - place.top, FALSE);
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
  StopCentralRecords();
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
