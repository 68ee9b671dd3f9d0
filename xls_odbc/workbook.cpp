#include "xls_odbc/workbook.h"

#include <algorithm>

#include "xls_odbc/byte_order.h"
#include "xls_odbc/label_record.h"

namespace xls {
namespace {

constexpr std::uint16_t kBiff8Version = 0x0600;
constexpr std::uint16_t kGlobalsType = 0x0005;
constexpr std::uint8_t kWorksheetType = 0x00;
// The first cell format of a workbook the spreadsheet program writes; the
// ones before it are style formats.
constexpr std::uint16_t kDefaultCellFormat = 15;

bool IsBiff8Globals(const Record& bof) {
  return bof.data.size() >= 4 && ReadU16(&bof.data[0]) == kBiff8Version && ReadU16(&bof.data[2]) == kGlobalsType;
}

// The name of a BOUNDSHEET record: a short text of 8-bit or 16-bit units.
std::optional<std::u16string> BoundSheetName(const Record& record) {
  if (record.data.size() < 8) return std::nullopt;
  const std::size_t length = record.data[6];
  const bool wide = record.data[7] & 0x01;
  if (record.data.size() - 8 < length * (wide ? 2 : 1)) return std::nullopt;
  std::u16string name;
  for (std::size_t i = 0; i < length; ++i)
    name.push_back(wide ? static_cast<char16_t>(ReadU16(&record.data[8 + 2 * i])) : record.data[8 + i]);
  return name;
}

char16_t FoldAsciiCase(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool EqualIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  return std::ranges::equal(a, b, [](char16_t x, char16_t y) { return FoldAsciiCase(x) == FoldAsciiCase(y); });
}

bool IsDroppedRecord(std::uint16_t id) { return id == record_id::kIndex || id == record_id::kDbCell; }

}  // namespace

std::optional<Workbook> Workbook::Parse(std::span<const std::uint8_t> stream) {
  auto globals = ReadSubstream(stream, 0);
  if (!globals || !IsBiff8Globals(globals->front())) return std::nullopt;
  Workbook workbook;
  workbook.globals_ = std::move(*globals);
  std::size_t formats = 0;
  for (std::size_t i = 0; i < workbook.globals_.size(); ++i) {
    const Record& record = workbook.globals_[i];
    if (record.id == record_id::kXf) ++formats;
    if (record.id != record_id::kBoundSheet) continue;
    auto sheet = ParseSheet(stream, record, i);
    if (!sheet) return std::nullopt;
    workbook.sheets_.push_back(std::move(*sheet));
  }
  workbook.cellFormat_ = formats > kDefaultCellFormat ? kDefaultCellFormat : 0;
  return workbook;
}

std::optional<Workbook::Sheet> Workbook::ParseSheet(std::span<const std::uint8_t> stream, const Record& boundSheet,
                                                    std::size_t index) {
  auto name = BoundSheetName(boundSheet);
  if (!name) return std::nullopt;
  auto records = ReadSubstream(stream, ReadU32(&boundSheet.data[0]));
  if (!records) return std::nullopt;
  Sheet sheet;
  sheet.boundSheet = index;
  sheet.name = std::move(*name);
  sheet.isWorksheet = boundSheet.data[5] == kWorksheetType;
  sheet.records = std::move(*records);
  // Only the sheet's own cell table counts, not that of a chart nested in it.
  int depth = 0;
  std::optional<std::size_t> afterDimensions;
  std::optional<std::size_t> afterCells;
  for (std::size_t i = 0; i < sheet.records.size(); ++i) {
    const Record& record = sheet.records[i];
    if (record.id == record_id::kBof) ++depth;
    if (record.id == record_id::kEof) --depth;
    if (depth != 1) continue;
    if (record.id == record_id::kDimensions) afterDimensions = i + 1;
    if (IsCellTableRecord(record.id)) afterCells = i + 1;
    if (IsCellRecord(record.id) && record.data.size() >= 2)
      sheet.nextRow = std::max<std::uint32_t>(sheet.nextRow, ReadU16(record.data.data()) + 1u);
  }
  sheet.cellsEnd = afterCells.value_or(afterDimensions.value_or(sheet.records.size() - 1));
  sheet.firstAppendedRow = sheet.nextRow;
  return sheet;
}

std::optional<std::size_t> Workbook::FindSheet(std::u16string_view name) const {
  for (std::size_t i = 0; i < sheets_.size(); ++i)
    if (sheets_[i].isWorksheet && EqualIgnoringAsciiCase(sheets_[i].name, name)) return i;
  return std::nullopt;
}

AppendResult Workbook::AppendRow(std::size_t index, std::span<const CellText> cells) {
  Sheet& sheet = sheets_[index];
  if (sheet.nextRow >= kMaxRows) return AppendResult::kSheetFull;
  if (cells.size() > kMaxColumns) return AppendResult::kTooManyColumns;
  for (const CellText& cell : cells)
    if (cell && cell->size() > kMaxTextLength) return AppendResult::kTextTooLong;
  for (std::size_t column = 0; column < cells.size(); ++column) {
    if (!cells[column] || cells[column]->empty()) continue;
    AppendLabelRecord(sheet.appendedCells, static_cast<std::uint16_t>(sheet.nextRow),
                      static_cast<std::uint16_t>(column), cellFormat_, *cells[column]);
  }
  sheet.appendedColumns = std::max(sheet.appendedColumns, static_cast<std::uint16_t>(cells.size()));
  ++sheet.nextRow;
  return AppendResult::kAppended;
}

bool Workbook::Modified() const {
  return std::ranges::any_of(sheets_, [](const Sheet& sheet) { return sheet.nextRow != sheet.firstAppendedRow; });
}

std::size_t Workbook::SheetSize(const Sheet& sheet) const {
  std::size_t size = sheet.appendedCells.size();
  for (const Record& record : sheet.records)
    if (!IsDroppedRecord(record.id)) size += RecordSize(record);
  return size;
}

std::vector<std::uint8_t> Workbook::Serialize() const {
  std::size_t globalsSize = 0;
  for (const Record& record : globals_) globalsSize += RecordSize(record);
  // Each sheet's BOUNDSHEET names where its substream starts in the new stream.
  std::vector<Record> globals = globals_;
  std::size_t offset = globalsSize;
  for (const Sheet& sheet : sheets_) {
    WriteU32(globals[sheet.boundSheet].data.data(), static_cast<std::uint32_t>(offset));
    offset += SheetSize(sheet);
  }
  std::vector<std::uint8_t> out;
  out.reserve(offset);
  for (const Record& record : globals) AppendRecord(out, record.id, record.data);
  for (const Sheet& sheet : sheets_) SerializeSheet(sheet, out);
  return out;
}

void Workbook::SerializeSheet(const Sheet& sheet, std::vector<std::uint8_t>& out) const {
  const bool grown = sheet.nextRow != sheet.firstAppendedRow;
  for (std::size_t i = 0; i < sheet.records.size(); ++i) {
    if (i == sheet.cellsEnd) out.insert(out.end(), sheet.appendedCells.begin(), sheet.appendedCells.end());
    const Record& record = sheet.records[i];
    if (IsDroppedRecord(record.id)) continue;
    if (record.id == record_id::kDimensions && grown && record.data.size() >= 12) {
      // Used range: first row, row after the last, first column, column after the last.
      std::vector<std::uint8_t> data = record.data;
      if (ReadU32(&data[4]) == 0) WriteU32(&data[0], sheet.firstAppendedRow);
      WriteU32(&data[4], std::max(ReadU32(&data[4]), sheet.nextRow));
      WriteU16(&data[10], std::max(ReadU16(&data[10]), sheet.appendedColumns));
      AppendRecord(out, record.id, data);
      continue;
    }
    AppendRecord(out, record.id, record.data);
  }
}

}  // namespace xls
