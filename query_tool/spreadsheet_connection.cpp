#include "query_tool/spreadsheet_connection.h"

#include <iterator>

namespace {

constexpr wchar_t kInsert[] = L"insert into [Sheet1$] values (?,?,?,?,?,?,?,?,?,?);";

// One insert parameter: the row field it reads, its column size and the
// field's size in bytes.
struct InsertParameter {
  wchar_t* (*field)(CardRow& row);
  SQLULEN columnSize;
  SQLLEN bufferBytes;
};

constexpr InsertParameter kParameters[] = {
    {[](CardRow& row) -> wchar_t* { return row.name; }, 15, 32},
    {[](CardRow& row) -> wchar_t* { return row.sex; }, 1, 4},
    {[](CardRow& row) -> wchar_t* { return row.nation; }, 9, 20},
    {[](CardRow& row) -> wchar_t* { return row.birthText; }, 11, 32},
    {[](CardRow& row) -> wchar_t* { return row.address; }, 35, 72},
    {[](CardRow& row) -> wchar_t* { return row.idNumber; }, 18, 40},
    {[](CardRow& row) -> wchar_t* { return row.authority; }, 15, 32},
    {[](CardRow& row) -> wchar_t* { return row.validityText; }, 21, 48},
    {[](CardRow& row) -> wchar_t* { return row.readTimeText; }, 19, 48},
    {[](CardRow& row) -> wchar_t* { return row.newAddress; }, 35, 72},
};

// The message text of diagnostic record 1 of a handle, or an empty text.
void DiagnosticText(SQLSMALLINT type, SQLHANDLE handle, wchar_t* message, int capacity) {
  message[0] = L'\0';
  SQLWCHAR state[6];
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  if (!SQL_SUCCEEDED(SQLGetDiagRecW(type, handle, 1, state, &native, reinterpret_cast<SQLWCHAR*>(message),
                                    static_cast<SQLSMALLINT>(capacity), &length)))
    message[0] = L'\0';
}

}  // namespace

bool SpreadsheetConnection::Open(const wchar_t* connectionString, HWND parent, wchar_t* message, int capacity,
                                 CardRow& row) {
  return Connect(connectionString, parent, message, capacity) && PrepareInsert(row);
}

bool SpreadsheetConnection::Connect(const wchar_t* connectionString, HWND parent, wchar_t* message, int capacity) {
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment_))) {
    environment_ = SQL_NULL_HENV;
    return false;
  }
  if (!SQL_SUCCEEDED(SQLSetEnvAttr(environment_, SQL_ATTR_ODBC_VERSION,
                                   reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_OV_ODBC3)), 0)))
    return false;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, environment_, &connection_))) {
    connection_ = SQL_NULL_HDBC;
    return false;
  }
  SQLSMALLINT outLength = 0;
  connected_ = SQL_SUCCEEDED(SQLDriverConnectW(
      connection_, parent, reinterpret_cast<SQLWCHAR*>(const_cast<wchar_t*>(connectionString)), SQL_NTS,
      reinterpret_cast<SQLWCHAR*>(message), static_cast<SQLSMALLINT>(capacity), &outLength, SQL_DRIVER_NOPROMPT));
  return connected_;
}

bool SpreadsheetConnection::PrepareInsert(CardRow& row) {
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection_, &statement_))) {
    statement_ = SQL_NULL_HSTMT;
    return false;
  }
  if (!SQL_SUCCEEDED(SQLSetStmtAttrW(statement_, SQL_ATTR_CONCURRENCY,
                                     reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_CONCUR_READ_ONLY)), 0)) ||
      !SQL_SUCCEEDED(SQLSetStmtAttrW(statement_, SQL_ATTR_CURSOR_TYPE,
                                     reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_CURSOR_STATIC)), 0)) ||
      !SQL_SUCCEEDED(SQLPrepareW(statement_, reinterpret_cast<SQLWCHAR*>(const_cast<wchar_t*>(kInsert)), SQL_NTS)))
    return false;
  for (std::size_t i = 0; i < std::size(kParameters); ++i) {
    const InsertParameter& parameter = kParameters[i];
    indicators_[i] = SQL_NTS;
    if (!SQL_SUCCEEDED(SQLBindParameter(statement_, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT, SQL_C_WCHAR,
                                        SQL_WVARCHAR, parameter.columnSize, 0, parameter.field(row),
                                        parameter.bufferBytes, &indicators_[i])))
      return false;
  }
  return true;
}

void SpreadsheetConnection::FirstDiagnostic(wchar_t* message, int capacity) const {
  if (statement_)
    DiagnosticText(SQL_HANDLE_STMT, statement_, message, capacity);
  else if (connection_)
    DiagnosticText(SQL_HANDLE_DBC, connection_, message, capacity);
  else if (environment_)
    DiagnosticText(SQL_HANDLE_ENV, environment_, message, capacity);
  else if (capacity > 0)
    message[0] = L'\0';
}

bool SpreadsheetConnection::Close(wchar_t* message, int capacity) {
  bool disconnected = true;
  if (statement_) SQLFreeHandle(SQL_HANDLE_STMT, statement_);
  statement_ = SQL_NULL_HSTMT;
  if (connected_ && !SQL_SUCCEEDED(SQLDisconnect(connection_))) {
    disconnected = false;
    if (message) DiagnosticText(SQL_HANDLE_DBC, connection_, message, capacity);
    // The driver manager still counts a connection whose disconnect failed
    // as open and refuses to free it; a driver that could not write its
    // file has closed its side already, so a second disconnect ends it.
    SQLDisconnect(connection_);
  }
  connected_ = false;
  if (connection_) SQLFreeHandle(SQL_HANDLE_DBC, connection_);
  connection_ = SQL_NULL_HDBC;
  if (environment_) SQLFreeHandle(SQL_HANDLE_ENV, environment_);
  environment_ = SQL_NULL_HENV;
  return disconnected;
}
