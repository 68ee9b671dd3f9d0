#include "reader_app/save_folder_messages.h"

std::wstring SaveFolderRefusalText(SaveFolderReadiness readiness, const wchar_t* folder) {
  const std::wstring named = folder;
  switch (readiness) {
    case SaveFolderReadiness::kTooLong:
      return L"保存文件夹的路径太长（最多" + std::to_wstring(kLongestSaveFolder) + L"个字符），请选择其他文件夹。";
    case SaveFolderReadiness::kCannotCreate:
      return L"无法创建保存文件夹 " + named + L"，请选择其他文件夹。";
    case SaveFolderReadiness::kCannotWrite:
      return L"无法在保存文件夹 " + named + L" 中写入文件，请选择其他文件夹。";
    case SaveFolderReadiness::kDatabaseNotCopied:
      return L"无法在保存文件夹 " + named + L" 中创建数据库，请选择其他文件夹。";
    case SaveFolderReadiness::kBlacklistNotCopied:
      return L"无法把黑名单复制到新的保存文件夹，保存文件夹未改变。黑名单可能正被其他程序修改，请稍后再试。";
    case SaveFolderReadiness::kReady:
    case SaveFolderReadiness::kReadyWithBlacklist:
    case SaveFolderReadiness::kReadyWithEmptyBlacklist:
      break;
  }
  return {};
}

std::wstring SaveFolderMoveText(const SaveFolderMove& move, const wchar_t* folder, const wchar_t* earlierFolder) {
  const std::wstring moved = L"保存文件夹已改为 " + std::wstring(folder) + L"。\n";
  switch (move.readiness) {
    case SaveFolderReadiness::kReadyWithBlacklist:
      return moved + L"黑名单（共" + std::to_wstring(move.blacklistRows) + L"条）已复制到新文件夹。\n以前保存的记录和照片仍在原文件夹 " +
             earlierFolder + L" 中，查询程序只查询新文件夹中的记录。";
    case SaveFolderReadiness::kReadyWithEmptyBlacklist:
      return moved + L"原文件夹 " + earlierFolder + L" 中没有数据库，新数据库的黑名单是空的，请用黑名单程序导入。";
    default:
      return {};
  }
}
