// The diagnostic records of one handle: cleared when a call on the handle
// starts, filled when it fails or warns, read by SQLGetDiagRecW and
// SQLGetDiagFieldW.
#pragma once

#include <sql.h>

#include <string>
#include <string_view>
#include <vector>

namespace xls_odbc {

struct Diagnostic {
  std::string state;  // five characters
  std::u16string message;
};

class Diagnostics {
 public:
  // Starts a call: the records of the previous call go.
  void Clear() {
    records_.clear();
    lastReturn_ = SQL_SUCCESS;
  }
  // Adds a record; returns SQL_ERROR, for the caller to return.
  SQLRETURN Error(const char* state, std::u16string_view message) { return Add(state, message, SQL_ERROR); }
  // Adds a warning; returns SQL_SUCCESS_WITH_INFO.
  SQLRETURN Warning(const char* state, std::u16string_view message) {
    return Add(state, message, SQL_SUCCESS_WITH_INFO);
  }
  const std::vector<Diagnostic>& records() const { return records_; }
  SQLRETURN lastReturn() const { return lastReturn_; }

 private:
  SQLRETURN Add(const char* state, std::u16string_view message, SQLRETURN result);

  std::vector<Diagnostic> records_;
  SQLRETURN lastReturn_ = SQL_SUCCESS;
};

}  // namespace xls_odbc
