#include "blacklist_editor/entry_dlg.h"

#include <cwchar>

#include "blacklist_editor/citizen_number.h"
#include "blacklist_editor/editor_messages.h"
#include "blacklist_editor/editor_resource_ids.h"
#include "blacklist_editor/text_list.h"

namespace {

// Spaces around a pasted number are not part of it.
std::wstring WithoutSurroundingSpaces(const std::wstring& text) {
  constexpr wchar_t kSpaces[] = L" \t\x3000";
  const std::size_t first = text.find_first_not_of(kSpaces);
  if (first == std::wstring::npos) return {};
  return text.substr(first, text.find_last_not_of(kSpaces) - first + 1);
}

}  // namespace

CEntryDlg::CEntryDlg(HWND parent, EditorStore& store) : CDialog(IDD_ENTRY, parent), m_store(store) {}

CEntryDlg::CEntryDlg(HWND parent)
    : CDialog(IDD_ENTRY, parent), m_ownStore(ChooseEditorStore()), m_store(*m_ownStore) {}

CEntryDlg::CEntryDlg(HWND parent, EditorStore& store, const BlacklistRow& row)
    : CDialog(IDD_ENTRY, parent), m_store(store), m_row(row) {}

BOOL CEntryDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  // Room for a number with spaces around it or a digit too many, which are
  // then trimmed or refused with a message rather than cut silently.
  SendDlgItemMessageW(m_hWnd, IDC_NUMBER, EM_LIMITTEXT, 2 * kCitizenNumberLength, 0);
  SendDlgItemMessageW(m_hWnd, IDC_REASON, EM_LIMITTEXT, kMaxReasonLength, 0);
  // The choice to keep a wrong check digit is offered only once the
  // number was refused for it.
  ShowWindow(GetDlgItem(IDC_FORCE), SW_HIDE);
  if (!m_row) return TRUE;
  SetWindowTextW(m_hWnd, L"修改原因");
  SetDlgItemTextW(m_hWnd, IDC_NUMBER, m_row->cardid.c_str());
  SendDlgItemMessageW(m_hWnd, IDC_NUMBER, EM_SETREADONLY, TRUE, 0);
  SetDlgItemTextW(m_hWnd, IDC_REASON, m_row->reason.c_str());
  SetFocus(GetDlgItem(IDC_REASON));
  SendDlgItemMessageW(m_hWnd, IDC_REASON, EM_SETSEL, 0, -1);
  return FALSE;
}

void CEntryDlg::OnOK() {
  // The save folder may have moved while the dialog stood open.
  if (!m_store.Prepare(m_hWnd)) return;
  if (m_row) {
    ChangeReason();
  } else {
    AddNumber();
  }
}

void CEntryDlg::AddNumber() {
  std::wstring number = ItemText(IDC_NUMBER);
  if (!AcceptNumber(number)) return;
  bool added = false;
  if (const StoreResult result = m_store.Add(number, ItemText(IDC_REASON), added); !result.ok()) {
    ShowMessage(WriteFailureText(result));
    return;
  }
  if (!added) {
    ShowMessage(L"号码 " + number + L" 已在黑名单中，未重复添加。");
    return;
  }
  EndDialog(IDOK);
}

void CEntryDlg::ChangeReason() {
  bool found = false;
  if (const StoreResult result = m_store.UpdateReason(*m_row, ItemText(IDC_REASON), found); !result.ok()) {
    ShowMessage(WriteFailureText(result));
    return;
  }
  if (!found) {
    ShowMessage(L"这条记录已被删除或更改，请关闭后重新查看名单。");
    return;
  }
  EndDialog(IDOK);
}

bool CEntryDlg::AcceptNumber(std::wstring& number) {
  number = WithoutSurroundingSpaces(number);
  std::u16string text(number.begin(), number.end());
  const NumberCheck check = NormalizeCitizenNumber(text);
  number.assign(text.begin(), text.end());
  SetDlgItemTextW(m_hWnd, IDC_NUMBER, number.c_str());
  switch (check) {
    case NumberCheck::kValid:
      return true;
    case NumberCheck::kWrongLength:
      ShowMessage(L"身份证号码应为18位，现为" + std::to_wstring(number.size()) + L"位。");
      return false;
    case NumberCheck::kWrongCharacters:
      ShowMessage(L"身份证号码应为17位数字，最后一位为数字或X。");
      return false;
    case NumberCheck::kWrongCheckDigit:
      break;
  }
  // The user's confirmation holds for the number it was given for only.
  if (number == m_wrongCheckNumber && IsDlgButtonChecked(m_hWnd, IDC_FORCE) == BST_CHECKED) return true;
  m_wrongCheckNumber = number;
  CheckDlgButton(m_hWnd, IDC_FORCE, BST_UNCHECKED);
  const wchar_t expected = static_cast<wchar_t>(CitizenCheckDigit(std::u16string_view(text).substr(0, 17)));
  ShowMessage(std::wstring(L"校验位不正确：按前17位计算，最后一位应为") + expected +
              L"。请核对号码；如证件上的号码确实如此印制，请勾选下面一项后再按确定。");
  ShowWindow(GetDlgItem(IDC_FORCE), SW_SHOW);
  return false;
}

void CEntryDlg::ShowMessage(const std::wstring& text) { SetDlgItemTextW(m_hWnd, IDC_ENTRY_MESSAGE, text.c_str()); }

std::wstring CEntryDlg::ItemText(int id) const {
  HWND control = GetDlgItem(id);
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}
