#include "framework/dialog.h"

#include "framework/application.h"

namespace {

// Messages whose result a dialog procedure returns itself instead of
// through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
  switch (message) {
    case WM_CHARTOITEM:
    case WM_COMPAREITEM:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_VKEYTOITEM:
      return true;
    default:
      return false;
  }
}

bool Matches(const MessageEntry& entry, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (entry.kind) {
    case MessageEntry::Kind::kMessage:
      return entry.code == message;
    case MessageEntry::Kind::kCommand: {
      if (message != WM_COMMAND) return false;
      // Menus and accelerators come without a control; both count as code 0.
      const UINT code = lParam == 0 ? 0 : HIWORD(wParam);
      const UINT id = LOWORD(wParam);
      return entry.code == code && entry.firstId <= id && id <= entry.lastId;
    }
    case MessageEntry::Kind::kNotify: {
      if (message != WM_NOTIFY) return false;
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      return entry.code == header->code && entry.firstId <= header->idFrom && header->idFrom <= entry.lastId;
    }
  }
  return false;
}

}  // namespace

HWND CDialog::ModalOwner() const {
  if (m_parent != nullptr) return m_parent;
  // Without a parent the program's main window owns the dialog, so that it
  // is disabled and handles no commands until the dialog has closed. Before
  // the main window exists (a start-up dialog) there is no owner.
  const CWinApp* app = CurrentApplication();
  if (app == nullptr || app->m_pMainWnd == nullptr || app->m_pMainWnd == this) return nullptr;
  return app->m_pMainWnd->m_hWnd;
}

const MessageEntry CDialog::kBaseEntries[2] = {
    OnCommand<IDOK, &CDialog::OnOK>(),
    OnCommand<IDCANCEL, &CDialog::OnCancel>(),
};

const MessageTable CDialog::kMessageTable{nullptr, kBaseEntries};

INT_PTR CDialog::DoModal() {
  if (m_hWnd != nullptr) return kFailed;
  return DialogBoxParamW(ResourceInstance(), MAKEINTRESOURCEW(m_templateId), ModalOwner(), &CDialog::DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(INT_PTR result) {
  if (m_hWnd != nullptr) ::EndDialog(m_hWnd, result);
}

BOOL CDialog::OnInitDialog() {
  UpdateData(false);
  return TRUE;
}

void CDialog::OnOK() {
  if (UpdateData(true)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CDialog* dialog = nullptr;
  if (message == WM_INITDIALOG) {
    dialog = reinterpret_cast<CDialog*>(lParam);
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    dialog->m_hWnd = window;
  } else {
    // Null for the few messages (WM_SETFONT and the like) sent before
    // WM_INITDIALOG; the system handles those.
    dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER));
  }
  if (dialog == nullptr) return FALSE;

  const INT_PTR handled = dialog->Dispatch(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, DWLP_USER, 0);
    dialog->m_hWnd = nullptr;
  }
  return handled;
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  try {
    if (message == WM_INITDIALOG) return OnInitDialog();
    const MessageEntry* entry = FindEntry(message, wParam, lParam);
    if (entry == nullptr) return FALSE;
    const LRESULT result = entry->invoke(*this, wParam, lParam);
    if (entry->thenDefault) return FALSE;
    if (ReturnsResultDirectly(message)) return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
    return TRUE;
  } catch (...) {
    // An exception must not unwind through the system's dialog code; the
    // dialog ends and DoModal reports the failure.
    ::EndDialog(m_hWnd, kFailed);
    return TRUE;
  }
}

const MessageEntry* CDialog::FindEntry(UINT message, WPARAM wParam, LPARAM lParam) const {
  for (const MessageTable* table = GetMessageTable(); table != nullptr; table = table->base) {
    for (const MessageEntry& entry : table->entries) {
      if (Matches(entry, message, wParam, lParam)) return &entry;
    }
  }
  return nullptr;
}
