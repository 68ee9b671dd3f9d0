// Any bytes as a workbook stream: parsing never reads outside them, and a
// workbook that parses still parses after a row is appended and it is
// written out again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "xls_odbc/workbook.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto workbook = xls::Workbook::Parse({data, size});
  if (!workbook) return 0;
  const auto sheet = workbook->FindSheet(u"Sheet1");
  if (sheet) {
    const xls::CellText cells[] = {u"张三", std::nullopt, u"x"};
    workbook->AppendRow(*sheet, cells);
  }
  const auto written = workbook->Serialize();
  if (!xls::Workbook::Parse(written)) std::abort();
  return 0;
}
