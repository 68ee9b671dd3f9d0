#include "blacklist_editor/import_summary_dlg.h"

#include <cwchar>

#include "blacklist_editor/editor_messages.h"
#include "blacklist_editor/editor_resource_ids.h"

CImportSummaryDlg::CImportSummaryDlg(HWND parent, const ImportPlan& plan, const std::wstring& fileName)
    : CDialog(IDD_IMPORT_SUMMARY, parent), m_plan(plan), m_fileName(fileName) {}

BOOL CImportSummaryDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetDlgItemTextW(m_hWnd, IDC_SUMMARY_COUNTS, CountsText().c_str());
  SetDlgItemTextW(m_hWnd, IDC_SUMMARY_LINES, RefusedLinesText().c_str());
  const auto wrong = static_cast<int>(m_plan.wrongCheckDigits.size());
  wchar_t choice[96];
  std::swprintf(choice, std::size(choice), L"同时添加校验位不正确的 %d 个号码（证件确实如此印制时）", wrong);
  SetDlgItemTextW(m_hWnd, IDC_INCLUDE_WRONG_CHECK, choice);
  EnableWindow(GetDlgItem(IDC_INCLUDE_WRONG_CHECK), wrong > 0);
  // The focus starts on a button, so the refused lines are not shown
  // selected; with nothing to add the import is only a report.
  int focus = IDOK;
  if (m_plan.toAdd.empty() && wrong == 0) {
    EnableWindow(GetDlgItem(IDOK), FALSE);
    SendMessageW(m_hWnd, DM_SETDEFID, IDCANCEL, 0);
    focus = IDCANCEL;
  }
  SetFocus(GetDlgItem(focus));
  return FALSE;
}

bool CImportSummaryDlg::DoDataExchange(bool saveAndValidate) {
  if (saveAndValidate) m_bIncludeWrongCheckDigits = IsDlgButtonChecked(m_hWnd, IDC_INCLUDE_WRONG_CHECK) == BST_CHECKED;
  return true;
}

std::wstring CImportSummaryDlg::CountsText() const {
  wchar_t text[512];
  std::swprintf(text, std::size(text), L"文件：%ls\r\n将添加 %d 个号码；%d 个号码已在名单中；%d 行未导入。",
                m_fileName.c_str(), static_cast<int>(m_plan.toAdd.size()), m_plan.alreadyListed,
                static_cast<int>(m_plan.refusedCount));
  return text;
}

std::wstring CImportSummaryDlg::RefusedLinesText() const {
  if (m_plan.refused.empty()) return L"（无）";
  std::wstring text;
  for (const RefusedLine& line : m_plan.refused) text += RefusedLineText(line) + L"\r\n";
  if (const std::size_t rest = m_plan.refusedCount - m_plan.refused.size(); rest > 0) {
    text += L"……另有 " + std::to_wstring(rest) + L" 行未列出。\r\n";
  }
  return text;
}
