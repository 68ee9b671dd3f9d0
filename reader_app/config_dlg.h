// The reader program's settings dialog: port, display and save settings,
// purging old reads, and the way to the baud-rate dialog.
#pragma once

#include <windows.h>

#include "common/path_capacity.h"
#include "common/save_folder_move.h"
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
  // The folder of field 1015 with its trailing backslash; false when it
  // would be longer than a path may be.
  bool ReadSaveFolderField(wchar_t (&folder)[kPathCapacity]) const;
  // False, with the reason shown, when folder cannot become the save folder.
  bool ReadyNewSaveFolder(const wchar_t* folder, const wchar_t* earlierFolder, SaveFolderMove& move);
  // False, with every setting as before and the user told, when the
  // settings file cannot be saved.
  bool StoreAndSaveSettings(const wchar_t* saveFolder);
  void StoreSettings(const wchar_t* saveFolder);
  void TellAboutMove(const SaveFolderMove& move, const wchar_t* earlierFolder);
  void Warn(const wchar_t* text);
};
