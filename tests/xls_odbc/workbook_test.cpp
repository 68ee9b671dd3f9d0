// Appending to workbooks of other shapes than the template: a stream small
// enough for the mini-stream, a sheet after the one that grows, a shared
// string table in CONTINUE records, and a template saved by a spreadsheet
// program with its row and index records. Read back by xlrd.
#include <gtest/gtest.h>

#include <fstream>

#include "emulator/scratch_folder.h"
#include "xls_odbc/compound_file.h"
#include "xls_odbc/libreoffice_convert.h"
#include "emulator/utf8_to_utf16.h"
#include "xls_odbc/workbook_file.h"
#include "xls_odbc/xls_contents.h"

namespace {

// Appends rows "name N", "数据 N" to Sheet1 and saves.
void AppendRows(const std::filesystem::path& path, int rows) {
  std::optional<xls::WorkbookFile> file;
  ASSERT_EQ(xls::OpenStatus::kOpened, xls::WorkbookFile::Open(path, xls::Access::kWrite, file));
  const auto sheet = file->workbook().FindSheet(u"SHEET1");
  ASSERT_TRUE(sheet);
  for (int i = 0; i < rows; ++i) {
    std::u16string first;
    std::u16string second;
    Utf8ToUtf16("name " + std::to_string(i), first);
    Utf8ToUtf16("数据 " + std::to_string(i), second);
    const xls::CellText cells[] = {first, second};
    ASSERT_EQ(xls::AppendResult::kAppended, file->workbook().AppendRow(*sheet, cells));
  }
  std::string error;
  ASSERT_TRUE(file->Save(error)) << error;
}

void ExpectAppendedRows(const SheetContents& sheet, std::size_t headerRows, int rows) {
  ASSERT_EQ(headerRows + rows, sheet.rows.size());
  for (int i = 0; i < rows; ++i) {
    const auto& row = sheet.rows[headerRows + i];
    ASSERT_GE(row.size(), 2u);
    EXPECT_EQ("name " + std::to_string(i), row[0]);
    EXPECT_EQ("数据 " + std::to_string(i), row[1]);
  }
}

TEST(WorkbookFileTest, AppendsToAWorkbookWhoseStreamSitsInTheMiniStream) {
  ScratchFolder scratch;
  // The template's stream without its padding is small enough that the
  // compound file keeps it in the mini-stream.
  std::vector<std::uint8_t> stream;
  ASSERT_EQ(xls::CompoundStatus::kOk, xls::ReadWorkbookStream(TEMPLATE_PATH, stream));
  const auto small = xls::Workbook::Parse(stream)->Serialize();
  ASSERT_LT(small.size(), 4096u);
  const auto path = scratch.Path() / "small.xls";
  std::FILE* sink = std::fopen(path.c_str(), "wb");
  std::string error;
  ASSERT_EQ(xls::CompoundStatus::kOk, xls::WriteWithWorkbookStream(TEMPLATE_PATH, sink, small, error));
  std::fclose(sink);

  AppendRows(path, 3);
  ExpectAppendedRows(ReadWithXlrd(path).at("Sheet1"), 1, 3);
}

TEST(WorkbookFileTest, SheetsAfterTheGrownOneAndSharedStringsStayIntact) {
  ScratchFolder scratch;
  const auto path = scratch.Path() / "two-sheets.xls";
  std::filesystem::copy_file(TWO_SHEET_WORKBOOK, path);
  AppendRows(path, 500);
  const auto sheets = ReadWithXlrd(path);
  ExpectAppendedRows(sheets.at("Sheet1"), 1, 500);
  const SheetContents& other = sheets.at("Other");
  ASSERT_EQ(3000u, other.rows.size());
  for (std::size_t i = 0; i < other.rows.size(); ++i) {
    char expected[16];
    std::snprintf(expected, sizeof expected, "%04zu", i);
    EXPECT_EQ("文本" + std::string(expected), other.rows[i].at(0));
  }
}

TEST(WorkbookFileTest, AppendsToATemplateSavedByASpreadsheetProgram) {
  ScratchFolder scratch;
  const auto saved = ConvertWithLibreOffice(TEMPLATE_PATH, scratch.Path(), "MS Excel 97", "xls");
  ASSERT_FALSE(saved.empty());
  AppendRows(saved, 300);
  const SheetContents sheet = ReadWithXlrd(saved).at("Sheet1");
  EXPECT_EQ("1111111111", sheet.headerBold);
  EXPECT_EQ("姓名", sheet.rows.at(0).at(0));
  ExpectAppendedRows(sheet, 1, 300);
}

}  // namespace
