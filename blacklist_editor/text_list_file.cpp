#include "blacklist_editor/text_list_file.h"

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "photo_decoder/win32_file.h"

namespace {

ListFileResult FromFileResult(FileResult result) {
  switch (result) {
    case FileResult::kOk:
      return ListFileResult::kOk;
    case FileResult::kCannotOpen:
      return ListFileResult::kCannotOpen;
    case FileResult::kTooLarge:
      return ListFileResult::kTooLarge;
    default:
      return ListFileResult::kFailed;
  }
}

std::u16string_view AsUtf16(const std::wstring& text) {
  return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}

// The folder part of path, with its trailing backslash, or "." for a bare name.
std::wstring FolderOf(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash + 1);
}

}  // namespace

ListFileResult ReadTextListFile(const std::wstring& path, TextList& list) {
  std::vector<std::uint8_t> bytes;
  const FileResult read = ReadSmallFile(path, kMaxTextListBytes, bytes);
  if (read != FileResult::kOk) return FromFileResult(read);
  list = ReadTextList({reinterpret_cast<const char*>(bytes.data()), bytes.size()}, kMaxImportNumbers);
  return list.tooManyNumbers ? ListFileResult::kTooManyNumbers : ListFileResult::kOk;
}

ListFileResult WriteTextListFile(const std::wstring& path, const std::vector<BlacklistRow>& rows) {
  std::string text(kTextListStart);
  for (const BlacklistRow& row : rows) AppendTextListLine(AsUtf16(row.cardid), AsUtf16(row.reason), text);
  wchar_t temporary[MAX_PATH];
  if (GetTempFileNameW(FolderOf(path).c_str(), L"blk", 0, temporary) == 0) return ListFileResult::kCannotOpen;
  const FileResult written = WriteWholeFile(temporary, std::vector<std::uint8_t>(text.begin(), text.end()));
  if (written != FileResult::kOk) {
    DeleteFileW(temporary);
    return FromFileResult(written);
  }
  if (!MoveFileExW(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
    DeleteFileW(temporary);
    return ListFileResult::kFailed;
  }
  return ListFileResult::kOk;
}
