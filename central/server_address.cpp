#include "central/server_address.h"

#include <cwctype>

namespace {
constexpr wchar_t kDefaultPort[] = L"5432";

bool SameKey(const std::wstring& key, const wchar_t* name) {
  std::wstring lower;
  for (wchar_t unit : key) {
    if (unit != L' ') lower += static_cast<wchar_t>(std::towlower(unit));
  }
  return lower == name;
}

// The value that starts at `at`: up to the next ";", or inside braces with
// a doubled closing brace standing for one. `at` ends after it.
std::wstring ReadValue(const std::wstring& text, std::size_t& at) {
  std::wstring value;
  if (at < text.size() && text[at] == L'{') {
    for (++at; at < text.size(); ++at) {
      if (text[at] == L'}') {
        if (at + 1 < text.size() && text[at + 1] == L'}') {
          ++at;
        } else {
          ++at;
          break;
        }
      }
      value += text[at];
    }
  }
  while (at < text.size() && text[at] != L';') value += text[at++];
  return value;
}
}  // namespace

std::wstring ServerAddress(const std::wstring& connection) {
  std::wstring server;
  std::wstring port;
  for (std::size_t at = 0; at < connection.size();) {
    const std::size_t equals = connection.find(L'=', at);
    if (equals == std::wstring::npos) break;
    const std::wstring key = connection.substr(at, equals - at);
    at = equals + 1;
    const std::wstring value = ReadValue(connection, at);
    ++at;
    if (SameKey(key, L"server") || SameKey(key, L"servername")) server = value;
    if (SameKey(key, L"port")) port = value;
  }
  if (server.empty()) return {};
  return server + L':' + (port.empty() ? std::wstring(kDefaultPort) : port);
}
