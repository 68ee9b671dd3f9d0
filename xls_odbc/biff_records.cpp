#include "xls_odbc/biff_records.h"

#include "xls_odbc/byte_order.h"

namespace xls {

std::optional<std::vector<Record>> ReadSubstream(std::span<const std::uint8_t> stream, std::size_t offset) {
  std::vector<Record> records;
  int depth = 0;
  std::size_t pos = offset;
  while (pos <= stream.size() && stream.size() - pos >= 4) {
    Record record;
    record.id = ReadU16(&stream[pos]);
    const std::size_t length = ReadU16(&stream[pos + 2]);
    pos += 4;
    if (stream.size() - pos < length) return std::nullopt;
    if (records.empty() && record.id != record_id::kBof) return std::nullopt;
    record.data.assign(stream.begin() + static_cast<std::ptrdiff_t>(pos),
                       stream.begin() + static_cast<std::ptrdiff_t>(pos + length));
    pos += length;
    if (record.id == record_id::kBof) ++depth;
    if (record.id == record_id::kEof) --depth;
    records.push_back(std::move(record));
    if (depth == 0) return records;
  }
  return std::nullopt;
}

bool IsCellRecord(std::uint16_t id) {
  switch (id) {
    case 0x0201:  // BLANK
    case 0x0203:  // NUMBER
    case record_id::kLabel:
    case 0x0205:  // BOOLERR
    case 0x0006:  // FORMULA
    case 0x027E:  // RK
    case 0x00BD:  // MULRK
    case 0x00BE:  // MULBLANK
    case 0x00FD:  // LABELSST
    case 0x00D6:  // RSTRING
      return true;
    default:
      return false;
  }
}

bool IsCellTableRecord(std::uint16_t id) {
  switch (id) {
    case record_id::kRow:
    case record_id::kDbCell:
    case 0x0207:  // STRING, the text result of the formula before it
    case 0x04BC:  // SHRFMLA
    case 0x0221:  // ARRAY
    case 0x0236:  // TABLE
      return true;
    default:
      return IsCellRecord(id);
  }
}

void AppendRecord(std::vector<std::uint8_t>& out, std::uint16_t id, std::span<const std::uint8_t> data) {
  AppendU16(out, id);
  AppendU16(out, static_cast<std::uint16_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
}

std::size_t RecordSize(const Record& record) { return 4 + record.data.size(); }

}  // namespace xls
