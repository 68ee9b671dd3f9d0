// Whole-file reading and writing through the wide Win32 file calls, for the
// photo decoder library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class FileResult { kOk, kCannotOpen, kTooLarge, kFailed };

// Reads a file of at most `limit` bytes.
FileResult ReadSmallFile(const std::wstring& path, std::size_t limit, std::vector<std::uint8_t>& bytes);

// Creates or replaces the file; a file left half written is removed.
FileResult WriteWholeFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes);
