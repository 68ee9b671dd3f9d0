// The list on the central server, for the office. The server keys its rows
// by the number alone and has no row ids: the rows it gives carry rowid 0,
// and a change or a deletion names the number. (In the card database the
// row id tells apart rows that an older list holds twice; the server's
// primary key never holds a number twice.)
#pragma once

#include "blacklist_editor/editor_store.h"
#include "central/central_blacklist.h"
#include "central/central_password.h"

class CentralEditorStore : public EditorStore {
 public:
  // connection: the office's connection string; password as its load gave it.
  CentralEditorStore(const std::wstring& connection, PasswordLoad load, std::wstring password);

  std::wstring TitleSuffix() const override;
  std::wstring Location() const override;
  bool MayChange() const override { return true; }
  bool Prepare(HWND) override { return true; }

  StoreResult Load(std::vector<BlacklistRow>& rows) override;
  StoreResult Add(const std::wstring& cardid, const std::wstring& reason, bool& added) override;
  StoreResult UpdateReason(const BlacklistRow& row, const std::wstring& reason, bool& found) override;
  StoreResult Delete(const std::vector<BlacklistRow>& rows, int& deleted) override;
  StoreResult Import(const std::vector<TextListLine>& lines, int& added) override;

 private:
  // The server named for people: "中心服务器 HOST:PORT".
  std::wstring ServerName() const;
  // A password that could not be read refuses every action, as a login
  // refused does, without trying the server.
  bool PasswordUnreadable(StoreResult& result) const;

  CentralBlacklist m_list;
  std::wstring m_address;
  bool m_passwordRead;
};
