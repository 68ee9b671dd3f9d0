#include "xls_odbc/test_switches.h"

#include <atomic>
#include <cstdlib>

namespace xls_odbc {
namespace {

long NumberFromEnvironment(const char* name) {
  const char* text = std::getenv(name);
  return text ? std::strtol(text, nullptr, 10) : 0;
}

}  // namespace

std::chrono::milliseconds InsertDelay() {
  return std::chrono::milliseconds(NumberFromEnvironment("XLS_ODBC_INSERT_DELAY_MS"));
}

bool TakeFailingWrite() {
  static std::atomic<long> remaining{NumberFromEnvironment("XLS_ODBC_FAILING_WRITES")};
  long left = remaining.load();
  while (left > 0 && !remaining.compare_exchange_weak(left, left - 1)) {
  }
  return left > 0;
}

}  // namespace xls_odbc
