// The texts of a statement's bound parameters for one execution.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "xls_odbc/odbc_handles.h"

namespace xls_odbc {

// One text per parameter, nothing for a null value. Fails with the
// diagnostic on the statement when a parameter is unbound or its value
// cannot be read.
SQLRETURN ReadParameterValues(Statement& statement, std::vector<std::optional<std::u16string>>& values);

}  // namespace xls_odbc
