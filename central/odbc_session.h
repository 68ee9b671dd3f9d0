// An ODBC connection to the central server, as every program of the suite
// opens it: the site's connection string with the password and the driver
// options the suite needs, a bounded login, handles released on every
// path, and the driver's diagnostics turned into what went wrong.
#pragma once

#include <windows.h>
#include <sql.h>

#include <string>

// What went wrong, as far as a program can tell; the status line, the
// windows and the diagnostics tool name it.
enum class CentralFault {
  kNone,
  // No server answered (network down, server stopped, wrong host or port).
  kUnreachable,
  // The server answered and refused the login (user, password, database).
  kLoginRefused,
  // The server has no schema or another version of it.
  kWrongSchema,
  // The login may not insert reads.
  kNotAllowed,
  // The connection string names no driver or cannot be used as given.
  kBadSettings,
  // Anything else the driver or the server reported.
  kFailed,
};

struct CentralResult {
  CentralFault fault;
  // The driver's own text of what went wrong, for the technician.
  std::wstring message;
  bool ok() const { return fault == CentralFault::kNone; }
};

// How long a login, and any one statement, may take before it fails.
inline constexpr SQLUINTEGER kCentralLoginTimeoutSeconds = 10;
inline constexpr SQLULEN kCentralQueryTimeoutSeconds = 30;

class OdbcSession {
 public:
  OdbcSession() = default;
  ~OdbcSession();
  OdbcSession(const OdbcSession&) = delete;
  OdbcSession& operator=(const OdbcSession&) = delete;

  // Logs in with connection (the site's string) and password.
  CentralResult Connect(const std::wstring& connection, const std::wstring& password);
  bool IsOpen() const { return connection_ != SQL_NULL_HDBC; }
  SQLHDBC Handle() const { return connection_; }
  void Close();
  // The first diagnostic of handle as a result; fallback when it tells
  // nothing more precise.
  static CentralResult Failure(SQLSMALLINT type, SQLHANDLE handle, CentralFault fallback);

 private:
  SQLHENV environment_ = SQL_NULL_HENV;
  SQLHDBC connection_ = SQL_NULL_HDBC;
};

// A statement handle, freed on every path, with the suite's query time-out.
class OdbcStatement {
 public:
  explicit OdbcStatement(SQLHDBC connection);
  ~OdbcStatement();
  OdbcStatement(const OdbcStatement&) = delete;
  OdbcStatement& operator=(const OdbcStatement&) = delete;
  SQLHSTMT get() const { return handle_; }

 private:
  SQLHSTMT handle_ = SQL_NULL_HSTMT;
};

// A text column of the statement's current row, however long; empty for
// null. The driver's result: a success, or what the fetch failed with.
SQLRETURN FetchColumnText(SQLHSTMT statement, SQLUSMALLINT column, std::wstring& text);

// The connection string the driver gets: the site's, the password, and
// what the suite needs of the driver (binary parameters as bytea).
std::wstring FullConnectionString(const std::wstring& connection, const std::wstring& password);
