// Wide-character arguments and results of the ODBC calls: SQLWCHAR is a
// UTF-16 unit here as on Windows.
#pragma once

#include <sql.h>
#include <sqlucode.h>

#include <string>
#include <string_view>

#include "xls_odbc/diagnostics.h"

namespace xls_odbc {

// An input text: length in characters, or SQL_NTS for a terminated one.
std::u16string WideArgument(const SQLWCHAR* text, SQLINTEGER length);

// Copies text into a buffer of capacity characters with a terminator and
// stores the full length; a text that does not fit is cut, with warning
// 01004 on diagnostics.
SQLRETURN CopyWideResult(std::u16string_view text, SQLWCHAR* buffer, SQLLEN capacity, SQLLEN* length,
                         Diagnostics& diagnostics);

}  // namespace xls_odbc
