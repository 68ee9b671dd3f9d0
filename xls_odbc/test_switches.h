// What only tests ask of the driver, through the environment of the process
// that loads it: slower inserts, and writes of the workbook that fail as on
// a full disk. Without the variables the driver behaves as it always does.
#pragma once

#include <chrono>

namespace xls_odbc {

// XLS_ODBC_INSERT_DELAY_MS: every insert waits that long, so that a test
// can hold an export open for longer than a database lock may last.
std::chrono::milliseconds InsertDelay();

// XLS_ODBC_FAILING_WRITES=N: the first N writes of a workbook in the
// process fail. True when this write is one of them.
bool TakeFailingWrite();

}  // namespace xls_odbc
