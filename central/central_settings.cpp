#include "central/central_settings.h"

#include <windows.h>

#include <vector>

#include "common/settings_file_rewrite.h"
#include "common/suite_folders.h"

namespace {
constexpr wchar_t kSection[] = L"Central";
// The longest wait a site may ask for, and the shortest (tests use it).
constexpr int kRetryLimitCeiling = 3600;

// The value of key, or an empty text when it is absent or longer than
// longest (a value cut to the buffer would name another server).
std::wstring ReadText(const wchar_t* key, std::size_t longest, const wchar_t* file) {
  std::vector<wchar_t> buffer(longest + 8);
  const DWORD length = GetPrivateProfileStringW(kSection, key, L"", buffer.data(), static_cast<DWORD>(buffer.size()),
                                                file);
  if (length > longest) return {};
  return std::wstring(buffer.data(), length);
}

int ReadSeconds(const wchar_t* key, int fallback, const wchar_t* file) {
  const int value = static_cast<int>(GetPrivateProfileIntW(kSection, key, fallback, file));
  if (value < 1) return 1;
  return value > kRetryLimitCeiling ? kRetryLimitCeiling : value;
}

std::wstring ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(name, &length)) return L"counter";
  return std::wstring(name, length);
}

// The profile functions take a writer without context; a save is made on
// one thread at a time, so the values to write wait here during it.
const CentralSettings* g_saving = nullptr;

// The profile functions drop one pair of quotes around a value they read,
// and the spaces at its ends: texts are written inside a pair of their own,
// so that a station named with quotes or spaces reads back as it was.
bool WriteQuoted(const wchar_t* key, const std::wstring& value, const wchar_t* file) {
  return WritePrivateProfileStringW(kSection, key, (L'"' + value + L'"').c_str(), file) != FALSE;
}

bool WriteCentralKeys(const wchar_t* file) {
  const CentralSettings& s = *g_saving;
  bool written = WriteQuoted(L"Connection", s.connection, file);
  written &= WriteQuoted(L"Station", s.station, file);
  written &= WritePrivateProfileStringW(kSection, L"RetrySeconds", std::to_wstring(s.retryLimitSeconds).c_str(),
                                        file) != FALSE;
  written &= WritePrivateProfileStringW(kSection, L"AlertSeconds", std::to_wstring(s.alertSeconds).c_str(),
                                        file) != FALSE;
  written &= WritePrivateProfileStringW(kSection, L"PullSeconds", std::to_wstring(s.pullSeconds).c_str(),
                                        file) != FALSE;
  written &= WriteQuoted(L"OfficeConnection", s.officeConnection, file);
  written &= WriteQuoted(L"SearchConnection", s.searchConnection, file);
  return written;
}
}  // namespace

CentralSettings LoadCentralSettings() {
  CentralSettings settings{{}, {}, kDefaultRetryLimitSeconds, kDefaultAlertSeconds, kDefaultPullSeconds, {}, {}};
  wchar_t file[kPathCapacity];
  if (GetSettingsFilePath(kPathCapacity, file) != 0) {
    settings.connection = ReadText(L"Connection", kLongestConnection, file);
    settings.station = ReadText(L"Station", kLongestStation, file);
    settings.retryLimitSeconds = ReadSeconds(L"RetrySeconds", kDefaultRetryLimitSeconds, file);
    settings.alertSeconds = ReadSeconds(L"AlertSeconds", kDefaultAlertSeconds, file);
    settings.pullSeconds = ReadSeconds(L"PullSeconds", kDefaultPullSeconds, file);
    settings.officeConnection = ReadText(L"OfficeConnection", kLongestConnection, file);
    settings.searchConnection = ReadText(L"SearchConnection", kLongestConnection, file);
  }
  if (settings.station.empty()) settings.station = ComputerName();
  return settings;
}

bool CentralRecordsOn(const CentralSettings& settings) { return !settings.connection.empty(); }

const std::wstring& SearchConnection(const CentralSettings& settings) {
  return settings.searchConnection.empty() ? settings.officeConnection : settings.searchConnection;
}

bool SaveCentralSettings(const CentralSettings& settings) {
  if (settings.connection.size() > kLongestConnection || settings.officeConnection.size() > kLongestConnection ||
      settings.searchConnection.size() > kLongestConnection || settings.station.size() > kLongestStation) {
    return false;
  }
  wchar_t file[kPathCapacity];
  if (GetSettingsFilePath(kPathCapacity, file) == 0) return false;
  g_saving = &settings;
  const bool saved = RewriteSettingsFile(file, WriteCentralKeys);
  g_saving = nullptr;
  return saved;
}
