#include "tools/central_command.h"

#include <windows.h>
#include <sqlite3.h>

#include <cwchar>
#include <optional>
#include <string>

#include "central/central_connection.h"
#include "central/central_password.h"
#include "central/central_settings.h"
#include "central/central_status_text.h"
#include "central/outbox.h"
#include "tools/console.h"
#include "tools/json_line.h"

namespace {
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kOutboxWaitMs = 2000;
constexpr long kLongestSeconds = 3600;
constexpr std::size_t kLongestPasswordBytes = 1024;

const char kUsage[] =
    "usage: readerctl central set [--connection TEXT] [--station TEXT] [--password-stdin] "
    "[--office-connection TEXT] [--office-password-stdin] [--search-connection TEXT] "
    "[--retry-seconds N] [--alert-seconds N] [--pull-seconds N] | central test | central status";

int UsageError(const std::string& why) {
  WriteErrorLine("readerctl: " + why);
  WriteErrorLine(kUsage);
  return kExitUsage;
}

std::optional<int> ParseSeconds(const wchar_t* text) {
  wchar_t* end = nullptr;
  const long value = std::wcstol(text, &end, 10);
  if (*text == L'\0' || *end != L'\0' || value < 1 || value > kLongestSeconds) return std::nullopt;
  return static_cast<int>(value);
}

// One line from standard input, as UTF-8, without its line end; at most
// kLongestPasswordBytes bytes of it.
std::wstring ReadPasswordLine() {
  std::string line;
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  char byte = 0;
  DWORD read = 0;
  while (line.size() < kLongestPasswordBytes && ReadFile(input, &byte, 1, &read, nullptr) && read == 1 &&
         byte != '\n') {
    line += byte;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  const int units = MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0);
  std::wstring password(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), password.data(), units);
  SecureZeroMemory(line.data(), line.size());
  return password;
}

bool SavePasswordFromInput(const wchar_t* file) {
  std::wstring password = ReadPasswordLine();
  const bool kept = SaveCentralPassword(file, password);
  SecureZeroMemory(password.data(), password.size() * sizeof(wchar_t));
  return kept;
}

// The setting an option of seconds sets, or null for another option.
int* SecondsField(CentralSettings& settings, const std::wstring& option) {
  if (option == L"--retry-seconds") return &settings.retryLimitSeconds;
  if (option == L"--alert-seconds") return &settings.alertSeconds;
  if (option == L"--pull-seconds") return &settings.pullSeconds;
  return nullptr;
}

int Report(JsonLine& line, bool ok) {
  line.AddFlag("ok", ok);
  WriteOutputLine(line.Text());
  return ok ? 0 : kExitFailed;
}

int RunSet(int argc, wchar_t** argv) {
  CentralSettings settings = LoadCentralSettings();
  bool newPassword = false;
  bool newOfficePassword = false;
  for (int i = 3; i < argc; ++i) {
    const std::wstring option = argv[i];
    const bool hasValue = i + 1 < argc;
    if (option == L"--connection" && hasValue) {
      settings.connection = argv[++i];
    } else if (option == L"--station" && hasValue) {
      settings.station = argv[++i];
    } else if (option == L"--office-connection" && hasValue) {
      settings.officeConnection = argv[++i];
    } else if (option == L"--search-connection" && hasValue) {
      settings.searchConnection = argv[++i];
    } else if (option == L"--password-stdin") {
      newPassword = true;
    } else if (option == L"--office-password-stdin") {
      newOfficePassword = true;
    } else if (int* field = SecondsField(settings, option); field != nullptr && hasValue) {
      const auto seconds = ParseSeconds(argv[++i]);
      if (!seconds) return UsageError("the seconds must be a number from 1 to 3600");
      *field = *seconds;
    } else {
      return UsageError("unexpected arguments to central set");
    }
  }
  JsonLine line;
  line.Add("command", "central set");
  if (settings.connection.size() > kLongestConnection || settings.officeConnection.size() > kLongestConnection ||
      settings.searchConnection.size() > kLongestConnection || settings.station.size() > kLongestStation) {
    line.Add("error", "a connection may have at most 1000 characters, the station 60");
    return Report(line, false);
  }
  if (settings.station.find_first_of(L"\r\n") != std::wstring::npos) {
    line.Add("error", "the station may not hold a line break");
    return Report(line, false);
  }
  // The counter's password comes first on standard input, the office's next.
  if ((newPassword && !SavePasswordFromInput(kCounterPasswordFile)) ||
      (newOfficePassword && !SavePasswordFromInput(kOfficePasswordFile))) {
    line.Add("error", "the password could not be protected and saved");
    return Report(line, false);
  }
  if (!SaveCentralSettings(settings)) {
    line.Add("error", "the settings file could not be written");
    return Report(line, false);
  }
  line.Add("connection", settings.connection.c_str()).Add("station", settings.station.c_str());
  line.Add("officeConnection", settings.officeConnection.c_str());
  line.Add("searchConnection", settings.searchConnection.c_str());
  line.Add("retrySeconds", settings.retryLimitSeconds).Add("alertSeconds", settings.alertSeconds);
  line.Add("pullSeconds", settings.pullSeconds);
  line.AddFlag("on", CentralRecordsOn(settings));
  return Report(line, true);
}

int RunTest() {
  const CentralSettings settings = LoadCentralSettings();
  JsonLine line;
  line.Add("command", "central test").Add("station", settings.station.c_str());
  if (!CentralRecordsOn(settings)) {
    line.Add("fault", CentralFaultName(CentralFault::kBadSettings)).Add("error", "central records are off");
    return Report(line, false);
  }
  std::wstring password;
  if (LoadCentralPassword(kCounterPasswordFile, password) == PasswordLoad::kUnreadable) {
    line.Add("fault", CentralFaultName(CentralFault::kBadSettings));
    line.Add("error", "the stored password cannot be read by this user");
    return Report(line, false);
  }
  CentralConnection connection;
  const CentralResult result = connection.Open(settings.connection, password);
  SecureZeroMemory(password.data(), password.size() * sizeof(wchar_t));
  const CentralFault fault = result.fault;
  // Each step passed when the failure came after it.
  const bool reached = fault != CentralFault::kUnreachable && fault != CentralFault::kBadSettings;
  const bool loggedIn = reached && fault != CentralFault::kLoginRefused;
  const bool schemaRight = loggedIn && fault != CentralFault::kWrongSchema && fault != CentralFault::kFailed;
  line.AddFlag("reached", reached).AddFlag("loggedIn", loggedIn).AddFlag("schema", schemaRight);
  line.AddFlag("mayInsert", result.ok());
  if (!result.ok()) line.Add("fault", CentralFaultName(fault)).Add("error", result.message.c_str());
  return Report(line, result.ok());
}

int RunOutboxStatus() {
  const CentralSettings settings = LoadCentralSettings();
  JsonLine line;
  line.Add("command", "central status").AddFlag("on", CentralRecordsOn(settings));
  line.Add("station", settings.station.c_str());
  OutboxState state;
  const int read = ReadOutboxState(kOutboxWaitMs, state);
  // A card2 without an outbox (SQLite's plain error on its missing table)
  // never queued a read.
  if (read != SQLITE_OK && read != SQLITE_ERROR) {
    line.Add("error", "the outbox in card2 cannot be read").Add("result", read);
    return Report(line, false);
  }
  line.Add("waiting", state.waiting).Add("lastSent", state.lastSent.c_str());
  line.Add("lastError", state.lastFailure.c_str()).Add("lastErrorTime", state.lastFailureTime.c_str());
  return Report(line, true);
}
}  // namespace

int RunCentralCommand(int argc, wchar_t** argv) {
  if (argc < 3) return UsageError("central needs set, test or status");
  const std::wstring command = argv[2];
  if (command == L"set") return RunSet(argc, argv);
  if (command == L"test" && argc == 3) return RunTest();
  if (command == L"status" && argc == 3) return RunOutboxStatus();
  return UsageError("unknown central command or wrong number of arguments");
}
