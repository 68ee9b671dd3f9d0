// The emulator's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct EmulatorOptions {
  std::uint32_t speed = 115200;
  bool pace = false;
  int linkCom = 0;  // 0: no COM link
  std::string winePrefix;
  std::string infoFile;
  std::uint16_t controlPort = 0;  // 0: chosen by the system
};

inline constexpr char kEmulatorUsage[] =
    "usage: samv-emulator [--speed N] [--pace] [--link-com N --wineprefix DIR]\n"
    "                     [--info-file PATH] [--control-port N]\n"
    "       samv-emulator ctl HOST:PORT REQUEST...\n";

// The options, or nothing with error set when the command line is wrong.
std::optional<EmulatorOptions> ParseEmulatorOptions(int argc, char** argv, std::string& error);
