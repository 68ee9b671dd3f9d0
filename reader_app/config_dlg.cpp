#include "reader_app/config_dlg.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <cstdint>
#include <cwchar>
#include <iterator>
#include <string>

#include "common/card_database.h"
#include "common/message_box.h"
#include "common/profile_path.h"
#include "common/reader_settings.h"
#include "common/save_folder_move.h"
#include "common/working_folders.h"
#include "reader_app/com_baud_dlg.h"
#include "reader_app/help_message.h"
#include "reader_app/port_list.h"
#include "reader_app/resource_ids.h"
#include "reader_app/save_folder_messages.h"

namespace {

constexpr wchar_t kBitmapFilter[] = L"BMP Files (*.bmp)\0*.bmp\0All Files (*.*)\0*.*\0";

// Frees a shell item list with the shell's allocator.
struct ItemListOwner {
  PIDLIST_ABSOLUTE items;
  ~ItemListOwner() {
    if (items != nullptr) CoTaskMemFree(items);
  }
};

}  // namespace

CConfigDlg::CConfigDlg() : CDialog(IDD_CONFIG) {}

const MessageTable* CConfigDlg::GetMessageTable() const {
  static constexpr MessageEntry kEntries[] = {
      OnCommand<IDC_USB, &CConfigDlg::OnPortKind>(),
      OnCommand<IDC_SERIAL, &CConfigDlg::OnPortKind>(),
      OnCommand<IDC_BG_BROWSE, &CConfigDlg::OnBrowseBackground>(),
      OnCommand<IDC_SAVE_BROWSE, &CConfigDlg::OnBrowseSaveFolder>(),
      OnCommand<IDC_PURGE, &CConfigDlg::OnPurge>(),
      OnCommand<IDC_BAUD_SETUP, &CConfigDlg::OnBaudRate>(),
      OnCommand<IDC_CONFIG_HELP, &CConfigDlg::OnHelp>(),
      OnMessage<WM_HELP, &CConfigDlg::OnF1Help>(),
  };
  static const MessageTable kTable{CDialog::GetMessageTable(), kEntries};
  return &kTable;
}

bool CConfigDlg::DoDataExchange(bool saveAndValidate) {
  if (!saveAndValidate) {
    SetDlgItemInt(m_hWnd, IDC_RESERVED_TIME, m_nReservedTime, FALSE);
    return true;
  }
  BOOL isNumber = FALSE;
  const UINT value = GetDlgItemInt(m_hWnd, IDC_RESERVED_TIME, &isNumber, FALSE);
  // The interval is stored as a signed 32-bit number.
  if (!isNumber || value > static_cast<UINT>(INT32_MAX)) {
    ShowMessageBox(m_hWnd, L"请输入一个整数。", L"", MB_OK | MB_ICONEXCLAMATION);
    SetFocus(GetDlgItem(IDC_RESERVED_TIME));
    return false;
  }
  m_nReservedTime = value;
  return true;
}

BOOL CConfigDlg::OnInitDialog() {
  m_nReservedTime = static_cast<UINT>(GetReservedTime());
  CDialog::OnInitDialog();
  SetChecked(IDC_SOUND, GetSound() == 1);
  SetChecked(IDC_DIALOG_AT_START, GetDialog() == 1);
  SetChecked(IDC_CLEAR, GetClear() == 1);
  SetChecked(IDC_AUTO_SAVE, GetAutoSave() == 1);
  SetDlgItemTextW(m_hWnd, IDC_BG_PATH, GetBgBmp());
  SetDlgItemTextW(m_hWnd, IDC_SAVE_PATH, GetSavePath());
  const bool usb = GetPortType() == kPortTypeUsb;
  SetChecked(IDC_USB, usb);
  SetChecked(IDC_SERIAL, !usb);
  if (usb) {
    FillUsbPortList(GetDlgItem(IDC_PORT_LIST));
  } else {
    FillSerialPortList(GetDlgItem(IDC_PORT_LIST), GetCurrentPort());
  }
  return TRUE;
}

void CConfigDlg::OnPortKind() {
  // The kind takes effect in memory at once, even if the dialog is then
  // left without saving: the next polling loop uses it.
  if (IsChecked(IDC_USB)) {
    SetPortType(kPortTypeUsb);
    FillUsbPortList(GetDlgItem(IDC_PORT_LIST));
  } else {
    SetPortType(0);
    FillSerialPortList(GetDlgItem(IDC_PORT_LIST), GetCurrentPort());
  }
}

void CConfigDlg::OnBrowseBackground() {
  wchar_t file[kPathCapacity] = L"*.bmp";
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = m_hWnd;
  dialog.lpstrFilter = kBitmapFilter;
  dialog.lpstrFile = file;
  dialog.nMaxFile = kPathCapacity;
  dialog.lpstrDefExt = L"bmp";
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  if (GetOpenFileNameW(&dialog)) SetDlgItemTextW(m_hWnd, IDC_BG_PATH, file);
}

void CConfigDlg::OnBrowseSaveFolder() {
  BROWSEINFOW browse{};
  browse.hwndOwner = m_hWnd;
  browse.lpszTitle = L"选择文件夹";
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  const ItemListOwner chosen{SHBrowseForFolderW(&browse)};
  wchar_t folder[MAX_PATH];
  if (chosen.items != nullptr && SHGetPathFromIDListW(chosen.items, folder)) {
    SetDlgItemTextW(m_hWnd, IDC_SAVE_PATH, folder);
  }
}

void CConfigDlg::OnPurge() {
  SYSTEMTIME date{};
  if (DateTime_GetSystemtime(GetDlgItem(IDC_PURGE_DATE), &date) != GDT_VALID) return;
  wchar_t question[64];
  std::swprintf(question, std::size(question), L"是否需要删除%d年%d月%d日前的历史记录？", date.wYear, date.wMonth,
                date.wDay);
  if (ShowMessageBox(m_hWnd, question, L"", MB_OKCANCEL) == IDOK) PurgeReadsBefore(DateTag(date));
}

void CConfigDlg::OnBaudRate() {
  CComBaudDlg baudRate(m_hWnd);
  baudRate.DoModal();
}

void CConfigDlg::OnHelp() { ShowProgramHelp(m_hWnd); }

LRESULT CConfigDlg::OnF1Help(WPARAM, LPARAM) {
  OnHelp();
  return TRUE;
}

void CConfigDlg::OnOK() {
  if (!UpdateData(true)) return;
  wchar_t saveFolder[kPathCapacity];
  if (!ReadSaveFolderField(saveFolder)) {
    Warn(SaveFolderRefusalText(SaveFolderReadiness::kTooLong, L"").c_str());
    return;
  }
  // A new save folder is made ready before anything is stored: one that
  // cannot serve leaves every setting as it was.
  const std::wstring earlierFolder = GetSavePath();
  const bool moving = lstrcmpiW(saveFolder, earlierFolder.c_str()) != 0;
  SaveFolderMove move{SaveFolderReadiness::kReady, 0};
  if (moving && !ReadyNewSaveFolder(saveFolder, earlierFolder.c_str(), move)) return;
  if (!StoreAndSaveSettings(saveFolder)) return;
  // Its messages are owned by this dialog, so that nothing can be pressed
  // under them.
  PrepareWorkingFolders(m_hWnd);
  if (moving) TellAboutMove(move, earlierFolder.c_str());
  EndDialog(IDOK);
}

bool CConfigDlg::ReadyNewSaveFolder(const wchar_t* folder, const wchar_t* earlierFolder, SaveFolderMove& move) {
  move = ReadySaveFolder(folder, earlierFolder);
  if (IsReady(move.readiness)) return true;
  Warn(SaveFolderRefusalText(move.readiness, folder).c_str());
  return false;
}

bool CConfigDlg::StoreAndSaveSettings(const wchar_t* saveFolder) {
  const ReaderSettings before = SnapshotSettings();
  StoreSettings(saveFolder);
  if (SaveSettings() != 0) return true;
  // The file is as it was; so is every setting in use.
  RestoreSettings(before);
  Warn(L"无法保存配置文件，设置未改变。");
  return false;
}

bool CConfigDlg::ReadSaveFolderField(wchar_t (&folder)[kPathCapacity]) const {
  wchar_t text[kPathCapacity];
  GetDlgItemTextW(m_hWnd, IDC_SAVE_PATH, text, kPathCapacity);
  // The field is filled from the settings or the folder browser only;
  // empty, it keeps the folder in use.
  const wchar_t* chosen = text[0] != L'\0' ? text : GetSavePath();
  const std::size_t length = wcslen(chosen);
  const bool held = length == 0 || chosen[length - 1] == L'\\';
  return JoinPath(chosen, held ? L"" : L"\\", folder);
}

void CConfigDlg::StoreSettings(const wchar_t* saveFolder) {
  SetSound(IsChecked(IDC_SOUND) ? 1 : 0);
  SetDialog(IsChecked(IDC_DIALOG_AT_START) ? 1 : 0);
  SetClear(IsChecked(IDC_CLEAR) ? 1 : 0);
  SetReservedTime(static_cast<std::int32_t>(m_nReservedTime));
  wchar_t text[kPathCapacity];
  GetDlgItemTextW(m_hWnd, IDC_BG_PATH, text, kPathCapacity);
  SetBgBmp(text);
  SetAutoSave(IsChecked(IDC_AUTO_SAVE) ? 1 : 0);
  SetSavePath(saveFolder);
  // With no port listed the port set before stays: storing the list's
  // "no selection" would make port -1, which no reader answers on.
  const int port = SelectedPortValue(GetDlgItem(IDC_PORT_LIST));
  if (port > 0) SetCurrentPort(port);
}

void CConfigDlg::TellAboutMove(const SaveFolderMove& move, const wchar_t* earlierFolder) {
  const std::wstring text = SaveFolderMoveText(move, GetSavePath(), earlierFolder);
  if (!text.empty()) ShowMessageBox(m_hWnd, text.c_str(), L"", MB_OK | MB_ICONINFORMATION);
}

void CConfigDlg::Warn(const wchar_t* text) { ShowMessageBox(m_hWnd, text, L"", MB_OK | MB_ICONEXCLAMATION); }

bool CConfigDlg::IsChecked(int id) const { return IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED; }

void CConfigDlg::SetChecked(int id, bool checked) {
  CheckDlgButton(m_hWnd, id, checked ? BST_CHECKED : BST_UNCHECKED);
}
