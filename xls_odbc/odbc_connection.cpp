// Connecting, disconnecting (where the workbook is written) and the
// connection's attributes.
#include <cerrno>
#include <cstring>

#include "emulator/utf8_to_utf16.h"
#include "xls_odbc/connection_open.h"
#include "xls_odbc/odbc_handles.h"
#include "xls_odbc/test_switches.h"
#include "xls_odbc/wide_text.h"

using namespace xls_odbc;

namespace {

bool WriteWorkbook(Connection& connection, std::string& error) {
  if (connection.workbook->workbook().Modified() && TakeFailingWrite()) {
    error = std::strerror(ENOSPC);
    return false;
  }
  return connection.workbook->Save(error);
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLDriverConnectW(SQLHDBC handle, SQLHWND, SQLWCHAR* in, SQLSMALLINT inLength, SQLWCHAR* out,
                                    SQLSMALLINT outCapacity, SQLSMALLINT* outLength, SQLUSMALLINT) {
  Connection* connection = StartCall<Connection>(handle);
  if (!connection) return SQL_INVALID_HANDLE;
  if (connection->workbook) return connection->diagnostics.Error("08002", u"Connection name in use");
  // The driver never prompts: what the string lacks is an error whatever
  // completion the caller asked for.
  const std::u16string text = WideArgument(in, inLength);
  if (const SQLRETURN opened = OpenWorkbook(*connection, text); !SQL_SUCCEEDED(opened)) return opened;
  SQLLEN length = 0;
  const SQLRETURN copied = CopyWideResult(text, out, outCapacity, &length, connection->diagnostics);
  if (outLength) *outLength = static_cast<SQLSMALLINT>(length);
  return copied;
}

SQLRETURN SQL_API SQLDisconnect(SQLHDBC handle) {
  Connection* connection = StartCall<Connection>(handle);
  if (!connection) return SQL_INVALID_HANDLE;
  if (!connection->workbook) return SQL_SUCCESS;  // not connected: nothing to write
  std::string error;
  if (!WriteWorkbook(*connection, error)) {
    // The connection stays open with its rows and statements, as the
    // driver manager still counts it: a later disconnect writes again.
    std::u16string reason;
    if (!Utf8ToUtf16(error, reason)) reason = u"write error";
    return connection->diagnostics.Error("HY000",
                                         u"The workbook could not be written, it is left as it was: " + reason);
  }
  connection->statements.clear();
  connection->workbook.reset();
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLSetConnectAttrW(SQLHDBC handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER) {
  Connection* connection = StartCall<Connection>(handle);
  if (!connection) return SQL_INVALID_HANDLE;
  const auto number = reinterpret_cast<SQLULEN>(value);
  switch (attribute) {
    case SQL_ATTR_AUTOCOMMIT:
      if (number == SQL_AUTOCOMMIT_ON) return SQL_SUCCESS;
      return connection->diagnostics.Error("HYC00", u"Transactions are not supported");
    case SQL_ATTR_ACCESS_MODE:
    case SQL_ATTR_LOGIN_TIMEOUT:
    case SQL_ATTR_CONNECTION_TIMEOUT:
    case SQL_ATTR_QUIET_MODE:
      return SQL_SUCCESS;  // the connection string decides; the driver never waits nor prompts
    default:
      return connection->diagnostics.Error("HY092", u"Invalid attribute");
  }
}

SQLRETURN SQL_API SQLGetConnectAttrW(SQLHDBC handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER,
                                     SQLINTEGER* length) {
  Connection* connection = StartCall<Connection>(handle);
  if (!connection) return SQL_INVALID_HANDLE;
  SQLUINTEGER result = 0;
  switch (attribute) {
    case SQL_ATTR_AUTOCOMMIT:
      result = SQL_AUTOCOMMIT_ON;
      break;
    case SQL_ATTR_ACCESS_MODE:
      result = connection->readOnly ? SQL_MODE_READ_ONLY : SQL_MODE_READ_WRITE;
      break;
    case SQL_ATTR_CONNECTION_DEAD:
      result = connection->workbook ? SQL_CD_FALSE : SQL_CD_TRUE;
      break;
    default:
      return connection->diagnostics.Error("HY092", u"Invalid attribute");
  }
  return StoreNumber(result, value, length);
}

SQLRETURN SQL_API SQLEndTran(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT) {
  // Every insert stands on its own until the disconnect writes them all;
  // there is no transaction to end.
  if (type == SQL_HANDLE_ENV) return HandleOf<Environment>(handle) ? SQL_SUCCESS : SQL_INVALID_HANDLE;
  return HandleOf<Connection>(handle) ? SQL_SUCCESS : SQL_INVALID_HANDLE;
}

}  // extern "C"
