// The emulated serial line: a pseudo-terminal whose slave the host opens
// as its port.
#pragma once

#include <cstdint>
#include <string>

#include "emulator/unique_fd.h"

class PtyLine {
 public:
  // Opens the master (non-blocking), and keeps a slave descriptor open of
  // its own so that reads on the master never fail with EIO while no host
  // has the port open. The slave starts raw at initialSpeed. 0 on success,
  // otherwise -errno.
  int Open(std::uint32_t initialSpeed);

  int MasterFd() const { return master_.Get(); }
  const std::string& SlavePath() const { return slavePath_; }

  // The speed the host set on the line (tcgetattr on the master returns
  // the slave's settings); 0 when it cannot be read or is not a speed.
  std::uint32_t HostSpeed() const;

 private:
  UniqueFd master_;
  UniqueFd slave_;
  std::string slavePath_;
};

// Bits per second for a termios speed constant, 0 for none known.
std::uint32_t BitsPerSecond(unsigned int termiosSpeed);
// The termios speed constant for bits per second, 0 (B0) for none known.
unsigned int TermiosSpeed(std::uint32_t bitsPerSecond);
