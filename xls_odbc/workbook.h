// A BIFF8 workbook stream held in memory so that rows can be appended to
// one of its sheets and the stream written out again. Everything of the
// original is kept byte for byte (formats, header rows, the shared string
// table with its CONTINUE records) except what appending invalidates: the
// sheets' stream offsets are recomputed, each sheet's used range grows, and
// the optional INDEX and DBCELL lookup records, whose offsets would be
// stale, are dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xls_odbc/biff_records.h"

namespace xls {

// The format's limits: rows 0 to 65535, columns 0 to 255, and the length
// of a text in one cell record.
inline constexpr std::uint32_t kMaxRows = 65536;
inline constexpr std::size_t kMaxColumns = 256;
inline constexpr std::size_t kMaxTextLength = 255;

enum class AppendResult { kAppended, kSheetFull, kTooManyColumns, kTextTooLong };

// One cell of a row to append; no value leaves the cell empty.
using CellText = std::optional<std::u16string_view>;

class Workbook {
 public:
  // Nothing when the bytes are not a BIFF8 workbook stream.
  static std::optional<Workbook> Parse(std::span<const std::uint8_t> stream);

  // The index of the worksheet of that name (compared without regard to
  // ASCII case, as the spreadsheet program does), or nothing.
  std::optional<std::size_t> FindSheet(std::u16string_view name) const;
  // The row the next append to that sheet writes.
  std::uint32_t NextRow(std::size_t sheet) const { return sheets_[sheet].nextRow; }
  // Appends one row after the sheet's last used row; a refused row leaves
  // the workbook as it was.
  AppendResult AppendRow(std::size_t sheet, std::span<const CellText> cells);
  bool Modified() const;

  std::vector<std::uint8_t> Serialize() const;

 private:
  struct Sheet {
    std::size_t boundSheet = 0;  // index of its BOUNDSHEET record in the globals
    std::u16string name;
    bool isWorksheet = false;
    std::vector<Record> records;
    std::size_t cellsEnd = 0;  // index before which appended cells go
    std::uint32_t nextRow = 0;
    std::uint32_t firstAppendedRow = 0;
    std::uint16_t appendedColumns = 0;
    std::vector<std::uint8_t> appendedCells;
  };

  static std::optional<Sheet> ParseSheet(std::span<const std::uint8_t> stream, const Record& boundSheet,
                                         std::size_t index);
  std::size_t SheetSize(const Sheet& sheet) const;
  void SerializeSheet(const Sheet& sheet, std::vector<std::uint8_t>& out) const;

  std::vector<Record> globals_;
  std::vector<Sheet> sheets_;
  std::uint16_t cellFormat_ = 0;
};

}  // namespace xls
