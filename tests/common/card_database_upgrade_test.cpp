// The conversion of an old-form card2 (tests/support/make-old-card2) into
// the new form, against real files: what the new file holds, what is kept
// beside it, and that a conversion that fails leaves the old file in use.
#include <windows.h>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/card_database.h"
#include "common/card_database_upgrade.h"
#include "common/reader_settings.h"
#include "support/old_form_database.h"
#include "support/temp_folder.h"

namespace {

std::wstring ProgramFolder() {
  const std::wstring fixture = OldFormFixturePath();
  return fixture.substr(0, fixture.find_last_of(L'\\') + 1);
}

// Everything a conversion must carry over, row ids included.
constexpr char kAllReads[] = "select rowid, * from cardinfo order by rowid;";
constexpr char kAllListed[] = "select rowid, * from blacklist order by rowid;";
constexpr char kNamePlan[] =
    "explain query plan select count(cardid) from cardinfo where cardname like '韩%' and cardid like '%' and "
    "sex like '%' and readtime between 0 and 9223372036854775807;";

class CardDatabaseUpgradeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(PlaceOldFormDatabase(folder_.Path()));
    SetSavePath(folder_.Path().c_str());
    oldBytes_ = ReadWholeFile(Card2());
  }
  void TearDown() override { SetSavePath(L""); }

  std::wstring Card2() const { return folder_ / L"card2"; }
  std::wstring Backup() const { return folder_ / kOldFormBackupName; }

  void Execute(const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open16(Card2().c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    sqlite3_close(db);
  }

  // A conversion that failed left card2 exactly as it was and nothing of
  // the attempt beside it.
  void ExpectOldFileInUse() {
    EXPECT_EQ(ReadWholeFile(Card2()), oldBytes_);
    EXPECT_EQ(CardDatabaseForm(), DatabaseForm::kOld);
    EXPECT_FALSE(FileExists(Backup()));
    EXPECT_FALSE(FileExists(folder_ / kConversionFileName));
  }

  ScopedTempFolder folder_;
  std::string oldBytes_;
};

TEST_F(CardDatabaseUpgradeTest, NewFormHoldsEveryRowAndIndexAndTheOldFileStaysBeside) {
  // As the previous reader program left it, with the search indices; its
  // own index and view go along too.
  ASSERT_EQ(AddQueryIndexes(), SQLITE_OK);
  Execute("create index reads_by_birth on cardinfo (birth); create view listed as select cardid from blacklist;");
  oldBytes_ = ReadWholeFile(Card2());
  const std::string reads = QueryRows(Card2(), kAllReads);
  const std::string listed = QueryRows(Card2(), kAllListed);
  ASSERT_EQ(CardDatabaseForm(), DatabaseForm::kOld);
  // A Chinese name prefix cannot use its index in a UTF-16 file.
  ASSERT_EQ(QueryRows(Card2(), kNamePlan).find("INDEX cardinfo_name (cardname>? AND cardname<?)"), std::string::npos);

  std::vector<int> progress;
  const UpgradeResult result = UpgradeCardDatabase([&](int permille) { progress.push_back(permille); });
  ASSERT_EQ(result.failedAt, UpgradeStep::kNone) << result.code;

  EXPECT_EQ(DatabaseEncoding(Card2()), "UTF-8");
  EXPECT_EQ(QueryRows(Card2(), kAllReads), reads);
  EXPECT_EQ(QueryRows(Card2(), kAllListed), listed);
  EXPECT_EQ(QueryRows(Card2(), "select name from sqlite_master where type in ('index', 'view') order by name;"),
            "blacklist_cardid\ncardinfo_datetag\ncardinfo_name\ncardinfo_number\ncardinfo_readtime\nlisted\n"
            "reads_by_birth");
  EXPECT_NE(QueryRows(Card2(), kNamePlan).find("INDEX cardinfo_name (cardname>? AND cardname<?)"), std::string::npos);
  EXPECT_EQ(QueryRows(Card2(), "select count(*) > 0 from sqlite_stat4 where idx = 'cardinfo_name';"), "1");
  EXPECT_EQ(QueryRows(Card2(), "pragma integrity_check;"), "ok");

  EXPECT_EQ(ReadWholeFile(Backup()), oldBytes_);
  EXPECT_FALSE(FileExists(folder_ / kConversionFileName));
  ASSERT_FALSE(progress.empty());
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  EXPECT_EQ(progress.back(), 1000);
}

TEST_F(CardDatabaseUpgradeTest, AnEarlierBackupIsNeverReplaced) {
  WriteFileBytes(Backup(), {'e', 'a', 'r', 'l', 'i', 'e', 'r'});
  ASSERT_EQ(UpgradeCardDatabase(nullptr).failedAt, UpgradeStep::kNone);
  EXPECT_EQ(ReadWholeFile(Backup()), "earlier");
  EXPECT_EQ(ReadWholeFile(folder_ / (std::wstring(kOldFormBackupName) + L"-2")), oldBytes_);
}

TEST_F(CardDatabaseUpgradeTest, NoProgramWritesTheOldFileUntilTheNewOneIsDone) {
  int writeDuringCopy = SQLITE_OK;
  // The last report comes once the copied rows are in and indexed, when no
  // statement reads the old file any more.
  const UpgradeResult result = UpgradeCardDatabase([&](int permille) {
    if (permille != 1000) return;
    sqlite3* other = nullptr;
    sqlite3_open16(Card2().c_str(), &other);
    writeDuringCopy = sqlite3_exec(other, "insert into blacklist values ('990521198807150016', 'x');", nullptr,
                                   nullptr, nullptr);
    sqlite3_close(other);
  });
  EXPECT_EQ(result.failedAt, UpgradeStep::kNone);
  EXPECT_EQ(writeDuringCopy, SQLITE_BUSY);
  EXPECT_EQ(QueryRows(Card2(), "select count(*) from blacklist;"), "4");
}

TEST_F(CardDatabaseUpgradeTest, WithoutThePreparedDatabaseTheOldFileStaysInUse) {
  const std::wstring prepared = ProgramFolder() + L"card2";
  const std::wstring hidden = ProgramFolder() + L"card2.hidden";
  ASSERT_TRUE(MoveFileExW(prepared.c_str(), hidden.c_str(), MOVEFILE_REPLACE_EXISTING));
  const UpgradeResult result = UpgradeCardDatabase(nullptr);
  MoveFileExW(hidden.c_str(), prepared.c_str(), MOVEFILE_REPLACE_EXISTING);
  EXPECT_EQ(result.failedAt, UpgradeStep::kPrepare);
  EXPECT_EQ(result.code, ERROR_FILE_NOT_FOUND);
  ExpectOldFileInUse();
}

TEST_F(CardDatabaseUpgradeTest, RowsTheNewFormCannotTakeLeaveTheOldFileInUse) {
  // A column the new table does not have.
  Execute("alter table cardinfo rename column newaddress to note;");
  oldBytes_ = ReadWholeFile(Card2());
  const UpgradeResult result = UpgradeCardDatabase(nullptr);
  EXPECT_EQ(result.failedAt, UpgradeStep::kCopy);
  EXPECT_EQ(result.code, SQLITE_ERROR);
  ExpectOldFileInUse();
}

TEST_F(CardDatabaseUpgradeTest, AFileAnotherProgramHoldsOpenIsNotReplaced) {
  // As SQLite opens it: others may read and write, but not rename it.
  const HANDLE held = CreateFileW(Card2().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const UpgradeResult result = UpgradeCardDatabase(nullptr);
  CloseHandle(held);
  EXPECT_EQ(result.failedAt, UpgradeStep::kReplace);
  EXPECT_NE(result.code, 0);
  ExpectOldFileInUse();
}

TEST_F(CardDatabaseUpgradeTest, FormOfTheNewAndOfAnUnreadableFile) {
  ASSERT_TRUE(CopyFileW((ProgramFolder() + L"card2").c_str(), Card2().c_str(), FALSE));
  EXPECT_EQ(CardDatabaseForm(), DatabaseForm::kCurrent);
  WriteFileBytes(Card2(), std::vector<std::uint8_t>(4096, 'x'));
  EXPECT_EQ(CardDatabaseForm(), DatabaseForm::kUnknown);
  DeleteFileW(Card2().c_str());
  EXPECT_EQ(CardDatabaseForm(), DatabaseForm::kUnknown);
}

}  // namespace
