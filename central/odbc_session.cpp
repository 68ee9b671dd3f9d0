#include "central/odbc_session.h"

#include <sqlext.h>

#include <cwchar>
#include <iterator>

namespace {
// Without it the driver turns a long binary parameter into a large-object
// number instead of bytea.
constexpr wchar_t kDriverOptions[] = L"ByteaAsLongVarBinary=1;";
constexpr SQLSMALLINT kMessageCapacity = 512;

bool StartsWith(const wchar_t* state, const wchar_t* prefix) {
  return std::wcsncmp(state, prefix, std::wcslen(prefix)) == 0;
}

bool Mentions(const std::wstring& message, const wchar_t* words) { return message.find(words) != std::wstring::npos; }

// The server's words when it refuses a login (a wrong password, an unknown
// login or database, an address it does not let in), in English and in
// the Chinese of a server whose messages are set to it.
constexpr const wchar_t* kLoginRefusedWords[] = {L"authentication failed", L"认证失败", L"does not exist", L"不存在",
                                                 L"pg_hba.conf"};

bool RefusesLogin(const std::wstring& message) {
  for (const wchar_t* words : kLoginRefusedWords) {
    if (Mentions(message, words)) return true;
  }
  return false;
}

// What a diagnostic means for the suite. A failure the driver manager
// itself reports (no such driver or data source: "[unixODBC][Driver
// Manager]" here, "[Microsoft][ODBC Driver Manager]" on Windows) is one of
// the settings. The driver reports most failures of a login as 08001 with
// the server's own words, so those tell a refusal from a server that never
// answered.
CentralFault Classify(const wchar_t* state, const std::wstring& message, CentralFault fallback) {
  if (StartsWith(state, L"IM") || Mentions(message, L"Driver Manager]")) return CentralFault::kBadSettings;
  if (StartsWith(state, L"28") || RefusesLogin(message)) return CentralFault::kLoginRefused;
  if (StartsWith(state, L"42501")) return CentralFault::kNotAllowed;
  if (StartsWith(state, L"42P01") || StartsWith(state, L"42703")) return CentralFault::kWrongSchema;
  if (StartsWith(state, L"08")) return CentralFault::kUnreachable;
  return fallback;
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

OdbcSession::~OdbcSession() { Close(); }

void OdbcSession::Close() {
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

CentralResult OdbcSession::Failure(SQLSMALLINT type, SQLHANDLE handle, CentralFault fallback) {
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

CentralResult OdbcSession::Connect(const std::wstring& connection, const std::wstring& password) {
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
  // Without it a server that accepts the connection and never answers
  // holds the login for ever.
  SQLSetConnectAttr(connection_, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(kCentralLoginTimeoutSeconds),
                    0);
  std::wstring full = FullConnectionString(connection, password);
  SQLSMALLINT outLength = 0;
  const SQLRETURN connected =
      SQLDriverConnectW(connection_, nullptr, reinterpret_cast<SQLWCHAR*>(full.data()), SQL_NTS, nullptr, 0,
                        &outLength, SQL_DRIVER_NOPROMPT);
  SecureZeroMemory(full.data(), full.size() * sizeof(wchar_t));
  if (SQL_SUCCEEDED(connected)) return {CentralFault::kNone, {}};
  CentralResult failure = Failure(SQL_HANDLE_DBC, connection_, CentralFault::kUnreachable);
  // A connection that never opened is freed without a disconnect.
  SQLFreeHandle(SQL_HANDLE_DBC, connection_);
  connection_ = SQL_NULL_HDBC;
  Close();
  return failure;
}

OdbcStatement::OdbcStatement(SQLHDBC connection) {
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection, &handle_))) {
    handle_ = SQL_NULL_HSTMT;
    return;
  }
  SQLSetStmtAttr(handle_, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(kCentralQueryTimeoutSeconds), 0);
}

OdbcStatement::~OdbcStatement() {
  if (handle_ != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, handle_);
}

// Read in pieces, so that a text of any length comes whole.
SQLRETURN FetchColumnText(SQLHSTMT statement, SQLUSMALLINT column, std::wstring& text) {
  text.clear();
  wchar_t piece[256];
  constexpr std::size_t kPieceUnits = std::size(piece) - 1;
  for (;;) {
    SQLLEN length = 0;
    const SQLRETURN result = SQLGetData(statement, column, SQL_C_WCHAR, piece, sizeof(piece), &length);
    if (result == SQL_NO_DATA) return SQL_SUCCESS;
    if (!SQL_SUCCEEDED(result) || length == SQL_NULL_DATA) return result;
    const bool cut = length == SQL_NO_TOTAL || static_cast<std::size_t>(length) > kPieceUnits * sizeof(wchar_t);
    if (!cut) {
      text.append(piece, static_cast<std::size_t>(length) / sizeof(wchar_t));
      return SQL_SUCCESS;
    }
    text.append(piece, kPieceUnits);
  }
}
