// The reader program's settings dialog: port, display and save settings,
// purging old reads, and the way to the baud-rate dialog.
#pragma once

#include <windows.h>

#include "framework/dialog.h"

class CConfigDlg : public CDialog {
 public:
  CConfigDlg();

  // The minimise interval in seconds, bound to field 1014.
  UINT m_nReservedTime = 0;

 protected:
  bool DoDataExchange(bool saveAndValidate) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  const MessageTable* GetMessageTable() const override;

 private:
  void OnPortKind();
  void OnBrowseBackground();
  void OnBrowseSaveFolder();
  void OnPurge();
  void OnBaudRate();
  void OnHelp();
  // F1 anywhere in the dialog.
  LRESULT OnF1Help(WPARAM, LPARAM);

  bool IsChecked(int id) const;
  void SetChecked(int id, bool checked);
  // False when the save folder was refused as too long.
  bool StoreSettings();
};
