#include "query_tool/export_command.h"

#include <cwchar>

#include "common/message_box.h"
#include "common/profile_path.h"
#include "common/working_folders.h"
#include "query_tool/save_file_dialog.h"
#include "query_tool/spreadsheet_export.h"

namespace {

constexpr wchar_t kTemplateFileName[] = L"template";
constexpr wchar_t kStationTemplateFileName[] = L"template_station";
constexpr wchar_t kTooManyRows[] = L"导出记录超过65535条，请缩小查询范围。";
constexpr wchar_t kFileExists[] = L"文件已存在，没有导出任何记录。请选择一个新的文件名。";
constexpr wchar_t kNoTemplate[] = L"找不到导出模板文件template，没有导出任何记录。";
constexpr wchar_t kNoStationTemplate[] = L"找不到导出模板文件template_station，没有导出任何记录。";
constexpr wchar_t kCannotCreate[] = L"无法创建导出文件，没有导出任何记录。";
constexpr wchar_t kBadPathCharacters[] = L"文件路径中不能含有“;”或“}”，没有导出任何记录。";

void ShowWarning(HWND window, const wchar_t* text) { ShowMessageBox(window, text, L"", MB_OK | MB_ICONWARNING); }

bool Exists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

// The file the user chooses; false when the dialog was cancelled.
bool AskExportPath(HWND window, wchar_t (&path)[kPathCapacity]) {
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = window;
  dialog.lpstrFilter = L"Excel Files\0*.xls\0";
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path;
  dialog.nMaxFile = kPathCapacity;
  dialog.lpstrDefExt = L"xls";
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
  return ShowSaveFileDialog(dialog) != FALSE;
}

// Copies the template (the one with the station column when withStation)
// to path, never over an existing file: a file of the chosen name could
// otherwise be handed on as this export. False, after telling the user
// why, when nothing was copied.
bool CopyTemplate(HWND window, const wchar_t* path, bool withStation) {
  // The path goes into a connection string, where these end the value.
  if (std::wcspbrk(path, L";}")) {
    ShowWarning(window, kBadPathCharacters);
    return false;
  }
  wchar_t folder[kPathCapacity];
  wchar_t templatePath[kPathCapacity];
  const wchar_t* const name = withStation ? kStationTemplateFileName : kTemplateFileName;
  if (GetProgramFolder(kPathCapacity, folder) == 0 || !JoinPath(folder, name, templatePath) ||
      !Exists(templatePath)) {
    ShowWarning(window, withStation ? kNoStationTemplate : kNoTemplate);
    return false;
  }
  if (CopyFileW(templatePath, path, TRUE)) return true;
  ShowWarning(window, Exists(path) ? kFileExists : kCannotCreate);
  return false;
}

}  // namespace

void RunExportCommand(HWND window, std::int32_t total, QueryContext& query, ReadSource& source) {
  if (total == 0) return;
  if (total > kMaxExportRows) {
    ShowWarning(window, kTooManyRows);
    return;
  }
  wchar_t path[kPathCapacity] = {};
  if (!AskExportPath(window, path) || !CopyTemplate(window, path, source.HasStations())) return;
  query.mode = kQueryAllRows;
  query.rowCount = 0;
  query.target = window;
  query.statement = nullptr;
  query.exportPath = path;
  ExportToSpreadsheet(query, source);
  query.exportPath = nullptr;
}
