// Workbooks saved anew by LibreOffice (headless, with a private profile),
// a spreadsheet program that writes templates the way such programs do.
#pragma once

#include <filesystem>
#include <string>

// Converts workbook into a file "converted.EXTENSION" in scratch with the
// named export filter; the new file's path, or an empty path on failure.
std::filesystem::path ConvertWithLibreOffice(const std::filesystem::path& workbook,
                                             const std::filesystem::path& scratch, const std::string& filter,
                                             const std::string& extension);
