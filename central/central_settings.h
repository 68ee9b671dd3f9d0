// The [Central] section of RoraDI.ini: whether and where a counter sends
// its reads to the site's central server. An empty Connection (the
// default) turns central records off, and then nothing of them runs.
#pragma once

#include <string>

struct CentralSettings {
  // An ODBC connection string without the password.
  std::wstring connection;
  // The counter's name on the server; the computer's name when unset.
  std::wstring station;
  // The longest wait between two tries while the server cannot be had.
  int retryLimitSeconds;
  // How long the server may be out of reach before the status line says so.
  int alertSeconds;
  // How often a counter pulls the changes of the central blacklist.
  int pullSeconds;
  // The office's login, without the password, for the blacklist editor and
  // the query tool; empty: those programs cannot use the central server.
  std::wstring officeConnection;
  // Where the query tool searches (a standby kept by replication, with the
  // office's login); empty: the office connection.
  std::wstring searchConnection;
};

inline constexpr int kDefaultRetryLimitSeconds = 300;
inline constexpr int kDefaultAlertSeconds = 180;
inline constexpr int kDefaultPullSeconds = 60;
// Longer values are refused when set and ignored when read.
inline constexpr std::size_t kLongestConnection = 1000;
inline constexpr std::size_t kLongestStation = 60;

// The section from the settings file; the defaults for what it lacks.
CentralSettings LoadCentralSettings();
bool CentralRecordsOn(const CentralSettings& settings);
// The connection the query tool searches through.
const std::wstring& SearchConnection(const CentralSettings& settings);
// Writes the section (the rest of the file as it was) in one step; false
// when it could not be written or a value is too long to be read back.
bool SaveCentralSettings(const CentralSettings& settings);
