// readerctl: diagnostics of the reader link from a console, one JSON line a
// result, for technicians and scripts.
//
//   readerctl status PORT
//   readerctl probe PORT
//   readerctl setbaud PORT CURRENT NEW
//   readerctl send PORT HEX [--capacity N]
//   readerctl read PORT [--append]
//   readerctl watch PORT [--seconds N] [--no-answer]
//   readerctl central set|test|status ...   (see tools/central_command.h)
//
// PORT 0 scans COM1 to COM16 (status); 1000 and above name the USB reader
// (status, send, read).
#include <windows.h>

#include <cwchar>
#include <optional>
#include <string>

#include "central/central_settings.h"
#include "central/outbox.h"
#include "common/reader_settings.h"
#include "common/working_folders.h"
#include "reader/sam_frame.h"
#include "tools/central_command.h"
#include "tools/console.h"
#include "tools/hex_text.h"
#include "tools/json_line.h"
#include "tools/readerctl_commands.h"
#include "tools/watch_command.h"

namespace {
constexpr int kExitUsage = 2;
constexpr int kExitNotPrepared = 3;
constexpr std::uint32_t kLargestCapacity = 65535 + kFrameHeadLength;

const char kUsage[] =
    "usage: readerctl status PORT | probe PORT | setbaud PORT CURRENT NEW | send PORT HEX [--capacity N] | "
    "read PORT [--append] | watch PORT [--seconds N] [--no-answer] | central set|test|status ...";
constexpr long kLongestWatchSeconds = 24 * 60 * 60;
constexpr long kLargestPortNumber = 65535;

// A whole decimal number within [low, high]; "COM5" is taken as 5.
std::optional<long> ParseNumber(const wchar_t* text, long low, long high) {
  if (_wcsnicmp(text, L"COM", 3) == 0) text += 3;
  if (*text == L'\0') return std::nullopt;
  wchar_t* end = nullptr;
  const long value = std::wcstol(text, &end, 10);
  if (*end != L'\0' || value < low || value > high) return std::nullopt;
  return value;
}

int UsageError(const std::string& why) {
  WriteErrorLine("readerctl: " + why);
  WriteErrorLine(kUsage);
  return kExitUsage;
}

int RunSendCommand(int argc, wchar_t** argv, int port) {
  const auto frame = ParseHexBytes(Utf8FromWide(argv[3]));
  if (!frame || frame->empty()) return UsageError("the frame must be pairs of hex digits");
  std::uint32_t capacity = kPollingLinkCapacity;
  if (argc == 6 && std::wcscmp(argv[4], L"--capacity") == 0) {
    const auto value = ParseNumber(argv[5], kFrameHeadLength, kLargestCapacity);
    if (!value) return UsageError("the capacity must be a number from 7 to 65542");
    capacity = static_cast<std::uint32_t>(*value);
  } else if (argc != 4) {
    return UsageError("unexpected arguments after the frame");
  }
  return RunSend(port, *frame, capacity);
}

int RunWatchCommand(int argc, wchar_t** argv, int port) {
  long seconds = 10;
  bool answer = true;
  for (int i = 3; i < argc; ++i) {
    if (std::wcscmp(argv[i], L"--no-answer") == 0) {
      answer = false;
    } else if (std::wcscmp(argv[i], L"--seconds") == 0 && i + 1 < argc) {
      const auto value = ParseNumber(argv[++i], 1, kLongestWatchSeconds);
      if (!value) return UsageError("the seconds must be a number from 1 to 86400");
      seconds = *value;
    } else {
      return UsageError("unexpected arguments to watch");
    }
  }
  return RunWatch(port, static_cast<int>(seconds), answer);
}

int Dispatch(int argc, wchar_t** argv) {
  if (argc >= 2 && std::wcscmp(argv[1], L"central") == 0) return RunCentralCommand(argc, argv);
  if (argc < 3) return UsageError("missing command or port");
  const std::wstring command = argv[1];
  const auto port = ParseNumber(argv[2], 0, kLargestPortNumber);
  if (!port) return UsageError("the port must be 0 (scan), 1 to 999 (COM port) or 1000 and above (USB)");
  const int portNumber = static_cast<int>(*port);
  const bool serialOnly = command == L"probe" || command == L"setbaud";
  if (serialOnly && (portNumber < 1 || portNumber >= kUsbPortBase)) {
    return UsageError("probe and setbaud work on a COM port, 1 to 999");
  }
  if (command == L"status" && argc == 3) return RunStatus(portNumber);
  if (command == L"probe" && argc == 3) return RunProbe(portNumber);
  if (command == L"read" && (argc == 3 || (argc == 4 && std::wcscmp(argv[3], L"--append") == 0))) {
    return RunRead(portNumber, argc == 4);
  }
  if (command == L"setbaud" && argc == 5) {
    const auto current = ParseNumber(argv[3], 1, 4000000);
    const auto wanted = ParseNumber(argv[4], 1, 4000000);
    if (!current || !wanted) return UsageError("the speeds must be numbers of bits per second");
    const auto listed = samv::SpeedForBaudCode(samv::BaudCodeForSpeed(static_cast<std::uint32_t>(*wanted)));
    if (static_cast<long>(listed) != *wanted) {
      return UsageError("the new speed must be 115200, 57600, 38400, 19200 or 9600");
    }
    return RunSetBaud(portNumber, static_cast<std::uint32_t>(*current), static_cast<std::uint32_t>(*wanted));
  }
  if (command == L"send" && argc >= 4) return RunSendCommand(argc, argv, portNumber);
  if (command == L"watch") return RunWatchCommand(argc, argv, portNumber);
  return UsageError("unknown command or wrong number of arguments");
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  RouteMessageBoxesToConsole();
  // The same preparation as the programs: folders, shipped defaults, settings.
  if (!PrepareWorkingFolders()) return kExitNotPrepared;
  LoadSettings();
  // Reads the tool stores go to the central server like the program's.
  const CentralSettings central = LoadCentralSettings();
  if (CentralRecordsOn(central)) QueueStoredReadsFor(central.station);
  return Dispatch(argc, argv);
}
