// The query tool's database reads against real card2 files: how a stored
// read comes back as a row, the time range, and which index each search
// uses.
#include <sqlite3.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/card_database.h"
#include "common/database_handles.h"
#include "common/search_statistics.h"
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

QueryContext Search(const wchar_t* name, const wchar_t* number, std::int64_t from = 0,
                    std::int64_t to = INT64_MAX) {
  QueryContext query = Everything();
  swprintf(query.namePattern, std::size(query.namePattern), L"%ls", name);
  swprintf(query.numberPattern, std::size(query.numberPattern), L"%ls", number);
  query.timeFrom = from;
  query.timeTo = to;
  return query;
}

// The plan SQLite picks for one of the query window's statements, with the
// parameters bound as the window binds them (a LIKE prefix, and with
// statistics every range, is planned from the bound values): the detail of
// each step, joined by "; ".
std::string PlanOf(const wchar_t* statement, const QueryContext& query) {
  Database db;
  EXPECT_EQ(OpenCardDatabase(db), SQLITE_OK);
  Statement plan;
  EXPECT_EQ(PrepareStatement(db.get(), (std::wstring(L"explain query plan ") + statement).c_str(), plan), SQLITE_OK);
  sqlite3_bind_text16(plan.get(), 1, query.namePattern, -1, SQLITE_STATIC);
  sqlite3_bind_text16(plan.get(), 2, query.numberPattern, -1, SQLITE_STATIC);
  sqlite3_bind_text16(plan.get(), 3, query.sexPattern, -1, SQLITE_STATIC);
  sqlite3_bind_int64(plan.get(), 4, query.timeFrom);
  sqlite3_bind_int64(plan.get(), 5, query.timeTo);
  if (sqlite3_bind_parameter_count(plan.get()) == 6) sqlite3_bind_int(plan.get(), 6, query.offset);
  std::string detail;
  while (sqlite3_step(plan.get()) == SQLITE_ROW) {
    if (!detail.empty()) detail += "; ";
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

TEST(CardQueryTest, SearchesReadALocalFileThroughAMapping) {
  QueryDatabase database;
  Database db;
  ASSERT_EQ(OpenCardDatabase(db), SQLITE_OK);
  CountCardReads(db.get(), Everything());
  Statement size;
  ASSERT_EQ(PrepareStatement(db, "pragma mmap_size;", size), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(size.get()), SQLITE_ROW);
  EXPECT_GT(sqlite3_column_int64(size.get(), 0), 0);
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

constexpr char kNameRange[] = "INDEX cardinfo_name (cardname>? AND cardname<?)";
constexpr char kNumberRange[] = "INDEX cardinfo_number (cardid>? AND cardid<?)";
constexpr char kTimeRange[] = "SEARCH cardinfo USING INDEX cardinfo_readtime (readtime>? AND readtime<?)";

// Earliest and latest read: one seek to each end of the time index, where a
// scan of it would name SCAN.
constexpr char kTimeIndexEnds[] =
    "SCAN CONSTANT ROW; SCALAR SUBQUERY 1; SEARCH cardinfo USING COVERING INDEX cardinfo_readtime; "
    "SCALAR SUBQUERY 2; SEARCH cardinfo USING COVERING INDEX cardinfo_readtime";

std::string Searching(const char* range) { return std::string("SEARCH cardinfo USING ") + range; }
std::string Counting(const char* range) { return std::string("SEARCH cardinfo USING COVERING ") + range; }

TEST(CardQueryTest, WithoutStatisticsEachCountUsesItsIndex) {
  QueryDatabase database;
  EXPECT_EQ(PlanOf(kCountStatement, Search(L"韩晓%", L"%")), Counting(kNameRange));
  EXPECT_EQ(PlanOf(kCountStatement, Search(L"Rea%", L"%")), Counting(kNameRange));
  EXPECT_EQ(PlanOf(kCountStatement, Search(L"%", L"110101%")), Counting(kNumberRange));
  EXPECT_EQ(PlanOf(kCountStatement, Search(L"%", L"%", 1000, 2000)), kTimeRange);
  EXPECT_EQ(PlanOf(kReadTimeRangeStatement, Everything()), kTimeIndexEnds);
}

// Two years of reads, 2,400 of them at even steps: 1,000 three-character
// names (each read two or three times) and 300 citizen numbers in six
// regions (each read eight times), then the statistics the reader program
// gathers at its start.
class SearchPlanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::int64_t start = FileTimeTicks(At(2023, 1, 1));
    const std::int64_t step = (FileTimeTicks(At(2025, 1, 1)) - start) / 2400;
    ASSERT_TRUE(database_.Execute(
        "with recursive n(i) as (select 0 union all select i + 1 from n where i < 2399) "
        "insert into cardinfo select "
        "substr('王李张刘陈杨黄赵吴周', i % 10 + 1, 1) || substr('伟芳娜敏静丽强磊军洋', i / 10 % 10 + 1, 1) || "
        "substr('明超秀霞平刚桂英华玉', i / 100 % 10 + 1, 1), "
        "case i % 2 when 0 then '女' else '男' end, '汉', '19900101', '临河市清溪区望山路十八号', "
        "substr('990521990522990101990102980301980727', i % 6 * 6 + 1, 6) || printf('19900101%04d', i % 100), "
        "'临河市公安局清溪分局', '20100507', '20300507', " +
        std::to_string(start) + " + i * " + std::to_string(step) + ", '', 0 from n;"));
    ASSERT_EQ(UpdateSearchStatistics(), SQLITE_OK);
  }

  // A month pick: every read of March 2024.
  static QueryContext MarchOf2024() {
    return Search(L"%", L"%", FileTimeTicks(At(2024, 3, 1)), FileTimeTicks(At(2024, 3, 31, 23, 59, 59)));
  }

  QueryDatabase database_;
};

TEST_F(SearchPlanTest, PreciseSearchesTakeTheirIndexOverTheWholeTimeRange) {
  // A full three-character name, a two-character prefix, a full number.
  for (const QueryContext& query : {Search(L"王伟明%", L"%"), Search(L"王伟%", L"%")}) {
    EXPECT_EQ(PlanOf(kCountStatement, query), Counting(kNameRange)) << query.namePattern;
    EXPECT_EQ(PlanOf(kPageStatement, query), Searching(kNameRange)) << query.namePattern;
    EXPECT_EQ(PlanOf(kAllRowsStatement, query), Searching(kNameRange)) << query.namePattern;
  }
  const QueryContext number = Search(L"%", L"990521199001010000%");
  EXPECT_EQ(PlanOf(kCountStatement, number), Counting(kNumberRange));
  EXPECT_EQ(PlanOf(kPageStatement, number), Searching(kNumberRange));
  EXPECT_EQ(PlanOf(kAllRowsStatement, number), Searching(kNumberRange));
}

TEST_F(SearchPlanTest, MonthPickAndTimeRangeKeepTheTimeIndex) {
  // The month's rows come in reading-time order, as before.
  EXPECT_EQ(PlanOf(kCountStatement, MarchOf2024()), kTimeRange);
  EXPECT_EQ(PlanOf(kPageStatement, MarchOf2024()), kTimeRange);
  EXPECT_EQ(PlanOf(kAllRowsStatement, MarchOf2024()), kTimeRange);
  EXPECT_EQ(PlanOf(kReadTimeRangeStatement, Everything()), kTimeIndexEnds);
}

TEST_F(SearchPlanTest, StatisticsAreGatheredOnlyWhenDue) {
  EXPECT_FALSE(SearchStatisticsAreDue());
  // A purge that leaves well under a tenth of the reads (SQLite's own rule,
  // on its estimate of the table's size) makes them stale.
  ASSERT_TRUE(database_.Execute("delete from cardinfo where rowid % 40 != 0;"));
  EXPECT_TRUE(SearchStatisticsAreDue());
  ASSERT_EQ(UpdateSearchStatistics(), SQLITE_OK);
  EXPECT_FALSE(SearchStatisticsAreDue());
}

TEST(CardQueryTest, ReaderProgramAddsTheIndicesToAnOlderDatabase) {
  QueryDatabase database;
  ASSERT_TRUE(database.Execute("drop index cardinfo_name; drop index cardinfo_number; drop index cardinfo_readtime;"));
  ASSERT_TRUE(database.Store(NumberedCard(1), At(2024, 1, 1)));
  EXPECT_EQ(AddQueryIndexes(), SQLITE_OK);
  EXPECT_EQ(AddQueryIndexes(), SQLITE_OK);  // a second start changes nothing
  EXPECT_EQ(PlanOf(kCountStatement, Search(L"%", L"110101%")), Counting(kNumberRange));
  EXPECT_EQ(PlanOf(kCountStatement, Search(L"Rea%", L"%")), Counting(kNameRange));
  EXPECT_EQ(ReadAll(Everything()).size(), 1u);
}

}  // namespace
