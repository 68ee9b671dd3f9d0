// samv-emulator: a card reader with its SAM_V module on a pseudo-terminal,
// driven through a control channel; or, with "ctl", a client of that
// channel for scripts.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "emulator/control_client.h"
#include "emulator/emulator_options.h"
#include "emulator/event_loop.h"

int main(int argc, char** argv) {
  if (argc >= 2 && std::string_view(argv[1]) == "ctl") {
    if (argc < 4) {
      std::fputs(kEmulatorUsage, stderr);
      return 2;
    }
    return RunControlClient(argv[2], std::span<char* const>(argv + 3, static_cast<std::size_t>(argc - 3)));
  }
  std::string error;
  const auto options = ParseEmulatorOptions(argc, argv, error);
  if (!options) {
    std::fprintf(stderr, "samv-emulator: %s\n%s", error.c_str(), kEmulatorUsage);
    return 2;
  }
  // A session of its own, so that the pseudo-terminal becomes the
  // emulator's controlling terminal and no other process's: otherwise the
  // first session leader to open the port (Wine's server) adopts it and is
  // sent a hang-up when the emulator ends. Being the session leader, the
  // emulator itself is sent that hang-up when it closes the master side on
  // its way out; it must not turn a clean exit into death by signal.
  setsid();
  signal(SIGHUP, SIG_IGN);
  return RunEmulator(*options);
}
