// A modal dialog built on a dialog template. Derived classes give their
// template id, override OnInitDialog / OnOK / OnCancel / DoDataExchange as
// needed, and route everything else through their message table:
//
//   const MessageTable* CMyDlg::GetMessageTable() const {
//     static constexpr MessageEntry kEntries[] = {
//         OnCommand<IDC_PRINT, &CMyDlg::OnPrint>(),
//     };
//     static const MessageTable kTable{CDialog::GetMessageTable(), kEntries};
//     return &kTable;
//   }
//
// where CDialog stands for the direct base class, whose table is searched
// after this one.
//
// Enter and Esc reach OnOK and OnCancel through the base table, so a
// dialog keeps them unless its own table routes IDOK or IDCANCEL elsewhere.
#pragma once

#include <windows.h>

#include "framework/message_table.h"

class CDialog {
 public:
  // Result of DoModal when the dialog could not be shown or a handler failed.
  static constexpr INT_PTR kFailed = -1;

  explicit CDialog(UINT templateId, HWND parent = nullptr) : m_templateId(templateId), m_parent(parent) {}
  virtual ~CDialog() = default;
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // Shows the dialog and runs its modal loop; returns the value given to
  // EndDialog, or kFailed. A dialog made without a parent is owned by the
  // application's main window while that window exists.
  INT_PTR DoModal();
  void EndDialog(INT_PTR result);
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  // Runs DoDataExchange: true reads the controls into members, false fills
  // the controls from them. Returns false when a value was refused.
  bool UpdateData(bool saveAndValidate) { return DoDataExchange(saveAndValidate); }

  // The dialog window while it exists, else null.
  HWND m_hWnd = nullptr;

 protected:
  // Fills the controls from the members (UpdateData(false)); TRUE lets the
  // system give the focus to the first control.
  virtual BOOL OnInitDialog();
  // Enter or the IDOK button: reads the controls, and ends with IDOK
  // unless a value was refused.
  virtual void OnOK();
  // Esc, the IDCANCEL button or closing the window: ends with IDCANCEL.
  virtual void OnCancel();
  virtual bool DoDataExchange(bool /*saveAndValidate*/) { return true; }
  virtual const MessageTable* GetMessageTable() const { return &kMessageTable; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
  const MessageEntry* FindEntry(UINT message, WPARAM wParam, LPARAM lParam) const;
  HWND ModalOwner() const;

  static const MessageEntry kBaseEntries[2];
  static const MessageTable kMessageTable;

  UINT m_templateId;
  HWND m_parent;
};
