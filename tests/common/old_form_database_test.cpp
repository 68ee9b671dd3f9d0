// The reader program's operations on a card2 of the old form
// (tests/support/make-old-card2), which stays in use when its conversion
// fails: the store, the blacklist lookup and the purge.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/card_database.h"
#include "common/reader_settings.h"
#include "support/old_form_database.h"
#include "support/temp_folder.h"

namespace {

SYSTEMTIME At(WORD year, WORD month, WORD day, WORD hour = 9) {
  SYSTEMTIME time{};
  time.wYear = year, time.wMonth = month, time.wDay = day, time.wHour = hour;
  return time;
}

class OldFormDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(PlaceOldFormDatabase(folder_.Path()));
    SetSavePath(folder_.Path().c_str());
  }
  void TearDown() override {
    // Nothing here converts the file.
    EXPECT_EQ(DatabaseEncoding(Card2()), "UTF-16le");
    SetSavePath(L"");
  }

  std::wstring Card2() const { return folder_ / L"card2"; }
  std::string Query(const char* sql) const { return QueryRows(Card2(), sql); }
  void Touch(const std::wstring& relative) {
    std::filesystem::create_directories(std::filesystem::path(folder_ / relative).parent_path());
    std::ofstream(std::filesystem::path(folder_ / relative)) << "photo";
  }

  ScopedTempFolder folder_;
};

TEST_F(OldFormDatabaseTest, StoredReadKeepsItsChineseText) {
  CardInfo card{};
  wcscpy(card.name, L"欧阳晓川");
  wcscpy(card.sex, L"女");
  wcscpy(card.nation, L"蒙古");
  wcscpy(card.birth, L"20010203");
  wcscpy(card.address, L"东岭省临河市北岸区长宁街5号");
  wcscpy(card.idNumber, L"99010120010203004X");
  wcscpy(card.authority, L"临河市公安局北岸分局");
  wcscpy(card.validFrom, L"20190101");
  wcscpy(card.validTo, L"20290101");
  wcscpy(card.newAddress, L"东岭省临河市北岸区平安路2号");
  SYSTEMTIME time = At(2024, 5, 6);
  ASSERT_EQ(StoreCardRead(card, time), 0);
  EXPECT_EQ(Query("select cardname, sex, nation, address, cardid, authority, newaddress, datetag from cardinfo "
                  "where rowid = (select max(rowid) from cardinfo);"),
            "欧阳晓川|女|蒙古|东岭省临河市北岸区长宁街5号|99010120010203004X|临河市公安局北岸分局|"
            "东岭省临河市北岸区平安路2号|" + std::to_string(2024 << 16 | 5 << 8 | 6));
  EXPECT_EQ(Query("select count(*) from cardinfo;"), "6");
}

TEST_F(OldFormDatabaseTest, BlacklistLookupFindsListedNumbersOnly) {
  EXPECT_EQ(LookUpBlacklist(L"11010119800507123X"), BlacklistAnswer::kListed);
  EXPECT_EQ(LookUpBlacklist(L"990101197001010018"), BlacklistAnswer::kListed);  // listed twice
  EXPECT_EQ(LookUpBlacklist(L"990102196502020029"), BlacklistAnswer::kListed);  // without a reason
  EXPECT_EQ(LookUpBlacklist(L"990521198807150016"), BlacklistAnswer::kNotListed);
}

TEST_F(OldFormDatabaseTest, PurgeDeletesTheEarlierReadsAndTheirPhotos) {
  Touch(L"202403\\05_11010119800507123X.bmp");
  Touch(L"202403\\31_990522199203140026.bmp");
  Touch(L"202404\\02_980301199511110047.bmp");
  ASSERT_EQ(PurgeReadsBefore(DateTag(At(2024, 4, 1))), 0);
  EXPECT_EQ(Query("select cardname from cardinfo order by rowid;"), "李娜\n韩川");
  EXPECT_FALSE(FileExists(folder_ / L"202403"));
  EXPECT_TRUE(FileExists(folder_ / L"202404\\02_980301199511110047.bmp"));
  EXPECT_EQ(Query("pragma integrity_check;"), "ok");
}

}  // namespace
