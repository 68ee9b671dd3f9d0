// The query tool's start against the card2 in a redirected profile: a
// damaged file is named to the user, left as it is, and the program ends
// without its window; an intact one opens the window without a word.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/message_capture.h"
#include "query_tool/pellory_app.h"
#include "reader_app/window_fixture.h"
#include "support/app_data_folder.h"
#include "support/modal_driver.h"
#include "support/temp_folder.h"

namespace {

class PelloryStartTest : public testing::Test {
 protected:
  // The settings folder as an earlier start left it, with the prepared card2.
  void SetUp() override {
    ASSERT_TRUE(CreateDirectoryW(settings_.c_str(), nullptr));
    ASSERT_TRUE(WritePrivateProfileStringW(L"Save", L"AutoSave", L"1", (settings_ + L"RoraDI.ini").c_str()));
    WriteFileBytes(settings_ + L"blacklist.txt", {});
    ASSERT_TRUE(CopyFileW((TestProgramFolder() + L"card2").c_str(), Card2().c_str(), FALSE));
  }
  std::wstring Card2() const { return settings_ + L"card2"; }

  // Starts the program; true when its query window opened (and was closed).
  bool StartOpensTheWindow() {
    CPelloryApp app;
    BOOL result = TRUE;
    const ModalOutcome outcome = DriveModal(
        [&] {
          result = app.InitInstance();
          return INT_PTR{0};
        },
        [](HWND) {});
    EXPECT_FALSE(result);
    return outcome.stepsRan;
  }

  ScopedAppDataFolder appData_;
  std::wstring settings_ = appData_.Path() + L"Tarnwick\\";
};

TEST_F(PelloryStartTest, ADamagedDatabaseIsNamedAndTheProgramEnds) {
  const std::string prepared = ReadWholeFile(Card2());
  WriteFileBytes(Card2(), std::vector<std::uint8_t>(prepared.begin(), prepared.begin() + 8 * 1024));
  ScopedMessageCapture messages;
  EXPECT_FALSE(StartOpensTheWindow());
  ASSERT_EQ(messages.Texts().size(), 1u);
  EXPECT_NE(messages.Texts()[0].find(Card2()), std::wstring::npos);
  EXPECT_EQ(ReadWholeFile(Card2()).size(), 8u * 1024) << "the damaged file is never replaced";
}

TEST_F(PelloryStartTest, AnIntactDatabaseOpensTheWindow) {
  ScopedMessageCapture messages;
  EXPECT_TRUE(StartOpensTheWindow());
  EXPECT_TRUE(messages.Texts().empty());
}

}  // namespace
