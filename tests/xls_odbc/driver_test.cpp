// The driver as a program sees it through the unixODBC driver manager,
// with the file checked by an independent reader.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <fstream>

#include "xls_odbc/driver_fixture.h"
#include "xls_odbc/odbc_session.h"
#include "xls_odbc/text_encoding.h"
#include "xls_odbc/xls_contents.h"

namespace {

const std::u16string kInsert = u"insert into [Sheet1$] values (?,?,?,?,?,?,?,?,?,?);";
const std::vector<std::string> kHeader = {"姓名", "性别", "民族", "生日", "地址",
                                          "身份证号码", "签发机构", "有效时间", "验卡时间", "最新地址"};

// Rows as the query tool sends them: full-width addresses of 35
// characters, "长期", an empty newest address, a character outside the
// basic plane, and text of one-byte characters only.
const std::vector<std::vector<std::string>> kRows = {
    {"张三", "男", "汉", "1980年01月02日", "某某省某某市某某区某某街道某某路一二三号某某小区四五六栋七单元八号楼",
     "11010119800102123X", "某某市公安局某某分局", "2005.01.01-2025.01.01", "2026-12-08 10:00:00",
     "某某省某某市某某区新街道九号"},
    {"李四", "女", "回", "1960年12月31日", "某某县某某镇", "110101196012310021", "某某县公安局", "2010.05.05-长期",
     "2026-12-08 10:00:01", ""},
    {"𠀀王", "男", "汉", "1999年09月09日", "X", "1", "A", "B", "C", "D"},
};

// Files of the process may not grow beyond a size while the object lives.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(std::size_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &original_);
    rlimit limited = original_;
    limited.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &original_); }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit original_{};
};

void Bind(OdbcSession& session, const std::vector<std::string>& row, std::vector<std::u16string>& texts) {
  texts.clear();
  for (const std::string& cell : row) texts.push_back(Utf16(cell));
  for (std::size_t i = 0; i < texts.size(); ++i) session.SetParameter(i, texts[i].c_str());
}

class DriverTest : public DriverFixture {
 protected:
  // Connects to the workbook as the export does, with a path written in
  // another case than the file's.
  SQLRETURN Connect(OdbcSession& session, bool writable = true) {
    auto path = WindowsPath(workbook_);
    path.replace(path.size() - 10, 10, u"EXPORT.XLS");
    return session.Connect(ExportConnectionString(path, writable));
  }

  void InsertRows(OdbcSession& session, const std::vector<std::vector<std::string>>& rows) {
    ASSERT_EQ(SQL_SUCCESS, session.Prepare(kInsert, 10)) << xls::ToUtf8(session.FirstDiagnostic(SQL_HANDLE_STMT));
    std::vector<std::u16string> texts;
    for (const auto& row : rows) {
      Bind(session, row, texts);
      ASSERT_EQ(SQL_SUCCESS, session.Execute()) << xls::ToUtf8(session.FirstDiagnostic(SQL_HANDLE_STMT));
    }
  }
};

TEST_F(DriverTest, AppendsRowsBelowTheHeaderKeepingItsFormat) {
  OdbcSession session;
  ASSERT_EQ(SQL_SUCCESS, Connect(session)) << xls::ToUtf8(session.FirstDiagnostic(SQL_HANDLE_DBC));
  InsertRows(session, kRows);
  ASSERT_EQ(SQL_SUCCESS, session.Disconnect());

  const auto sheets = ReadWithXlrd(workbook_);
  ASSERT_EQ(1u, sheets.count("Sheet1"));
  const SheetContents& sheet = sheets.at("Sheet1");
  EXPECT_EQ("1111111111", sheet.headerBold);
  ASSERT_EQ(kRows.size() + 1, sheet.rows.size());
  EXPECT_EQ(kHeader, sheet.rows[0]);
  for (std::size_t i = 0; i < kRows.size(); ++i) EXPECT_EQ(kRows[i], sheet.rows[i + 1]) << "row " << i + 1;
  EXPECT_TRUE(OtherFiles().empty());

  // A second connection appends after the rows of the first.
  OdbcSession again;
  ASSERT_EQ(SQL_SUCCESS, Connect(again));
  InsertRows(again, {kRows[0]});
  ASSERT_EQ(SQL_SUCCESS, again.Disconnect());
  EXPECT_EQ(kRows.size() + 2, ReadWithXlrd(workbook_).at("Sheet1").rows.size());
}

TEST_F(DriverTest, RefusesOtherStatementsAndUnknownSheetsWithTheirState) {
  const auto before = FileBytes(workbook_);
  OdbcSession session;
  ASSERT_EQ(SQL_SUCCESS, Connect(session));
  EXPECT_EQ(SQL_ERROR, session.Prepare(u"select * from [Sheet1$]", 0));
  EXPECT_EQ(u"42000 [Tarnwick][Spreadsheet Driver]Only \"insert into [Sheet$] values (?,...)\" is supported: "
            u"select * from [Sheet1$]",
            session.FirstDiagnostic(SQL_HANDLE_STMT));
  ASSERT_EQ(SQL_SUCCESS, session.Disconnect());
  OdbcSession other;
  ASSERT_EQ(SQL_SUCCESS, Connect(other));
  EXPECT_EQ(SQL_ERROR, other.Prepare(u"insert into [Sheet2$] values (?)", 1));
  EXPECT_EQ(u"42S02 [Tarnwick][Spreadsheet Driver]The workbook has no sheet Sheet2",
            other.FirstDiagnostic(SQL_HANDLE_STMT));
  ASSERT_EQ(SQL_SUCCESS, other.Disconnect());
  EXPECT_EQ(before, FileBytes(workbook_));
}

TEST_F(DriverTest, ReadOnlyConnectionRefusesInserts) {
  OdbcSession session;
  ASSERT_EQ(SQL_SUCCESS, Connect(session, false));
  EXPECT_EQ(SQL_ERROR, session.Prepare(kInsert, 10));
  EXPECT_NE(std::u16string::npos, session.FirstDiagnostic(SQL_HANDLE_STMT).find(u"READONLY=FALSE"));
}

TEST_F(DriverTest, RefusesMissingDamagedAndNetworkWorkbooks) {
  const auto damaged = workbook_.parent_path() / "damaged.xls";
  auto bytes = FileBytes(workbook_);
  bytes.resize(bytes.size() / 2);
  std::ofstream(damaged, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  const struct {
    std::u16string path;
    std::u16string message;
  } cases[] = {
      {WindowsPath(workbook_.parent_path() / "missing.xls"), u"The workbook does not exist"},
      {WindowsPath(damaged), u"is not a spreadsheet workbook"},
      {WindowsPath(TEMPLATE_SCRIPT), u"is not a spreadsheet workbook"},
      {u"\\\\server\\share\\export.xls", u"Network paths are not supported"},
  };
  for (const auto& test : cases) {
    OdbcSession session;
    EXPECT_EQ(SQL_ERROR, session.Connect(ExportConnectionString(test.path)));
    const std::u16string diagnostic = session.FirstDiagnostic(SQL_HANDLE_DBC);
    EXPECT_TRUE(diagnostic.starts_with(u"08001")) << xls::ToUtf8(diagnostic);
    EXPECT_NE(std::u16string::npos, diagnostic.find(test.message)) << xls::ToUtf8(diagnostic);
  }
}

TEST_F(DriverTest, FailedWriteAtDisconnectKeepsFileAndConnectionAndIsTriedAgain) {
  const auto before = FileBytes(workbook_);
  OdbcSession session;
  ASSERT_EQ(SQL_SUCCESS, Connect(session));
  InsertRows(session, std::vector(200, kRows[0]));
  {
    // No file may grow beyond the template's size: the new workbook cannot be written.
    const FileSizeLimit limit(before.size());
    for (int attempt = 1; attempt <= 2; ++attempt) {
      SCOPED_TRACE(attempt);
      EXPECT_EQ(SQL_ERROR, session.Disconnect());
      EXPECT_TRUE(session.FirstDiagnostic(SQL_HANDLE_DBC)
                      .starts_with(u"HY000 [Tarnwick][Spreadsheet Driver]The workbook could not be written"))
          << xls::ToUtf8(session.FirstDiagnostic(SQL_HANDLE_DBC));
      EXPECT_EQ(before, FileBytes(workbook_));
      EXPECT_TRUE(OtherFiles().empty());
    }
  }
  // Still connected: it takes another row, and the next disconnect writes them all.
  InsertRows(session, {kRows[1]});
  ASSERT_EQ(SQL_SUCCESS, session.Disconnect());
  const SheetContents sheet = ReadWithXlrd(workbook_).at("Sheet1");
  ASSERT_EQ(202u, sheet.rows.size());
  EXPECT_EQ(kRows[0], sheet.rows[200]);
  EXPECT_EQ(kRows[1], sheet.rows[201]);
}

TEST_F(DriverTest, OneConnectionAtATimeWritesAWorkbookAndReadersAreNeverRefused) {
  OdbcSession first;
  ASSERT_EQ(SQL_SUCCESS, Connect(first));
  OdbcSession second;
  EXPECT_EQ(SQL_ERROR, Connect(second));
  const std::u16string refusal = second.FirstDiagnostic(SQL_HANDLE_DBC);
  EXPECT_TRUE(refusal.starts_with(u"08001 [Tarnwick][Spreadsheet Driver]The workbook is open for writing by another "
                                  u"connection: "))
      << xls::ToUtf8(refusal);
  OdbcSession reader;
  EXPECT_EQ(SQL_SUCCESS, Connect(reader, false));
  InsertRows(first, {kRows[0]});
  ASSERT_EQ(SQL_SUCCESS, first.Disconnect());
  // Once the first has written its rows, the second appends below them.
  ASSERT_EQ(SQL_SUCCESS, Connect(second)) << xls::ToUtf8(second.FirstDiagnostic(SQL_HANDLE_DBC));
  InsertRows(second, {kRows[1]});
  ASSERT_EQ(SQL_SUCCESS, second.Disconnect());
  const SheetContents sheet = ReadWithXlrd(workbook_).at("Sheet1");
  ASSERT_EQ(3u, sheet.rows.size());
  EXPECT_EQ(kRows[0], sheet.rows[1]);
  EXPECT_EQ(kRows[1], sheet.rows[2]);
}

TEST_F(DriverTest, DotDotStepsAreTakenByNameAndNeverLeaveTheDrive) {
  // Drive C: is a folder beside the workbook's folder.
  const auto driveC = scratch_.Path() / "drive_c";
  std::filesystem::create_directory(driveC);
  std::filesystem::create_directory_symlink(driveC, scratch_.Path() / "prefix" / "dosdevices" / "c:");
  std::filesystem::copy_file(workbook_, driveC / "Inside.xls");
  for (const std::u16string path : {u"C:\\..\\导出\\Export.xls", u"C:\\a\\..\\..\\导出\\Export.xls"}) {
    OdbcSession session;
    EXPECT_EQ(SQL_ERROR, session.Connect(ExportConnectionString(path))) << xls::ToUtf8(path);
    EXPECT_EQ(u"08001 [Tarnwick][Spreadsheet Driver]The workbook path leaves its drive: " + path,
              session.FirstDiagnostic(SQL_HANDLE_DBC));
  }
  // As on Windows, a step back within the drive needs no folder to step out of.
  OdbcSession within;
  EXPECT_EQ(SQL_SUCCESS, within.Connect(ExportConnectionString(u"C:\\missing\\.\\..\\Inside.xls")))
      << xls::ToUtf8(within.FirstDiagnostic(SQL_HANDLE_DBC));
}

TEST_F(DriverTest, FullSheetRefusesTheNextRowAndKeepsTheOthers) {
  OdbcSession session;
  ASSERT_EQ(SQL_SUCCESS, Connect(session));
  InsertRows(session, std::vector(65535, kRows[0]));
  std::vector<std::u16string> texts;
  Bind(session, kRows[1], texts);
  EXPECT_EQ(SQL_ERROR, session.Execute());
  EXPECT_EQ(u"HY000 [Tarnwick][Spreadsheet Driver]The sheet is full: a sheet holds at most 65536 rows",
            session.FirstDiagnostic(SQL_HANDLE_STMT));
  ASSERT_EQ(SQL_SUCCESS, session.Disconnect());
  const SheetContents sheet = ReadWithXlrd(workbook_).at("Sheet1");
  ASSERT_EQ(65536u, sheet.rows.size());
  EXPECT_EQ(kRows[0], sheet.rows[65535]);
}

}  // namespace
