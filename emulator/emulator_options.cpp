#include "emulator/emulator_options.h"

#include <charconv>
#include <string_view>

#include "emulator/card_file.h"
#include "emulator/pty_line.h"

namespace {
bool ParseNumber(std::string_view text, unsigned long long largest, unsigned long long& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && value <= largest;
}

bool ParseOption(std::string_view name, std::string_view value, EmulatorOptions& options, std::string& error) {
  unsigned long long number = 0;
  if (name == "--speed") {
    if (!ParseNumber(value, 4000000, number) || TermiosSpeed(static_cast<std::uint32_t>(number)) == 0) {
      error = "--speed needs a line speed such as 115200";
      return false;
    }
    options.speed = static_cast<std::uint32_t>(number);
  } else if (name == "--link-com") {
    if (!ParseNumber(value, 999, number) || number == 0) {
      error = "--link-com needs a port number from 1 to 999";
      return false;
    }
    options.linkCom = static_cast<int>(number);
  } else if (name == "--control-port") {
    if (!ParseNumber(value, 65535, number)) {
      error = "--control-port needs a TCP port number";
      return false;
    }
    options.controlPort = static_cast<std::uint16_t>(number);
  } else if (name == "--wineprefix" || name == "--info-file") {
    if (value.empty() || value.size() > kLongestPath) {
      error = std::string(name) + " needs a path of at most 259 characters";
      return false;
    }
    (name == "--wineprefix" ? options.winePrefix : options.infoFile) = std::string(value);
  } else {
    error = "unknown option " + std::string(name);
    return false;
  }
  return true;
}
}  // namespace

std::optional<EmulatorOptions> ParseEmulatorOptions(int argc, char** argv, std::string& error) {
  EmulatorOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view name = argv[i];
    if (name == "--pace") {
      options.pace = true;
      continue;
    }
    if (!name.starts_with("--") || i + 1 >= argc) {
      error = "option " + std::string(name) + " unknown or without its value";
      return std::nullopt;
    }
    if (!ParseOption(name, argv[++i], options, error)) return std::nullopt;
  }
  if ((options.linkCom != 0) != !options.winePrefix.empty()) {
    error = "--link-com and --wineprefix go together";
    return std::nullopt;
  }
  return options;
}
