#include "query_tool/spreadsheet_export.h"

#include <cwchar>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "common/card_database.h"
#include "common/message_box.h"
#include "query_tool/spreadsheet_connection.h"

namespace {

constexpr wchar_t kConnectionFormat[] =
    L"DRIVER={Microsoft Excel Driver (*.xls)};DriverId=790;DBQ=%ls;READONLY=FALSE;";
constexpr int kMessageCapacity = 1024;

// The search's rows, read in full before the first insert, so that the
// source is not held open for as long as the driver takes: the reader
// program must be able to store a read meanwhile.
struct CollectingQuery : QueryContext {
  std::vector<CardRow> rows;
  bool outOfMemory = false;
};

int CollectRow(QueryContext& query, const CardRow& row) {
  auto& collecting = static_cast<CollectingQuery&>(query);
  try {
    collecting.rows.push_back(row);
  } catch (const std::bad_alloc&) {
    collecting.outOfMemory = true;
  }
  return 1;
}

// False when the source could not be read to the end.
bool ReadAllRows(ReadSource& source, QueryContext& query, CardRow& buffer, std::vector<CardRow>& rows) {
  const OpenedSource open(source, kDatabaseBusyTimeoutMs);
  if (!open) return false;
  CollectingQuery collecting{query, {}, false};
  const bool read = source.ReadRows(CollectRow, collecting, buffer);
  query.rowCount = collecting.rowCount;
  rows = std::move(collecting.rows);
  return read && !collecting.outOfMemory;
}

// What went wrong after the file was connected, told in one warning.
struct ExportOutcome {
  int rejectedRows = 0;
  bool readFailed = false;
  bool saveFailed = false;
  std::wstring firstDiagnostic;

  bool Complete() const { return rejectedRows == 0 && !readFailed && !saveFailed; }
};

void InsertRows(SpreadsheetConnection& connection, const std::vector<CardRow>& rows, CardRow& buffer,
                wchar_t* message, ExportOutcome& outcome) {
  for (const CardRow& row : rows) {
    buffer = row;
    if (SQL_SUCCEEDED(SQLExecute(connection.Statement()))) continue;
    if (outcome.rejectedRows++ == 0) {
      connection.FirstDiagnostic(message, kMessageCapacity);
      outcome.firstDiagnostic = message;
    }
  }
}

void ShowOutcome(HWND owner, const ExportOutcome& outcome) {
  std::wstring text = L"导出没有全部完成：";
  if (outcome.rejectedRows > 0)
    text += L"\n有" + std::to_wstring(outcome.rejectedRows) + L"条记录未能写入。";
  if (outcome.readFailed) text += L"\n读取数据库时出错，导出的记录不全。";
  if (outcome.saveFailed) text += L"\n保存导出文件时出错。";
  if (!outcome.firstDiagnostic.empty()) text += L"\n\n" + outcome.firstDiagnostic;
  ShowMessageBox(owner, text.c_str(), L"", MB_OK | MB_ICONWARNING);
}

// Shows the wait cursor until it goes out of scope.
class WaitCursor {
 public:
  WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { SetCursor(previous_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR previous_;
};

}  // namespace

int ExportToSpreadsheet(QueryContext& query, ReadSource& source) {
  wchar_t connectionString[kMessageCapacity];
  if (std::swprintf(connectionString, kMessageCapacity, kConnectionFormat, query.exportPath) < 0) return 1;
  std::unique_ptr<wchar_t[]> message(new (std::nothrow) wchar_t[kMessageCapacity]());
  std::unique_ptr<CardRow> row(new (std::nothrow) CardRow{});
  if (!message || !row) return 1;
  WaitCursor wait;
  ExportOutcome outcome;
  std::vector<CardRow> rows;
  outcome.readFailed = !ReadAllRows(source, query, *row, rows);
  if (!rows.empty() || !outcome.readFailed) {
    SpreadsheetConnection connection;
    if (!connection.Open(connectionString, query.target, message.get(), kMessageCapacity, *row,
                         source.HasStations())) {
      connection.FirstDiagnostic(message.get(), kMessageCapacity);
      ShowMessageBox(query.target, message.get(), L"", MB_OK | MB_ICONERROR);
      return 1;
    }
    query.statement = connection.Statement();
    InsertRows(connection, rows, *row, message.get(), outcome);
    query.statement = SQL_NULL_HSTMT;
    outcome.saveFailed = !connection.Close(message.get(), kMessageCapacity);
    if (outcome.saveFailed && outcome.firstDiagnostic.empty()) outcome.firstDiagnostic = message.get();
  }
  if (!outcome.Complete()) ShowOutcome(query.target, outcome);
  return 1;
}
