#include "xls_odbc/connection_open.h"

#include <cstdlib>

#include "xls_odbc/connection_string.h"
#include "xls_odbc/text_encoding.h"
#include "xls_odbc/wine_path.h"

namespace xls_odbc {
namespace {

// Slows every insert down by this many milliseconds; only tests set it, to
// hold an export open for longer than a database lock may last.
constexpr char kInsertDelayVariable[] = "XLS_ODBC_INSERT_DELAY_MS";

constexpr char kCannotConnect[] = "08001";

bool IsFalse(std::u16string_view value) {
  return value == u"0" || value == u"FALSE" || value == u"false" || value == u"False";
}

std::chrono::milliseconds InsertDelay() {
  const char* text = std::getenv(kInsertDelayVariable);
  return std::chrono::milliseconds(text ? std::strtol(text, nullptr, 10) : 0);
}

SQLRETURN OpenMappedPath(Connection& connection, const std::u16string& windowsPath, const std::string& path) {
  std::optional<xls::WorkbookFile> file;
  switch (xls::WorkbookFile::Open(path, file)) {
    case xls::OpenStatus::kOpened:
      connection.workbook = std::move(file);
      return SQL_SUCCESS;
    case xls::OpenStatus::kMissing:
      return connection.diagnostics.Error(kCannotConnect, u"The workbook does not exist: " + windowsPath);
    case xls::OpenStatus::kUnreadable:
      return connection.diagnostics.Error(kCannotConnect, u"The workbook cannot be opened: " + windowsPath);
    case xls::OpenStatus::kNotWorkbook:
      break;
  }
  return connection.diagnostics.Error(
      kCannotConnect, u"The file is not a spreadsheet workbook (.xls, BIFF8) or it is damaged: " + windowsPath);
}

}  // namespace

SQLRETURN OpenWorkbook(Connection& connection, std::u16string_view connectionString) {
  const auto attributes = xls::ParseConnectionString(connectionString);
  if (!attributes) return connection.diagnostics.Error(kCannotConnect, u"The connection string is malformed");
  const auto dbq = attributes->find(u"DBQ");
  if (dbq == attributes->end() || dbq->second.empty())
    return connection.diagnostics.Error(kCannotConnect, u"The connection string names no workbook (DBQ)");
  const xls::MappedPath mapped = xls::MapWindowsPath(dbq->second, xls::WinePrefixFolder());
  if (mapped.status == xls::PathStatus::kNetworkPath)
    return connection.diagnostics.Error(kCannotConnect, u"Network paths are not supported: " + dbq->second);
  if (mapped.status != xls::PathStatus::kMapped)
    return connection.diagnostics.Error(kCannotConnect,
                                        u"The workbook path needs a drive letter (X:\\...): " + dbq->second);
  const SQLRETURN result = OpenMappedPath(connection, dbq->second, mapped.path);
  if (!SQL_SUCCEEDED(result)) return result;
  const auto readOnly = attributes->find(u"READONLY");
  connection.readOnly = readOnly == attributes->end() || !IsFalse(readOnly->second);
  connection.insertDelay = InsertDelay();
  return SQL_SUCCESS;
}

}  // namespace xls_odbc
