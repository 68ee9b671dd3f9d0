// A small ODBC client over unixODBC for the driver's tests: one
// environment, one connection and one statement, freed in order.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <string>
#include <vector>

class OdbcSession {
 public:
  OdbcSession();
  ~OdbcSession();
  OdbcSession(const OdbcSession&) = delete;
  OdbcSession& operator=(const OdbcSession&) = delete;

  SQLRETURN Connect(const std::u16string& connectionString);
  // Allocates the statement, prepares the insert and binds one wide text
  // parameter per entry of row, which the caller fills before Execute.
  SQLRETURN Prepare(const std::u16string& sql, std::size_t parameters);
  SQLRETURN Execute();
  SQLRETURN Disconnect();
  // Sets parameter i (0-based) of the next Execute; nullptr binds null.
  void SetParameter(std::size_t i, const char16_t* text);
  // SQLSTATE and message text of the first diagnostic of the handle type.
  std::u16string FirstDiagnostic(SQLSMALLINT handleType) const;

 private:
  SQLHENV environment_ = SQL_NULL_HENV;
  SQLHDBC connection_ = SQL_NULL_HDBC;
  SQLHSTMT statement_ = SQL_NULL_HSTMT;
  bool connected_ = false;
  std::vector<std::u16string> values_;
  std::vector<SQLLEN> indicators_;
};

// A connection string as the query tool builds it, for a Windows path.
std::u16string ExportConnectionString(const std::u16string& windowsPath, bool writable = true);
