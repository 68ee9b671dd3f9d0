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

  ScopedTempFolder folder_;
};

TEST_F(PhotoArchiveTest, FirstPhotoOfTheDayIsKept) {
  WriteBitmap("first");
  ArchivePhoto(0, Day(2010, 5, 7), L"11010119800507123X");
  WriteBitmap("second");
  ArchivePhoto(5, Day(2010, 5, 7), L"11010119800507123X");
  EXPECT_EQ(ReadWholeFile(folder_ / L"201005\\07_11010119800507123X.bmp"), "first");
}

TEST_F(PhotoArchiveTest, MonthFolderIsMadeOnTheFirstReadOfAMonth) {
  WriteBitmap("photo");
  // Within the month the folder is taken to exist: a removed one stays gone.
  ArchivePhoto(5, Day(2010, 5, 7), L"110101198005071234");
  EXPECT_FALSE(FileExists(folder_ / L"201005"));
  ArchivePhoto(0, Day(2010, 5, 7), L"110101198005071234");
  EXPECT_TRUE(FileExists(folder_ / L"201005\\07_110101198005071234.bmp"));
  // A thread running since April meets the first of May.
  ArchivePhoto(4, Day(2010, 6, 1), L"110101198005071234");
  EXPECT_TRUE(FileExists(folder_ / L"201006\\01_110101198005071234.bmp"));
}

TEST_F(PhotoArchiveTest, NumbersThatCouldLeaveTheArchiveAreNotUsed) {
  WriteBitmap("photo");
  for (const wchar_t* number : {L"..\\..\\evil", L"11010119800507123x", L"", L"1101011980050712345", L"11010119800507/23X"}) {
    ArchivePhoto(0, Day(2010, 5, 7), number);
  }
  EXPECT_FALSE(FileExists(folder_ / L"201005"));
  EXPECT_TRUE(IsArchivableIdNumber(L"11010119800507123X"));
}

// The build's Wine prefix has a second drive T: (see scripts/wine-prefix);
// on a machine without one there is nothing to test.
TEST(PhotoArchiveOnAnotherDrive, SavePathOnADataDriveHoldsTheArchive) {
  if (GetDriveTypeW(L"T:\\") == DRIVE_NO_ROOT_DIR) GTEST_SKIP() << "no drive T:";
  const std::wstring savePath = L"T:\\archive-test-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
  ASSERT_TRUE(CreateDirectoryW(savePath.c_str(), nullptr));
  SetSavePath(savePath.c_str());
  std::ofstream(std::filesystem::path(savePath + L"image.bmp"), std::ios::binary) << "photo";
  ArchivePhoto(0, Day(2010, 5, 7), L"11010119800507123X");
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
