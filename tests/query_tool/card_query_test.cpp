// The query tool's database reads against real card2 files: how a stored
// read comes back as a row, the time range, and which index each search
// uses.
#include <sqlite3.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/card_database.h"
#include "common/database_handles.h"
#include "query_fixture.h"
#include "query_tool/card_query.h"

namespace {

std::vector<CardRow> g_rows;
int CollectRow(QueryContext&, const CardRow& row) {
  g_rows.push_back(row);
  return 1;
}

QueryContext Everything() {
  QueryContext query{};
  wcscpy_s(query.namePattern, L"%");
  wcscpy_s(query.numberPattern, L"%");
  wcscpy_s(query.sexPattern, L"%");
  query.timeFrom = 0;
  query.timeTo = INT64_MAX;
  return query;
}

std::vector<CardRow> ReadAll(QueryContext query) {
  g_rows.clear();
  Database db;
  EXPECT_EQ(OpenCardDatabase(db), SQLITE_OK);
  CardRow row{};
  EXPECT_EQ(ReadCardRows(db.get(), CollectRow, query, row), SQLITE_OK);
  EXPECT_EQ(query.rowCount, static_cast<int>(g_rows.size()));
  return g_rows;
}

// The plan SQLite picks for a search, with the patterns bound as the query
// window binds them (a LIKE prefix is planned from the bound value).
std::string PlanOf(const wchar_t* name, const wchar_t* number, std::int64_t from, std::int64_t to) {
  Database db;
  EXPECT_EQ(OpenCardDatabase(db), SQLITE_OK);
  Statement plan;
  EXPECT_EQ(PrepareStatement(db.get(),
                             L"explain query plan select count(cardid) from cardinfo where cardname like ? and "
                             L"cardid like ? and sex like ? and readtime between ? and ?;",
                             plan),
            SQLITE_OK);
  sqlite3_bind_text16(plan.get(), 1, name, -1, SQLITE_STATIC);
  sqlite3_bind_text16(plan.get(), 2, number, -1, SQLITE_STATIC);
  sqlite3_bind_text16(plan.get(), 3, L"%", -1, SQLITE_STATIC);
  sqlite3_bind_int64(plan.get(), 4, from);
  sqlite3_bind_int64(plan.get(), 5, to);
  std::string detail;
  while (sqlite3_step(plan.get()) == SQLITE_ROW) {
    detail += reinterpret_cast<const char*>(sqlite3_column_text(plan.get(), 3));
  }
  return detail;
}

TEST(CardQueryTest, StoredReadComesBackAsListedRow) {
  QueryDatabase database;
  CardInfo card = NumberedCard(7, L"女");
  wcscpy_s(card.validTo, L"长期");
  wcscpy_s(card.newAddress, L"临河市北岸区新街二号");
  ASSERT_TRUE(database.Store(card, At(2024, 3, 5, 8, 9, 10)));

  const std::vector<CardRow> rows = ReadAll(Everything());
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_STREQ(rows[0].name, L"Reader 0007");
  EXPECT_STREQ(rows[0].sex, L"女");
  EXPECT_STREQ(rows[0].idNumber, L"110101199001010007");
  EXPECT_STREQ(rows[0].newAddress, L"临河市北岸区新街二号");
  EXPECT_STREQ(rows[0].birthText, L"1990年01月01日");
  EXPECT_STREQ(rows[0].validityText, L"2010.05.07-长期");
  EXPECT_STREQ(rows[0].readTimeText, L"2024-03-05 08:09:10");
}

TEST(CardQueryTest, OverlongTextsFromTheDatabaseAreCutToTheirFields) {
  // Another program may have written anything into the table.
  QueryDatabase database;
  ASSERT_TRUE(database.Execute(
      "insert into cardinfo values ('ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'MF', 'NNNNNNNNNNNNNNN', '199001011234', "
      "'" + std::string(80, 'a') + "', '1234567890123456789012345', 'AAAAAAAAAAAAAAAAAAAA', '201005071', "
      "'203005071', 0, '" + std::string(80, 'n') + "', 0);"));
  const std::vector<CardRow> rows = ReadAll(Everything());
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_STREQ(rows[0].name, L"ABCDEFGHIJKLMNO");
  EXPECT_STREQ(rows[0].sex, L"M");
  EXPECT_STREQ(rows[0].nation, L"NNNNNNNNN");
  EXPECT_STREQ(rows[0].birth, L"19900101");
  EXPECT_EQ(std::wstring(rows[0].address), std::wstring(35, L'a'));
  EXPECT_STREQ(rows[0].idNumber, L"123456789012345678");
  EXPECT_STREQ(rows[0].authority, L"AAAAAAAAAAAAAAA");
  EXPECT_STREQ(rows[0].validityText, L"2010.05.07-2030.05.07");
  EXPECT_EQ(std::wstring(rows[0].newAddress), std::wstring(35, L'n'));
}

TEST(CardQueryTest, TimeRangeOfEmptyAndFilledDatabase) {
  QueryDatabase database;
  Database db;
  ASSERT_EQ(OpenCardDatabase(db), SQLITE_OK);
  std::int64_t earliest = 0, latest = 0;
  EXPECT_EQ(GetReadTimeRange(db.get(), earliest, latest), SQLITE_OK);
  EXPECT_EQ(latest, 0);

  ASSERT_TRUE(database.Store(NumberedCard(1), At(2019, 12, 31, 23, 59, 59)));
  ASSERT_TRUE(database.Store(NumberedCard(2), At(2001, 1, 1)));
  EXPECT_EQ(GetReadTimeRange(db.get(), earliest, latest), SQLITE_OK);
  SYSTEMTIME first = At(2001, 1, 1), last = At(2019, 12, 31, 23, 59, 59);
  EXPECT_EQ(earliest, FileTimeTicks(first));
  EXPECT_EQ(latest, FileTimeTicks(last));
}

TEST(CardQueryTest, AllRowsModeHasNoPageLimitAndPageModeStartsAtOffset) {
  QueryDatabase database;
  for (int n = 0; n < 53; ++n) ASSERT_TRUE(database.Store(NumberedCard(n), At(2024, 1, 1, 0, 0, n)));
  QueryContext query = Everything();
  query.mode = kQueryAllRows;
  EXPECT_EQ(ReadAll(query).size(), 53u);
  query.mode = kQueryOnePage;
  query.offset = 50;
  EXPECT_EQ(ReadAll(query).size(), 3u);
}

TEST(CardQueryTest, EachSearchUsesItsIndex) {
  QueryDatabase database;
  const std::int64_t always = INT64_MAX;
  EXPECT_NE(PlanOf(L"韩晓%", L"%", 0, always).find("INDEX cardinfo_name"), std::string::npos);
  EXPECT_NE(PlanOf(L"Rea%", L"%", 0, always).find("INDEX cardinfo_name"), std::string::npos);
  EXPECT_NE(PlanOf(L"%", L"110101%", 0, always).find("INDEX cardinfo_number"), std::string::npos);
  EXPECT_NE(PlanOf(L"%", L"%", 1000, 2000).find("INDEX cardinfo_readtime"), std::string::npos);

  // Earliest and latest read: a scan of the narrow time index, not the table.
  Database db;
  ASSERT_EQ(OpenCardDatabase(db), SQLITE_OK);
  Statement plan;
  ASSERT_EQ(PrepareStatement(db.get(), L"explain query plan select min(readtime),max(readtime) from cardinfo;", plan),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_step(plan.get()), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(plan.get(), 3)),
               "SCAN cardinfo USING COVERING INDEX cardinfo_readtime");
}

TEST(CardQueryTest, ReaderProgramAddsTheIndicesToAnOlderDatabase) {
  QueryDatabase database;
  ASSERT_TRUE(database.Execute("drop index cardinfo_name; drop index cardinfo_number; drop index cardinfo_readtime;"));
  ASSERT_TRUE(database.Store(NumberedCard(1), At(2024, 1, 1)));
  EXPECT_EQ(AddQueryIndexes(), SQLITE_OK);
  EXPECT_EQ(AddQueryIndexes(), SQLITE_OK);  // a second start changes nothing
  EXPECT_NE(PlanOf(L"%", L"110101%", 0, INT64_MAX).find("INDEX cardinfo_number"), std::string::npos);
  EXPECT_NE(PlanOf(L"Rea%", L"%", 0, INT64_MAX).find("INDEX cardinfo_name"), std::string::npos);
  EXPECT_EQ(ReadAll(Everything()).size(), 1u);
}

}  // namespace
