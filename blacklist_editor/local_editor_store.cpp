#include "blacklist_editor/local_editor_store.h"

#include "blacklist_editor/save_folder.h"

std::wstring LocalEditorStore::TitleSuffix() const { return m_readOnly ? L"（只读）" : L""; }

std::wstring LocalEditorStore::Location() const {
  std::wstring text = L"数据库：" + CardDatabasePath();
  if (m_readOnly) text += L"（只读，名单由中心服务器同步）";
  return text;
}

bool LocalEditorStore::Prepare(HWND owner) { return FollowSaveFolder(owner); }

StoreResult LocalEditorStore::Load(std::vector<BlacklistRow>& rows) { return {LoadBlacklist(rows)}; }

StoreResult LocalEditorStore::Add(const std::wstring& cardid, const std::wstring& reason, bool& added) {
  return {AddBlacklistEntry(cardid, reason, added)};
}

StoreResult LocalEditorStore::UpdateReason(const BlacklistRow& row, const std::wstring& reason, bool& found) {
  return {UpdateBlacklistReason(row, reason, found)};
}

StoreResult LocalEditorStore::Delete(const std::vector<BlacklistRow>& rows, int& deleted) {
  return {DeleteBlacklistRows(rows, deleted)};
}

StoreResult LocalEditorStore::Import(const std::vector<TextListLine>& lines, int& added) {
  return {ImportBlacklistEntries(lines, added)};
}
