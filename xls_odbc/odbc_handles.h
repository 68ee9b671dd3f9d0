// The driver's environment, connection and statement handles. The driver
// manager hands these pointers back on every call; a connection owns its
// statements, so a disconnect or a freed connection leaves none behind.
#pragma once

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <chrono>
#include <cstddef>
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

}  // namespace xls_odbc
