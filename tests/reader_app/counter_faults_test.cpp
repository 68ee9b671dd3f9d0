// The main window with the real polling loop against the reader emulator,
// while card2 is held locked, damaged or gone, and while the window answers
// late or another program writes the save folder's photo: a listed person
// still raises the alarm, no read is lost or doubled, and a face never
// shows one person's text with another's photo.
#include <windows.h>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <cwchar>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/blacklist_alarm_text.h"
#include "common/card_database.h"
#include "common/reader_settings.h"
#include "common/waiting_reads.h"
#include "reader_app/resource_ids.h"
#include "reader_app/tarnwick_dlg.h"
#include "support/app_data_folder.h"
#include "support/emulator_cards.h"
#include "support/emulator_control.h"
#include "support/emulator_reader.h"
#include "support/message_pump.h"
#include "support/modal_driver.h"
#include "support/temp_folder.h"

namespace {

constexpr wchar_t kSampleId[] = L"99052119920314002X";
constexpr wchar_t kReadText[] = L"读卡成功！请放下一张卡...";

std::wstring DatabasePath() { return std::wstring(GetSavePath()) + L"card2"; }

int ExecuteSql(const char* sql) {
  sqlite3* db = nullptr;
  int result = OpenCardDatabase(&db);
  if (result == SQLITE_OK) result = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return result;
}

// The citizen numbers of the stored reads in the order they were stored.
std::vector<std::wstring> StoredIds() {
  std::vector<std::wstring> ids;
  sqlite3* db = nullptr;
  sqlite3_stmt* select = nullptr;
  if (OpenCardDatabase(&db) == SQLITE_OK &&
      sqlite3_prepare16_v2(db, L"select cardid from cardinfo order by rowid", -1, &select, nullptr) == SQLITE_OK) {
    while (sqlite3_step(select) == SQLITE_ROW) {
      ids.emplace_back(static_cast<const wchar_t*>(sqlite3_column_text16(select, 0)));
    }
  }
  sqlite3_finalize(select);
  sqlite3_close(db);
  return ids;
}

std::wstring ArchivedPhotoPath(const std::wstring& id) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t name[64];
  std::swprintf(name, 64, L"%04d%02d\\%02d_%ls.bmp", now.wYear, now.wMonth, now.wDay, id.c_str());
  return std::wstring(GetSavePath()) + name;
}

// A second connection that keeps everybody else out of card2, readers too,
// as a backup program or a long import on a slow share does.
class ExclusiveLock {
 public:
  ExclusiveLock() {
    if (sqlite3_open16(DatabasePath().c_str(), &db_) == SQLITE_OK) {
      held_ = sqlite3_exec(db_, "begin exclusive", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
  }
  ~ExclusiveLock() { Release(); }
  ExclusiveLock(const ExclusiveLock&) = delete;
  ExclusiveLock& operator=(const ExclusiveLock&) = delete;

  bool Held() const { return held_; }
  void Release() {
    if (db_ == nullptr) return;
    sqlite3_exec(db_, "rollback", nullptr, nullptr, nullptr);
    sqlite3_close(db_);
    db_ = nullptr;
    held_ = false;
  }

 private:
  sqlite3* db_ = nullptr;
  bool held_ = false;
};

// Ways card2 can be out of reach, each with the way back.
enum class Fault { kLockedPastTheWait, kFirstPageOverwritten, kRemoved };

class DatabaseFault {
 public:
  explicit DatabaseFault(Fault fault) : fault_(fault) {
    const std::wstring path = DatabasePath();
    if (fault_ == Fault::kLockedPastTheWait) {
      lock_ = std::make_unique<ExclusiveLock>();
    } else if (fault_ == Fault::kFirstPageOverwritten) {
      saved_ = ReadWholeFile(path);
      std::string damaged = saved_;
      damaged.replace(0, 4096, 4096, '\x7F');
      WriteFileBytes(path, std::vector<std::uint8_t>(damaged.begin(), damaged.end()));
    } else {
      MoveFileW(path.c_str(), (path + L".away").c_str());
    }
  }

  void Mend() {
    const std::wstring path = DatabasePath();
    if (fault_ == Fault::kLockedPastTheWait) {
      lock_.reset();
    } else if (fault_ == Fault::kFirstPageOverwritten) {
      WriteFileBytes(path, std::vector<std::uint8_t>(saved_.begin(), saved_.end()));
    } else {
      MoveFileW((path + L".away").c_str(), path.c_str());
    }
  }

 private:
  Fault fault_;
  std::unique_ptr<ExclusiveLock> lock_;
  std::string saved_;
};

class CounterFaultsTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(emulator_.Connected()) << "run under tests/support/with-emulator";
    emulator_.Request("clear-faults");
    emulator_.Request("lift");
    ASSERT_TRUE(UseEmulatorAsReader());
    SetAutoSave(1);
  }

  bool WaitForPrompt() {
    return PumpUntil([&] { return std::wcscmp(dialog_.m_szStatus, L"请放卡...") == 0; }, 10000);
  }

  bool WaitForShown(const std::wstring& id) {
    return PumpUntil([&] { return id == dialog_.m_cardShown.idNumber; }, 20000);
  }

  static void Exit(HWND window) { SendMessageW(window, WM_COMMAND, ID_TOOL_EXIT, 0); }

  EmulatorControl emulator_;
  ScopedAppDataFolder appData_;
  EmulatorCards cards_{TEST_CARD_FOLDER, SAMPLE_CARD};
  CTarnwickDlg dialog_;
};

class BlacklistOutOfReachTest : public CounterFaultsTest, public testing::WithParamInterface<Fault> {};

TEST_P(BlacklistOutOfReachTest, TheClerkIsWarnedAndTheAlarmComesWhenCard2IsBack) {
  ASSERT_EQ(ExecuteSql("insert into blacklist values ('99052119920314002X', 'test')"), SQLITE_OK);
  RunModal(dialog_, [&](HWND window) {
    ASSERT_TRUE(WaitForPrompt());
    DatabaseFault fault(GetParam());
    emulator_.Request("lay " + std::string(SAMPLE_CARD));
    bool successShown = false;
    EXPECT_TRUE(PumpUntil(
        [&] {
          successShown = successShown || std::wcscmp(dialog_.m_szStatus, kReadText) == 0;
          return std::wcscmp(dialog_.m_szStatus, kBlacklistCheckFailedText) == 0;
        },
        15000))
        << testing::PrintToString(std::wstring(dialog_.m_szStatus));
    EXPECT_FALSE(successShown) << "a person who could not be checked was shown as a plain success";
    EXPECT_STREQ(dialog_.m_cardShown.idNumber, kSampleId);
    EXPECT_EQ(dialog_.m_bWarning, 1);
    EXPECT_EQ(dialog_.m_bAlarm, 0);
    // The card stays on the reader, halted: nobody lays it again.
    fault.Mend();
    EXPECT_TRUE(PumpUntil([&] { return dialog_.m_bAlarm == 1; }, 10000)) << "the late alarm never came";
    EXPECT_STREQ(dialog_.m_szStatus, L"此人已被列入黑名单！");
    EXPECT_EQ(dialog_.m_bWarning, 0);
    // The read that could not be stored meanwhile is stored now.
    EXPECT_TRUE(PumpUntil([] { return StoredIds().size() == 1; }, 10000));
    Exit(window);
  });
}

INSTANTIATE_TEST_SUITE_P(Faults, BlacklistOutOfReachTest,
                         testing::Values(Fault::kLockedPastTheWait, Fault::kFirstPageOverwritten, Fault::kRemoved));

TEST_F(CounterFaultsTest, ReadsMadeWhileCard2IsLockedAreStoredOnceInReadingOrderWithTheirPhotos) {
  constexpr int kReads = 10;
  // Ten reads and the waits below take longer than the usual limit on a
  // machine busy with other tests.
  constexpr std::chrono::seconds kTimeLimit{60};
  RunModal(dialog_, [&](HWND window) {
    ASSERT_TRUE(WaitForPrompt());
    ExclusiveLock lock;
    ASSERT_TRUE(lock.Held());
    for (int i = 1; i <= kReads; ++i) {
      emulator_.Request("lay " + cards_.Variant(i));
      ASSERT_TRUE(WaitForShown(EmulatorCards::IdNumber(i))) << "read " << i;
      emulator_.Request("lift");
    }
    EXPECT_TRUE(PumpUntil([&] { return dialog_.m_nReadsWaiting == kReads; }, 10000)) << dialog_.m_nReadsWaiting;
    lock.Release();
    EXPECT_TRUE(PumpUntil([&] { return dialog_.m_nReadsWaiting == 0; }, 15000));
    std::vector<std::wstring> expected;
    for (int i = 1; i <= kReads; ++i) expected.push_back(EmulatorCards::IdNumber(i));
    EXPECT_EQ(StoredIds(), expected);
    for (const std::wstring& id : expected) {
      EXPECT_EQ(ReadWholeFile(ArchivedPhotoPath(id)).substr(0, 2), "BM") << "no archived photo for " << id.c_str();
    }
    EXPECT_EQ(CountWaitingReads(), 0);
    Exit(window);
  }, kTimeLimit);
}

TEST_F(CounterFaultsTest, AWindowThatAnswersLateShowsOneReadWithItsOwnPhoto) {
  RunModal(dialog_, [&](HWND window) {
    ASSERT_TRUE(WaitForPrompt());
    // From here the window is busy (a slow printer driver): the first card
    // is read and announced, the loop stops waiting for the window and reads
    // a second card, whose photo the decoder refuses.
    emulator_.Request("lay " + cards_.Variant(1));
    Sleep(1000);
    emulator_.Request("lift");
    emulator_.Request("lay " + cards_.Variant(2, true));
    Sleep(2500);
    // The window takes the first read, then blanks the face for the second,
    // which failed: the last card it keeps for printing is the first one,
    // with its own photo.
    const std::wstring first = EmulatorCards::IdNumber(1);
    ASSERT_TRUE(PumpUntil([&] { return dialog_.m_cardLast.idNumber[0] != L'\0'; }, 5000));
    EXPECT_EQ(std::wstring(dialog_.m_cardLast.idNumber), first) << "the window took the second card's text";
    ASSERT_TRUE(PumpUntil([&] { return FileExists(ArchivedPhotoPath(first)); }, 5000));
    EXPECT_EQ(ReadWholeFile(dialog_.m_photoLast.KeptPath()), ReadWholeFile(ArchivedPhotoPath(first)))
        << "the first card goes with another photo";
    PumpUntil([&] { return std::wcscmp(dialog_.m_szStatus, L"wlt文件格式错误") == 0; }, 5000);
    EXPECT_STREQ(dialog_.m_cardShown.idNumber, L"") << "the second card's text is shown";
    EXPECT_EQ(dialog_.m_hPhoto.Get(), nullptr);
    Exit(window);
  });
}

TEST_F(CounterFaultsTest, APhotoThatAnotherProgramWritesIntoTheSaveFolderIsNeverTaken) {
  const std::wstring shared = std::wstring(GetSavePath()) + L"image.bmp";
  const std::vector<std::uint8_t> foreign = {'B', 'M', 'n', 'o', 't', ' ', 'o', 'u', 'r', 's'};
  std::atomic<bool> writing{true};
  // Another program reading into the same save folder, as fast as it can.
  std::thread other([&] {
    while (writing.load()) WriteFileBytes(shared, foreign);
  });
  RunModal(dialog_, [&](HWND window) {
    EXPECT_TRUE(WaitForPrompt());
    emulator_.Request("lay " + std::string(SAMPLE_CARD));
    EXPECT_TRUE(WaitForShown(kSampleId));
    EXPECT_TRUE(PumpUntil([] { return FileExists(ArchivedPhotoPath(kSampleId)); }, 10000));
    EXPECT_NE(dialog_.m_hPhoto.Get(), nullptr) << "the window took the other program's photo";
    Exit(window);
  });
  writing.store(false);
  other.join();
  const std::string archived = ReadWholeFile(ArchivedPhotoPath(kSampleId));
  EXPECT_NE(archived, std::string(foreign.begin(), foreign.end())) << "the other program's photo was archived";
  EXPECT_GT(archived.size(), 1000u);
}

}  // namespace
