#include "blacklist_editor/central_editor_store.h"

#include <utility>

#include "central/server_address.h"

namespace {
StoreResult FromServer(CentralResult result) { return {0, std::move(result)}; }
}  // namespace

CentralEditorStore::CentralEditorStore(const std::wstring& connection, PasswordLoad load, std::wstring password)
    : m_list(connection, std::move(password)), m_address(ServerAddress(connection)),
      m_passwordRead(load != PasswordLoad::kUnreadable) {}

std::wstring CentralEditorStore::ServerName() const {
  return m_address.empty() ? L"中心服务器" : L"中心服务器 " + m_address;
}

std::wstring CentralEditorStore::TitleSuffix() const { return L"（" + ServerName() + L"）"; }

std::wstring CentralEditorStore::Location() const { return L"数据库：" + ServerName(); }

bool CentralEditorStore::PasswordUnreadable(StoreResult& result) const {
  if (m_passwordRead) return false;
  result = FromServer({CentralFault::kLoginRefused, L"the office password cannot be read by this user"});
  return true;
}

StoreResult CentralEditorStore::Load(std::vector<BlacklistRow>& rows) {
  rows.clear();
  StoreResult result;
  if (PasswordUnreadable(result)) return result;
  std::vector<CentralBlacklistEntry> entries;
  result = FromServer(m_list.Load(entries));
  rows.reserve(entries.size());
  for (CentralBlacklistEntry& entry : entries) rows.push_back({0, std::move(entry.cardid), std::move(entry.reason)});
  return result;
}

StoreResult CentralEditorStore::Add(const std::wstring& cardid, const std::wstring& reason, bool& added) {
  added = false;
  StoreResult result;
  if (PasswordUnreadable(result)) return result;
  return FromServer(m_list.Add({cardid, reason}, added));
}

StoreResult CentralEditorStore::UpdateReason(const BlacklistRow& row, const std::wstring& reason, bool& found) {
  found = false;
  StoreResult result;
  if (PasswordUnreadable(result)) return result;
  return FromServer(m_list.UpdateReason({row.cardid, reason}, found));
}

StoreResult CentralEditorStore::Delete(const std::vector<BlacklistRow>& rows, int& deleted) {
  deleted = 0;
  StoreResult result;
  if (PasswordUnreadable(result)) return result;
  std::vector<std::wstring> cardids;
  cardids.reserve(rows.size());
  for (const BlacklistRow& row : rows) cardids.push_back(row.cardid);
  return FromServer(m_list.Delete(cardids, deleted));
}

StoreResult CentralEditorStore::Import(const std::vector<TextListLine>& lines, int& added) {
  added = 0;
  StoreResult result;
  if (PasswordUnreadable(result)) return result;
  std::vector<CentralBlacklistEntry> entries;
  entries.reserve(lines.size());
  for (const TextListLine& line : lines) {
    entries.push_back({{line.number.begin(), line.number.end()}, {line.reason.begin(), line.reason.end()}});
  }
  return FromServer(m_list.Import(entries, added));
}
