// The blacklist editor's main window: the listed numbers with their
// reasons in a virtual list view over a copy held in memory, a filter, the
// commands that add, change, delete, import and export, and a status line
// that names where the list is kept (the store chosen when the window is
// made: editor_store.h). The copy is read again after every change; no
// database connection is held between actions, and each action on the card
// database first reads the save folder from the settings file again.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "blacklist_editor/editor_store.h"
#include "framework/dialog.h"
#include "framework/icon.h"

// Posted to itself once the window shows: offers the default list when the
// blacklist is empty.
inline constexpr UINT WM_OFFER_DEFAULT_LIST = WM_APP + 10;

class CBlackListDlg : public CDialog {
 public:
  CBlackListDlg();

  // Imports the text list at path: reads and checks every line, shows the
  // summary, and writes what the user confirms.
  void ImportFile(const std::wstring& path);
  // Writes the whole list, read afresh, to the text list at path; a file
  // there is replaced only once the list was read.
  void ExportFile(const std::wstring& path);

  // The copy of the table, and the indices of the rows the filter shows.
  std::vector<BlacklistRow> m_rows;
  std::vector<std::size_t> m_shown;

 protected:
  BOOL OnInitDialog() override;
  // Enter in the filter box must not close the window.
  void OnOK() override {}
  const MessageTable* GetMessageTable() const override;

 private:
  void OnFilterChange();
  void OnAdd();
  void OnEditReason();
  void OnDelete();
  void OnImport();
  void OnExport();
  LRESULT OnOfferDefaultList(WPARAM, LPARAM);
  LRESULT OnGetDisplayInfo(NMHDR* header);
  LRESULT OnDoubleClick(NMHDR* header);
  LRESULT OnListKey(NMHDR* header);

  // The store's preparation, and the status line names where the list is.
  bool PrepareStore();
  // False, after telling the user why, when the list may not be changed here.
  bool MayChange() const;
  void Reload();
  void ApplyFilter();
  std::vector<BlacklistRow> SelectedRows() const;
  void ShowInfo(const std::wstring& text, UINT icon) const;

  std::unique_ptr<EditorStore> m_store;
  HWND m_list = nullptr;
  // The last reload read the table: an empty copy is an empty list, not
  // one that could not be read.
  bool m_listRead = false;
  CIcon m_icon;
};
