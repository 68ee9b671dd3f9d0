// Where the editor keeps the list, chosen once when it starts from the
// [Central] settings:
// - no central records: the table blacklist of the card database, as always;
// - the office's connection set: the table blacklist on the central server,
//   and the local table is never edited by hand;
// - a counter's central records on, without the office's connection: the
//   local table, which the counter's pulls fill from the server, read only.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "blacklist_editor/blacklist_store.h"
#include "blacklist_editor/text_list.h"
#include "central/odbc_session.h"

// How one action on the list went: a card database's result code, or the
// server's fault; both zero (success) when it worked.
struct StoreResult {
  int sqliteCode = 0;
  CentralResult central{CentralFault::kNone, {}};
  bool ok() const { return sqliteCode == 0 && central.ok(); }
};

class EditorStore {
 public:
  virtual ~EditorStore() = default;

  // Added to the window's title: which list this is.
  virtual std::wstring TitleSuffix() const = 0;
  // The status line: where the list is kept.
  virtual std::wstring Location() const = 0;
  // False when the list may only be looked at here.
  virtual bool MayChange() const = 0;
  // Made before every action: the card database's list follows the save
  // folder (FollowSaveFolder). False when that failed and the user was told.
  virtual bool Prepare(HWND owner) = 0;

  // The routines of blacklist_store.h on this store's list.
  virtual StoreResult Load(std::vector<BlacklistRow>& rows) = 0;
  virtual StoreResult Add(const std::wstring& cardid, const std::wstring& reason, bool& added) = 0;
  virtual StoreResult UpdateReason(const BlacklistRow& row, const std::wstring& reason, bool& found) = 0;
  virtual StoreResult Delete(const std::vector<BlacklistRow>& rows, int& deleted) = 0;
  virtual StoreResult Import(const std::vector<TextListLine>& lines, int& added) = 0;
};

// The store the settings file names now.
std::unique_ptr<EditorStore> ChooseEditorStore();
