// The editor's writes against the real card database: all or nothing, rows
// listed twice told apart, exports that read back, and the reader program
// still looking up and storing while the largest import writes.
#include <windows.h>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "blacklist_editor/blacklist_store.h"
#include "blacklist_editor/text_list_file.h"
#include "common/card_database.h"
#include "common/database_handles.h"
#include "editor_database.h"
#include "support/temp_folder.h"

namespace {

std::vector<TextListLine> MadeUpLines(int count) {
  std::vector<TextListLine> lines;
  for (int i = 0; i < count; ++i) {
    const std::wstring number = MadeUpNumber(i);
    lines.push_back({i + 1, std::u16string(number.begin(), number.end()), u"通报"});
  }
  return lines;
}

class BlacklistStoreTest : public testing::Test {
 protected:
  EditorDatabase database_;
};

TEST_F(BlacklistStoreTest, AFailureInTheMiddleOfAnImportWritesNothing) {
  const std::vector<TextListLine> lines = MadeUpLines(5);
  const std::string third(lines[2].number.begin(), lines[2].number.end());
  ASSERT_EQ(database_.Execute(("insert into blacklist values ('110105194912310038', 'earlier');"
                               "create trigger refuse before insert on blacklist when new.cardid = '" + third +
                               "' begin select raise(abort, 'refused'); end;").c_str()),
            SQLITE_OK);
  int added = -1;
  EXPECT_EQ(ImportBlacklistEntries(lines, added), SQLITE_CONSTRAINT);
  EXPECT_EQ(added, 0);
  EXPECT_EQ(database_.Number("select count(*) from blacklist;"), 1);
}

TEST_F(BlacklistStoreTest, RowsListedTwiceAreToldApartAndNumbersAreNotAddedTwice) {
  ASSERT_EQ(database_.Execute("insert into blacklist values ('110105194912310038', 'old list');"
                              "insert into blacklist values ('110105194912310038', 'old list');"),
            SQLITE_OK);
  bool added = true;
  EXPECT_EQ(AddBlacklistEntry(L"110105194912310038", L"again", added), SQLITE_OK);
  EXPECT_FALSE(added);
  std::vector<BlacklistRow> rows;
  ASSERT_EQ(LoadBlacklist(rows), SQLITE_OK);
  ASSERT_EQ(rows.size(), 2u);

  int deleted = 0;
  EXPECT_EQ(DeleteBlacklistRows({rows[0]}, deleted), SQLITE_OK);
  EXPECT_EQ(deleted, 1);
  EXPECT_EQ(IsBlacklisted(L"110105194912310038"), 1);
  // The deleted row can no longer be changed; the other one can.
  bool found = true;
  EXPECT_EQ(UpdateBlacklistReason(rows[0], L"new", found), SQLITE_OK);
  EXPECT_FALSE(found);
  EXPECT_EQ(UpdateBlacklistReason(rows[1], L"在逃", found), SQLITE_OK);
  EXPECT_TRUE(found);
  ASSERT_EQ(LoadBlacklist(rows), SQLITE_OK);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].reason, L"在逃");
}

TEST_F(BlacklistStoreTest, AnExportReplacesTheFileAndReadsBackAsTheList) {
  ScopedTempFolder folder;
  const std::wstring path = folder / L"导出.txt";
  ASSERT_TRUE(WriteTextListFile(path, {{1, L"110105194912310038", L"old"}}) == ListFileResult::kOk);
  // A tab inside a reason (written by another program) would split the line.
  const std::vector<BlacklistRow> rows = {{1, L"99052119920314002X", L"在逃\t人员"}, {2, L"110105194912310038", L""}};
  ASSERT_TRUE(WriteTextListFile(path, rows) == ListFileResult::kOk);
  EXPECT_EQ(ReadWholeFile(path),
            "\xEF\xBB\xBF" "99052119920314002X\t\xE5\x9C\xA8\xE9\x80\x83 \xE4\xBA\xBA\xE5\x91\x98\r\n"
            "110105194912310038\r\n");
  TextList list;
  ASSERT_TRUE(ReadTextListFile(path, list) == ListFileResult::kOk);
  ASSERT_EQ(list.numbers.size(), 2u);
  EXPECT_EQ(list.numbers[0].reason, u"在逃 人员");
  EXPECT_TRUE(WriteTextListFile(folder / L"no such folder\\list.txt", rows) == ListFileResult::kCannotOpen);
}

TEST_F(BlacklistStoreTest, TheReaderProgramLooksUpAndStoresWhileTheLargestImportHoldsTheWriteLock) {
  ASSERT_EQ(database_.Execute("insert into blacklist values ('99052119920314002X', 'listed');"), SQLITE_OK);
  Database watcher;
  ASSERT_EQ(OpenCardDatabase(watcher, 0), SQLITE_OK);
  {
    Database writer;
    ASSERT_EQ(OpenCardDatabase(writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer.get(), "begin immediate;", nullptr, nullptr, nullptr), SQLITE_OK);
    ASSERT_TRUE(WriteLockHeld(watcher.get())) << "the watcher must see a write lock";
  }
  ASSERT_FALSE(WriteLockHeld(watcher.get()));

  const int largest = static_cast<int>(kMaxImportNumbers);
  const std::vector<TextListLine> lines = MadeUpLines(largest);
  std::atomic<bool> importing = true;
  int importResult = -1;
  int added = 0;
  std::thread import([&] {
    importResult = ImportBlacklistEntries(lines, added);
    importing = false;
  });

  // Nothing but the import writes meanwhile, and it takes the lock once:
  // a probe that starts and ends with the lock held ran inside its write
  // transaction. A look-up must go on there; a store waits for the commit,
  // and must get its turn within the reader program's wait.
  constexpr int kLookUpsBeforeTheStore = 3;
  CardInfo card{};
  wcscpy_s(card.idNumber, L"99052119920314002X");
  int lookUpsInside = 0;
  int storesStartedInside = 0;
  while (importing) {
    if (!WriteLockHeld(watcher.get())) {
      Sleep(1);
      continue;
    }
    const auto start = std::chrono::steady_clock::now();
    if (lookUpsInside < kLookUpsBeforeTheStore) {
      EXPECT_EQ(LookUpBlacklist(card.idNumber), BlacklistAnswer::kListed) << "a failed look-up would miss the alarm";
      if (WriteLockHeld(watcher.get())) ++lookUpsInside;
    } else {
      SYSTEMTIME now;
      GetLocalTime(&now);
      EXPECT_EQ(StoreCardRead(card, now), SQLITE_OK);
      ++storesStartedInside;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kDatabaseBusyTimeoutMs));
  }
  import.join();
  EXPECT_EQ(importResult, SQLITE_OK);
  EXPECT_EQ(added, largest);
  EXPECT_EQ(lookUpsInside, kLookUpsBeforeTheStore) << "look-ups waited for the import's commit";
  EXPECT_EQ(storesStartedInside, 1);
  EXPECT_EQ(database_.Number("select count(*) from blacklist;"), largest + 1);
  EXPECT_EQ(database_.Number("select count(*) from cardinfo;"), 1);
}

}  // namespace
