// PhotoDecoder.dll: GetBmp turns the card photo file image.wlt into the
// bitmap image.bmp beside it.
//
// int __stdcall GetBmp(const char* wltFile, int linkKind), exported under
// the plain name GetBmp (see PhotoDecoder.def). The path comes in code page
// 936 whatever the system's ANSI code page is, so Chinese folder names work
// on any Windows. Results:
//    1  image.bmp written
//   -1  the bitmap could not be made or written
//   -2  the file name does not end in ".wlt" (any case)
//   -3  the file cannot be opened, or its path is not a valid path of at
//       most 259 characters
//   -4  the file holds no valid photo
//   -6  linkKind is neither 1 (serial) nor 2 (USB)
#include <windows.h>

#include <string>
#include <vector>

#include "photo_decoder/bmp_file.h"
#include "photo_decoder/win32_file.h"
#include "photo_decoder/wlt_codec.h"

namespace {

enum GetBmpResult : int {
  kBitmapWritten = 1,
  kDecodeFailed = -1,
  kWrongSuffix = -2,
  kCannotOpen = -3,
  kNotAPhoto = -4,
  kWrongLinkKind = -6,
};

constexpr UINT kChineseCodePage = 936;
constexpr std::size_t kLongestPath = MAX_PATH - 1;
// A card holds 1024 bytes; a file much larger than that is no card photo.
constexpr std::size_t kLargestPhotoFile = 64 * 1024;

// The path as UTF-16, or false for bytes that are not valid in code page 936.
bool WidenPath(const char* narrow, std::wstring& wide) {
  const int length = MultiByteToWideChar(kChineseCodePage, MB_ERR_INVALID_CHARS, narrow, -1, nullptr, 0);
  if (length <= 0) return false;
  wide.resize(static_cast<std::size_t>(length));
  if (MultiByteToWideChar(kChineseCodePage, MB_ERR_INVALID_CHARS, narrow, -1, wide.data(), length) != length) {
    return false;
  }
  wide.pop_back();  // the terminator
  return true;
}

bool HasPhotoSuffix(const std::wstring& path) {
  static constexpr wchar_t kSuffix[] = L".wlt";
  constexpr std::size_t kSuffixLength = 4;
  if (path.size() < kSuffixLength) return false;
  return CompareStringOrdinal(path.c_str() + path.size() - kSuffixLength, static_cast<int>(kSuffixLength), kSuffix,
                              static_cast<int>(kSuffixLength), TRUE) == CSTR_EQUAL;
}

// image.bmp in the folder of the photo file.
std::wstring BitmapPathBeside(const std::wstring& photoPath) {
  const std::size_t separator = photoPath.find_last_of(L"\\/:");
  const std::wstring folder = separator == std::wstring::npos ? std::wstring() : photoPath.substr(0, separator + 1);
  return folder + L"image.bmp";
}

int DecodePhotoFile(const std::wstring& photoPath) {
  std::vector<std::uint8_t> bytes;
  switch (ReadSmallFile(photoPath, kLargestPhotoFile, bytes)) {
    case FileResult::kOk:
      break;
    case FileResult::kTooLarge:
      return kNotAPhoto;
    default:
      return kCannotOpen;
  }
  RgbImage photo;
  if (!DecodeWltPhoto(bytes, photo)) return kNotAPhoto;
  const std::wstring bitmapPath = BitmapPathBeside(photoPath);
  if (bitmapPath.size() > kLongestPath) return kDecodeFailed;
  return WriteWholeFile(bitmapPath, EncodeBmp(photo)) == FileResult::kOk ? kBitmapWritten : kDecodeFailed;
}

int GetBmpChecked(const char* wltFile, int linkKind) {
  if (linkKind != 1 && linkKind != 2) return kWrongLinkKind;
  if (wltFile == nullptr) return kWrongSuffix;
  std::wstring photoPath;
  if (!WidenPath(wltFile, photoPath)) return kCannotOpen;
  if (!HasPhotoSuffix(photoPath)) return kWrongSuffix;
  if (photoPath.size() > kLongestPath) return kCannotOpen;
  return DecodePhotoFile(photoPath);
}

}  // namespace

extern "C" int WINAPI GetBmp(const char* wltFile, int linkKind) {
  try {
    return GetBmpChecked(wltFile, linkKind);
  } catch (...) {  // out of memory: nothing may cross into the caller
    return kDecodeFailed;
  }
}
