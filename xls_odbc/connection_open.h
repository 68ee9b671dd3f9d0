// What a connection string asks for, checked and carried out: the workbook
// named by DBQ (a Windows path under the Wine prefix) opened for appending,
// writable only with READONLY=FALSE.
#pragma once

#include <sql.h>

#include <string_view>

#include "xls_odbc/odbc_handles.h"

namespace xls_odbc {

// Opens the workbook into the connection; on failure the connection stays
// closed and carries the diagnostic.
SQLRETURN OpenWorkbook(Connection& connection, std::u16string_view connectionString);

}  // namespace xls_odbc
