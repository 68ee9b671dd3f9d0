#include "blacklist_editor/blacklist_dlg.h"

#include <cderr.h>
#include <commctrl.h>
#include <commdlg.h>

#include <cwchar>
#include <unordered_set>

#include "blacklist_editor/blacklist_filter.h"
#include "blacklist_editor/editor_messages.h"
#include "blacklist_editor/editor_resource_ids.h"
#include "blacklist_editor/entry_dlg.h"
#include "blacklist_editor/import_plan.h"
#include "blacklist_editor/import_summary_dlg.h"
#include "blacklist_editor/text_list_file.h"
#include "common/message_box.h"
#include "common/profile_path.h"
#include "common/reader_settings.h"
#include "common/working_folders.h"
#include "framework/application.h"

namespace {

constexpr wchar_t kCaption[] = L"黑名单管理";
constexpr wchar_t kTextFilter[] = L"文本文件 (*.txt)\0*.txt\0所有文件 (*.*)\0*.*\0";

std::u16string AsUtf16(const std::wstring& text) { return {text.begin(), text.end()}; }

std::unordered_set<std::u16string> ListedNumbers(const std::vector<BlacklistRow>& rows) {
  std::unordered_set<std::u16string> numbers;
  numbers.reserve(rows.size());
  for (const BlacklistRow& row : rows) numbers.insert(AsUtf16(row.cardid));
  return numbers;
}

std::wstring FileFailureText(ListFileResult result) {
  switch (result) {
    case ListFileResult::kCannotOpen:
      return L"无法打开文件。";
    case ListFileResult::kTooLarge:
      return L"文件过大，不是黑名单文本文件。";
    case ListFileResult::kTooManyNumbers:
      return TooManyNumbersText();
    default:
      return L"读写文件失败。";
  }
}

// A number that could be imported, if need be with its wrong check digit.
bool HoldsANumber(const TextList& list) { return !list.numbers.empty() || !list.wrongCheckDigits.empty(); }

// Asks for a file name with the platform's file dialog; empty when cancelled
// and when the dialog failed, which `failure` then tells (0 for a cancel).
std::wstring AskFileName(HWND owner, bool forSaving, DWORD& failure) {
  wchar_t path[kPathCapacity] = L"";
  if (forSaving) wcscpy_s(path, kBlacklistFileName);
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kTextFilter;
  dialog.lpstrFile = path;
  dialog.nMaxFile = kPathCapacity;
  dialog.lpstrDefExt = L"txt";
  failure = 0;
  BOOL chosen;
  if (forSaving) {
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    chosen = GetSaveFileNameW(&dialog);
  } else {
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    chosen = GetOpenFileNameW(&dialog);
  }
  if (chosen) return path;
  failure = CommDlgExtendedError();
  return {};
}

std::wstring FileDialogFailureText(DWORD failure) {
  if (failure == FNERR_BUFFERTOOSMALL) return L"文件路径过长，请选择路径较短的文件。";
  return L"无法打开文件选择窗口（错误 " + std::to_wstring(failure) + L"）。";
}

}  // namespace

CBlackListDlg::CBlackListDlg() : CDialog(IDD_BLACKLIST), m_store(ChooseEditorStore()) {
  m_icon.Load(ResourceInstance(), IDR_MAINFRAME);
}

const MessageTable* CBlackListDlg::GetMessageTable() const {
  static constexpr MessageEntry kEntries[] = {
      OnControl<EN_CHANGE, IDC_FILTER, &CBlackListDlg::OnFilterChange>(),
      OnCommand<IDC_ADD, &CBlackListDlg::OnAdd>(),
      OnCommand<IDC_EDIT_REASON, &CBlackListDlg::OnEditReason>(),
      OnCommand<IDC_DELETE, &CBlackListDlg::OnDelete>(),
      OnCommand<IDC_IMPORT, &CBlackListDlg::OnImport>(),
      OnCommand<IDC_EXPORT, &CBlackListDlg::OnExport>(),
      OnMessage<WM_OFFER_DEFAULT_LIST, &CBlackListDlg::OnOfferDefaultList>(),
      OnNotify<LVN_GETDISPINFOW, IDC_LIST, &CBlackListDlg::OnGetDisplayInfo>(),
      OnNotify<NM_DBLCLK, IDC_LIST, &CBlackListDlg::OnDoubleClick>(),
      OnNotify<LVN_KEYDOWN, IDC_LIST, &CBlackListDlg::OnListKey>(),
  };
  static const MessageTable kTable{CDialog::GetMessageTable(), kEntries};
  return &kTable;
}

BOOL CBlackListDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon.Get()));
  SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon.Get()));
  SetWindowTextW(m_hWnd, (kCaption + m_store->TitleSuffix()).c_str());
  m_list = GetDlgItem(IDC_LIST);
  ListView_SetExtendedListViewStyle(m_list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.cx = 160;
  column.pszText = const_cast<wchar_t*>(L"身份证号码");
  ListView_InsertColumn(m_list, 0, &column);
  column.cx = 280;
  column.pszText = const_cast<wchar_t*>(L"原因");
  ListView_InsertColumn(m_list, 1, &column);
  SendDlgItemMessageW(m_hWnd, IDC_FILTER, EM_LIMITTEXT, 64, 0);
  Reload();
  PostMessageW(m_hWnd, WM_OFFER_DEFAULT_LIST, 0, 0);
  return TRUE;
}

bool CBlackListDlg::PrepareStore() {
  const bool prepared = m_store->Prepare(m_hWnd);
  SetDlgItemTextW(m_hWnd, IDC_DATABASE, m_store->Location().c_str());
  return prepared;
}

bool CBlackListDlg::MayChange() const {
  if (m_store->MayChange()) return true;
  ShowInfo(ReadOnlyListText(), MB_ICONINFORMATION);
  return false;
}

void CBlackListDlg::Reload() {
  m_listRead = false;
  m_rows.clear();
  if (PrepareStore()) {
    const StoreResult result = m_store->Load(m_rows);
    m_listRead = result.ok();
    if (!m_listRead) ShowInfo(ReadFailureText(result), MB_ICONERROR);
  }
  ApplyFilter();
}

void CBlackListDlg::ApplyFilter() {
  wchar_t filter[80] = L"";
  GetDlgItemTextW(m_hWnd, IDC_FILTER, filter, static_cast<int>(std::size(filter)));
  m_shown = FilterBlacklist(m_rows, filter);
  ListView_SetItemState(m_list, -1, 0, LVIS_SELECTED);
  ListView_SetItemCountEx(m_list, static_cast<int>(m_shown.size()), 0);
  InvalidateRect(m_list, nullptr, TRUE);
  wchar_t count[64];
  if (m_shown.size() == m_rows.size()) {
    std::swprintf(count, std::size(count), L"共 %d 条", static_cast<int>(m_rows.size()));
  } else {
    std::swprintf(count, std::size(count), L"显示 %d 条，共 %d 条", static_cast<int>(m_shown.size()),
                  static_cast<int>(m_rows.size()));
  }
  SetDlgItemTextW(m_hWnd, IDC_COUNT, count);
}

void CBlackListDlg::OnFilterChange() { ApplyFilter(); }

LRESULT CBlackListDlg::OnGetDisplayInfo(NMHDR* header) {
  auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
  LVITEMW& item = info->item;
  if ((item.mask & LVIF_TEXT) == 0 || item.iItem < 0 || static_cast<std::size_t>(item.iItem) >= m_shown.size()) {
    return 0;
  }
  const BlacklistRow& row = m_rows[m_shown[static_cast<std::size_t>(item.iItem)]];
  const std::wstring& text = item.iSubItem == 0 ? row.cardid : row.reason;
  if (item.cchTextMax > 0) wcsncpy_s(item.pszText, static_cast<std::size_t>(item.cchTextMax), text.c_str(), _TRUNCATE);
  return 0;
}

LRESULT CBlackListDlg::OnDoubleClick(NMHDR* header) {
  if (reinterpret_cast<NMITEMACTIVATE*>(header)->iItem >= 0) OnEditReason();
  return 0;
}

LRESULT CBlackListDlg::OnListKey(NMHDR* header) {
  if (reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey == VK_DELETE) OnDelete();
  return 0;
}

std::vector<BlacklistRow> CBlackListDlg::SelectedRows() const {
  std::vector<BlacklistRow> rows;
  for (int item = ListView_GetNextItem(m_list, -1, LVNI_SELECTED); item >= 0;
       item = ListView_GetNextItem(m_list, item, LVNI_SELECTED)) {
    const auto index = static_cast<std::size_t>(item);
    if (index < m_shown.size()) rows.push_back(m_rows[m_shown[index]]);
  }
  return rows;
}

void CBlackListDlg::ShowInfo(const std::wstring& text, UINT icon) const {
  ShowMessageBox(m_hWnd, text.c_str(), kCaption, MB_OK | icon);
}

void CBlackListDlg::OnAdd() {
  if (!MayChange()) return;
  CEntryDlg entry(m_hWnd, *m_store);
  if (entry.DoModal() == IDOK) Reload();
}

void CBlackListDlg::OnEditReason() {
  if (!MayChange()) return;
  const std::vector<BlacklistRow> selected = SelectedRows();
  if (selected.size() != 1) {
    ShowInfo(L"请先在名单中选中一条记录。", MB_ICONINFORMATION);
    return;
  }
  CEntryDlg entry(m_hWnd, *m_store, selected.front());
  entry.DoModal();
  // Also after a refusal: the row may have changed under the editor.
  Reload();
}

void CBlackListDlg::OnDelete() {
  if (!MayChange()) return;
  const std::vector<BlacklistRow> selected = SelectedRows();
  if (selected.empty()) {
    ShowInfo(L"请先在名单中选中要删除的记录。", MB_ICONINFORMATION);
    return;
  }
  wchar_t question[96];
  std::swprintf(question, std::size(question), L"确定从黑名单中删除选中的 %d 条记录吗？", static_cast<int>(selected.size()));
  if (ShowMessageBox(m_hWnd, question, kCaption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return;
  if (!PrepareStore()) return;
  int deleted = 0;
  if (const StoreResult result = m_store->Delete(selected, deleted); !result.ok()) {
    ShowInfo(WriteFailureText(result), MB_ICONERROR);
    return;
  }
  Reload();
}

void CBlackListDlg::OnImport() {
  if (!MayChange()) return;
  DWORD failure = 0;
  const std::wstring path = AskFileName(m_hWnd, false, failure);
  if (!path.empty()) {
    ImportFile(path);
  } else if (failure != 0) {
    ShowInfo(FileDialogFailureText(failure), MB_ICONERROR);
  }
}

void CBlackListDlg::ImportFile(const std::wstring& path) {
  if (!MayChange()) return;
  // Every line is read and checked before the database is opened.
  TextList list;
  if (const ListFileResult read = ReadTextListFile(path, list); read != ListFileResult::kOk) {
    ShowInfo(FileFailureText(read), MB_ICONERROR);
    return;
  }
  if (!PrepareStore()) return;
  std::vector<BlacklistRow> rows;
  if (const StoreResult result = m_store->Load(rows); !result.ok()) {
    ShowInfo(ReadFailureText(result), MB_ICONERROR);
    return;
  }
  const ImportPlan plan = PlanImport(std::move(list), ListedNumbers(rows));
  CImportSummaryDlg summary(m_hWnd, plan, path);
  if (summary.DoModal() != IDOK) return;
  std::vector<TextListLine> lines = plan.toAdd;
  if (summary.m_bIncludeWrongCheckDigits) {
    lines.insert(lines.end(), plan.wrongCheckDigits.begin(), plan.wrongCheckDigits.end());
  }
  // The summary may have stood open while the save folder moved.
  if (!PrepareStore()) return;
  int added = 0;
  const StoreResult result = m_store->Import(lines, added);
  Reload();
  if (!result.ok()) {
    ShowInfo(WriteFailureText(result), MB_ICONERROR);
    return;
  }
  ShowInfo(L"已导入 " + std::to_wstring(added) + L" 个号码。", MB_ICONINFORMATION);
}

void CBlackListDlg::OnExport() {
  DWORD failure = 0;
  const std::wstring path = AskFileName(m_hWnd, true, failure);
  if (!path.empty()) {
    ExportFile(path);
  } else if (failure != 0) {
    ShowInfo(FileDialogFailureText(failure), MB_ICONERROR);
  }
}

void CBlackListDlg::ExportFile(const std::wstring& path) {
  if (!PrepareStore()) return;
  // Read into a copy of its own: a list that could not be read must not be
  // written as an empty one over the file.
  std::vector<BlacklistRow> rows;
  if (const StoreResult result = m_store->Load(rows); !result.ok()) {
    ShowInfo(ReadFailureText(result) + L"未导出，文件未作更改。", MB_ICONERROR);
    return;
  }
  m_rows = std::move(rows);
  m_listRead = true;
  ApplyFilter();
  if (const ListFileResult written = WriteTextListFile(path, m_rows); written != ListFileResult::kOk) {
    ShowInfo(FileFailureText(written), MB_ICONERROR);
    return;
  }
  ShowInfo(L"已导出 " + std::to_wstring(m_rows.size()) + L" 条记录。", MB_ICONINFORMATION);
}

LRESULT CBlackListDlg::OnOfferDefaultList(WPARAM, LPARAM) {
  if (!m_listRead || !m_rows.empty() || !m_store->MayChange()) return 0;
  wchar_t path[kPathCapacity];
  if (GetSettingsFolder(kPathCapacity, path) == 0 || !JoinPath(path, kBlacklistFileName, path)) return 0;
  TextList list;
  if (ReadTextListFile(path, list) != ListFileResult::kOk || !HoldsANumber(list)) return 0;
  const std::wstring question = L"黑名单为空。是否导入默认名单 " + std::wstring(path) + L"？";
  if (ShowMessageBox(m_hWnd, question.c_str(), kCaption, MB_YESNO | MB_ICONQUESTION) == IDYES) ImportFile(path);
  return 0;
}
