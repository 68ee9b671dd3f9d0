// What the driver tells about itself and its connection.
#include <cstring>

#include "xls_odbc/odbc_handles.h"
#include "xls_odbc/wide_text.h"

using namespace xls_odbc;

namespace {

std::optional<std::u16string> TextInfo(const Connection& connection, SQLUSMALLINT type) {
  switch (type) {
    case SQL_DRIVER_NAME:
      return u"libxlsodbc.so";
    case SQL_DRIVER_VER:
      return u"01.00.0000";
    case SQL_DRIVER_ODBC_VER:
      return u"03.00";
    case SQL_DBMS_NAME:
      return u"EXCEL";
    case SQL_DBMS_VER:
      return u"08.00.0000";
    case SQL_DATA_SOURCE_READ_ONLY:
      return connection.readOnly ? u"Y" : u"N";
    case SQL_IDENTIFIER_QUOTE_CHAR:
      return u"`";
    case SQL_SEARCH_PATTERN_ESCAPE:
    case SQL_SPECIAL_CHARACTERS:
    case SQL_DATA_SOURCE_NAME:
    case SQL_SERVER_NAME:
    case SQL_DATABASE_NAME:
    case SQL_USER_NAME:
      return u"";
    default:
      return std::nullopt;
  }
}

std::optional<SQLUINTEGER> NumberInfo(SQLUSMALLINT type) {
  switch (type) {
    case SQL_CURSOR_COMMIT_BEHAVIOR:
    case SQL_CURSOR_ROLLBACK_BEHAVIOR:
      return SQL_CB_PRESERVE;
    case SQL_TXN_CAPABLE:
      return SQL_TC_NONE;
    case SQL_GETDATA_EXTENSIONS:
    case SQL_MAX_CONCURRENT_ACTIVITIES:
    case SQL_MAX_DRIVER_CONNECTIONS:
    case SQL_ASYNC_MODE:
      return 0;
    case SQL_ODBC_INTERFACE_CONFORMANCE:
      return SQL_OIC_CORE;
    case SQL_PARAM_ARRAY_ROW_COUNTS:
      return SQL_PARC_NO_BATCH;
    default:
      return std::nullopt;
  }
}

// Kinds whose value is a 16-bit number; the others are 32-bit.
bool IsShortInfo(SQLUSMALLINT type) {
  return type == SQL_CURSOR_COMMIT_BEHAVIOR || type == SQL_CURSOR_ROLLBACK_BEHAVIOR || type == SQL_TXN_CAPABLE ||
         type == SQL_MAX_CONCURRENT_ACTIVITIES || type == SQL_MAX_DRIVER_CONNECTIONS;
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLGetInfoW(SQLHDBC handle, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT capacityBytes,
                              SQLSMALLINT* length) {
  Connection* connection = StartCall<Connection>(handle);
  if (!connection) return SQL_INVALID_HANDLE;
  if (const auto text = TextInfo(*connection, type)) {
    SQLLEN units = 0;
    const SQLRETURN result = CopyWideResult(*text, static_cast<SQLWCHAR*>(value),
                                            capacityBytes / static_cast<SQLLEN>(sizeof(SQLWCHAR)), &units,
                                            connection->diagnostics);
    if (length) *length = static_cast<SQLSMALLINT>(units * sizeof(SQLWCHAR));
    return result;
  }
  const auto number = NumberInfo(type);
  if (!number) return connection->diagnostics.Error("HY096", u"Information type out of range");
  if (IsShortInfo(type)) return StoreNumber(static_cast<SQLUSMALLINT>(*number), value, length);
  return StoreNumber(*number, value, length);
}

}  // extern "C"
