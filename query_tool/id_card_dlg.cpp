#include "query_tool/id_card_dlg.h"

#include <cwchar>
#include <iterator>

#include "card/card_info.h"
#include "card/photo.h"
#include "common/blacklist_alarm_text.h"
#include "common/reader_settings.h"
#include "framework/application.h"
#include "framework/device_context.h"
#include "framework/gdi_objects.h"
#include "query_tool/card_print.h"
#include "query_tool/resource_ids.h"
#include "reader_app/card_face.h"

namespace {

constexpr int kWidth = 684;
constexpr int kHeight = 504;
constexpr int kScale = 3;
constexpr int kRegionCorner = 30;
constexpr int kToolImageSize = 32;
// The toolbar's place, measured from the client area's bottom-right corner.
constexpr int kToolBarRightGap = 50;
constexpr int kToolBarWidth = 78;
constexpr int kToolBarHeight = 39;

constexpr int kToolCommands[] = {ID_CARD_PRINT, ID_CARD_CLOSE};

constexpr UINT_PTR kRecheckTimer = 1;
// The failed check stands where the reader program's status line would, in
// the card face's field font, in the red of the alarm icon.
constexpr COLORREF kAlarmColour = RGB(220, 40, 36);
constexpr int kNoticeX = 10 * kScale;
constexpr int kNoticeLift = 39;
constexpr int kNoticeFontHeight = 8 * kScale;

void DrawCheckFailedNotice(HDC dc, int height) {
  LOGFONTW face{};
  face.lfHeight = kNoticeFontHeight;
  face.lfWeight = FW_BOLD;
  face.lfCharSet = GB2312_CHARSET;
  wcscpy_s(face.lfFaceName, L"宋体");
  CFont font;
  if (!font.CreateFontIndirect(face)) return;
  CSelectObject selected(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kAlarmColour);
  TextOutW(dc, kNoticeX, height - kNoticeLift, kBlacklistCheckFailedText,
           static_cast<int>(std::size(kBlacklistCheckFailedText) - 1));
}

}  // namespace

std::wstring RowPhotoPath(const CardRow& row) {
  // readTimeText: "YYYY-MM-DD hh:mm:ss", the day the photo was archived.
  const wchar_t* time = row.readTimeText;
  const int year = DigitsValue(time, 4);
  const int month = time[4] == L'-' ? DigitsValue(time + 5, 2) : -1;
  const int day = time[7] == L'-' ? DigitsValue(time + 8, 2) : -1;
  if (year < 0 || month < 0 || day < 0) return {};
  SYSTEMTIME date{};
  date.wYear = static_cast<WORD>(year);
  date.wMonth = static_cast<WORD>(month);
  date.wDay = static_cast<WORD>(day);
  wchar_t path[kPathCapacity];
  if (FormArchivedPhotoPath(path, date, row.idNumber) == 0) return {};
  return path;
}

CIDCardDlg::CIDCardDlg(const CardRow& row, BlacklistAnswer blacklist, HWND parent, BlacklistRecheck recheck)
    : CDialog(IDD_ID_CARD, parent),
      m_row(row),
      m_photoPath(RowPhotoPath(row)),
      m_blacklist(blacklist),
      m_recheck(recheck) {
  m_hAlarmIcon.Load(ResourceInstance(), IDI_CARD_ALARM);
}

const MessageTable* CIDCardDlg::GetMessageTable() const {
  static constexpr MessageEntry kEntries[] = {
      OnMessage<WM_PAINT, &CIDCardDlg::OnPaint>(),
      OnMessage<WM_LBUTTONDOWN, &CIDCardDlg::OnLButtonDown>(),
      OnMessage<WM_DESTROY, &CIDCardDlg::OnDestroy>(),
      OnMessage<WM_TIMER, &CIDCardDlg::OnTimer>(),
      OnCommand<ID_CARD_PRINT, &CIDCardDlg::OnPrint>(),
      OnCommand<ID_CARD_CLOSE, &CIDCardDlg::OnClose>(),
  };
  static const MessageTable kTable{CDialog::GetMessageTable(), kEntries};
  return &kTable;
}

BOOL CIDCardDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetWindowTextW(m_hWnd, L"身份证信息");
  SetWindowPos(m_hWnd, nullptr, 0, 0, kWidth, kHeight, SWP_NOMOVE | SWP_NOZORDER);
  m_nWidth = kWidth;
  m_nHeight = kHeight;
  CreateToolBar();
  RECT client{};
  GetClientRect(m_hWnd, &client);
  m_hBackground.LoadFromFile(GetBgBmp(), client.right, client.bottom);
  if (!m_photoPath.empty()) m_hPhoto.LoadFromFile(m_photoPath.c_str());
  if (m_rgnWindow.CreateRoundRectRgn(0, 0, kWidth, kHeight, kRegionCorner, kRegionCorner)) {
    m_rgnWindow.ApplyToWindow(m_hWnd, true);
  }
  if (m_blacklist == BlacklistAnswer::kUnknown && m_recheck.attempts > 0) {
    SetTimer(m_hWnd, kRecheckTimer, m_recheck.periodMs, nullptr);
  }
  return TRUE;
}

void CIDCardDlg::CreateToolBar() {
  m_imageList.Create(kToolImageSize, kToolImageSize, ILC_COLOR32, 2, 12);
  m_imageList.SetBkColor(GetSysColor(COLOR_BTNFACE));
  TBBUTTON buttons[std::size(kToolCommands)] = {};
  for (std::size_t i = 0; i < std::size(kToolCommands); ++i) {
    m_imageList.AddIconResource(ResourceInstance(), kToolCommands[i]);
    buttons[i].iBitmap = static_cast<int>(i);
    buttons[i].idCommand = kToolCommands[i];
    buttons[i].fsState = TBSTATE_ENABLED;
    buttons[i].fsStyle = BTNS_BUTTON;
  }
  RECT client{};
  GetClientRect(m_hWnd, &client);
  const RECT place{client.right - kToolBarRightGap - kToolBarWidth, client.bottom - kToolBarHeight,
                   client.right - kToolBarRightGap, client.bottom};
  m_toolBar.Create(WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TRANSPARENT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER |
                       CCS_NORESIZE | CCS_NOPARENTALIGN,
                   place, m_hWnd, IDC_CARD_TOOLBAR);
  m_toolBar.SetImageList(m_imageList);
  m_toolBar.SetButtonSize(kToolImageSize, kToolImageSize);
  m_toolBar.AddButtons(buttons);
}

LRESULT CIDCardDlg::OnPaint(WPARAM, LPARAM) {
  CPaintDC dc(m_hWnd);
  const bool listed = m_blacklist == BlacklistAnswer::kListed;
  const CardFaceView view{kScale, m_nWidth, m_nHeight, m_hBackground, m_hPhoto, listed, m_hAlarmIcon, &m_row, L"", false};
  DrawCardFace(dc, view);
  if (m_blacklist == BlacklistAnswer::kUnknown) DrawCheckFailedNotice(dc, m_nHeight);
  return 0;
}

LRESULT CIDCardDlg::OnTimer(WPARAM timer, LPARAM) {
  if (timer != kRecheckTimer) return 0;
  ++m_nRechecks;
  const BlacklistAnswer answer = m_recheck.lookUp(m_row.idNumber, m_recheck.waitMs);
  if (answer != BlacklistAnswer::kUnknown || m_nRechecks >= m_recheck.attempts) KillTimer(m_hWnd, kRecheckTimer);
  if (answer == BlacklistAnswer::kUnknown) return 0;
  m_blacklist = answer;
  InvalidateRect(m_hWnd, nullptr, TRUE);
  return 0;
}

LRESULT CIDCardDlg::OnLButtonDown(WPARAM, LPARAM lParam) {
  PostMessageW(m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, lParam);
  return 0;
}

LRESULT CIDCardDlg::OnDestroy(WPARAM, LPARAM) {
  KillTimer(m_hWnd, kRecheckTimer);
  m_hPhoto.Reset();
  m_hBackground.Reset();
  m_rgnWindow.Reset();
  m_imageList.Destroy();
  return 0;
}

void CIDCardDlg::OnPrint() { PrintCardRow(m_hWnd, m_row, m_photoPath); }

void CIDCardDlg::OnClose() { EndDialog(IDCANCEL); }
