// Allocation and release of handles, and the environment's attributes.
#include <algorithm>

#include "xls_odbc/odbc_handles.h"

using namespace xls_odbc;

namespace {

SQLRETURN AllocateConnection(SQLHANDLE input, SQLHANDLE* output) {
  Environment* environment = StartCall<Environment>(input);
  if (!environment) return SQL_INVALID_HANDLE;
  *output = new Connection(environment);
  ++environment->connections;
  return SQL_SUCCESS;
}

SQLRETURN AllocateStatement(SQLHANDLE input, SQLHANDLE* output) {
  Connection* connection = StartCall<Connection>(input);
  if (!connection) return SQL_INVALID_HANDLE;
  if (!connection->workbook) return connection->diagnostics.Error("08003", u"Connection not open");
  connection->statements.push_back(std::make_unique<Statement>(connection));
  *output = connection->statements.back().get();
  return SQL_SUCCESS;
}

SQLRETURN FreeStatement(Statement* statement) {
  auto& owned = statement->connection->statements;
  owned.remove_if([statement](const std::unique_ptr<Statement>& entry) { return entry.get() == statement; });
  return SQL_SUCCESS;
}

SQLRETURN FreeConnection(Connection* connection) {
  connection->diagnostics.Clear();
  if (connection->workbook) return connection->diagnostics.Error("HY010", u"Function sequence error: still connected");
  --connection->environment->connections;
  delete connection;
  return SQL_SUCCESS;
}

SQLRETURN FreeEnvironment(Environment* environment) {
  environment->diagnostics.Clear();
  if (environment->connections != 0)
    return environment->diagnostics.Error("HY010", u"Function sequence error: connections remain");
  delete environment;
  return SQL_SUCCESS;
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
  if (!output) return SQL_ERROR;
  *output = SQL_NULL_HANDLE;
  switch (type) {
    case SQL_HANDLE_ENV:
      *output = new Environment();
      return SQL_SUCCESS;
    case SQL_HANDLE_DBC:
      return AllocateConnection(input, output);
    case SQL_HANDLE_STMT:
      return AllocateStatement(input, output);
    default:
      return SQL_ERROR;
  }
}

SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle) {
  switch (type) {
    case SQL_HANDLE_ENV:
      if (auto* environment = HandleOf<Environment>(handle)) return FreeEnvironment(environment);
      break;
    case SQL_HANDLE_DBC:
      if (auto* connection = HandleOf<Connection>(handle)) return FreeConnection(connection);
      break;
    case SQL_HANDLE_STMT:
      if (auto* statement = HandleOf<Statement>(handle)) return FreeStatement(statement);
      break;
  }
  return SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT handle, SQLUSMALLINT option) {
  Statement* statement = StartCall<Statement>(handle);
  if (!statement) return SQL_INVALID_HANDLE;
  switch (option) {
    case SQL_DROP:
      return FreeStatement(statement);
    case SQL_CLOSE:
    case SQL_UNBIND:
      return SQL_SUCCESS;  // an insert has no cursor and no bound columns
    case SQL_RESET_PARAMS:
      std::ranges::fill(statement->parameters, BoundParameter{});
      return SQL_SUCCESS;
    default:
      return statement->diagnostics.Error("HY092", u"Invalid option");
  }
}

SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER) {
  Environment* environment = StartCall<Environment>(handle);
  if (!environment) return SQL_INVALID_HANDLE;
  const auto number = static_cast<SQLINTEGER>(reinterpret_cast<SQLLEN>(value));
  switch (attribute) {
    case SQL_ATTR_ODBC_VERSION:
      environment->odbcVersion = number;
      return SQL_SUCCESS;
    case SQL_ATTR_OUTPUT_NTS:
      if (number == SQL_TRUE) return SQL_SUCCESS;
      return environment->diagnostics.Error("HYC00", u"Optional feature not implemented");
    case SQL_ATTR_CONNECTION_POOLING:
    case SQL_ATTR_CP_MATCH:
      return SQL_SUCCESS;  // pooling is the driver manager's business
    default:
      return environment->diagnostics.Error("HY092", u"Invalid attribute");
  }
}

SQLRETURN SQL_API SQLGetEnvAttr(SQLHENV handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER,
                                SQLINTEGER* length) {
  Environment* environment = StartCall<Environment>(handle);
  if (!environment) return SQL_INVALID_HANDLE;
  SQLINTEGER result = 0;
  switch (attribute) {
    case SQL_ATTR_ODBC_VERSION:
      result = environment->odbcVersion;
      break;
    case SQL_ATTR_OUTPUT_NTS:
      result = SQL_TRUE;
      break;
    default:
      return environment->diagnostics.Error("HY092", u"Invalid attribute");
  }
  return StoreNumber(result, value, length);
}

}  // extern "C"
