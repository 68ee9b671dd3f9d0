// The list in the card database's table blacklist, as the editor has always
// kept it; read only while a counter's central records fill the table from
// the server, since a change made here would be undone at the next pull.
#pragma once

#include "blacklist_editor/editor_store.h"

class LocalEditorStore : public EditorStore {
 public:
  explicit LocalEditorStore(bool readOnly) : m_readOnly(readOnly) {}

  std::wstring TitleSuffix() const override;
  std::wstring Location() const override;
  bool MayChange() const override { return !m_readOnly; }
  bool Prepare(HWND owner) override;

  StoreResult Load(std::vector<BlacklistRow>& rows) override;
  StoreResult Add(const std::wstring& cardid, const std::wstring& reason, bool& added) override;
  StoreResult UpdateReason(const BlacklistRow& row, const std::wstring& reason, bool& found) override;
  StoreResult Delete(const std::vector<BlacklistRow>& rows, int& deleted) override;
  StoreResult Import(const std::vector<TextListLine>& lines, int& added) override;

 private:
  bool m_readOnly;
};
