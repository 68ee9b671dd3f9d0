#include "central/central_connection.h"

#include <sqlext.h>

#include "central/read_parameters.h"

namespace {
constexpr wchar_t kInsertReads[] =
    L"insert into card_reads (station, cardname, sex, nation, birth, address, cardid, authority, validfrom, "
    L"validto, newaddress, readtime, datetag, photo) values (?,?,?,?,?,?,?,?,?,?,?,?,?,?) on conflict do nothing";
constexpr wchar_t kSelectVersion[] =
    L"select version, has_table_privilege('card_reads', 'INSERT') from central_schema";

SQLWCHAR* Text(const wchar_t* text) { return reinterpret_cast<SQLWCHAR*>(const_cast<wchar_t*>(text)); }
}  // namespace

CentralResult CentralConnection::Open(const std::wstring& connection, const std::wstring& password) {
  CentralResult result = session_.Connect(connection, password);
  if (result.ok()) result = CheckSchema();
  if (result.ok()) {
    const SQLRETURN manual = SQLSetConnectAttr(session_.Handle(), SQL_ATTR_AUTOCOMMIT,
                                               reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
    if (!SQL_SUCCEEDED(manual)) result = OdbcSession::Failure(SQL_HANDLE_DBC, session_.Handle(), CentralFault::kFailed);
  }
  if (!result.ok()) session_.Close();
  return result;
}

CentralResult CentralConnection::CheckSchema() {
  OdbcStatement statement(session_.Handle());
  if (statement.get() == SQL_NULL_HSTMT) {
    return OdbcSession::Failure(SQL_HANDLE_DBC, session_.Handle(), CentralFault::kFailed);
  }
  if (!SQL_SUCCEEDED(SQLExecDirectW(statement.get(), Text(kSelectVersion), SQL_NTS))) {
    return OdbcSession::Failure(SQL_HANDLE_STMT, statement.get(), CentralFault::kWrongSchema);
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
    return OdbcSession::Failure(SQL_HANDLE_STMT, statement.get(), CentralFault::kFailed);
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
  const SQLHDBC connection = session_.Handle();
  OdbcStatement statement(connection);
  if (statement.get() == SQL_NULL_HSTMT) return OdbcSession::Failure(SQL_HANDLE_DBC, connection, CentralFault::kUnreachable);
  ReadParameters parameters(batch);
  SQLRETURN result = SQLPrepareW(statement.get(), Text(kInsertReads), SQL_NTS);
  if (SQL_SUCCEEDED(result)) result = parameters.Bind(statement.get());
  if (SQL_SUCCEEDED(result)) result = SQLExecute(statement.get());
  if (!SQL_SUCCEEDED(result) || !parameters.EveryRowSucceeded()) {
    CentralResult failure = OdbcSession::Failure(SQL_HANDLE_STMT, statement.get(), CentralFault::kFailed);
    SQLEndTran(SQL_HANDLE_DBC, connection, SQL_ROLLBACK);
    return failure;
  }
  if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, connection, SQL_COMMIT))) {
    return OdbcSession::Failure(SQL_HANDLE_DBC, connection, CentralFault::kUnreachable);
  }
  return {CentralFault::kNone, {}};
}
