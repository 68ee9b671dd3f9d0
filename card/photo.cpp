#include "card/photo.h"

#include <cwchar>

#include "card/photo_decoder.h"
#include "common/reader_settings.h"
#include "common/working_folders.h"

namespace {
constexpr wchar_t kPhotoFileName[] = L"image.wlt";
constexpr wchar_t kBitmapFileName[] = L"image.bmp";
constexpr UINT kPhotoPathCodePage = 936;
constexpr int kNarrowPathCapacity = 260;
constexpr std::size_t kLongestIdNumber = 18;

struct PhotoStatus {
  int code;
  const wchar_t* text;
};
constexpr PhotoStatus kPhotoStatusTexts[] = {
    {1, L"相片解码解码正确"},  {0, L"调用读卡接口库错误"}, {-1, L"相片解码错误"}, {-2, L"wlt文件后缀错误"},
    {-3, L"wlt文件打开错误"}, {-4, L"wlt文件格式错误"},   {-6, L"设备连接错误"},
};

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
  const int length = std::swprintf(out, static_cast<std::size_t>(capacity), L"%ls%ls", GetSavePath(), name);
  if (length < 0 || length >= capacity) {
    out[0] = L'\0';
    return 0;
  }
  return length;
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
  std::size_t length = 0;
  for (; idNumber[length] != L'\0'; ++length) {
    const wchar_t c = idNumber[length];
    if (!((c >= L'0' && c <= L'9') || c == L'X') || length >= kLongestIdNumber) return false;
  }
  return length > 0;
}

void ArchivePhoto(int previousMonth, const SYSTEMTIME& now, const wchar_t* idNumber) {
  // A number from the card becomes part of a file name only when it cannot
  // lead out of the archive.
  if (!IsArchivableIdNumber(idNumber)) return;
  wchar_t archived[kPathCapacity];
  const int length = std::swprintf(archived, kPathCapacity, L"%ls%04d%02d\\%02d_%ls.bmp", GetSavePath(), now.wYear,
                                   now.wMonth, now.wDay, idNumber);
  if (length < 0 || length >= kPathCapacity) return;
  if (previousMonth == 0 || previousMonth != now.wMonth) CreatePathFolders(archived);
  wchar_t bitmap[kPathCapacity];
  if (FormSaveFolderPath(bitmap, kPathCapacity, kBitmapFileName) == 0) return;
  CopyFileW(bitmap, archived, TRUE);  // the first photo of the day stays
}
