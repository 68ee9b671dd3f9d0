#include "xls_odbc/connection_open.h"

#include "xls_odbc/connection_string.h"
#include "xls_odbc/test_switches.h"
#include "xls_odbc/text_encoding.h"
#include "xls_odbc/wine_path.h"

namespace xls_odbc {
namespace {

constexpr char kCannotConnect[] = "08001";

bool IsFalse(std::u16string_view value) {
  return value == u"0" || value == u"FALSE" || value == u"false" || value == u"False";
}

SQLRETURN OpenMappedPath(Connection& connection, const std::u16string& windowsPath, const std::string& path) {
  std::optional<xls::WorkbookFile> file;
  const auto mode = connection.readOnly ? xls::Access::kRead : xls::Access::kWrite;
  switch (xls::WorkbookFile::Open(path, mode, file)) {
    case xls::OpenStatus::kOpened:
      connection.workbook = std::move(file);
      return SQL_SUCCESS;
    case xls::OpenStatus::kMissing:
      return connection.diagnostics.Error(kCannotConnect, u"The workbook does not exist: " + windowsPath);
    case xls::OpenStatus::kUnreadable:
      return connection.diagnostics.Error(kCannotConnect, u"The workbook cannot be opened: " + windowsPath);
    case xls::OpenStatus::kInUse:
      return connection.diagnostics.Error(kCannotConnect,
                                          u"The workbook is open for writing by another connection: " + windowsPath);
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
  switch (mapped.status) {
    case xls::PathStatus::kMapped:
      break;
    case xls::PathStatus::kNetworkPath:
      return connection.diagnostics.Error(kCannotConnect, u"Network paths are not supported: " + dbq->second);
    case xls::PathStatus::kLeavesDrive:
      return connection.diagnostics.Error(kCannotConnect, u"The workbook path leaves its drive: " + dbq->second);
    case xls::PathStatus::kNotAbsolute:
      return connection.diagnostics.Error(kCannotConnect,
                                          u"The workbook path needs a drive letter (X:\\...): " + dbq->second);
  }
  const auto readOnly = attributes->find(u"READONLY");
  connection.readOnly = readOnly == attributes->end() || !IsFalse(readOnly->second);
  const SQLRETURN result = OpenMappedPath(connection, dbq->second, mapped.path);
  if (!SQL_SUCCEEDED(result)) return result;
  connection.insertDelay = InsertDelay();
  return SQL_SUCCESS;
}

}  // namespace xls_odbc
