#include "query_tool/spreadsheet_connection.h"

#include <iterator>

namespace {

constexpr wchar_t kInsert[] = L"insert into [Sheet1$] values (?,?,?,?,?,?,?,?,?,?);";
constexpr wchar_t kInsertWithStation[] = L"insert into [Sheet1$] values (?,?,?,?,?,?,?,?,?,?,?);";

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
    {[](CardRow& row) -> wchar_t* { return row.station; }, kStationUnits, (kStationUnits + 1) * sizeof(wchar_t)},
};
// The last parameter, the station, only with the station column.
constexpr std::size_t kParametersWithoutStation = std::size(kParameters) - 1;

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
                                 CardRow& row, bool withStation) {
  return Connect(connectionString, parent, message, capacity) && PrepareInsert(row, withStation);
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

bool SpreadsheetConnection::PrepareInsert(CardRow& row, bool withStation) {
  const wchar_t* const insert = withStation ? kInsertWithStation : kInsert;
  const std::size_t parameters = withStation ? std::size(kParameters) : kParametersWithoutStation;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection_, &statement_))) {
    statement_ = SQL_NULL_HSTMT;
    return false;
  }
  if (!SQL_SUCCEEDED(SQLSetStmtAttrW(statement_, SQL_ATTR_CONCURRENCY,
                                     reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_CONCUR_READ_ONLY)), 0)) ||
      !SQL_SUCCEEDED(SQLSetStmtAttrW(statement_, SQL_ATTR_CURSOR_TYPE,
                                     reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_CURSOR_STATIC)), 0)) ||
      !SQL_SUCCEEDED(SQLPrepareW(statement_, reinterpret_cast<SQLWCHAR*>(const_cast<wchar_t*>(insert)), SQL_NTS)))
    return false;
  for (std::size_t i = 0; i < parameters; ++i) {
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
  if (statement_) SQLFreeHandle(SQL_HANDLE_STMT, statement_);
  statement_ = SQL_NULL_HSTMT;
  const bool disconnected = !connected_ || Disconnect(message, capacity);
  connected_ = false;
  // A connection whose disconnect failed is still open, with the rows the
  // driver could not write: the driver manager refuses to free it and its
  // environment, so both are left to the end of the process.
  if (disconnected) {
    if (connection_) SQLFreeHandle(SQL_HANDLE_DBC, connection_);
    if (environment_) SQLFreeHandle(SQL_HANDLE_ENV, environment_);
  }
  connection_ = SQL_NULL_HDBC;
  environment_ = SQL_NULL_HENV;
  return disconnected;
}

bool SpreadsheetConnection::Disconnect(wchar_t* message, int capacity) {
  // The driver may write the file only now. After a failed disconnect the
  // connection stays open and a second one tries the write again.
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (SQL_SUCCEEDED(SQLDisconnect(connection_))) return true;
    if (message) DiagnosticText(SQL_HANDLE_DBC, connection_, message, capacity);
  }
  return false;
}
