#include "emulator/pty_line.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>

#include <cerrno>
#include <utility>

namespace {
constexpr std::pair<speed_t, std::uint32_t> kSpeeds[] = {
    {B300, 300},       {B600, 600},       {B1200, 1200},     {B2400, 2400},     {B4800, 4800},
    {B9600, 9600},     {B19200, 19200},   {B38400, 38400},   {B57600, 57600},   {B115200, 115200},
    {B230400, 230400}, {B460800, 460800}, {B921600, 921600},
};

int MakeRaw(int fd, std::uint32_t speed) {
  termios settings{};
  if (tcgetattr(fd, &settings) != 0) return -errno;
  cfmakeraw(&settings);
  settings.c_cflag |= CLOCAL | CREAD;
  const speed_t termiosSpeed = TermiosSpeed(speed);
  if (termiosSpeed == B0 || cfsetspeed(&settings, termiosSpeed) != 0) return -EINVAL;
  return tcsetattr(fd, TCSANOW, &settings) == 0 ? 0 : -errno;
}
}  // namespace

std::uint32_t BitsPerSecond(unsigned int termiosSpeed) {
  for (const auto& [constant, bits] : kSpeeds) {
    if (constant == termiosSpeed) return bits;
  }
  return 0;
}

unsigned int TermiosSpeed(std::uint32_t bitsPerSecond) {
  for (const auto& [constant, bits] : kSpeeds) {
    if (bits == bitsPerSecond) return constant;
  }
  return B0;
}

int PtyLine::Open(std::uint32_t initialSpeed) {
  master_.Reset(posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!master_.Valid()) return -errno;
  if (grantpt(master_.Get()) != 0 || unlockpt(master_.Get()) != 0) return -errno;
  char name[128];
  if (const int error = ptsname_r(master_.Get(), name, sizeof name); error != 0) return -error;
  slavePath_ = name;
  // Without O_NOCTTY: a session leader takes the line as its controlling
  // terminal (see main).
  slave_.Reset(open(name, O_RDWR | O_CLOEXEC));
  if (!slave_.Valid()) return -errno;
  return MakeRaw(slave_.Get(), initialSpeed);
}

std::uint32_t PtyLine::HostSpeed() const {
  termios settings{};
  if (tcgetattr(master_.Get(), &settings) != 0) return 0;
  return BitsPerSecond(cfgetospeed(&settings));
}
