// An exported workbook as the independent readers see it. The tests run
// under Wine; the readers are Linux programs (read_xls.py with xlrd or
// LibreOffice), started through Wine's "start /unix".
#pragma once

#include <map>
#include <string>

#include "xls_odbc/xls_listing.h"

std::map<std::string, SheetContents> ReadExportWithXlrd(const std::wstring& workbook);
// The first sheet as LibreOffice converts it to CSV.
SheetContents ReadExportWithLibreOffice(const std::wstring& workbook);
