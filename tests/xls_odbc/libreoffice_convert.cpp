#include "xls_odbc/libreoffice_convert.h"

#include <cstdlib>

std::filesystem::path ConvertWithLibreOffice(const std::filesystem::path& workbook,
                                             const std::filesystem::path& scratch, const std::string& filter,
                                             const std::string& extension) {
  const auto input = scratch / "source.xls";
  std::filesystem::copy_file(workbook, input, std::filesystem::copy_options::overwrite_existing);
  const std::string command = "cd '" + scratch.string() + "' && soffice -env:UserInstallation=file://" +
                              (scratch / "profile").string() + " --headless --convert-to '" + extension + ":" +
                              filter + "' --outdir out source.xls >/dev/null 2>&1";
  const auto output = scratch / "out" / ("source." + extension);
  if (std::system(command.c_str()) != 0 || !std::filesystem::exists(output)) return {};
  const auto converted = scratch / ("converted." + extension);
  std::filesystem::rename(output, converted);
  return converted;
}
