// The decoder library as the reader programs call it: loaded by name, GetBmp
// found under its plain export name, paths in code page 936.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bench/sample_portraits.h"
#include "photo_decoder/bmp_file.h"
#include "photo_decoder/wlt_codec.h"
#include "support/temp_folder.h"

namespace {
using GetBmpFunction = int(WINAPI*)(const char*, int);

std::string ToCodePage936(const std::wstring& text) {
  const int length = WideCharToMultiByte(936, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(936, 0, text.c_str(), -1, narrow.data(), length, nullptr, nullptr);
  narrow.pop_back();
  return narrow;
}

void WriteBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

// A photo as a card holds it: the encoded bytes padded with zeros to 1024.
std::vector<std::uint8_t> CardPhoto(std::uint32_t seed) {
  std::vector<std::uint8_t> photo = EncodeWltPhoto(MakeSamplePortrait(seed, kWltPhotoWidth, kWltPhotoHeight));
  photo.resize(kWltMaxBytes, 0);
  return photo;
}

class GetBmpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    library_ = LoadLibraryW(L"PhotoDecoder.dll");
    ASSERT_NE(library_, nullptr);
    // Through void*: the platform types every export as one function type.
    getBmp_ = reinterpret_cast<GetBmpFunction>(reinterpret_cast<void*>(GetProcAddress(library_, "GetBmp")));
    ASSERT_NE(getBmp_, nullptr);
  }
  void TearDown() override {
    if (library_ != nullptr) FreeLibrary(library_);
  }

  int GetBmp(const std::wstring& path, int linkKind = 1) { return getBmp_(ToCodePage936(path).c_str(), linkKind); }

  ScopedTempFolder folder_;
  HMODULE library_ = nullptr;
  GetBmpFunction getBmp_ = nullptr;
};

TEST_F(GetBmpTest, WritesTheDecodedPhotoAsABottomUpBitmapBesideIt) {
  const std::vector<std::uint8_t> photo = CardPhoto(3);
  for (const std::wstring& folder : {folder_.Path(), folder_ / L"相片 档案\\"}) {
    CreateDirectoryW(folder.c_str(), nullptr);
    WriteBytes(folder + L"image.wlt", photo);
    for (int linkKind : {1, 2}) {
      DeleteFileW((folder + L"image.bmp").c_str());
      ASSERT_EQ(GetBmp(folder + L"image.wlt", linkKind), 1);
      const std::string bitmap = ReadWholeFile(folder + L"image.bmp");
      ASSERT_GE(bitmap.size(), 54u);
      const auto field = [&](std::size_t offset) {
        return static_cast<std::int32_t>(static_cast<std::uint8_t>(bitmap[offset]) |
                                         static_cast<std::uint8_t>(bitmap[offset + 1]) << 8 |
                                         static_cast<std::uint8_t>(bitmap[offset + 2]) << 16 |
                                         static_cast<std::uint8_t>(bitmap[offset + 3]) << 24);
      };
      EXPECT_EQ(field(18), 102);
      EXPECT_EQ(field(22), 126);  // positive: bottom-up
      EXPECT_EQ(field(28) & 0xFFFF, 24);
      RgbImage expected, written;
      ASSERT_TRUE(DecodeWltPhoto(photo, expected));
      ASSERT_TRUE(DecodeBmp(std::vector<std::uint8_t>(bitmap.begin(), bitmap.end()), written));
      EXPECT_EQ(written.pixels, expected.pixels);
    }
  }
  // The suffix is matched without regard to case.
  WriteBytes(folder_ / L"PHOTO.WLT", photo);
  EXPECT_EQ(GetBmp(folder_ / L"PHOTO.WLT"), 1);
}

TEST_F(GetBmpTest, EveryFailureHasItsOwnResult) {
  WriteBytes(folder_ / L"image.wlt", CardPhoto(4));
  WriteBytes(folder_ / L"photo.bin", CardPhoto(4));
  EXPECT_EQ(GetBmp(folder_ / L"image.wlt", 0), -6);
  EXPECT_EQ(GetBmp(folder_ / L"image.wlt", 3), -6);
  EXPECT_EQ(GetBmp(folder_ / L"photo.bin"), -2);
  EXPECT_EQ(GetBmp(folder_ / L"image.wlt.bak"), -2);
  EXPECT_EQ(getBmp_(nullptr, 1), -2);
  EXPECT_EQ(GetBmp(folder_ / L"absent.wlt"), -3);
  EXPECT_EQ(GetBmp(folder_ / (std::wstring(260, L'a') + L".wlt")), -3);

  WriteBytes(folder_ / L"noise.wlt", std::vector<std::uint8_t>(1024, 0xA5));
  EXPECT_EQ(GetBmp(folder_ / L"noise.wlt"), -4);
  WriteBytes(folder_ / L"empty.wlt", {});
  EXPECT_EQ(GetBmp(folder_ / L"empty.wlt"), -4);
  std::vector<std::uint8_t> huge = CardPhoto(4);
  huge.resize(1 << 20, 0);
  WriteBytes(folder_ / L"huge.wlt", huge);
  EXPECT_EQ(GetBmp(folder_ / L"huge.wlt"), -4);
  EXPECT_FALSE(FileExists(folder_ / L"image.bmp"));

  // A folder where the bitmap should go: the photo is fine, the bitmap
  // cannot be written.
  ASSERT_TRUE(CreateDirectoryW((folder_ / L"image.bmp").c_str(), nullptr));
  EXPECT_EQ(GetBmp(folder_ / L"image.wlt"), -1);
}
}  // namespace
