// The spreadsheet driver's own insert rate through the unixODBC driver
// manager: 65,535 rows of ten texts appended to a copy of the template,
// then the disconnect that writes the workbook.
//
//   xls-odbc-bench TEMPLATE   (with ODBCSYSINI naming the driver's registration)
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRows = 65535;
constexpr std::size_t kColumns = 10;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s TEMPLATE\n", argv[0]);
    return 2;
  }
  // A prefix of its own whose drive Z: is the host's root, as under Wine.
  std::string pattern = (fs::temp_directory_path() / "xls-odbc-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return 1;
  const fs::path folder = pattern;
  fs::create_directories(folder / "dosdevices");
  fs::create_directory_symlink("/", folder / "dosdevices" / "z:");
  setenv("WINEPREFIX", folder.c_str(), 1);
  const fs::path workbook = folder / "export.xls";
  fs::copy_file(argv[1], workbook);
  std::u16string path = u"Z:";
  for (char c : workbook.string()) path.push_back(c == '/' ? u'\\' : static_cast<char16_t>(c));
  const std::u16string connection =
      u"DRIVER={Microsoft Excel Driver (*.xls)};DBQ=" + path + u";READONLY=FALSE;";

  SQLHENV env;
  SQLHDBC dbc;
  SQLHSTMT statement;
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
  bool ok = SQL_SUCCEEDED(SQLDriverConnectW(dbc, nullptr, (SQLWCHAR*)connection.c_str(), SQL_NTS, nullptr, 0,
                                            nullptr, SQL_DRIVER_NOPROMPT));
  ok = ok && SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &statement));
  const std::u16string insert = u"insert into [Sheet1$] values (?,?,?,?,?,?,?,?,?,?);";
  ok = ok && SQL_SUCCEEDED(SQLPrepareW(statement, (SQLWCHAR*)insert.c_str(), SQL_NTS));
  const std::u16string cells[kColumns] = {u"韩川", u"男", u"汉", u"1980年05月07日",
                                          u"南湖省青石市江滨路一百号南湖省青石市江滨路一百号南湖省青石市江滨路",
                                          u"440100000000012345", u"青石市公安局江滨分局", u"2010.01.01-2030.01.01",
                                          u"2024-01-01 12:00:00", u"青石市江滨路二号"};
  SQLLEN indicators[kColumns];
  for (std::size_t i = 0; ok && i < kColumns; ++i) {
    indicators[i] = SQL_NTS;
    ok = SQL_SUCCEEDED(SQLBindParameter(statement, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT, SQL_C_WCHAR,
                                        SQL_WVARCHAR, 35, 0, (SQLPOINTER)cells[i].c_str(), 72, &indicators[i]));
  }
  const auto inserting = Clock::now();
  for (int row = 0; ok && row < kRows; ++row) ok = SQL_SUCCEEDED(SQLExecute(statement));
  const double insertMs = MsSince(inserting);
  SQLFreeHandle(SQL_HANDLE_STMT, statement);
  const auto writing = Clock::now();
  ok = SQL_SUCCEEDED(SQLDisconnect(dbc)) && ok;
  const double writeMs = MsSince(writing);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  SQLFreeHandle(SQL_HANDLE_ENV, env);
  if (ok) {
    std::printf("%d inserts: %.0f ms (%.0f rows/s); writing %.1f MB at disconnect: %.0f ms\n", kRows, insertMs,
                kRows / insertMs * 1000, static_cast<double>(fs::file_size(workbook)) / 1e6, writeMs);
  } else {
    std::printf("the driver failed\n");
  }
  fs::remove_all(folder);
  return ok ? 0 : 1;
}
