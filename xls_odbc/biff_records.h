// The record layer of a BIFF8 workbook stream: a record is a 16-bit id, a
// 16-bit length and that many bytes. A substream runs from a BOF record to
// its matching EOF record; charts embedded in a sheet nest further pairs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace xls {

namespace record_id {
inline constexpr std::uint16_t kBof = 0x0809;
inline constexpr std::uint16_t kEof = 0x000A;
inline constexpr std::uint16_t kBoundSheet = 0x0085;
inline constexpr std::uint16_t kXf = 0x00E0;
inline constexpr std::uint16_t kDimensions = 0x0200;
inline constexpr std::uint16_t kIndex = 0x020B;
inline constexpr std::uint16_t kDbCell = 0x00D7;
inline constexpr std::uint16_t kRow = 0x0208;
inline constexpr std::uint16_t kLabel = 0x0204;
}  // namespace record_id

struct Record {
  std::uint16_t id = 0;
  std::vector<std::uint8_t> data;
};

// The records of the substream whose BOF starts at offset, up to and with
// its matching EOF; nothing when the bytes there are not such a substream.
std::optional<std::vector<Record>> ReadSubstream(std::span<const std::uint8_t> stream, std::size_t offset);

// Whether a record of this id is a cell with its row number in its first
// two bytes.
bool IsCellRecord(std::uint16_t id);
// Whether a record of this id belongs to a sheet's table of rows and cells.
bool IsCellTableRecord(std::uint16_t id);

void AppendRecord(std::vector<std::uint8_t>& out, std::uint16_t id, std::span<const std::uint8_t> data);
std::size_t RecordSize(const Record& record);

}  // namespace xls
