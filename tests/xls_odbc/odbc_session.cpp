#include "xls_odbc/odbc_session.h"

#include <sqlucode.h>

namespace {
constexpr SQLLEN kCellCapacity = 256;
}

OdbcSession::OdbcSession() {
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment_);
  SQLSetEnvAttr(environment_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, environment_, &connection_);
}

OdbcSession::~OdbcSession() {
  if (statement_) SQLFreeHandle(SQL_HANDLE_STMT, statement_);
  if (connected_) SQLDisconnect(connection_);
  SQLFreeHandle(SQL_HANDLE_DBC, connection_);
  SQLFreeHandle(SQL_HANDLE_ENV, environment_);
}

SQLRETURN OdbcSession::Connect(const std::u16string& connectionString) {
  SQLWCHAR out[1024];
  SQLSMALLINT outLength = 0;
  const SQLRETURN result = SQLDriverConnectW(
      connection_, nullptr, reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(connectionString.c_str())), SQL_NTS,
      out, 1024, &outLength, SQL_DRIVER_NOPROMPT);
  connected_ = SQL_SUCCEEDED(result);
  return result;
}

SQLRETURN OdbcSession::Prepare(const std::u16string& sql, std::size_t parameters) {
  SQLRETURN result = SQLAllocHandle(SQL_HANDLE_STMT, connection_, &statement_);
  if (!SQL_SUCCEEDED(result)) return result;
  result = SQLPrepareW(statement_, reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(sql.c_str())), SQL_NTS);
  values_.assign(parameters, std::u16string(kCellCapacity, u'\0'));
  indicators_.assign(parameters, SQL_NTS);
  for (std::size_t i = 0; SQL_SUCCEEDED(result) && i < parameters; ++i)
    result = SQLBindParameter(statement_, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT, SQL_C_WCHAR,
                              SQL_WVARCHAR, kCellCapacity - 1, 0, values_[i].data(),
                              kCellCapacity * static_cast<SQLLEN>(sizeof(SQLWCHAR)), &indicators_[i]);
  return result;
}

void OdbcSession::SetParameter(std::size_t i, const char16_t* text) {
  indicators_[i] = text ? SQL_NTS : SQL_NULL_DATA;
  values_[i].assign(kCellCapacity, u'\0');
  if (text) values_[i].replace(0, std::char_traits<char16_t>::length(text), text);
}

SQLRETURN OdbcSession::Execute() { return SQLExecute(statement_); }

SQLRETURN OdbcSession::Disconnect() {
  if (statement_) SQLFreeHandle(SQL_HANDLE_STMT, statement_);
  statement_ = SQL_NULL_HSTMT;
  const SQLRETURN result = SQLDisconnect(connection_);
  // A failed disconnect leaves the connection open.
  if (SQL_SUCCEEDED(result)) connected_ = false;
  return result;
}

std::u16string OdbcSession::FirstDiagnostic(SQLSMALLINT handleType) const {
  const SQLHANDLE handle = handleType == SQL_HANDLE_STMT ? statement_ : connection_;
  SQLWCHAR state[6] = {};
  SQLWCHAR message[1024] = {};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  if (!SQL_SUCCEEDED(SQLGetDiagRecW(handleType, handle, 1, state, &native, message, 1024, &length))) return u"";
  return std::u16string(reinterpret_cast<char16_t*>(state)) + u" " + reinterpret_cast<char16_t*>(message);
}

std::u16string ExportConnectionString(const std::u16string& windowsPath, bool writable) {
  return u"DRIVER={Microsoft Excel Driver (*.xls)};DriverId=790;DBQ=" + windowsPath + u";READONLY=" +
         (writable ? u"FALSE;" : u"TRUE;");
}
