#include "export_reader.h"

#include <windows.h>

#include "support/temp_folder.h"

namespace {

constexpr int kReaderTimeoutMs = 600000;
constexpr int kPollMs = 50;

// The host path of a Windows path; a function only Wine has, which is
// why the tests look it up instead of linking it.
std::string UnixPath(const std::wstring& path) {
  using Convert = char*(__cdecl*)(const wchar_t*);
  const auto convert =
      reinterpret_cast<Convert>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
  char* unix = convert ? convert(path.c_str()) : nullptr;
  if (!unix) return {};
  std::string result(unix);
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

std::wstring Wide(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  wide.resize(static_cast<std::size_t>(
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), static_cast<int>(wide.size()))));
  return wide;
}

// Runs read_xls.py with the given options on workbook; its listing.
std::string RunReader(const std::string& options, const std::wstring& workbook) {
  ScopedTempFolder scratch;
  const std::wstring listing = scratch / L"listing.txt";
  std::wstring command = L"start.exe /wait /unix " + Wide(PYTHON_PROGRAM) + L" " + Wide(READ_XLS_SCRIPT) + L" " +
                         Wide(options) + L" \"" + Wide(UnixPath(workbook)) + L"\" \"" + Wide(UnixPath(listing)) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process))
    return {};
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // "start /unix" returns before the reader ends; the reader makes its
  // listing appear whole when it is done.
  for (int waited = 0; !FileExists(listing) && waited < kReaderTimeoutMs; waited += kPollMs) Sleep(kPollMs);
  return ReadWholeFile(listing);
}

}  // namespace

std::map<std::string, SheetContents> ReadExportWithXlrd(const std::wstring& workbook) {
  return ParseWorkbookListing(RunReader("", workbook));
}

SheetContents ReadExportWithLibreOffice(const std::wstring& workbook) {
  ScopedTempFolder profile;
  auto sheets = ParseWorkbookListing(RunReader("--libreoffice " + UnixPath(profile.Path()), workbook));
  return sheets["Sheet1"];
}
