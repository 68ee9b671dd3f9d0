// The card database against real copies of the prepared card2.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "common/card_database.h"
#include "common/reader_settings.h"
#include "support/temp_folder.h"

namespace {
namespace fs = std::filesystem;

// The prepared database is copied beside the test program by the build.
fs::path PreparedDatabase() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  return fs::path(self).parent_path() / L"card2";
}

CardInfo SampleCard(const wchar_t* idNumber = L"11010119800507123X") {
  CardInfo card{};
  wcscpy(card.name, L"韩川");
  wcscpy(card.sex, L"男");
  wcscpy(card.nation, L"汉");
  wcscpy(card.birth, L"19800507");
  wcscpy(card.address, L"临河市清溪区望山路18号");
  wcscpy(card.idNumber, idNumber);
  wcscpy(card.authority, L"临河市公安局清溪分局");
  wcscpy(card.validFrom, L"20050301");
  wcscpy(card.validTo, L"长期");
  return card;
}

SYSTEMTIME At(WORD year, WORD month, WORD day, WORD hour = 9, WORD minute = 0, WORD second = 0, WORD ms = 0) {
  SYSTEMTIME time{};
  time.wYear = year, time.wMonth = month, time.wDay = day;
  time.wHour = hour, time.wMinute = minute, time.wSecond = second, time.wMilliseconds = ms;
  return time;
}

class CardDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy_file(PreparedDatabase(), fs::path(folder_ / L"card2"));
    SetSavePath(folder_.Path().c_str());
  }

  // A plain connection of the test's own, as another program would hold.
  sqlite3* Connect() {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open16((folder_ / L"card2").c_str(), &db), SQLITE_OK);
    return db;
  }

  void Execute(const char* sql) {
    sqlite3* db = Connect();
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    sqlite3_close(db);
  }

  std::string QueryText(const char* sql) {
    sqlite3* db = Connect();
    sqlite3_stmt* statement = nullptr;
    std::string result;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK) {
      for (bool first = true; sqlite3_step(statement) == SQLITE_ROW; first = false) {
        if (!first) result += "\n";
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
          const auto* text = sqlite3_column_text(statement, i);
          if (i > 0) result += '|';
          result += text ? reinterpret_cast<const char*>(text) : "<null>";
        }
      }
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return result;
  }

  void Store(const CardInfo& card, SYSTEMTIME time) { ASSERT_EQ(StoreCardRead(card, time), 0); }

  void Touch(const std::wstring& relative) {
    fs::create_directories(fs::path(folder_ / relative).parent_path());
    std::ofstream(fs::path(folder_ / relative)) << "photo";
  }

  ScopedTempFolder folder_;
};

TEST_F(CardDatabaseTest, StoresEveryFieldWithExactSecondsAndDateTag) {
  SYSTEMTIME time = At(2010, 5, 7, 14, 3, 9, 870);
  ASSERT_EQ(StoreCardRead(SampleCard(), time), 0);
  EXPECT_EQ(time.wMilliseconds, 0);
  EXPECT_EQ(QueryText("select cardname, sex, nation, birth, address, cardid, authority, validfrom, validto,"
                      " typeof(newaddress), length(newaddress), datetag from cardinfo"),
            "韩川|男|汉|19800507|临河市清溪区望山路18号|11010119800507123X|临河市公安局清溪分局|20050301|长期|text|0|" +
                std::to_string(2010 << 16 | 5 << 8 | 7));
  // 2010-05-07 14:03:09 in 100 ns ticks since 1601-01-01.
  EXPECT_EQ(QueryText("select readtime from cardinfo"), "129177145890000000");
}

TEST_F(CardDatabaseTest, BlacklistLookup) {
  EXPECT_EQ(IsBlacklisted(L"11010119800507123X"), 0);
  Execute("insert into blacklist values ('11010119800507123X', 'a'), ('11010119800507123X', 'b'),"
          " ('220101199001011234', 'c')");
  EXPECT_EQ(IsBlacklisted(L"11010119800507123X"), 1);
  EXPECT_EQ(IsBlacklisted(L"11010119800507123"), 0);
}

TEST_F(CardDatabaseTest, MissingDatabaseFailsWithoutCreatingOne) {
  fs::remove(fs::path(folder_ / L"card2"));
  SYSTEMTIME time = At(2010, 5, 7);
  EXPECT_NE(StoreCardRead(SampleCard(), time), 0);
  EXPECT_EQ(IsBlacklisted(L"11010119800507123X"), 0);
  EXPECT_NE(PurgeReadsBefore(DateTag(time)), 0);
  EXPECT_FALSE(FileExists(folder_ / L"card2"));
}

TEST_F(CardDatabaseTest, StoreWaitsForAnotherProgramsLock) {
  sqlite3* other = Connect();
  ASSERT_EQ(sqlite3_exec(other, "begin exclusive", nullptr, nullptr, nullptr), SQLITE_OK);
  std::thread release([other] {
    Sleep(1000);
    sqlite3_exec(other, "commit", nullptr, nullptr, nullptr);
  });
  SYSTEMTIME time = At(2010, 5, 7);
  EXPECT_EQ(StoreCardRead(SampleCard(), time), 0);
  release.join();
  sqlite3_close(other);
  EXPECT_EQ(QueryText("select count(*) from cardinfo"), "1");
}

TEST_F(CardDatabaseTest, PurgeKeepsTheLimitDayAndLaterPhotos) {
  Store(SampleCard(), At(2010, 5, 6));
  Store(SampleCard(), At(2010, 5, 6, 17));  // two reads, one photo
  Store(SampleCard(L"220101199001011234"), At(2010, 5, 7));
  Touch(L"201005\\06_11010119800507123X.bmp");
  Touch(L"201005\\07_220101199001011234.bmp");
  ASSERT_EQ(PurgeReadsBefore(DateTag(At(2010, 5, 7))), 0);
  EXPECT_EQ(QueryText("select cardid from cardinfo"), "220101199001011234");
  EXPECT_FALSE(FileExists(folder_ / L"201005\\06_11010119800507123X.bmp"));
  EXPECT_TRUE(FileExists(folder_ / L"201005\\07_220101199001011234.bmp"));
}

TEST_F(CardDatabaseTest, PurgeFinishesEachMonthInTurn) {
  Store(SampleCard(), At(2009, 5, 20));
  Store(SampleCard(), At(2010, 5, 1));
  Touch(L"200905\\20_11010119800507123X.bmp");
  Touch(L"200905\\Thumbs.db");
  Touch(L"201005\\01_11010119800507123X.bmp");
  Touch(L"201001\\15_unrelated.bmp");
  ASSERT_EQ(PurgeReadsBefore(DateTag(At(2010, 6, 1))), 0);
  EXPECT_FALSE(FileExists(folder_ / L"200905"));
  EXPECT_FALSE(FileExists(folder_ / L"201005"));
  EXPECT_TRUE(FileExists(folder_ / L"201001\\15_unrelated.bmp"));  // no reads of that month
  EXPECT_EQ(QueryText("select count(*) from cardinfo"), "0");
}

TEST_F(CardDatabaseTest, PurgeOfAnEmptyRangeTouchesNothing) {
  Store(SampleCard(), At(2010, 5, 7));
  Touch(L"201004\\Thumbs.db");
  Touch(L"201004\\notes.txt");
  ASSERT_EQ(PurgeReadsBefore(DateTag(At(2010, 5, 1))), 0);
  EXPECT_TRUE(FileExists(folder_ / L"201004\\Thumbs.db"));
  EXPECT_TRUE(FileExists(folder_ / L"201004\\notes.txt"));
  EXPECT_EQ(QueryText("select count(*) from cardinfo"), "1");
}

TEST_F(CardDatabaseTest, PurgeNeverDeletesOutsideTheArchive) {
  Execute("insert into cardinfo values ('x','男','汉','19800507','a','..\\..\\victim','b','20050301','长期',0,'',"
          "(2010 << 16) | (5 << 8) | 6)");
  // The photo path of that row would resolve to <save folder>201005\victim.bmp.
  Touch(L"201005\\victim.bmp");
  Touch(L"201005\\07_11010119800507123X.bmp");
  ASSERT_EQ(PurgeReadsBefore(DateTag(At(2010, 5, 7))), 0);
  EXPECT_TRUE(FileExists(folder_ / L"201005\\victim.bmp"));
}

TEST_F(CardDatabaseTest, PurgeRemovesArchivedPhotosOfReadsThatWereNotStored) {
  const std::wstring id = L"11010119800507123X";
  for (const std::wstring& photo : {L"201004\\30_" + id + L".bmp", L"201005\\06_" + id + L".bmp"}) Touch(photo);
  Touch(L"201004\\Thumbs.db");
  // Kept: the limit day and later, names the archive never makes, folders
  // that are not months of the archive, and anything deeper.
  const std::wstring kept[] = {
      L"201005\\07_" + id + L".bmp",       L"201006\\01_" + id + L".bmp", L"201005\\06_1101011980.bmp",
      L"201005\\06_" + id + L".bmp.txt",   L"201005\\Thumbs.db",          L"201013\\01_" + id + L".bmp",
      L"20100\\01_" + id + L".bmp",        L"200912\\old\\01_" + id + L".bmp", L"06_" + id + L".bmp",
  };
  for (const std::wstring& file : kept) Touch(file);
  ASSERT_EQ(PurgeReadsBefore(DateTag(At(2010, 5, 7))), 0);
  EXPECT_FALSE(FileExists(folder_ / L"201004")) << "an emptied month goes with its thumbnail cache";
  EXPECT_FALSE(FileExists(folder_ / (L"201005\\06_" + id + L".bmp")));
  for (const std::wstring& file : kept) EXPECT_TRUE(FileExists(folder_ / file)) << file;
  EXPECT_TRUE(FileExists(folder_ / L"card2"));
}

TEST_F(CardDatabaseTest, PathsTooLongForTheSaveFolderAreRefusedNotCut) {
  // With the database name cut, the open would reach "card" or "car".
  const std::wstring save = PaddedFolder(folder_.Path(), kPathCapacity - 5);
  fs::copy_file(PreparedDatabase(), fs::path(folder_ / L"card"));
  fs::copy_file(PreparedDatabase(), fs::path(folder_ / L"car"));
  ASSERT_EQ(SetSavePath(save.c_str()), 1);
  sqlite3* db = nullptr;
  EXPECT_EQ(OpenCardDatabase(&db), SQLITE_CANTOPEN);
  EXPECT_EQ(db, nullptr);
  SYSTEMTIME now = At(2010, 5, 7);
  EXPECT_NE(StoreCardRead(SampleCard(), now), 0);

  // A save folder where a month folder fits but its photos do not: the
  // purge must not delete what a cut photo name would reach.
  const std::wstring purgeSave = PaddedFolder(folder_.Path(), 240);
  ASSERT_EQ(SetSavePath(purgeSave.c_str()), 1);
  const std::wstring photo = L"201005\\06_11010119800507123X.bmp";
  const std::wstring cut = (purgeSave + photo).substr(purgeSave.size(), kPathCapacity - 1 - purgeSave.size());
  Touch(cut);
  Touch(photo);
  ASSERT_EQ(PurgeReadsBefore(DateTag(now)), 0);
  EXPECT_TRUE(FileExists(folder_ / cut)) << "a cut name";
}

TEST_F(CardDatabaseTest, StatementsAreServedByIndices) {
  EXPECT_NE(QueryText("explain query plan select reason from blacklist where cardid='1'").find("USING INDEX"), std::string::npos);
  EXPECT_NE(QueryText("explain query plan delete from cardinfo where datetag<1").find("USING"), std::string::npos);
}
}  // namespace
