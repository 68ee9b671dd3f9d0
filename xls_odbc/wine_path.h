// Windows paths as the programs under Wine name them, mapped to the host's
// file system through the prefix's drive links ("dosdevices/c:" and so on).
#pragma once

#include <string>
#include <string_view>

namespace xls {

enum class PathStatus { kMapped, kNetworkPath, kNotAbsolute, kLeavesDrive };

struct MappedPath {
  PathStatus status = PathStatus::kNotAbsolute;
  std::string path;
};

// The prefix folder: $WINEPREFIX, or ~/.wine when it is unset.
std::string WinePrefixFolder();

// Maps "X:\dir\file" to the host path under prefix. Each component is
// matched without regard to ASCII case, as Windows matches names; a
// component that does not exist is kept as written, so that the caller's
// open reports it. "." and ".." are taken by name, as Windows takes them,
// not through the host's links; a ".." above the drive's root is refused,
// as are network paths (\\server\share).
MappedPath MapWindowsPath(std::u16string_view windowsPath, const std::string& prefix);

}  // namespace xls
