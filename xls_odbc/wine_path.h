// Windows paths as the programs under Wine name them, mapped to the host's
// file system through the prefix's drive links ("dosdevices/c:" and so on).
#pragma once

#include <string>
#include <string_view>

namespace xls {

enum class PathStatus { kMapped, kNetworkPath, kNotAbsolute };

struct MappedPath {
  PathStatus status = PathStatus::kNotAbsolute;
  std::string path;
};

// The prefix folder: $WINEPREFIX, or ~/.wine when it is unset.
std::string WinePrefixFolder();

// Maps "X:\dir\file" to the host path under prefix. Each component is
// matched without regard to ASCII case, as Windows matches names; a
// component that does not exist is kept as written, so that the caller's
// open reports it. Network paths (\\server\share) are refused.
MappedPath MapWindowsPath(std::u16string_view windowsPath, const std::string& prefix);

}  // namespace xls
