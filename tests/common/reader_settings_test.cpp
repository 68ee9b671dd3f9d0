// Loading and saving the settings record against real settings files in a
// redirected application-data folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>

#include "common/reader_settings.h"
#include "common/working_folders.h"
#include "settings_files.h"
#include "support/app_data_folder.h"
#include "support/temp_folder.h"

namespace {

class ReaderSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settingsFolder_ = appData_.Path() + L"Tarnwick\\";
    settingsFile_ = settingsFolder_ + L"RoraDI.ini";
    ASSERT_TRUE(CreateDirectoryW(settingsFolder_.c_str(), nullptr));
    SetSavePath(L"");
    SetBgBmp(L"");
  }

  void WriteSettings(const std::wstring& lines) { WriteUnicodeFile(settingsFile_, lines); }
  std::wstring Saved(const wchar_t* section, const wchar_t* key) {
    return ReadProfileValue(settingsFile_, section, key);
  }

  ScopedAppDataFolder appData_;
  std::wstring settingsFolder_;
  std::wstring settingsFile_;
};

TEST_F(ReaderSettingsTest, MissingFileLoadsTheDefaults) {
  LoadSettings();
  EXPECT_EQ(GetSound(), 1);
  EXPECT_EQ(GetDialog(), 0);
  EXPECT_EQ(GetClear(), 1);
  EXPECT_EQ(GetReservedTime(), 0);
  EXPECT_EQ(GetAutoSave(), 0);
  EXPECT_EQ(GetPortType(), kPortTypeUsb);
  EXPECT_EQ(GetComPort(), 1);
  EXPECT_EQ(GetUsbPort(), 1001);
  EXPECT_EQ(GetCurrentPort(), 1001);
  EXPECT_EQ(GetBaudRate(), 115200);
  EXPECT_EQ(GetReadAppend(), 0);
  EXPECT_EQ(GetPeriod(), 500);
  PrintPosition front{-1, -1};
  PrintPosition back{-1, -1};
  EXPECT_EQ(GetPrintPlacement(front, back), 3);
  EXPECT_EQ(std::make_pair(front.x, front.y), std::make_pair(0, 0));
  EXPECT_EQ(std::make_pair(back.x, back.y), std::make_pair(900, 0));
  EXPECT_EQ(std::wstring(GetBgBmp()), TestProgramFolder() + L"bg.bmp");
}

TEST_F(ReaderSettingsTest, ValuesOfTheFileReplaceTheDefaults) {
  WriteSettings(
      L"[Display]\nSound=0\nDialog=1\nClear=0\nReservedTime=30\nBgBmp=C:\\图片\\背景.bmp\n"
      L"[Save]\nAutoSave=1\n[Port]\nType=2\nCOMPort=4\nUSBPort=1002\nBaudRate=57600\n"
      L"[Card]\nReadAppend=1\nPeriod=250\n[Print]\nMode=2\n");
  LoadSettings();
  EXPECT_EQ(GetSound(), 0);
  EXPECT_EQ(GetDialog(), 1);
  EXPECT_EQ(GetClear(), 0);
  EXPECT_EQ(GetReservedTime(), 30);
  EXPECT_EQ(std::wstring(GetBgBmp()), L"C:\\图片\\背景.bmp");
  EXPECT_EQ(GetAutoSave(), 1);
  EXPECT_EQ(GetPortType(), 2);
  EXPECT_EQ(GetComPort(), 4);
  EXPECT_EQ(GetUsbPort(), 1002);
  EXPECT_EQ(GetBaudRate(), 57600);
  EXPECT_EQ(GetReadAppend(), 1);
  EXPECT_EQ(GetPeriod(), 250);
  PrintPosition front{};
  PrintPosition back{};
  EXPECT_EQ(GetPrintPlacement(front, back), 2);
}

TEST_F(ReaderSettingsTest, PeriodIsHeldBetween100And1000) {
  const std::pair<const wchar_t*, int> cases[] = {
      {L"50", 100}, {L"0", 100}, {L"100", 100}, {L"101", 101}, {L"999", 999}, {L"1000", 1000}, {L"5000", 1000}};
  for (const auto& [text, expected] : cases) {
    WriteSettings(std::wstring(L"[Card]\nPeriod=") + text + L"\n");
    LoadSettings();
    EXPECT_EQ(GetPeriod(), expected) << "Period=" << text;
  }
}

TEST_F(ReaderSettingsTest, PrintPositionsLoadInTenthsOfAMillimetre) {
  WriteSettings(L"[Print]\nxPosFront=12\nyPosFront=7\nyPosBack=45\n");
  LoadSettings();
  PrintPosition front{};
  PrintPosition back{};
  GetPrintPlacement(front, back);
  EXPECT_EQ(std::make_pair(front.x, front.y), std::make_pair(120, 70));
  EXPECT_EQ(std::make_pair(back.x, back.y), std::make_pair(900, 450));

  // A position too large for tenths is held at the largest, never wrapped.
  WriteSettings(L"[Print]\nxPosFront=300000000\n");
  LoadSettings();
  GetPrintPlacement(front, back);
  EXPECT_EQ(front.x, INT_MAX);
}

TEST_F(ReaderSettingsTest, EmptyBackgroundBecomesTheShippedPictureAndIsSavedBack) {
  WriteSettings(L"[Display]\nBgBmp=\n");
  LoadSettings();
  const std::wstring shipped = TestProgramFolder() + L"bg.bmp";
  EXPECT_EQ(std::wstring(GetBgBmp()), shipped);
  ASSERT_NE(SaveSettings(), 0);
  EXPECT_EQ(Saved(L"Display", L"BgBmp"), shipped);
}

TEST_F(ReaderSettingsTest, OverLongBackgroundIsNotCutButReplacedByTheShippedPicture) {
  WriteSettings(L"[Display]\nBgBmp=C:\\" + Repeated(L'b', 300) + L".bmp\n");
  LoadSettings();
  EXPECT_EQ(std::wstring(GetBgBmp()), TestProgramFolder() + L"bg.bmp");
}

TEST_F(ReaderSettingsTest, SerialKindKeepsAndSavesTheComPortOnly) {
  WriteSettings(L"[Port]\nType=2\nCOMPort=3\nUSBPort=1001\n");
  LoadSettings();
  EXPECT_EQ(GetCurrentPort(), 3);
  SetCurrentPort(7);
  EXPECT_EQ(GetComPort(), 7);
  EXPECT_EQ(GetUsbPort(), 1001);

  DeleteFileW(settingsFile_.c_str());
  ASSERT_NE(SaveSettings(), 0);
  EXPECT_EQ(Saved(L"Port", L"Type"), L"2");
  EXPECT_EQ(Saved(L"Port", L"COMPort"), L"7");
  EXPECT_EQ(Saved(L"Port", L"USBPort"), L"<absent>");
}

TEST_F(ReaderSettingsTest, UsbKindStoresPortsFromOneThousandAndSavesTheUsbPortOnly) {
  SetPortType(kPortTypeUsb);
  SetComPort(5);
  SetCurrentPort(1);
  EXPECT_EQ(GetUsbPort(), 1001);
  EXPECT_EQ(GetCurrentPort(), 1001);
  EXPECT_EQ(GetComPort(), 5);

  ASSERT_NE(SaveSettings(), 0);
  EXPECT_EQ(Saved(L"Port", L"USBPort"), L"1001");
  EXPECT_EQ(Saved(L"Port", L"COMPort"), L"<absent>");
}

TEST_F(ReaderSettingsTest, SaveWritesTheEditableKeysAndLeavesTheOthers) {
  WriteSettings(L"[Port]\nBaudRate=57600\n[Card]\nPeriod=200\n[Print]\nxPosBack=80\n");
  LoadSettings();
  SetSound(0);
  SetDialog(1);
  SetClear(0);
  SetReservedTime(15);
  SetAutoSave(1);
  SetSavePath(L"E:\\记录");
  SetBgBmp(L"E:\\背景.bmp");
  ASSERT_NE(SaveSettings(), 0);

  EXPECT_EQ(Saved(L"Display", L"Sound"), L"0");
  EXPECT_EQ(Saved(L"Display", L"Dialog"), L"1");
  EXPECT_EQ(Saved(L"Display", L"Clear"), L"0");
  EXPECT_EQ(Saved(L"Display", L"ReservedTime"), L"15");
  EXPECT_EQ(Saved(L"Display", L"BgBmp"), L"E:\\背景.bmp");
  EXPECT_EQ(Saved(L"Save", L"AutoSave"), L"1");
  EXPECT_EQ(Saved(L"Save", L"SavePath"), L"E:\\记录\\");
  EXPECT_EQ(Saved(L"Port", L"BaudRate"), L"57600");
  EXPECT_EQ(Saved(L"Card", L"Period"), L"200");
  EXPECT_EQ(Saved(L"Print", L"xPosBack"), L"80");
}

TEST_F(ReaderSettingsTest, SaveIntoAMissingFileKeepsChineseText) {
  SetSavePath(L"E:\\身份证记录\\");
  ASSERT_NE(SaveSettings(), 0);
  const std::string bytes = ReadWholeFile(settingsFile_);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(Saved(L"Save", L"SavePath"), L"E:\\身份证记录\\");
}

TEST_F(ReaderSettingsTest, SaveTurnsAFileWithoutByteOrderMarkIntoUnicodeAndKeepsItsKeys) {
  WriteFileBytes(settingsFile_, {'[', 'C', 'a', 'r', 'd', ']', '\r', '\n', 'P', 'e', 'r', 'i', 'o', 'd', '=', '2', '0', '0'});
  SetSavePath(L"E:\\身份证记录\\");
  ASSERT_NE(SaveSettings(), 0);
  EXPECT_EQ(ReadWholeFile(settingsFile_).substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(Saved(L"Save", L"SavePath"), L"E:\\身份证记录\\");
  EXPECT_EQ(Saved(L"Card", L"Period"), L"200");
}

TEST_F(ReaderSettingsTest, ASaveCutBeforeTheReplaceLeavesTheOldFileWhole) {
  WriteSettings(L"[Display]\nSound=1\n[Save]\nAutoSave=1\nSavePath=D:\\记录\\\n[Card]\nPeriod=200\n");
  const std::string before = ReadWholeFile(settingsFile_);
  LoadSettings();
  SetSound(0);
  SetAutoSave(0);
  {
    // Another reader that does not let the file be replaced: the save gets
    // as far as its copy beside the file and no further, as when the power
    // fails in between. Written in place, the file would change under it.
    HANDLE reader = CreateFileW(settingsFile_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(SaveSettings(), 0);
    CloseHandle(reader);
  }
  EXPECT_EQ(ReadWholeFile(settingsFile_), before);
  WIN32_FIND_DATAW entry{};
  HANDLE search = FindFirstFileW((settingsFolder_ + L"RoraDI.ini?*").c_str(), &entry);
  EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "left beside it: " << std::wstring(entry.cFileName);
  if (search != INVALID_HANDLE_VALUE) FindClose(search);

  LoadSettings();
  EXPECT_EQ(GetSound(), 1);
  EXPECT_EQ(GetAutoSave(), 1);
}

TEST_F(ReaderSettingsTest, WithoutASettingsFolderNothingIsReadOrWritten) {
  WriteSettings(L"[Card]\nPeriod=300\n");
  LoadSettings();
  appData_.PointAt(L"C:\\" + Repeated(L'a', 250));
  WriteSettings(L"[Card]\nPeriod=700\n");
  LoadSettings();
  EXPECT_EQ(GetPeriod(), 300);
  EXPECT_EQ(SaveSettings(), 0);
}

TEST(SavePathTest, IsHeldWithOneTrailingBackslashOrRefusedWhenTooLong) {
  SetSavePath(L"D:\\data");
  EXPECT_EQ(std::wstring(GetSavePath()), L"D:\\data\\");
  SetSavePath(L"D:\\data\\");
  EXPECT_EQ(std::wstring(GetSavePath()), L"D:\\data\\");
  SetSavePath(L"");
  EXPECT_EQ(std::wstring(GetSavePath()), L"");

  const std::wstring longest = L"D:\\" + Repeated(L'x', 255);  // 259 with its backslash
  EXPECT_EQ(SetSavePath(longest.c_str()), 1);
  EXPECT_EQ(std::wstring(GetSavePath()), longest + L"\\");

  SetSavePath(L"D:\\kept\\");
  EXPECT_EQ(SetSavePath((longest + L"y").c_str()), 0);
  EXPECT_EQ(std::wstring(GetSavePath()), L"D:\\kept\\");
  SetBgBmp(L"D:\\kept.bmp");
  SetBgBmp(Repeated(L'z', kPathCapacity).c_str());
  EXPECT_EQ(std::wstring(GetBgBmp()), L"D:\\kept.bmp");
}

}  // namespace
