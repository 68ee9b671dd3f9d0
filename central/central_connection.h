// One ODBC connection to the central server, as a counter uses it: log in,
// check that the server has the schema this program writes and lets the
// login insert reads, and send a batch of reads in one transaction.
#pragma once

#include <windows.h>
#include <sql.h>

#include <string>
#include <vector>

#include "central/outbox.h"

// What went wrong, as far as the counter can tell; the status line and the
// diagnostics tool name it.
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

// The schema version this program writes.
inline constexpr int kCentralSchemaVersion = 1;
// How long a login, and any one statement, may take before it fails.
inline constexpr SQLUINTEGER kCentralLoginTimeoutSeconds = 10;
inline constexpr SQLULEN kCentralQueryTimeoutSeconds = 30;

class CentralConnection {
 public:
  CentralConnection() = default;
  ~CentralConnection();
  CentralConnection(const CentralConnection&) = delete;
  CentralConnection& operator=(const CentralConnection&) = delete;

  // Logs in with connection (the site's string) and password, then checks
  // the schema version and the right to insert reads.
  CentralResult Open(const std::wstring& connection, const std::wstring& password);
  bool IsOpen() const { return connection_ != SQL_NULL_HDBC; }
  // Inserts every read of batch, ignoring those the server has, and commits;
  // on any failure nothing of the batch stays on the server.
  CentralResult Send(const std::vector<OutboxRead>& batch);
  void Close();

 private:
  CentralResult CheckSchema();
  CentralResult Failure(SQLSMALLINT type, SQLHANDLE handle, CentralFault fallback) const;

  SQLHENV environment_ = SQL_NULL_HENV;
  SQLHDBC connection_ = SQL_NULL_HDBC;
};

// The connection string the driver gets: the site's, the password, and
// what the suite needs of the driver (binary parameters as bytea).
std::wstring FullConnectionString(const std::wstring& connection, const std::wstring& password);
