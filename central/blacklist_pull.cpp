#include "central/blacklist_pull.h"

#include <sqlext.h>

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "central/central_password.h"
#include "central/odbc_session.h"
#include "central/outbox.h"
#include "central/pulled_blacklist.h"

namespace {
// The counter's card2 is shared with the polling loop: the pull waits for
// it only briefly and tries again at its next turn.
constexpr int kLocalWaitMs = 500;
// The whole list with the number of the last change it includes, read in
// one statement so that both come from one moment; an empty list gives a
// single row without a number.
constexpr wchar_t kWholeList[] =
    L"select m.last, b.cardid, coalesce(b.reason, '') from (select coalesce(max(change), 0) as last "
    L"from blacklist_changes) m left join blacklist b on true";
// The changes since the last one seen, and those of the last minutes once
// more: a change whose transaction committed after a higher number had
// been seen is caught that way.
constexpr wchar_t kChangesSince[] =
    L"select change, cardid, coalesce(reason, ''), removed from blacklist_changes "
    L"where change > ? or changed > now() - interval '2 minutes' order by change";
// Numbers of changes applied in this run, so that the look at the last
// minutes does not write them again; forgotten when it grows this large.
constexpr std::size_t kRememberedChanges = 100000;

SQLWCHAR* Text(const wchar_t* text) { return reinterpret_cast<SQLWCHAR*>(const_cast<wchar_t*>(text)); }

bool FetchText(SQLHSTMT statement, SQLUSMALLINT column, std::wstring& text) {
  return SQL_SUCCEEDED(FetchColumnText(statement, column, text));
}

bool FetchNumber(SQLHSTMT statement, SQLUSMALLINT column, std::int64_t& number, bool& null) {
  SQLBIGINT value = 0;
  SQLLEN length = 0;
  if (!SQL_SUCCEEDED(SQLGetData(statement, column, SQL_C_SBIGINT, &value, 0, &length))) return false;
  null = length == SQL_NULL_DATA;
  number = null ? 0 : value;
  return true;
}

class PullLoop {
 public:
  PullLoop(const CentralSettings& settings, const StopSignal& stop) : settings_(settings), stop_(stop) {}

  void Run() {
    // Without its password the counter cannot log in; the sender says so.
    if (LoadCentralPassword(kCounterPasswordFile, password_) == PasswordLoad::kUnreadable) return;
    const DWORD intervalMs = static_cast<DWORD>(settings_.pullSeconds) * 1000;
    do {
      if (!PullOnce()) session_.Close();
    } while (!stop_.Wait(intervalMs));
  }

 private:
  bool PullOnce() {
    if (!session_.IsOpen() && !session_.Connect(settings_.connection, password_).ok()) return false;
    // The state table that notes the last change pulled is the sender's too:
    // whichever thread comes first makes it.
    if (!stateTableMade_) stateTableMade_ = CreateCentralOutbox(kLocalWaitMs) == 0;
    std::int64_t last = -1;
    // card2 busy: the next turn asks again.
    if (!stateTableMade_ || ReadPulledChange(kLocalWaitMs, last) != 0) return true;
    return last < 0 ? CopyWholeList() : PullChangesSince(last);
  }

  bool CopyWholeList() {
    OdbcStatement statement(session_.Handle());
    if (statement.get() == SQL_NULL_HSTMT || !SQL_SUCCEEDED(SQLExecDirectW(statement.get(), Text(kWholeList), SQL_NTS))) {
      return false;
    }
    std::vector<BlacklistChange> entries;
    std::int64_t lastChange = 0;
    SQLRETURN fetched;
    while ((fetched = SQLFetch(statement.get())) == SQL_SUCCESS || fetched == SQL_SUCCESS_WITH_INFO) {
      BlacklistChange entry{0, {}, {}, false};
      bool null = false;
      if (!FetchNumber(statement.get(), 1, lastChange, null) || !FetchText(statement.get(), 2, entry.cardid) ||
          !FetchText(statement.get(), 3, entry.reason)) {
        return false;
      }
      if (!entry.cardid.empty()) entries.push_back(std::move(entry));
    }
    if (fetched != SQL_NO_DATA || stop_.Asked()) return fetched == SQL_NO_DATA;
    ReplaceWithCentralList(entries, lastChange, kLocalWaitMs);
    return true;
  }

  bool PullChangesSince(std::int64_t last) {
    OdbcStatement statement(session_.Handle());
    if (statement.get() == SQL_NULL_HSTMT) return false;
    SQLBIGINT since = last;
    SQLLEN sinceLength = 0;
    if (!SQL_SUCCEEDED(SQLBindParameter(statement.get(), 1, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &since,
                                        0, &sinceLength)) ||
        !SQL_SUCCEEDED(SQLExecDirectW(statement.get(), Text(kChangesSince), SQL_NTS))) {
      return false;
    }
    std::vector<BlacklistChange> changes;
    std::int64_t newest = last;
    SQLRETURN fetched;
    while ((fetched = SQLFetch(statement.get())) == SQL_SUCCESS || fetched == SQL_SUCCESS_WITH_INFO) {
      BlacklistChange change{0, {}, {}, false};
      std::wstring removed;
      bool null = false;
      if (!FetchNumber(statement.get(), 1, change.change, null) || !FetchText(statement.get(), 2, change.cardid) ||
          !FetchText(statement.get(), 3, change.reason) || !FetchText(statement.get(), 4, removed)) {
        return false;
      }
      // The driver shows a boolean as 1 or 0 by default, as t or f otherwise.
      change.removed = removed == L"1" || removed == L"t";
      newest = std::max(newest, change.change);
      if (change.change > last || !applied_.contains(change.change)) changes.push_back(std::move(change));
    }
    if (fetched != SQL_NO_DATA || stop_.Asked()) return fetched == SQL_NO_DATA;
    if (ApplyBlacklistChanges(changes, newest, kLocalWaitMs) == 0) Remember(changes);
    return true;
  }

  void Remember(const std::vector<BlacklistChange>& changes) {
    if (applied_.size() > kRememberedChanges) applied_.clear();
    for (const BlacklistChange& change : changes) applied_.insert(change.change);
  }

  CentralSettings settings_;
  const StopSignal& stop_;
  OdbcSession session_;
  std::wstring password_;
  std::unordered_set<std::int64_t> applied_;
  bool stateTableMade_ = false;
};
}  // namespace

bool BlacklistPull::Start(const CentralSettings& settings) {
  return thread_.Start([settings](const StopSignal& stop) { PullLoop(settings, stop).Run(); });
}
