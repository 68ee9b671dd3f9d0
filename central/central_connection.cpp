#include "central/central_connection.h"

#include <sqlext.h>

#include <cwchar>

#include "central/read_parameters.h"

namespace {
constexpr wchar_t kInsertReads[] =
    L"insert into card_reads (station, cardname, sex, nation, birth, address, cardid, authority, validfrom, "
    L"validto, newaddress, readtime, datetag, photo) values (?,?,?,?,?,?,?,?,?,?,?,?,?,?) on conflict do nothing";
constexpr wchar_t kSelectVersion[] =
    L"select version, has_table_privilege('card_reads', 'INSERT') from central_schema";
// Without it the driver turns a long binary parameter into a large-object
// number instead of bytea.
constexpr wchar_t kDriverOptions[] = L"ByteaAsLongVarBinary=1;";
constexpr SQLSMALLINT kMessageCapacity = 512;

// Frees a statement handle on every path.
class StatementHandle {
 public:
  explicit StatementHandle(SQLHDBC connection) {
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection, &handle_))) handle_ = SQL_NULL_HSTMT;
  }
  ~StatementHandle() {
    if (handle_ != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, handle_);
  }
  StatementHandle(const StatementHandle&) = delete;
  StatementHandle& operator=(const StatementHandle&) = delete;
  SQLHSTMT get() const { return handle_; }

 private:
  SQLHSTMT handle_ = SQL_NULL_HSTMT;
};

bool StartsWith(const wchar_t* state, const wchar_t* prefix) { return std::wcsncmp(state, prefix, std::wcslen(prefix)) == 0; }

bool Mentions(const std::wstring& message, const wchar_t* words) { return message.find(words) != std::wstring::npos; }

// What a diagnostic means for a counter. A failure the driver manager
// itself reports (no such driver or data source: "[unixODBC][Driver
// Manager]" here, "[Microsoft][ODBC Driver Manager]" on Windows) is one of
// the settings. The driver reports most failures of a login as 08001 with
// the server's own words, so those tell a refusal from a server that never
// answered.
CentralFault Classify(const wchar_t* state, const std::wstring& message, CentralFault fallback) {
  if (StartsWith(state, L"IM") || Mentions(message, L"Driver Manager]")) return CentralFault::kBadSettings;
  if (StartsWith(state, L"28") || Mentions(message, L"authentication failed") ||
      Mentions(message, L"does not exist") || Mentions(message, L"no pg_hba.conf entry")) {
    return CentralFault::kLoginRefused;
  }
  if (StartsWith(state, L"42501")) return CentralFault::kNotAllowed;
  if (StartsWith(state, L"42P01") || StartsWith(state, L"42703")) return CentralFault::kWrongSchema;
  if (StartsWith(state, L"08")) return CentralFault::kUnreachable;
  return fallback;
}

void SetStatementTimeout(SQLHSTMT statement) {
  SQLSetStmtAttr(statement, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(kCentralQueryTimeoutSeconds), 0);
}

// A value inside braces, as connection strings quote it: a closing brace
// is doubled.
std::wstring Braced(const std::wstring& value) {
  std::wstring quoted = L"{";
  for (wchar_t unit : value) {
    quoted += unit;
    if (unit == L'}') quoted += L'}';
  }
  return quoted + L'}';
}
}  // namespace

std::wstring FullConnectionString(const std::wstring& connection, const std::wstring& password) {
  std::wstring full = connection;
  if (!full.empty() && full.back() != L';') full += L';';
  if (!password.empty()) full += L"PWD=" + Braced(password) + L';';
  return full + kDriverOptions;
}

CentralConnection::~CentralConnection() { Close(); }

void CentralConnection::Close() {
  if (connection_ != SQL_NULL_HDBC) {
    SQLDisconnect(connection_);
    SQLFreeHandle(SQL_HANDLE_DBC, connection_);
    connection_ = SQL_NULL_HDBC;
  }
  if (environment_ != SQL_NULL_HENV) {
    SQLFreeHandle(SQL_HANDLE_ENV, environment_);
    environment_ = SQL_NULL_HENV;
  }
}

CentralResult CentralConnection::Failure(SQLSMALLINT type, SQLHANDLE handle, CentralFault fallback) const {
  SQLWCHAR state[6] = {};
  SQLWCHAR text[kMessageCapacity] = {};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  if (handle == SQL_NULL_HANDLE ||
      !SQL_SUCCEEDED(SQLGetDiagRecW(type, handle, 1, state, &native, text, kMessageCapacity, &length))) {
    return {fallback, L"the driver gave no reason"};
  }
  const std::wstring message = reinterpret_cast<const wchar_t*>(text);
  return {Classify(reinterpret_cast<const wchar_t*>(state), message, fallback), message};
}

CentralResult CentralConnection::Open(const std::wstring& connection, const std::wstring& password) {
  Close();
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment_))) {
    environment_ = SQL_NULL_HENV;
    return {CentralFault::kFailed, L"no ODBC environment"};
  }
  SQLSetEnvAttr(environment_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, environment_, &connection_))) {
    connection_ = SQL_NULL_HDBC;
    Close();
    return {CentralFault::kFailed, L"no ODBC connection handle"};
  }
  SQLSetConnectAttr(connection_, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(kCentralLoginTimeoutSeconds),
                    0);
  std::wstring full = FullConnectionString(connection, password);
  SQLSMALLINT outLength = 0;
  const SQLRETURN connected =
      SQLDriverConnectW(connection_, nullptr, reinterpret_cast<SQLWCHAR*>(full.data()), SQL_NTS, nullptr, 0,
                        &outLength, SQL_DRIVER_NOPROMPT);
  SecureZeroMemory(full.data(), full.size() * sizeof(wchar_t));
  if (!SQL_SUCCEEDED(connected)) {
    CentralResult failure = Failure(SQL_HANDLE_DBC, connection_, CentralFault::kUnreachable);
    SQLFreeHandle(SQL_HANDLE_DBC, connection_);
    connection_ = SQL_NULL_HDBC;
    Close();
    return failure;
  }
  CentralResult checked = CheckSchema();
  if (checked.ok()) {
    const SQLRETURN manual =
        SQLSetConnectAttr(connection_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
    if (!SQL_SUCCEEDED(manual)) checked = Failure(SQL_HANDLE_DBC, connection_, CentralFault::kFailed);
  }
  if (!checked.ok()) Close();
  return checked;
}

CentralResult CentralConnection::CheckSchema() {
  StatementHandle statement(connection_);
  if (statement.get() == SQL_NULL_HSTMT) return Failure(SQL_HANDLE_DBC, connection_, CentralFault::kFailed);
  SetStatementTimeout(statement.get());
  if (!SQL_SUCCEEDED(SQLExecDirectW(statement.get(), reinterpret_cast<SQLWCHAR*>(const_cast<wchar_t*>(kSelectVersion)),
                                    SQL_NTS))) {
    return Failure(SQL_HANDLE_STMT, statement.get(), CentralFault::kWrongSchema);
  }
  SQLINTEGER version = 0;
  SQLLEN versionLength = 0;
  wchar_t mayInsert[8] = {};
  SQLLEN insertLength = 0;
  const SQLRETURN fetched = SQLFetch(statement.get());
  if (fetched == SQL_NO_DATA) return {CentralFault::kWrongSchema, L"the server's schema has no version"};
  if (!SQL_SUCCEEDED(fetched) ||
      !SQL_SUCCEEDED(SQLGetData(statement.get(), 1, SQL_C_SLONG, &version, 0, &versionLength)) ||
      !SQL_SUCCEEDED(SQLGetData(statement.get(), 2, SQL_C_WCHAR, mayInsert, sizeof(mayInsert), &insertLength))) {
    return Failure(SQL_HANDLE_STMT, statement.get(), CentralFault::kFailed);
  }
  if (version != kCentralSchemaVersion) {
    return {CentralFault::kWrongSchema, L"the server's schema is version " + std::to_wstring(version) +
                                            L", this program writes version " +
                                            std::to_wstring(kCentralSchemaVersion)};
  }
  // The driver shows a boolean as 1 or 0 by default, as t or f otherwise.
  if (mayInsert[0] != L'1' && mayInsert[0] != L't') {
    return {CentralFault::kNotAllowed, L"the login may not insert reads"};
  }
  return {CentralFault::kNone, {}};
}

CentralResult CentralConnection::Send(const std::vector<OutboxRead>& batch) {
  if (batch.empty()) return {CentralFault::kNone, {}};
  StatementHandle statement(connection_);
  if (statement.get() == SQL_NULL_HSTMT) return Failure(SQL_HANDLE_DBC, connection_, CentralFault::kUnreachable);
  SetStatementTimeout(statement.get());
  ReadParameters parameters(batch);
  SQLRETURN result = SQLPrepareW(statement.get(), reinterpret_cast<SQLWCHAR*>(const_cast<wchar_t*>(kInsertReads)),
                                 SQL_NTS);
  if (SQL_SUCCEEDED(result)) result = parameters.Bind(statement.get());
  if (SQL_SUCCEEDED(result)) result = SQLExecute(statement.get());
  if (!SQL_SUCCEEDED(result) || !parameters.EveryRowSucceeded()) {
    CentralResult failure = Failure(SQL_HANDLE_STMT, statement.get(), CentralFault::kFailed);
    SQLEndTran(SQL_HANDLE_DBC, connection_, SQL_ROLLBACK);
    return failure;
  }
  if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, connection_, SQL_COMMIT))) {
    return Failure(SQL_HANDLE_DBC, connection_, CentralFault::kUnreachable);
  }
  return {CentralFault::kNone, {}};
}
