// The start-up check of card2 against real files: damaged ones are named to
// the user and left as they are; a busy one or one that a crashed write left
// behind is not damage.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "common/card_database_check.h"
#include "common/reader_settings.h"
#include "message_capture.h"
#include "support/temp_folder.h"

namespace {

// The prepared database is copied beside the test program by the build.
std::wstring PreparedDatabase() {
  wchar_t self[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, length);
  return path.substr(0, path.rfind(L'\\') + 1) + L"card2";
}

// A save folder of its own whose card2 starts as a copy of the prepared one.
class CardDatabaseCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CopyFileW(PreparedDatabase().c_str(), Card2().c_str(), FALSE));
    SetSavePath(folder_.Path().c_str());
  }
  void TearDown() override { SetSavePath(L""); }

  std::wstring Card2() const { return folder_ / L"card2"; }

  sqlite3* Connect(const std::wstring& path) {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open16(path.c_str(), &db), SQLITE_OK);
    return db;
  }
  void Execute(const char* sql) {
    sqlite3* db = Connect(Card2());
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    sqlite3_close(db);
  }
  void CutTo(std::size_t bytes) {
    std::string content = ReadWholeFile(Card2());
    ASSERT_GT(content.size(), bytes);
    WriteFileBytes(Card2(), std::vector<std::uint8_t>(content.begin(), content.begin() + bytes));
  }

  ScopedTempFolder folder_;
};

TEST_F(CardDatabaseCheckTest, ThePreparedDatabaseWithReadsPasses) {
  Execute("insert into blacklist values ('11010119800507123X', 'x')");
  ScopedMessageCapture messages;
  EXPECT_EQ(CheckCardDatabase(), CardDatabaseState::kReadable);
  EXPECT_TRUE(CheckCardDatabaseAtStart());
  EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(CardDatabaseCheckTest, AFileCutShortIsNamedAndLeftAsItIs) {
  CutTo(8 * 1024);
  const std::string cut = ReadWholeFile(Card2());
  ScopedMessageCapture messages;
  EXPECT_FALSE(CheckCardDatabaseAtStart());
  ASSERT_EQ(messages.Messages().size(), 1u);
  const CapturedMessage& shown = messages.Messages()[0];
  EXPECT_NE(shown.text.find(L"“" + Card2() + L"”"), std::wstring::npos) << "names the file";
  EXPECT_NE(shown.text.find(L"验卡记录和黑名单都无法读取"), std::wstring::npos);
  EXPECT_EQ(shown.caption, L"");
  EXPECT_EQ(shown.owner, nullptr);
  EXPECT_EQ(shown.type, static_cast<UINT>(MB_OK | MB_ICONERROR));
  EXPECT_EQ(ReadWholeFile(Card2()), cut) << "the file is never overwritten";
  EXPECT_FALSE(FileExists(Card2() + L"-journal"));
}

TEST_F(CardDatabaseCheckTest, DamagedOrIncompleteFilesAreUnreadable) {
  const std::string prepared = ReadWholeFile(Card2());
  struct Damage {
    const char* what;
    std::string bytes;  // empty: change the schema with sql instead
    const char* sql;
  };
  std::string garbled = prepared;
  garbled.replace(0, 16, "not a database!!");
  std::string scrambledSchema = prepared;
  for (std::size_t i = 200; i < 4096; ++i) scrambledSchema[i] = static_cast<char>(i * 7);
  const Damage damages[] = {
      {"no database at all", garbled, nullptr},
      {"a schema page overwritten", scrambledSchema, nullptr},
      {"an empty file", std::string(), nullptr},
      {"no blacklist table", prepared, "drop table blacklist"},
      {"no cardinfo table", prepared, "drop table cardinfo"},
      {"a cardinfo column missing", prepared, "alter table cardinfo drop column newaddress"},
      {"a cardinfo column more", prepared, "alter table cardinfo add column extra text"},
      {"a blacklist column renamed", prepared, "alter table blacklist rename column reason to why"},
  };
  for (const Damage& damage : damages) {
    WriteFileBytes(Card2(), std::vector<std::uint8_t>(damage.bytes.begin(), damage.bytes.end()));
    if (damage.sql != nullptr) Execute(damage.sql);
    EXPECT_EQ(CheckCardDatabase(), CardDatabaseState::kUnreadable) << damage.what;
  }
  DeleteFileW(Card2().c_str());
  EXPECT_EQ(CheckCardDatabase(), CardDatabaseState::kUnreadable) << "a missing file";
  EXPECT_FALSE(FileExists(Card2())) << "the check never creates the file";
}

TEST_F(CardDatabaseCheckTest, ALockHeldPastTheWaitIsNotDamage) {
  sqlite3* other = Connect(Card2());
  ASSERT_EQ(sqlite3_exec(other, "begin exclusive", nullptr, nullptr, nullptr), SQLITE_OK);
  EXPECT_EQ(CheckCardDatabase(50), CardDatabaseState::kBusy);
  sqlite3_exec(other, "commit", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_EQ(CheckCardDatabase(50), CardDatabaseState::kReadable);
}

TEST_F(CardDatabaseCheckTest, AWriteCutOffByACrashIsNotDamage) {
  // A store part-way through, as a crash leaves it: the file changed in
  // place and a journal that the next writer plays back.
  sqlite3* writer = Connect(Card2());
  ASSERT_EQ(sqlite3_exec(writer,
                         "pragma cache_size = 1; begin;"
                         "with recursive n(i) as (select 1 union all select i + 1 from n where i < 2000)"
                         " insert into blacklist select printf('%018d', i), 'crash' from n;",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  ScopedTempFolder crashed;
  ASSERT_TRUE(CopyFileW(Card2().c_str(), (crashed / L"card2").c_str(), FALSE));
  ASSERT_TRUE(CopyFileW((Card2() + L"-journal").c_str(), (crashed / L"card2-journal").c_str(), FALSE));
  sqlite3_exec(writer, "rollback", nullptr, nullptr, nullptr);
  sqlite3_close(writer);
  SetSavePath(crashed.Path().c_str());

  ScopedMessageCapture messages;
  EXPECT_TRUE(CheckCardDatabaseAtStart());
  EXPECT_TRUE(messages.Texts().empty());
  // The next connection that may write plays the journal back: nothing lost.
  sqlite3* next = Connect(crashed / L"card2");
  sqlite3_stmt* count = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(next, "select count(*) from blacklist", -1, &count, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(count), SQLITE_ROW);
  EXPECT_EQ(sqlite3_column_int(count, 0), 0);
  sqlite3_finalize(count);
  sqlite3_close(next);
  EXPECT_EQ(CheckCardDatabase(), CardDatabaseState::kReadable);
}

}  // namespace
