// The export command of the query window, through Wine's ODBC layer and
// unixODBC into our spreadsheet driver, with the file read back by
// independent readers.
#include <windows.h>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <iterator>
#include <thread>
#include <vector>

#include "common/card_database.h"
#include "common/database_handles.h"
#include "common/message_box.h"
#include "export_reader.h"
#include "query_tool/card_query.h"
#include "query_tool/resource_ids.h"
#include "query_tool/save_file_dialog.h"
#include "query_window_fixture.h"
#include "reader_app/window_fixture.h"

namespace {

constexpr wchar_t kTooManyRows[] = L"导出记录超过65535条，请缩小查询范围。";
constexpr wchar_t kFileExists[] = L"文件已存在，没有导出任何记录。请选择一个新的文件名。";
constexpr wchar_t kNoTemplate[] = L"找不到导出模板文件template，没有导出任何记录。";
constexpr wchar_t kBadPathCharacters[] = L"文件路径中不能含有“;”或“}”，没有导出任何记录。";
// A long address (32 characters).
constexpr wchar_t kLongAddress[] = L"临河市清溪区望山路十八号临河市清溪区望山路十八号临河市清溪区望山";
constexpr wchar_t kIncomplete[] = L"导出没有全部完成：";

std::string Utf8(const wchar_t* text) {
  std::string out(std::wcslen(text) * 3, '\0');
  out.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(),
                                                          static_cast<int>(out.size()) + 1, nullptr, nullptr) - 1));
  return out;
}

// The ten exported cells of a row, in the list's column order.
std::vector<std::string> ExportedCells(const CardRow& row) {
  return {Utf8(row.name),      Utf8(row.sex),       Utf8(row.nation),       Utf8(row.birthText),
          Utf8(row.address),   Utf8(row.idNumber),  Utf8(row.authority),    Utf8(row.validityText),
          Utf8(row.readTimeText), Utf8(row.newAddress)};
}

// Every stored read of 2024 as the database hands them out.
std::vector<std::vector<std::string>> DatabaseRows() {
  static std::vector<std::vector<std::string>>* collected;
  std::vector<std::vector<std::string>> rows;
  collected = &rows;
  QueryContext query{};
  query.mode = kQueryAllRows;
  query.timeFrom = FileTimeTicks(At(2024, 1, 1));
  query.timeTo = FileTimeTicks(At(2024, 12, 31, 23, 59, 59));
  wcscpy_s(query.namePattern, L"%");
  wcscpy_s(query.numberPattern, L"%");
  wcscpy_s(query.sexPattern, L"%");
  Database db;
  CardRow buffer{};
  if (OpenCardDatabase(db) == 0)
    ReadCardRows(db.get(), [](QueryContext&, const CardRow& row) {
      collected->push_back(ExportedCells(row));
      return 1;
    }, query, buffer);
  return rows;
}

bool EnvironmentHas(const wchar_t* name) { return GetEnvironmentVariableW(name, nullptr, 0) > 0; }

// Puts another workbook in the template's place in the program folder for
// the life of the object.
class ScopedTemplate {
 public:
  explicit ScopedTemplate(const std::wstring& replacement) {
    MoveFileW(path_.c_str(), kept_.c_str());
    CopyFileW(replacement.c_str(), path_.c_str(), FALSE);
  }
  ~ScopedTemplate() { MoveFileExW(kept_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING); }
  ScopedTemplate(const ScopedTemplate&) = delete;
  ScopedTemplate& operator=(const ScopedTemplate&) = delete;

 private:
  std::wstring path_ = TestProgramFolder() + L"template";
  std::wstring kept_ = path_ + L".kept";
};

int SingleNumber(sqlite3* db, const char* sql) {
  sqlite3_stmt* statement = nullptr;
  int number = 0;
  if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW)
    number = sqlite3_column_int(statement, 0);
  sqlite3_finalize(statement);
  return number;
}

// Blanks the page of the table cardinfo that holds its last rows: a read of
// the table then stops there, the database reported damaged.
void DamageLastRowsPage(const std::wstring& databasePath) {
  Database db;
  ASSERT_EQ(OpenCardDatabase(db), SQLITE_OK);
  const int root = SingleNumber(db.get(), "select rootpage from sqlite_master where name = 'cardinfo';");
  const int pageSize = SingleNumber(db.get(), "pragma page_size;");
  db.reset();
  std::string file = ReadWholeFile(databasePath);
  ASSERT_GT(root, 1);
  ASSERT_GE(file.size(), static_cast<std::size_t>(root) * pageSize);
  const auto* page = reinterpret_cast<const std::uint8_t*>(file.data()) + static_cast<std::size_t>(root - 1) * pageSize;
  ASSERT_EQ(page[0], 0x05) << "the table fills a single page";
  // An interior page names its right-most child, big-endian, at offset 8.
  const std::size_t last = static_cast<std::size_t>(page[8]) << 24 | page[9] << 16 | page[10] << 8 | page[11];
  ASSERT_GE(file.size(), last * pageSize);
  std::fill_n(file.begin() + (last - 1) * pageSize, pageSize, '\0');
  WriteFileBytes(databasePath, std::vector<std::uint8_t>(file.begin(), file.end()));
}

class ExportTest : public testing::Test {
 protected:
  void SetUp() override {
    SetMessageBoxHandler([this](HWND, const wchar_t* text, const wchar_t*, UINT type) {
      messages_.push_back(text);
      types_.push_back(type);
      return IDOK;
    });
    // The dialog answers with chosen_; the overwrite prompt counts as confirmed.
    SetSaveFileDialogHandler([this](OPENFILENAMEW& dialog) {
      ++dialogs_;
      EXPECT_STREQ(dialog.lpstrDefExt, L"xls");
      EXPECT_EQ(dialog.nMaxFile, 260u);
      EXPECT_EQ(dialog.Flags, static_cast<DWORD>(OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST));
      if (chosen_.empty()) return FALSE;
      wcscpy_s(dialog.lpstrFile, dialog.nMaxFile, chosen_.c_str());
      return TRUE;
    });
  }
  void TearDown() override {
    SetMessageBoxHandler({});
    SetSaveFileDialogHandler({});
  }

  // Stores count reads of 2024 in one statement: numbered names and
  // numbers, both sexes, long addresses, "长期" validity on every
  // third, a newest address on every odd one.
  void StoreReads(int count) {
    const std::string sql =
        "with recursive n(i) as (select 0 union all select i + 1 from n where i < " + std::to_string(count - 1) +
        ") insert into cardinfo select '读者' || i, case i % 2 when 0 then '男' else '女' end, '汉', '19900101', '" +
        Utf8(kLongAddress) + "', printf('1101011990%08d', i), '临河市公安局清溪分局', '20100507', " +
        "case i % 3 when 0 then '长期' else '20300507' end, " + std::to_string(FileTimeTicks(At(2024, 1, 1))) +
        " + i * 10000000, case i % 2 when 0 then '' else '清溪区新址' || i end, 0 from n;";
    ASSERT_TRUE(database_.Execute(sql));
  }

  void Export(HWND window) { ClickButton(window, IDC_EXPORT); }
  ModalOutcome Run(const DialogSteps& steps) { return RunModal(window_, steps); }

  // The whole export checked against the database by xlrd.
  void ExpectExportedDatabaseRows() {
    const auto rows = DatabaseRows();
    const auto sheets = ReadExportWithXlrd(chosen_);
    ASSERT_EQ(1u, sheets.count("Sheet1"));
    const SheetContents& sheet = sheets.at("Sheet1");
    EXPECT_EQ("1111111111", sheet.headerBold);
    ASSERT_EQ(rows.size() + 1, sheet.rows.size());
    EXPECT_EQ("姓名", sheet.rows[0][0]);
    for (std::size_t i = 0; i < rows.size(); ++i) ASSERT_EQ(rows[i], sheet.rows[i + 1]) << "row " << i + 1;
  }

  QueryDatabase database_;
  CPelloryDlg window_;
  ScopedTempFolder exports_;
  std::wstring chosen_ = exports_ / L"导出.xls";
  std::vector<std::wstring> messages_;
  std::vector<UINT> types_;
  int dialogs_ = 0;
};

TEST_F(ExportTest, DoesNothingBeforeAQueryAndExportsEveryHitWhateverPageAndOrder) {
  StoreReads(120);
  Run([&](HWND window) {
    Export(window);
    EXPECT_EQ(0, dialogs_);
    QueryYear(window, 2024);
    ClickSpinArrow(window, true);
    NMLISTVIEW click{};
    click.hdr = {GetDlgItem(window, IDC_RESULT_LIST), IDC_RESULT_LIST, LVN_COLUMNCLICK};
    click.iItem = -1;
    click.iSubItem = 5;
    SendMessageW(window, WM_NOTIFY, IDC_RESULT_LIST, reinterpret_cast<LPARAM>(&click));
    Export(window);
  });
  EXPECT_EQ(1, dialogs_);
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(nullptr, window_.m_query.exportPath);
  ExpectExportedDatabaseRows();
}

TEST_F(ExportTest, ExportsTheRowLimitAndRefusesOneMore) {
  StoreReads(65536);
  Run([&](HWND window) {
    QueryYear(window, 2024);
    Export(window);
    EXPECT_EQ(0, dialogs_);
    ASSERT_EQ(std::vector<std::wstring>{kTooManyRows}, messages_);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONWARNING), types_[0]);
    EXPECT_FALSE(FileExists(chosen_));
    ASSERT_TRUE(database_.Execute("delete from cardinfo where cardid = '110101199000065535';"));
    QueryYear(window, 2024);
    Export(window);
  });
  EXPECT_EQ(1, dialogs_);
  EXPECT_EQ(1u, messages_.size());
  // Every cell of the largest export as LibreOffice reads it.
  const auto rows = DatabaseRows();
  ASSERT_EQ(65535u, rows.size());
  const SheetContents sheet = ReadExportWithLibreOffice(chosen_);
  ASSERT_EQ(65536u, sheet.rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) ASSERT_EQ(rows[i], sheet.rows[i + 1]) << "row " << i + 1;
}

TEST_F(ExportTest, RefusedTargetsAreLeftAsTheyWereAndTheUserIsTold) {
  StoreReads(3);
  // An earlier export under the chosen name, from a fixed time.
  const std::string earlier = "an earlier export";
  HANDLE file = CreateFileW(chosen_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  DWORD written = 0;
  WriteFile(file, earlier.data(), static_cast<DWORD>(earlier.size()), &written, nullptr);
  const FILETIME fixed{0x12345600, 0x01D5A000};
  SetFileTime(file, nullptr, nullptr, &fixed);
  CloseHandle(file);
  const std::wstring semicolon = exports_ / L"a;b.xls";
  const std::wstring templatePath = TestProgramFolder() + L"template";
  const std::wstring hidden = templatePath + L".hidden";

  Run([&](HWND window) {
    QueryYear(window, 2024);
    Export(window);
    chosen_ = semicolon;
    Export(window);
    chosen_ = exports_ / L"new.xls";
    ASSERT_TRUE(MoveFileW(templatePath.c_str(), hidden.c_str()));
    Export(window);
    MoveFileW(hidden.c_str(), templatePath.c_str());
  });
  EXPECT_EQ((std::vector<std::wstring>{kFileExists, kBadPathCharacters, kNoTemplate}), messages_);
  EXPECT_EQ(earlier, ReadWholeFile(exports_ / L"导出.xls"));
  file = CreateFileW((exports_ / L"导出.xls").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  FILETIME modified{};
  GetFileTime(file, nullptr, nullptr, &modified);
  CloseHandle(file);
  EXPECT_EQ(0, CompareFileTime(&fixed, &modified));
  EXPECT_FALSE(FileExists(semicolon));
  EXPECT_FALSE(FileExists(chosen_));
}

TEST_F(ExportTest, FieldsOfFullLengthReachTheFileWhole) {
  // Every field at the longest a card holds.
  constexpr wchar_t kName[] = L"买买提明·阿卜杜热合曼·艾山江";
  constexpr wchar_t kNation[] = L"外国血统中国籍人士";
  constexpr wchar_t kAddress[] = L"新疆维吾尔自治区伊犁哈萨克自治州察布查尔锡伯自治县爱新舍里镇一村十二号";
  constexpr wchar_t kAuthority[] = L"察布查尔县公安局爱新舍里派出所";
  constexpr wchar_t kNewAddress[] = L"新疆维吾尔自治区伊犁哈萨克自治州察布查尔锡伯自治县孙扎齐牛录镇三村五号";
  static_assert(std::size(kName) == 16 && std::size(kNation) == 10 && std::size(kAddress) == 36 &&
                std::size(kAuthority) == 16 && std::size(kNewAddress) == 36);
  ASSERT_TRUE(database_.Execute("insert into cardinfo values ('" + Utf8(kName) + "', '女', '" + Utf8(kNation) +
                                "', '19851231', '" + Utf8(kAddress) + "', '65402219851231002X', '" +
                                Utf8(kAuthority) + "', '20150601', '20350601', " +
                                std::to_string(FileTimeTicks(At(2024, 11, 30, 23, 58, 59))) + ", '" +
                                Utf8(kNewAddress) + "', 0);"));
  Run([&](HWND window) {
    QueryYear(window, 2024);
    Export(window);
  });
  EXPECT_TRUE(messages_.empty());
  const SheetContents sheet = ReadExportWithXlrd(chosen_).at("Sheet1");
  ASSERT_EQ(2u, sheet.rows.size());
  EXPECT_EQ((std::vector<std::string>{Utf8(kName), "女", Utf8(kNation), "1985年12月31日", Utf8(kAddress),
                                      "65402219851231002X", Utf8(kAuthority), "2015.06.01-2035.06.01",
                                      "2024-11-30 23:58:59", Utf8(kNewAddress)}),
            sheet.rows[1]);
}

TEST_F(ExportTest, RowsTheDriverRefusesAreCountedInAWarningAndTheOthersWritten) {
  StoreReads(5);
  const ScopedTemplate nearlyFull(TestProgramFolder() + L"nearly-full.xls");
  Run([&](HWND window) {
    QueryYear(window, 2024);
    Export(window);
  });
  ASSERT_EQ(1u, messages_.size());
  EXPECT_EQ(std::wstring(kIncomplete) +
                L"\n有3条记录未能写入。\n\n[Tarnwick][Spreadsheet Driver]The sheet is full: a sheet holds at most "
                L"65536 rows",
            messages_[0]);
  EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONWARNING), types_[0]);
  // The sheet's last two rows take the first two hits.
  const auto rows = DatabaseRows();
  const SheetContents sheet = ReadExportWithXlrd(chosen_).at("Sheet1");
  ASSERT_EQ(65536u, sheet.rows.size());
  EXPECT_EQ(rows[0], sheet.rows[65534]);
  EXPECT_EQ(rows[1], sheet.rows[65535]);
}

TEST_F(ExportTest, AReadingErrorIsToldAndTheRowsReadBeforeItAreWritten) {
  StoreReads(200);
  const auto rows = DatabaseRows();
  Run([&](HWND window) {
    QueryYear(window, 2024);
    DamageLastRowsPage(database_.DatabasePath());
    Export(window);
  });
  EXPECT_EQ(std::vector<std::wstring>{std::wstring(kIncomplete) + L"\n读取数据库时出错，导出的记录不全。"}, messages_);
  EXPECT_EQ(std::vector<UINT>{MB_OK | MB_ICONWARNING}, types_);
  const SheetContents sheet = ReadExportWithXlrd(chosen_).at("Sheet1");
  ASSERT_GT(sheet.rows.size(), 1u);
  ASSERT_LT(sheet.rows.size(), rows.size() + 1);
  for (std::size_t i = 1; i < sheet.rows.size(); ++i) ASSERT_EQ(rows[i - 1], sheet.rows[i]) << "row " << i;
}

// Run by its own test entry, whose driver fails its first three writes.
TEST_F(ExportTest, AFailedWriteIsToldAndASecondDisconnectWritesAgain) {
  if (!EnvironmentHas(L"XLS_ODBC_FAILING_WRITES")) GTEST_SKIP() << "needs the driver's failing writes";
  StoreReads(3);
  const std::wstring first = chosen_;
  Run([&](HWND window) {
    QueryYear(window, 2024);
    // Both writes of this export fail; the second of the next succeeds.
    Export(window);
    chosen_ = exports_ / L"第二次.xls";
    Export(window);
  });
  ASSERT_EQ(1u, messages_.size());
  EXPECT_TRUE(messages_[0].starts_with(std::wstring(kIncomplete) +
                                       L"\n保存导出文件时出错。\n\n[Tarnwick][Spreadsheet Driver]The workbook could "
                                       L"not be written, it is left as it was: "))
      << testing::PrintToString(messages_[0]);
  EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONWARNING), types_[0]);
  EXPECT_EQ(ReadWholeFile(TestProgramFolder() + L"template"), ReadWholeFile(first));
  ExpectExportedDatabaseRows();
}

// Run by its own test entry, whose unixODBC knows no drivers.
TEST_F(ExportTest, UnregisteredDriverShowsTheDriverManagersMessageAndKeepsTheCopy) {
  if (!EnvironmentHas(L"EXPORT_TEST_WITHOUT_DRIVERS")) GTEST_SKIP() << "needs a driver manager without drivers";
  StoreReads(3);
  Run([&](HWND window) {
    QueryYear(window, 2024);
    Export(window);
  });
  ASSERT_EQ(1u, messages_.size());
  EXPECT_EQ(L"[unixODBC][Driver Manager]Can't open lib 'Microsoft Excel Driver (*.xls)' : file not found", messages_[0]);
  EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), types_[0]);
  EXPECT_EQ(ReadWholeFile(TestProgramFolder() + L"template"), ReadWholeFile(chosen_));
}

// Run by its own test entry, whose driver takes its time over each row.
TEST_F(ExportTest, ReadsCanBeStoredWhileALongExportRuns) {
  if (!EnvironmentHas(L"XLS_ODBC_INSERT_DELAY_MS")) GTEST_SKIP() << "needs the driver's insert delay";
  // Longer than a store waits for the database.
  StoreReads(100);
  std::atomic<int> stored{-1};
  std::thread store([&] {
    while (!FileExists(chosen_)) Sleep(20);
    Sleep(500);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    stored = StoreCardRead(NumberedCard(7777), now);
  });
  Run([&](HWND window) {
    QueryYear(window, 2024);
    Export(window);
  });
  store.join();
  EXPECT_EQ(0, stored.load());
  EXPECT_TRUE(messages_.empty());
  ExpectExportedDatabaseRows();
}

}  // namespace
