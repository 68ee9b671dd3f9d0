#include "xls_odbc/diagnostics.h"

namespace xls_odbc {
namespace {

// Every message names its origin, as the driver manager's messages do.
constexpr std::u16string_view kOrigin = u"[Tarnwick][Spreadsheet Driver]";

}  // namespace

SQLRETURN Diagnostics::Add(const char* state, std::u16string_view message, SQLRETURN result) {
  records_.push_back({state, std::u16string(kOrigin) + std::u16string(message)});
  if (lastReturn_ != SQL_ERROR) lastReturn_ = result;
  return result;
}

}  // namespace xls_odbc
