// The dialog that adds a number to the blacklist, or changes the reason of
// a listed one. It writes the change itself when OK is pressed and stays
// open, saying why, when the number is refused or the write fails.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "blacklist_editor/editor_store.h"
#include "framework/dialog.h"

class CEntryDlg : public CDialog {
 public:
  // Adds a new number to store's list.
  CEntryDlg(HWND parent, EditorStore& store);
  // Adds a new number to the list the settings choose now, as the editor
  // chooses it at its start.
  explicit CEntryDlg(HWND parent);
  // Changes the reason of row in store's list.
  CEntryDlg(HWND parent, EditorStore& store, const BlacklistRow& row);

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  void AddNumber();
  void ChangeReason();
  // Normalises the typed number; shows why it is refused, if it is.
  bool AcceptNumber(std::wstring& number);
  void ShowMessage(const std::wstring& text);
  std::wstring ItemText(int id) const;

  std::unique_ptr<EditorStore> m_ownStore;
  EditorStore& m_store;
  std::optional<BlacklistRow> m_row;
  // The number last refused for its check digit, which the "add anyway"
  // choice confirms.
  std::wstring m_wrongCheckNumber;
};
