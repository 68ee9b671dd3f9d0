#include "emulator/com_link.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "emulator/card_file.h"

ComLink::~ComLink() {
  if (Attached()) PointNowhere();
}

int ComLink::Attach(const std::string& winePrefix, int comNumber, const std::string& target) {
  const std::string name = "com" + std::to_string(comNumber);
  const std::string linkPath = winePrefix + "/dosdevices/" + name;
  // The temporary link beside it is the longest path used.
  if (linkPath.size() + 4 > kLongestPath) return kComLinkPathTooLong;
  struct stat status{};
  if (lstat(linkPath.c_str(), &status) == 0 && !S_ISLNK(status.st_mode)) {
    // Test prefixes park unused ports as empty folders; anything else is
    // not ours to remove.
    if (!S_ISDIR(status.st_mode) || rmdir(linkPath.c_str()) != 0) return kComLinkNotReplaceable;
  }
  linkPath_ = linkPath;
  target_ = target;
  nowhere_ = "/nonexistent/" + name;
  return PointAtTarget();
}

int ComLink::PointAtTarget() { return PointAt(target_); }

int ComLink::PointNowhere() { return PointAt(nowhere_); }

int ComLink::PointAt(const std::string& destination) {
  // Replace the link in one step, so the host never finds it missing.
  const std::string temporary = linkPath_ + ".new";
  unlink(temporary.c_str());
  if (symlink(destination.c_str(), temporary.c_str()) != 0) return kComLinkFailed;
  if (std::rename(temporary.c_str(), linkPath_.c_str()) != 0) {
    unlink(temporary.c_str());
    return kComLinkFailed;
  }
  return kComLinkOk;
}
