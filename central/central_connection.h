// One ODBC connection to the central server, as a counter uses it: log in,
// check that the server has the schema this program writes and lets the
// login insert reads, and send a batch of reads in one transaction.
#pragma once

#include <string>
#include <vector>

#include "central/odbc_session.h"
#include "central/outbox.h"

// The schema version this program writes.
inline constexpr int kCentralSchemaVersion = 2;

class CentralConnection {
 public:
  // Logs in with connection (the site's string) and password, then checks
  // the schema version and the right to insert reads.
  CentralResult Open(const std::wstring& connection, const std::wstring& password);
  bool IsOpen() const { return session_.IsOpen(); }
  // Inserts every read of batch, ignoring those the server has, and commits;
  // on any failure nothing of the batch stays on the server.
  CentralResult Send(const std::vector<OutboxRead>& batch);
  void Close() { session_.Close(); }

 private:
  CentralResult CheckSchema();

  OdbcSession session_;
};
