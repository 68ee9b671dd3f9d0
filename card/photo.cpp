#include "card/photo.h"

#include <cwchar>

#include "card/photo_decoder.h"
#include "common/checked_format.h"
#include "common/reader_settings.h"
#include "common/working_folders.h"

namespace {
constexpr wchar_t kPhotoFileName[] = L"image.wlt";
constexpr wchar_t kBitmapFileName[] = L"image.bmp";
// Appended to an archived photo's path while it is being written.
constexpr wchar_t kPartialCopyFormat[] = L"%ls.tmp%08lX";
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

// The save folder keeps image.wlt and image.bmp of the last card read, as
// other programs expect them there; this process no longer reads them, so
// a save folder that cannot take them costs nothing but those copies.
void CopyToSaveFolder(const std::uint8_t* photo, std::uint32_t size, const wchar_t* decoded) {
  wchar_t path[kPathCapacity];
  if (FormSaveFolderPath(path, kPathCapacity, kPhotoFileName) != 0) WritePhotoFile(path, photo, size);
  if (decoded != nullptr && FormSaveFolderPath(path, kPathCapacity, kBitmapFileName) != 0) {
    CopyFileW(decoded, path, FALSE);
  }
}

// The copy reaches the disk before it gets its name: a power cut leaves a
// partial file under the temporary name, never a short photo of the day.
bool FlushFile(const wchar_t* path) {
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool flushed = FlushFileBuffers(file) != 0;
  CloseHandle(file);
  return flushed;
}

void CopyUnderTemporaryName(const wchar_t* bitmap, const wchar_t* archived) {
  wchar_t partial[kPathCapacity];
  if (FormatChecked(partial, kPathCapacity, kPartialCopyFormat, archived, GetCurrentProcessId()) < 0) return;
  const bool complete = CopyFileW(bitmap, partial, FALSE) && FlushFile(partial) &&
                        MoveFileExW(partial, archived, MOVEFILE_WRITE_THROUGH);
  if (!complete) DeleteFileW(partial);
}
}  // namespace

int FormReadingFolderPath(wchar_t* out, int capacity, const wchar_t* name) {
  if (capacity <= 0) return 0;
  wchar_t temporary[kPathCapacity];
  const DWORD length = GetTempPathW(kPathCapacity, temporary);
  if (length == 0 || length >= kPathCapacity) return 0;
  wchar_t folder[kPathCapacity];
  if (FormatChecked(folder, kPathCapacity, L"%lsTarnwickRead-%lu\\", temporary, GetCurrentProcessId()) < 0) return 0;
  if (GetFileAttributesW(folder) == INVALID_FILE_ATTRIBUTES && CreatePathFolders(folder) == 0) return 0;
  const int formed = FormatChecked(out, static_cast<std::size_t>(capacity), L"%ls%ls", folder, name);
  return formed > 0 ? formed : 0;
}

int FormSaveFolderPath(wchar_t* out, int capacity, const wchar_t* name) {
  if (capacity <= 0) return 0;
  const int length = FormatChecked(out, static_cast<std::size_t>(capacity), L"%ls%ls", GetSavePath(), name);
  return length > 0 ? length : 0;
}

namespace {
// What became of one decoding in the reading folder: whether the decoder
// ran at all, and its result.
struct DecoderRun {
  bool ran;
  int result;
};

DecoderRun DecodeInReadingFolder(const std::uint8_t* photo, std::uint32_t size, int linkKind,
                                 wchar_t (&decoded)[kPathCapacity]) {
  wchar_t path[kPathCapacity];
  if (FormReadingFolderPath(path, kPathCapacity, kPhotoFileName) == 0 ||
      FormReadingFolderPath(decoded, kPathCapacity, kDecodedPhotoName) == 0) {
    return {false, kPhotoDecodeFailed};
  }
  // The previous card's bitmap must never pass for this card's.
  DeleteFileW(decoded);
  if (!WritePhotoFile(path, photo, size)) return {false, kPhotoDecodeFailed};
  char narrowPath[kNarrowPathCapacity];
  BOOL lossy = FALSE;
  const int converted =
      WideCharToMultiByte(kPhotoPathCodePage, 0, path, -1, narrowPath, kNarrowPathCapacity, nullptr, &lossy);
  // A path without an exact code page 936 form would name another file.
  if (converted == 0 || lossy) return {false, kPhotoDecodeFailed};
  return {true, GetBmp(narrowPath, linkKind)};
}
}  // namespace

int DecodeCardPhoto(const std::uint8_t* photo, std::uint32_t size, int linkKind) {
  wchar_t decoded[kPathCapacity];
  const DecoderRun run = DecodeInReadingFolder(photo, size, linkKind, decoded);
  if (run.ran) CopyToSaveFolder(photo, size, run.result == kPhotoDecoded ? decoded : nullptr);
  return run.result;
}

int DecodeStoredPhoto(const std::uint8_t* photo, std::uint32_t size, wchar_t (&decoded)[kPathCapacity]) {
  const DecoderRun run = DecodeInReadingFolder(photo, size, kLinkKindSerial, decoded);
  if (run.result != kPhotoDecoded) decoded[0] = L'\0';
  return run.result;
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

void ArchivePhoto(const SYSTEMTIME& now, const wchar_t* idNumber, const wchar_t* bitmap) {
  // A number from the card becomes part of a file name only when it cannot
  // lead out of the archive.
  wchar_t archived[kPathCapacity];
  if (FormArchivedPhotoPath(archived, now, idNumber) == 0) return;
  if (!EnsureMonthFolder(archived)) return;
  // The first photo of the day stays; the rename below keeps it too.
  if (GetFileAttributesW(archived) != INVALID_FILE_ATTRIBUTES) return;
  CopyUnderTemporaryName(bitmap, archived);
}
