// The compound file that carries a workbook: its "Workbook" stream is read
// whole, and a copy of the file is written with that stream replaced and
// every other stream and storage (document properties and the like) kept.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace xls {

enum class CompoundStatus { kOk, kCannotOpen, kNotCompoundFile, kNoWorkbookStream, kCannotWrite };

CompoundStatus ReadWorkbookStream(const std::string& path, std::vector<std::uint8_t>& stream);

// Writes into sink (left open) the compound file at source with its
// workbook stream replaced; error receives the library's reason on failure.
CompoundStatus WriteWithWorkbookStream(const std::string& source, std::FILE* sink,
                                       std::span<const std::uint8_t> workbook, std::string& error);

}  // namespace xls
