// The month archive of photos in the save folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "card/photo.h"
#include "common/reader_settings.h"
#include "support/temp_folder.h"

namespace {
SYSTEMTIME Day(WORD year, WORD month, WORD day) {
  SYSTEMTIME time{};
  time.wYear = year;
  time.wMonth = month;
  time.wDay = day;
  time.wHour = 10;
  return time;
}

class PhotoArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override { SetSavePath(folder_.Path().c_str()); }

  void WriteBitmap(const std::string& content) {
    std::ofstream(std::filesystem::path(folder_ / L"image.bmp"), std::ios::binary) << content;
  }

  void Archive(const SYSTEMTIME& day, const wchar_t* number) {
    ArchivePhoto(day, number, (folder_.Path() + L"image.bmp").c_str());
  }

  ScopedTempFolder folder_;
};

TEST_F(PhotoArchiveTest, FirstPhotoOfTheDayIsKept) {
  WriteBitmap("first");
  Archive(Day(2010, 5, 7), L"11010119800507123X");
  WriteBitmap("second");
  Archive(Day(2010, 5, 7), L"11010119800507123X");
  EXPECT_EQ(ReadWholeFile(folder_ / L"201005\\07_11010119800507123X.bmp"), "first");
}

TEST_F(PhotoArchiveTest, EveryCopyFindsItsMonthFolder) {
  WriteBitmap("photo");
  // A card whose number names no file, then the first good one of a month.
  Archive(Day(2010, 5, 7), L"ABC123456789012   ");
  Archive(Day(2010, 5, 7), L"110101198005071234");
  EXPECT_TRUE(FileExists(folder_ / L"201005\\07_110101198005071234.bmp"));
  // The same month of another year has a folder of its own.
  Archive(Day(2011, 5, 7), L"110101198005071234");
  EXPECT_TRUE(FileExists(folder_ / L"201105\\07_110101198005071234.bmp"));
  // A month folder removed while the program runs comes back.
  std::filesystem::remove_all(std::filesystem::path(folder_ / L"201005"));
  Archive(Day(2010, 5, 8), L"110101198005071234");
  EXPECT_TRUE(FileExists(folder_ / L"201005\\08_110101198005071234.bmp"));
}

TEST_F(PhotoArchiveTest, OnlyAnEighteenCharacterCitizenNumberNamesAFile) {
  WriteBitmap("photo");
  for (const wchar_t* number : {L"..\\..\\evil", L"11010119800507123x", L"", L"1101011980050712345",
                                L"11010119800507/23X", L"1101011980050712X4", L"12345", L"X"}) {
    Archive(Day(2010, 5, 7), number);
    EXPECT_FALSE(IsArchivableIdNumber(number));
  }
  EXPECT_FALSE(FileExists(folder_ / L"201005"));
  EXPECT_TRUE(IsArchivableIdNumber(L"11010119800507123X"));
}

TEST_F(PhotoArchiveTest, PathsThatDoNotFitAreRefusedNotCut) {
  WriteBitmap("photo");
  // "image.bmp" and "image.wlt" take the folder one past the longest path.
  ASSERT_EQ(SetSavePath(PaddedFolder(folder_.Path(), kPathCapacity - 9).c_str()), 1);
  wchar_t path[kPathCapacity];
  EXPECT_EQ(FormSaveFolderPath(path, kPathCapacity, L"image.bmp"), 0);
  EXPECT_STREQ(path, L"");
  // The save folder's copy of the photo file is refused, not cut.
  const std::uint8_t photo[] = {1, 2, 3};
  DecodeCardPhoto(photo, sizeof photo, kLinkKindSerial);
  EXPECT_FALSE(FileExists(folder_ / L"image.wl"));
  // The month folder fits, the archived photo does not.
  ASSERT_EQ(SetSavePath(PaddedFolder(folder_.Path(), 240).c_str()), 1);
  Archive(Day(2010, 5, 7), L"11010119800507123X");
  EXPECT_FALSE(FileExists(folder_ / L"201005"));
}

// The build's Wine prefix has a second drive T: (see scripts/wine-prefix);
// on a machine without one there is nothing to test.
TEST(PhotoArchiveOnAnotherDrive, SavePathOnADataDriveHoldsTheArchive) {
  if (GetDriveTypeW(L"T:\\") == DRIVE_NO_ROOT_DIR) GTEST_SKIP() << "no drive T:";
  const std::wstring savePath = L"T:\\archive-test-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
  ASSERT_TRUE(CreateDirectoryW(savePath.c_str(), nullptr));
  SetSavePath(savePath.c_str());
  const std::wstring bitmap = savePath + L"image.bmp";
  std::ofstream(std::filesystem::path(bitmap), std::ios::binary) << "photo";
  ArchivePhoto(Day(2010, 5, 7), L"11010119800507123X", bitmap.c_str());
  EXPECT_EQ(ReadWholeFile(savePath + L"201005\\07_11010119800507123X.bmp"), "photo");
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(savePath), ignored);
}

TEST(PhotoStatusText, TextsOfTheDecoderResults) {
  EXPECT_STREQ(PhotoStatusText(1), L"相片解码解码正确");
  EXPECT_STREQ(PhotoStatusText(0), L"调用读卡接口库错误");
  EXPECT_STREQ(PhotoStatusText(-1), L"相片解码错误");
  EXPECT_STREQ(PhotoStatusText(-4), L"wlt文件格式错误");
  EXPECT_STREQ(PhotoStatusText(-6), L"设备连接错误");
  EXPECT_STREQ(PhotoStatusText(-5), L"未知错误");
}
}  // namespace
