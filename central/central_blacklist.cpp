#include "central/central_blacklist.h"

#include <sqlext.h>

#include <algorithm>
#include <cwchar>
#include <utility>

namespace {
constexpr wchar_t kSelectAll[] = L"select cardid, reason from blacklist order by cardid";
constexpr wchar_t kInsertIfNew[] = L"insert into blacklist (cardid, reason) values (?, ?) on conflict do nothing";
constexpr wchar_t kUpdateReason[] = L"update blacklist set reason = ? where cardid = ?";
constexpr wchar_t kDeleteNumber[] = L"delete from blacklist where cardid = ?";
// An import goes to the server this many numbers to an execution, every
// execution in the one transaction: a few hundred kilobytes of parameters
// each, whatever the size of the list.
constexpr std::size_t kRowsPerExecution = 1000;

SQLWCHAR* Sql(const wchar_t* text) { return reinterpret_cast<SQLWCHAR*>(const_cast<wchar_t*>(text)); }

// One text parameter for many rows, laid out as the driver reads a
// column-wise array: every text in a slot as wide as the longest.
class TextArray {
 public:
  explicit TextArray(const std::vector<const std::wstring*>& texts) {
    for (const std::wstring* text : texts) width_ = std::max(width_, text->size() + 1);
    units_.assign(texts.size() * width_, L'\0');
    for (std::size_t row = 0; row < texts.size(); ++row) {
      const std::wstring& text = *texts[row];
      std::wmemcpy(units_.data() + row * width_, text.data(), text.size());
      lengths_.push_back(static_cast<SQLLEN>(text.size() * sizeof(wchar_t)));
    }
  }
  SQLULEN Rows() const { return lengths_.size(); }
  SQLRETURN Bind(SQLHSTMT statement, SQLUSMALLINT number) {
    return SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR,
                            std::max<SQLULEN>(width_ - 1, 1), 0, units_.data(),
                            static_cast<SQLLEN>(width_ * sizeof(wchar_t)), lengths_.data());
  }

 private:
  std::size_t width_ = 1;
  std::vector<wchar_t> units_;
  std::vector<SQLLEN> lengths_;
};

// Rolls the open transaction back unless it was committed, so that a
// failed change leaves nothing on the server and the session can log out.
class ServerTransaction {
 public:
  explicit ServerTransaction(SQLHDBC connection) : connection_(connection) {}
  ~ServerTransaction() {
    if (!committed_) SQLEndTran(SQL_HANDLE_DBC, connection_, SQL_ROLLBACK);
  }
  ServerTransaction(const ServerTransaction&) = delete;
  ServerTransaction& operator=(const ServerTransaction&) = delete;

  CentralResult Commit() {
    if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, connection_, SQL_COMMIT))) {
      return OdbcSession::Failure(SQL_HANDLE_DBC, connection_, CentralFault::kUnreachable);
    }
    committed_ = true;
    return {CentralFault::kNone, {}};
  }

 private:
  SQLHDBC connection_;
  bool committed_ = false;
};

bool EveryRowSucceeded(const std::vector<SQLUSMALLINT>& status) {
  return std::all_of(status.begin(), status.end(), [](SQLUSMALLINT row) {
    return row == SQL_PARAM_SUCCESS || row == SQL_PARAM_SUCCESS_WITH_INFO;
  });
}

// Runs sql once for every row of the parameter arrays (all of one length)
// and adds the rows it changed to `changed`. The driver answers each row's
// execution with a result of its own, so their counts are summed.
CentralResult ExecuteRows(SQLHDBC connection, const wchar_t* sql, std::vector<TextArray>& parameters, int& changed) {
  OdbcStatement statement(connection);
  if (statement.get() == SQL_NULL_HSTMT) return OdbcSession::Failure(SQL_HANDLE_DBC, connection, CentralFault::kUnreachable);
  const SQLHSTMT handle = statement.get();
  std::vector<SQLUSMALLINT> status(parameters.front().Rows());
  SQLRETURN result = SQLSetStmtAttr(handle, SQL_ATTR_PARAM_BIND_TYPE, SQL_PARAM_BIND_BY_COLUMN, 0);
  if (SQL_SUCCEEDED(result)) {
    result = SQLSetStmtAttr(handle, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(status.size()), 0);
  }
  if (SQL_SUCCEEDED(result)) result = SQLSetStmtAttr(handle, SQL_ATTR_PARAM_STATUS_PTR, status.data(), 0);
  if (SQL_SUCCEEDED(result)) result = SQLPrepareW(handle, Sql(sql), SQL_NTS);
  for (std::size_t i = 0; i < parameters.size() && SQL_SUCCEEDED(result); ++i) {
    result = parameters[i].Bind(handle, static_cast<SQLUSMALLINT>(i + 1));
  }
  if (SQL_SUCCEEDED(result)) result = SQLExecute(handle);
  SQLLEN count = 0;
  while (SQL_SUCCEEDED(result) && SQL_SUCCEEDED(result = SQLRowCount(handle, &count))) {
    if (count > 0) changed += static_cast<int>(count);
    result = SQLMoreResults(handle);
  }
  if (result != SQL_NO_DATA || !EveryRowSucceeded(status)) {
    return OdbcSession::Failure(SQL_HANDLE_STMT, handle, CentralFault::kFailed);
  }
  return {CentralFault::kNone, {}};
}

std::vector<TextArray> Arrays(const std::vector<const std::wstring*>& first,
                              const std::vector<const std::wstring*>& second = {}) {
  std::vector<TextArray> arrays;
  arrays.emplace_back(first);
  if (!second.empty()) arrays.emplace_back(second);
  return arrays;
}

// Runs one statement over the parameter rows in a transaction of its own on
// a session opened for it; `changed` counts the rows it changed once the
// transaction has committed.
CentralResult ChangeInTransaction(OdbcSession& session, const wchar_t* sql, std::vector<TextArray>& parameters,
                                  int& changed) {
  changed = 0;
  ServerTransaction transaction(session.Handle());
  int count = 0;
  if (CentralResult result = ExecuteRows(session.Handle(), sql, parameters, count); !result.ok()) return result;
  CentralResult committed = transaction.Commit();
  if (committed.ok()) changed = count;
  return committed;
}
}  // namespace

CentralBlacklist::CentralBlacklist(std::wstring connection, std::wstring password)
    : connection_(std::move(connection)), password_(std::move(password)) {}

CentralBlacklist::~CentralBlacklist() { SecureZeroMemory(password_.data(), password_.size() * sizeof(wchar_t)); }

CentralResult CentralBlacklist::Open(OdbcSession& session, bool manualCommit) const {
  CentralResult result = session.Connect(connection_, password_);
  if (result.ok() && manualCommit &&
      !SQL_SUCCEEDED(SQLSetConnectAttr(session.Handle(), SQL_ATTR_AUTOCOMMIT,
                                       reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0))) {
    result = OdbcSession::Failure(SQL_HANDLE_DBC, session.Handle(), CentralFault::kFailed);
  }
  return result;
}

CentralResult CentralBlacklist::Load(std::vector<CentralBlacklistEntry>& entries) const {
  entries.clear();
  OdbcSession session;
  if (CentralResult opened = Open(session, false); !opened.ok()) return opened;
  OdbcStatement statement(session.Handle());
  const SQLHSTMT handle = statement.get();
  if (handle == SQL_NULL_HSTMT) return OdbcSession::Failure(SQL_HANDLE_DBC, session.Handle(), CentralFault::kFailed);
  SQLRETURN result = SQLExecDirectW(handle, Sql(kSelectAll), SQL_NTS);
  CentralBlacklistEntry entry;
  while (SQL_SUCCEEDED(result) && SQL_SUCCEEDED(result = SQLFetch(handle))) {
    result = FetchColumnText(handle, 1, entry.cardid);
    if (SQL_SUCCEEDED(result)) result = FetchColumnText(handle, 2, entry.reason);
    if (SQL_SUCCEEDED(result)) entries.push_back(entry);
  }
  if (result != SQL_NO_DATA) {
    entries.clear();
    return OdbcSession::Failure(SQL_HANDLE_STMT, handle, CentralFault::kFailed);
  }
  return {CentralFault::kNone, {}};
}

CentralResult CentralBlacklist::Add(const CentralBlacklistEntry& entry, bool& added) const {
  added = false;
  std::vector<TextArray> parameters = Arrays({&entry.cardid}, {&entry.reason});
  int inserted = 0;
  OdbcSession session;
  if (CentralResult opened = Open(session, true); !opened.ok()) return opened;
  CentralResult result = ChangeInTransaction(session, kInsertIfNew, parameters, inserted);
  added = inserted == 1;
  return result;
}

CentralResult CentralBlacklist::UpdateReason(const CentralBlacklistEntry& entry, bool& found) const {
  found = false;
  std::vector<TextArray> parameters = Arrays({&entry.reason}, {&entry.cardid});
  int updated = 0;
  OdbcSession session;
  if (CentralResult opened = Open(session, true); !opened.ok()) return opened;
  CentralResult result = ChangeInTransaction(session, kUpdateReason, parameters, updated);
  found = updated == 1;
  return result;
}

CentralResult CentralBlacklist::Delete(const std::vector<std::wstring>& cardids, int& deleted) const {
  deleted = 0;
  if (cardids.empty()) return {CentralFault::kNone, {}};
  std::vector<const std::wstring*> numbers;
  for (const std::wstring& cardid : cardids) numbers.push_back(&cardid);
  std::vector<TextArray> parameters = Arrays(numbers);
  OdbcSession session;
  if (CentralResult opened = Open(session, true); !opened.ok()) return opened;
  return ChangeInTransaction(session, kDeleteNumber, parameters, deleted);
}

CentralResult CentralBlacklist::Import(const std::vector<CentralBlacklistEntry>& entries, int& added) const {
  added = 0;
  if (entries.empty()) return {CentralFault::kNone, {}};
  OdbcSession session;
  if (CentralResult opened = Open(session, true); !opened.ok()) return opened;
  ServerTransaction transaction(session.Handle());
  int count = 0;
  for (std::size_t start = 0; start < entries.size(); start += kRowsPerExecution) {
    const std::size_t end = std::min(entries.size(), start + kRowsPerExecution);
    std::vector<const std::wstring*> numbers;
    std::vector<const std::wstring*> reasons;
    for (std::size_t i = start; i < end; ++i) {
      numbers.push_back(&entries[i].cardid);
      reasons.push_back(&entries[i].reason);
    }
    std::vector<TextArray> parameters = Arrays(numbers, reasons);
    if (CentralResult result = ExecuteRows(session.Handle(), kInsertIfNew, parameters, count); !result.ok()) {
      return result;
    }
  }
  CentralResult committed = transaction.Commit();
  if (committed.ok()) added = count;
  return committed;
}
