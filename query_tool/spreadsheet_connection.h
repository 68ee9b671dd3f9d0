// The ODBC side of the export: the handles from the environment to the
// prepared insert, with its ten parameters (eleven with the station) bound
// to one row buffer, and their release in order on every path.
#pragma once

#include <windows.h>

#include <sql.h>
#include <sqlext.h>

#include "query_tool/card_row.h"

class SpreadsheetConnection {
 public:
  SpreadsheetConnection() = default;
  ~SpreadsheetConnection() { Close(nullptr, 0); }
  SpreadsheetConnection(const SpreadsheetConnection&) = delete;
  SpreadsheetConnection& operator=(const SpreadsheetConnection&) = delete;

  // Connects with connectionString (the driver's output goes to message),
  // prepares the insert and binds its parameters to row, the station last
  // when withStation. False when a step failed; FirstDiagnostic then tells
  // why.
  bool Open(const wchar_t* connectionString, HWND parent, wchar_t* message, int capacity, CardRow& row,
            bool withStation);
  SQLHSTMT Statement() const { return statement_; }
  // The message text of diagnostic record 1 of the innermost handle
  // allocated; empty when there is none.
  void FirstDiagnostic(wchar_t* message, int capacity) const;
  // Frees the statement, disconnects and frees the rest. False when the
  // disconnect failed twice (the driver may write the file only then); the
  // last diagnostic goes to message when one is given.
  bool Close(wchar_t* message, int capacity);

 private:
  bool Connect(const wchar_t* connectionString, HWND parent, wchar_t* message, int capacity);
  bool Disconnect(wchar_t* message, int capacity);
  bool PrepareInsert(CardRow& row, bool withStation);

  SQLHENV environment_ = SQL_NULL_HENV;
  SQLHDBC connection_ = SQL_NULL_HDBC;
  SQLHSTMT statement_ = SQL_NULL_HSTMT;
  bool connected_ = false;
  SQLLEN indicators_[11] = {};
};
