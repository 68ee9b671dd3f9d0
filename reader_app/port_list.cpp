#include "reader_app/port_list.h"

#include <cwchar>

#include "reader/serial_transport.h"

namespace {

void AddEntry(HWND list, const wchar_t* text, int value, bool select) {
  const LRESULT index = SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  if (index < 0) return;
  SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(index), value);
  if (select) SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

// True when \\.\COMn exists and can be opened; it is closed again at once.
bool SerialPortOpens(int number) {
  wchar_t device[16];
  std::swprintf(device, std::size(device), L"\\\\.\\COM%d", number);
  HANDLE port = CreateFileW(device, 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) return false;
  CloseHandle(port);
  return true;
}

}  // namespace

void FillUsbPortList(HWND list) {
  SendMessageW(list, CB_RESETCONTENT, 0, 0);
  AddEntry(list, L"USB", kUsbListValue, true);
}

void FillSerialPortList(HWND list, int preselected) {
  SendMessageW(list, CB_RESETCONTENT, 0, 0);
  for (int n = 1; n <= kScannedPortCount; ++n) {
    if (!SerialPortOpens(n)) continue;
    wchar_t text[16];
    std::swprintf(text, std::size(text), L"COM%d", n);
    AddEntry(list, text, n, n == preselected);
  }
}

int SelectedPortValue(HWND list) {
  const LRESULT index = SendMessageW(list, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return -1;
  return static_cast<int>(SendMessageW(list, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}
