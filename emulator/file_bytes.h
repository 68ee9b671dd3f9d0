// Whole small files read into memory, with a limit on what is read.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

// Reads up to limit bytes: 0 when the whole file fit, 1 when it is longer,
// -1 when it cannot be read.
int ReadWholeFile(const std::filesystem::path& path, std::size_t limit, std::string& bytes);
