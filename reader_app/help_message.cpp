#include "reader_app/help_message.h"

#include <cwchar>
#include <iterator>

#include "common/message_box.h"
#include "common/reader_settings.h"
#include "common/working_folders.h"

void FormatProgramHelp(wchar_t* out, int capacity) {
  wchar_t settingsFolder[kPathCapacity];
  GetSettingsFolder(kPathCapacity, settingsFolder);
  // An empty save path means the settings folder, as everywhere else.
  const wchar_t* saveFolder = GetSavePath()[0] != L'\0' ? GetSavePath() : settingsFolder;
  std::swprintf(out, static_cast<std::size_t>(capacity), L"居民身份证阅读器 版本 %ls\n\n配置文件夹：%ls\n保存文件夹：%ls",
                kProgramVersion, settingsFolder, saveFolder);
}

void ShowProgramHelp(HWND owner) {
  wchar_t text[3 * kPathCapacity];
  FormatProgramHelp(text, static_cast<int>(std::size(text)));
  ShowMessageBox(owner, text, L"", MB_OK | MB_ICONINFORMATION);
}
