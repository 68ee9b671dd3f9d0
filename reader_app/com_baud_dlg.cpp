#include "reader_app/com_baud_dlg.h"

#include <cstdint>
#include <cwchar>
#include <iterator>
#include <string>

#include "common/message_box.h"
#include "reader/sam_frame.h"
#include "reader/serial_transport.h"
#include "reader_app/resource_ids.h"

namespace {

// The speeds of list 1016, in the order of its entries.
constexpr std::uint32_t kSpeeds[] = {115200, 57600, 38400, 19200, 9600};

void FillList(HWND list, const wchar_t* text) { SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)); }

int SelectedIndex(HWND list) {
  const LRESULT index = SendMessageW(list, CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? 0 : static_cast<int>(index);
}

}  // namespace

const wchar_t* BaudRateFailureText(int result) {
  if (result == kLinkPortUnusable) return L"端口打开失败";
  if (result == kLinkShortTransfer) return L"超时";
  return L"其它错误";
}

CComBaudDlg::CComBaudDlg(HWND parent) : CDialog(IDD_COM_BAUD, parent) {}

const MessageTable* CComBaudDlg::GetMessageTable() const {
  static constexpr MessageEntry kEntries[] = {
      OnCommand<IDC_PROBE, &CComBaudDlg::OnProbe>(),
  };
  static const MessageTable kTable{CDialog::GetMessageTable(), kEntries};
  return &kTable;
}

BOOL CComBaudDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  HWND ports = GetDlgItem(IDC_PORT_LIST);
  for (int n = 1; n <= kScannedPortCount; ++n) {
    wchar_t text[16];
    std::swprintf(text, std::size(text), L"COM%d", n);
    FillList(ports, text);
  }
  SendMessageW(ports, CB_SETCURSEL, 0, 0);
  HWND speeds = GetDlgItem(IDC_SPEED_LIST);
  for (std::uint32_t speed : kSpeeds) FillList(speeds, std::to_wstring(speed).c_str());
  SendMessageW(speeds, CB_SETCURSEL, 0, 0);
  return TRUE;
}

int CComBaudDlg::SelectedPort() const { return SelectedIndex(GetDlgItem(IDC_PORT_LIST)) + 1; }

void CComBaudDlg::ShowFailure(int result) {
  ShowMessageBox(m_hWnd, BaudRateFailureText(result), L"", MB_OK | MB_ICONSTOP);
}

void CComBaudDlg::OnProbe() {
  std::uint32_t speed = 0;
  const int result = ProbeBaudRate(SelectedPort(), speed);
  if (result == kStatusSuccess) {
    SetDlgItemInt(m_hWnd, IDC_CURRENT_SPEED, speed, FALSE);
  } else {
    ShowFailure(result);
  }
}

void CComBaudDlg::OnOK() {
  const UINT current = GetDlgItemInt(m_hWnd, IDC_CURRENT_SPEED, nullptr, FALSE);
  if (current == 0) {
    ShowMessageBox(m_hWnd, L"请先获取当前波特率", L"", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  const std::uint32_t chosen = kSpeeds[SelectedIndex(GetDlgItem(IDC_SPEED_LIST))];
  const int result = SetReaderBaudRate(SelectedPort(), current, chosen);
  if (result != kStatusSuccess) {
    ShowFailure(result);
    return;
  }
  ShowMessageBox(m_hWnd, L"设置串口波特率成功", L"", MB_OK | MB_ICONINFORMATION);
  EndDialog(IDOK);
}
