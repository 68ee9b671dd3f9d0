// The blacklist on the central server as the office edits it: the table
// blacklist, keyed by the citizen number. Each routine logs in for its own
// work only, keeps every change in one server transaction (all of it or
// none) and logs out again, so the editor holds no connection between two
// actions. The server's trigger notes every change for the counters' pulls.
#pragma once

#include <string>
#include <vector>

#include "central/odbc_session.h"

struct CentralBlacklistEntry {
  std::wstring cardid;
  std::wstring reason;  // empty for a row without one
};

class CentralBlacklist {
 public:
  // connection: the office's connection string, without the password.
  CentralBlacklist(std::wstring connection, std::wstring password);
  ~CentralBlacklist();
  CentralBlacklist(const CentralBlacklist&) = delete;
  CentralBlacklist& operator=(const CentralBlacklist&) = delete;

  // Every entry, ordered by number (the server keeps no order of adding).
  CentralResult Load(std::vector<CentralBlacklistEntry>& entries) const;
  // Adds the number unless the list holds it; `added` tells which.
  CentralResult Add(const CentralBlacklistEntry& entry, bool& added) const;
  // Gives the number a new reason; `found` is false when it is gone.
  CentralResult UpdateReason(const CentralBlacklistEntry& entry, bool& found) const;
  // Deletes the numbers, all or none; `deleted` counts those still there.
  CentralResult Delete(const std::vector<std::wstring>& cardids, int& deleted) const;
  // Adds the numbers the list does not hold yet, in one transaction;
  // `added` counts them.
  CentralResult Import(const std::vector<CentralBlacklistEntry>& entries, int& added) const;

 private:
  // Logs in; with manualCommit, every statement runs in a transaction that
  // stays open until it is committed or rolled back.
  CentralResult Open(OdbcSession& session, bool manualCommit) const;

  std::wstring connection_;
  std::wstring password_;
};
