#include "xls_odbc/xls_contents.h"

#include <cstdio>
#include <memory>

namespace {
struct PipeCloser {
  void operator()(std::FILE* pipe) const { pclose(pipe); }
};
}  // namespace

std::map<std::string, SheetContents> ReadWithXlrd(const std::filesystem::path& file) {
  const std::string command = std::string(PYTHON_PROGRAM) + " " + READ_XLS_SCRIPT + " '" + file.string() + "'";
  std::unique_ptr<std::FILE, PipeCloser> pipe(popen(command.c_str(), "r"));
  std::string listing;
  char buffer[65536];
  for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) listing.append(buffer, n);
  if (!pipe || pclose(pipe.release()) != 0) return {};
  return ParseWorkbookListing(listing);
}
