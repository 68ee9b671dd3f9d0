// The driver's environment, connection and statement handles. The driver
// manager hands these pointers back on every call; a connection owns its
// statements, so a disconnect or a freed connection leaves none behind.
#pragma once

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <chrono>
#include <cstddef>
#include <cstring>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "xls_odbc/diagnostics.h"
#include "xls_odbc/insert_statement.h"
#include "xls_odbc/workbook_file.h"

namespace xls_odbc {

struct Handle {
  explicit Handle(SQLSMALLINT handleType) : type(handleType) {}
  SQLSMALLINT type;
  Diagnostics diagnostics;
};

struct Environment : Handle {
  static constexpr SQLSMALLINT kType = SQL_HANDLE_ENV;
  Environment() : Handle(kType) {}
  SQLINTEGER odbcVersion = SQL_OV_ODBC3;
  std::size_t connections = 0;
};

struct Statement;

struct Connection : Handle {
  static constexpr SQLSMALLINT kType = SQL_HANDLE_DBC;
  explicit Connection(Environment* owner) : Handle(kType), environment(owner) {}
  Environment* environment;
  std::optional<xls::WorkbookFile> workbook;  // set while connected
  bool readOnly = true;
  std::chrono::milliseconds insertDelay{0};
  std::list<std::unique_ptr<Statement>> statements;
};

struct BoundParameter {
  bool bound = false;
  SQLSMALLINT valueType = 0;
  SQLPOINTER value = nullptr;
  SQLLEN bufferLength = 0;
  SQLLEN* indicator = nullptr;
};

struct Statement : Handle {
  static constexpr SQLSMALLINT kType = SQL_HANDLE_STMT;
  explicit Statement(Connection* owner) : Handle(kType), connection(owner) {}
  Connection* connection;
  std::optional<xls::InsertStatement> insert;  // set once prepared
  std::size_t sheet = 0;
  std::vector<BoundParameter> parameters;
  SQLULEN concurrency = SQL_CONCUR_READ_ONLY;
  SQLULEN cursorType = SQL_CURSOR_FORWARD_ONLY;
  SQLLEN rowCount = -1;
};

// The handle behind a pointer of the driver manager when it is of type T.
template <typename T>
T* HandleOf(SQLHANDLE handle) {
  auto* header = static_cast<Handle*>(handle);
  return header && header->type == T::kType ? static_cast<T*>(header) : nullptr;
}

// The handle of type T for a call that starts on it: the diagnostics of
// the handle's previous call go.
template <typename T>
T* StartCall(SQLHANDLE handle) {
  T* typed = HandleOf<T>(handle);
  if (typed) typed->diagnostics.Clear();
  return typed;
}

// Stores a numeric attribute or information value and its size in bytes.
template <typename Number, typename Length>
SQLRETURN StoreNumber(Number number, SQLPOINTER value, Length* length) {
  if (value) std::memcpy(value, &number, sizeof number);
  if (length) *length = sizeof number;
  return SQL_SUCCESS;
}

}  // namespace xls_odbc
