#include "card/photo.h"

#include <cwchar>

#include "card/photo_decoder.h"
#include "common/checked_format.h"
#include "common/reader_settings.h"
#include "common/working_folders.h"

namespace {
constexpr wchar_t kPhotoFileName[] = L"image.wlt";
constexpr wchar_t kBitmapFileName[] = L"image.bmp";
constexpr UINT kPhotoPathCodePage = 936;
constexpr int kNarrowPathCapacity = 260;
constexpr std::size_t kIdNumberLength = 18;

struct PhotoStatus {
  int code;
  const wchar_t* text;
};
constexpr PhotoStatus kPhotoStatusTexts[] = {
    {1, L"相片解码解码正确"},  {0, L"调用读卡接口库错误"}, {-1, L"相片解码错误"}, {-2, L"wlt文件后缀错误"},
    {-3, L"wlt文件打开错误"}, {-4, L"wlt文件格式错误"},   {-6, L"设备连接错误"},
};

// Checked before every copy, since the month folder may have been removed
// while the program runs or an earlier creation may have failed: one
// attribute query when it exists, the whole path walked when it does not.
bool EnsureMonthFolder(wchar_t* archived) {
  wchar_t* name = std::wcsrchr(archived, L'\\');
  *name = L'\0';
  const DWORD attributes = GetFileAttributesW(archived);
  *name = L'\\';
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return true;
  return CreatePathFolders(archived) != 0;
}

bool WritePhotoFile(const wchar_t* path, const std::uint8_t* photo, std::uint32_t size) {
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  WriteFile(file, photo, size, &written, nullptr);  // a short write shows as a decoder failure
  CloseHandle(file);
  return true;
}
}  // namespace

int FormSaveFolderPath(wchar_t* out, int capacity, const wchar_t* name) {
  if (capacity <= 0) return 0;
  const int length = FormatChecked(out, static_cast<std::size_t>(capacity), L"%ls%ls", GetSavePath(), name);
  return length > 0 ? length : 0;
}

int DecodeCardPhoto(const std::uint8_t* photo, std::uint32_t size, int linkKind) {
  wchar_t path[kPathCapacity];
  if (FormSaveFolderPath(path, kPathCapacity, kPhotoFileName) == 0) return kPhotoDecodeFailed;
  if (!WritePhotoFile(path, photo, size)) return kPhotoDecodeFailed;
  char narrowPath[kNarrowPathCapacity];
  BOOL lossy = FALSE;
  const int converted =
      WideCharToMultiByte(kPhotoPathCodePage, 0, path, -1, narrowPath, kNarrowPathCapacity, nullptr, &lossy);
  // A path without an exact code page 936 form would name another file.
  if (converted == 0 || lossy) return kPhotoDecodeFailed;
  return GetBmp(narrowPath, linkKind);
}

const wchar_t* PhotoStatusText(int code) {
  for (const auto& entry : kPhotoStatusTexts) {
    if (entry.code == code) return entry.text;
  }
  return L"未知错误";
}

bool IsArchivableIdNumber(const wchar_t* idNumber) {
  for (std::size_t i = 0; i < kIdNumberLength; ++i) {
    const wchar_t c = idNumber[i];
    const bool digit = c >= L'0' && c <= L'9';
    if (!digit && !(c == L'X' && i == kIdNumberLength - 1)) return false;
  }
  return idNumber[kIdNumberLength] == L'\0';
}

int FormArchivedPhotoPath(wchar_t* out, const SYSTEMTIME& date, const wchar_t* idNumber) {
  if (!IsArchivableIdNumber(idNumber)) return 0;
  const int length = FormatChecked(out, kPathCapacity, L"%ls%04d%02d\\%02d_%ls.bmp", GetSavePath(), date.wYear,
                                   date.wMonth, date.wDay, idNumber);
  return length > 0 ? length : 0;
}

void ArchivePhoto(const SYSTEMTIME& now, const wchar_t* idNumber) {
  // A number from the card becomes part of a file name only when it cannot
  // lead out of the archive.
  wchar_t archived[kPathCapacity];
  if (FormArchivedPhotoPath(archived, now, idNumber) == 0) return;
  if (!EnsureMonthFolder(archived)) return;
  wchar_t bitmap[kPathCapacity];
  if (FormSaveFolderPath(bitmap, kPathCapacity, kBitmapFileName) == 0) return;
  CopyFileW(bitmap, archived, TRUE);  // the first photo of the day stays
}
