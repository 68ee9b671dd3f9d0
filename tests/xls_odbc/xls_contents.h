// Native tests' view of a workbook through the independent readers.
#pragma once

#include <filesystem>

#include "xls_odbc/xls_listing.h"

// The sheets as xlrd reads them; empty when it fails on the file.
std::map<std::string, SheetContents> ReadWithXlrd(const std::filesystem::path& file);
