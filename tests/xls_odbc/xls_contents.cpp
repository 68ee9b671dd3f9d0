#include "xls_odbc/xls_contents.h"

#include <cstdio>
#include <memory>
#include <sstream>

namespace {

struct PipeCloser {
  void operator()(std::FILE* pipe) const { pclose(pipe); }
};

std::vector<std::string> SplitCells(const std::string& line) {
  std::vector<std::string> cells;
  std::stringstream stream(line);
  std::string cell;
  while (std::getline(stream, cell, '\x1f')) cells.push_back(cell);
  if (!line.empty() && line.back() == '\x1f') cells.emplace_back();
  return cells;
}

}  // namespace

std::map<std::string, SheetContents> ReadWithXlrd(const std::filesystem::path& file) {
  const std::string command = std::string(PYTHON_PROGRAM) + " " + READ_XLS_SCRIPT + " '" + file.string() + "'";
  std::unique_ptr<std::FILE, PipeCloser> pipe(popen(command.c_str(), "r"));
  std::string output;
  char buffer[65536];
  for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) output.append(buffer, n);
  if (!pipe || pclose(pipe.release()) != 0) return {};
  std::map<std::string, SheetContents> sheets;
  SheetContents* sheet = nullptr;
  std::stringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("#sheet ")) {
      sheet = &sheets[line.substr(7)];
    } else if (sheet && line.starts_with("#bold ")) {
      sheet->headerBold = line.substr(6);
    } else if (sheet) {
      sheet->rows.push_back(SplitCells(line));
    }
  }
  return sheets;
}
