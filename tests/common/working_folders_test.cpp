// The folder routines and the start-up preparation against real folders: a
// redirected application-data folder, the test program's folder as program
// folder with the shipped files beside it, and temporary save folders.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/reader_settings.h"
#include "common/working_folders.h"
#include "message_capture.h"
#include "settings_files.h"
#include "support/app_data_folder.h"
#include "support/temp_folder.h"

namespace {

using Texts = std::vector<std::wstring>;

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void WriteBytes(const std::wstring& path, const char* bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, bytes, static_cast<DWORD>(strlen(bytes)), &written, nullptr);
  CloseHandle(file);
}

class WorkingFoldersTest : public ::testing::Test {
 protected:
  void SetUp() override { SetSavePath(L""); }

  std::wstring SettingsFolder() const { return appData_.Path() + L"Tarnwick\\"; }
  std::wstring SettingsFile() const { return SettingsFolder() + L"RoraDI.ini"; }
  std::wstring Shipped(const wchar_t* name) const { return TestProgramFolder() + name; }

  // A settings folder whose settings file names the save folder.
  void PrepareSettingsNaming(const std::wstring& saveFolder) {
    ASSERT_TRUE(CreateDirectoryW(SettingsFolder().c_str(), nullptr));
    WriteUnicodeFile(SettingsFile(), L"[Save]\nSavePath=" + saveFolder + L"\n");
  }

  ScopedAppDataFolder appData_;
  ScopedMessageCapture messages_;
};

TEST_F(WorkingFoldersTest, SettingsFolderIsTheTarnwickFolderOfTheApplicationData) {
  wchar_t buffer[kPathCapacity];
  const std::wstring expected = SettingsFolder();
  EXPECT_EQ(GetSettingsFolder(kPathCapacity, buffer), static_cast<int>(expected.size()));
  EXPECT_EQ(std::wstring(buffer), expected);
  EXPECT_EQ(GetSettingsFilePath(kPathCapacity, buffer), static_cast<int>(expected.size() + 10));
  EXPECT_EQ(std::wstring(buffer), SettingsFile());

  EXPECT_EQ(GetSettingsFolder(kPathCapacity - 1, buffer), 0);
  EXPECT_EQ(std::wstring(buffer), L"");
}

TEST_F(WorkingFoldersTest, SettingsFolderThatWouldBeTooLongCannotBeHad) {
  appData_.PointAt(L"C:\\" + Repeated(L'a', 250));
  wchar_t buffer[kPathCapacity] = L"old";
  EXPECT_EQ(GetSettingsFolder(kPathCapacity, buffer), 0);
  EXPECT_EQ(std::wstring(buffer), L"");
  EXPECT_EQ(GetSettingsFilePath(kPathCapacity, buffer), 0);

  EXPECT_EQ(PrepareWorkingFolders(), 0);
  EXPECT_EQ(messages_.Texts(), Texts{L"获取配置文件路径失败"});
}

TEST_F(WorkingFoldersTest, ProgramFolderIsTheFolderOfTheRunningProgram) {
  wchar_t buffer[kPathCapacity];
  const std::wstring expected = TestProgramFolder();
  EXPECT_EQ(GetProgramFolder(kPathCapacity, buffer), static_cast<int>(expected.size()));
  EXPECT_EQ(std::wstring(buffer), expected);

  EXPECT_EQ(GetProgramFolder(static_cast<int>(expected.size()), buffer), 0);
  EXPECT_EQ(std::wstring(buffer), L"");
}

TEST_F(WorkingFoldersTest, CreatePathFoldersMakesEveryLevelEndingInABackslash) {
  ScopedTempFolder scratch;
  EXPECT_EQ(CreatePathFolders((scratch / L"一\\二\\三\\").c_str()), 1);
  EXPECT_TRUE(IsFolder(scratch / L"一\\二\\三"));
  EXPECT_EQ(CreatePathFolders((scratch / L"一\\二\\三\\").c_str()), 1);

  // The last name of a file path is the file's, not a folder.
  EXPECT_EQ(CreatePathFolders((scratch / L"四\\card2").c_str()), 1);
  EXPECT_TRUE(IsFolder(scratch / L"四"));
  EXPECT_FALSE(FileExists(scratch / L"四\\card2"));
}

TEST_F(WorkingFoldersTest, CreatePathFoldersFailsWhereNoFolderCanBe) {
  ScopedTempFolder scratch;
  WriteBytes(scratch / L"file", "x");
  EXPECT_EQ(CreatePathFolders((scratch / L"file\\below\\").c_str()), 0);
  EXPECT_FALSE(FileExists(scratch / L"file\\below"));

  const std::wstring tooLong = scratch.Path() + Repeated(L'l', kPathCapacity) + L"\\";
  EXPECT_EQ(CreatePathFolders(tooLong.c_str()), 0);
}

TEST_F(WorkingFoldersTest, FirstStartCopiesTheShippedFilesAndSavesBesideTheSettings) {
  ASSERT_EQ(PrepareWorkingFolders(), 1);
  EXPECT_TRUE(messages_.Texts().empty());
  EXPECT_EQ(std::wstring(GetSavePath()), SettingsFolder());
  EXPECT_EQ(ReadWholeFile(SettingsFile()), ReadWholeFile(Shipped(L"RoraDI.ini")));
  EXPECT_EQ(ReadWholeFile(SettingsFolder() + L"blacklist.txt"), ReadWholeFile(Shipped(L"blacklist.txt")));
  EXPECT_EQ(ReadWholeFile(SettingsFolder() + L"card2"), ReadWholeFile(Shipped(L"card2")));

  // The shipped settings load: serial kind, port search, automatic storing.
  LoadSettings();
  EXPECT_EQ(GetCurrentPort(), 0);
  EXPECT_EQ(GetAutoSave(), 1);
}

TEST_F(WorkingFoldersTest, SavePathGetsItsBackslashItsFoldersAndTheDatabase) {
  ScopedTempFolder scratch;
  const std::wstring saveFolder = scratch / L"记录\\二〇二六";
  PrepareSettingsNaming(saveFolder);
  ASSERT_EQ(PrepareWorkingFolders(), 1);
  EXPECT_TRUE(messages_.Texts().empty());
  EXPECT_EQ(std::wstring(GetSavePath()), saveFolder + L"\\");
  EXPECT_EQ(ReadWholeFile(saveFolder + L"\\card2"), ReadWholeFile(Shipped(L"card2")));
  EXPECT_FALSE(FileExists(SettingsFolder() + L"card2"));
}

TEST_F(WorkingFoldersTest, ChineseSavePathSurvivesSaveAndTheNextStart) {
  ASSERT_EQ(PrepareWorkingFolders(), 1);
  LoadSettings();
  ScopedTempFolder scratch;
  const std::wstring saveFolder = scratch / L"身份证\\登记\\";
  SetSavePath(saveFolder.c_str());
  ASSERT_NE(SaveSettings(), 0);

  SetSavePath(L"");
  ASSERT_EQ(PrepareWorkingFolders(), 1);
  EXPECT_EQ(std::wstring(GetSavePath()), saveFolder);
  EXPECT_TRUE(FileExists(saveFolder + L"card2"));
}

TEST_F(WorkingFoldersTest, ExistingFilesAreNeverReplaced) {
  ScopedTempFolder scratch;
  PrepareSettingsNaming(scratch.Path());
  WriteBytes(SettingsFolder() + L"blacklist.txt", "mine");
  WriteBytes(scratch / L"card2", "stored reads");
  const std::string settings = ReadWholeFile(SettingsFile());

  ASSERT_EQ(PrepareWorkingFolders(), 1);
  EXPECT_EQ(ReadWholeFile(SettingsFile()), settings);
  EXPECT_EQ(ReadWholeFile(SettingsFolder() + L"blacklist.txt"), "mine");
  EXPECT_EQ(ReadWholeFile(scratch / L"card2"), "stored reads");
}

TEST_F(WorkingFoldersTest, ASettingsFileCutShortIsPutAsideAndReplacedByTheShippedOne) {
  ASSERT_TRUE(CreateDirectoryW(SettingsFolder().c_str(), nullptr));
  const std::wstring aside = SettingsFile() + L".damaged";
  // Empty, and stopped part-way before its [Save] section: either would
  // load with AutoSave 0 and store nothing from then on.
  const std::wstring cutText = L"\xFEFF[Display]\r\nSound=1\r\nDi";
  const std::string halfWritten(reinterpret_cast<const char*>(cutText.data()), cutText.size() * sizeof(wchar_t));
  const std::string zeroBytes;
  std::size_t told = 0;
  for (const std::string& cut : {zeroBytes, halfWritten}) {
    SCOPED_TRACE(cut.size());
    WriteFileBytes(SettingsFile(), std::vector<std::uint8_t>(cut.begin(), cut.end()));
    ASSERT_EQ(PrepareWorkingFolders(), 1);
    EXPECT_EQ(ReadWholeFile(aside), cut);
    EXPECT_EQ(ReadWholeFile(SettingsFile()), ReadWholeFile(Shipped(L"RoraDI.ini")));
    ASSERT_EQ(messages_.Messages().size(), ++told);
    const CapturedMessage& message = messages_.Messages().back();
    EXPECT_NE(message.text.find(aside), std::wstring::npos) << "names where the file went";
    EXPECT_EQ(message.type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    LoadSettings();
    EXPECT_EQ(GetAutoSave(), 1);
  }
}

TEST_F(WorkingFoldersTest, MissingSettingsFileIsCopiedIntoAnExistingFolder) {
  ASSERT_TRUE(CreateDirectoryW(SettingsFolder().c_str(), nullptr));
  ASSERT_EQ(PrepareWorkingFolders(), 1);
  EXPECT_EQ(ReadWholeFile(SettingsFile()), ReadWholeFile(Shipped(L"RoraDI.ini")));
}

TEST_F(WorkingFoldersTest, ShippedSettingsFilesMissingStopTheStart) {
  ScopedHiddenFile hidden(Shipped(L"RoraDI.ini"));
  EXPECT_EQ(PrepareWorkingFolders(), 0);
  EXPECT_EQ(messages_.Texts(), Texts{L"创建配置文件失败"});
  EXPECT_FALSE(FileExists(SettingsFile()));

  // Every start-up failure is an ownerless error box with an empty caption.
  ASSERT_EQ(messages_.Messages().size(), 1u);
  const CapturedMessage& message = messages_.Messages().front();
  EXPECT_EQ(message.owner, nullptr);
  EXPECT_EQ(message.caption, L"");
  EXPECT_EQ(message.type, static_cast<UINT>(MB_OK | MB_ICONERROR));

  ScopedHiddenFile hiddenBlacklist(Shipped(L"blacklist.txt"));
  EXPECT_EQ(PrepareWorkingFolders(), 0);
  EXPECT_EQ(messages_.Texts(), (Texts{L"创建配置文件失败", L"创建配置文件失败"}));
}

TEST_F(WorkingFoldersTest, ShippedDatabaseMissingStopsTheStart) {
  ScopedHiddenFile hidden(Shipped(L"card2"));
  EXPECT_EQ(PrepareWorkingFolders(), 0);
  EXPECT_EQ(messages_.Texts(), Texts{L"创建数据库失败"});
}

TEST_F(WorkingFoldersTest, SettingsFolderThatCannotBeMadeStopsTheStart) {
  WriteBytes(appData_.Path() + L"Tarnwick", "a file in the way");
  EXPECT_EQ(PrepareWorkingFolders(), 0);
  EXPECT_EQ(messages_.Texts(), Texts{L"创建配置文件路径失败"});
}

TEST_F(WorkingFoldersTest, SaveFolderThatCannotBeMadeStopsTheStart) {
  ScopedTempFolder scratch;
  WriteBytes(scratch / L"file", "x");
  PrepareSettingsNaming(scratch / L"file\\记录");
  EXPECT_EQ(PrepareWorkingFolders(), 0);
  EXPECT_EQ(messages_.Texts(), Texts{L"创建信息保存路径失败"});
}

TEST_F(WorkingFoldersTest, SavePathTooLongIsRefusedNotCut) {
  ScopedTempFolder scratch;
  // The longest path a folder may have, but no room left for its backslash.
  const std::wstring tooLong = scratch.Path() + Repeated(L's', kPathCapacity - 1 - scratch.Path().size());
  PrepareSettingsNaming(tooLong);
  EXPECT_EQ(PrepareWorkingFolders(), 0);
  EXPECT_EQ(messages_.Texts(), Texts{L"创建信息保存路径失败"});

  WriteUnicodeFile(SettingsFile(), L"[Save]\nSavePath=" + scratch.Path() + Repeated(L's', 300) + L"\\\n");
  EXPECT_EQ(PrepareWorkingFolders(), 0);
  EXPECT_EQ(messages_.Texts(), (Texts{L"创建信息保存路径失败", L"创建信息保存路径失败"}));
  EXPECT_EQ(std::wstring(GetSavePath()), L"");
}

}  // namespace
