// The Wine prefix's link for a COM port (dosdevices/comN), which decides
// what the host opens as \\.\COMN.
#pragma once

#include <string>

enum ComLinkResult : int {
  kComLinkOk = 0,
  kComLinkPathTooLong = -1,
  kComLinkNotReplaceable = -2,  // comN is something other than a link or an empty folder
  kComLinkFailed = -3,
};

class ComLink {
 public:
  ComLink() = default;
  // Points the link back to nowhere, so the port stops opening.
  ~ComLink();
  ComLink(const ComLink&) = delete;
  ComLink& operator=(const ComLink&) = delete;

  // Takes over comNumber of the prefix and points it at target. A link
  // or an empty folder already there is replaced.
  int Attach(const std::string& winePrefix, int comNumber, const std::string& target);
  bool Attached() const { return !linkPath_.empty(); }

  // Points the link at the target again, or at /nonexistent/comN.
  int PointAtTarget();
  int PointNowhere();

 private:
  int PointAt(const std::string& destination);

  std::string linkPath_;
  std::string target_;
  std::string nowhere_;
};
