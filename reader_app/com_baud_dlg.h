// Finding the line speed of a serial reader and switching it to another.
#pragma once

#include <windows.h>

#include "framework/dialog.h"

class CComBaudDlg : public CDialog {
 public:
  explicit CComBaudDlg(HWND parent);

 protected:
  BOOL OnInitDialog() override;
  // 设置: sets the chosen speed; the dialog ends only when that worked.
  void OnOK() override;
  const MessageTable* GetMessageTable() const override;

 private:
  void OnProbe();
  int SelectedPort() const;
  void ShowFailure(int result);
};

// The message for a failed probe or set: open failure, time-out, or other.
const wchar_t* BaudRateFailureText(int result);
