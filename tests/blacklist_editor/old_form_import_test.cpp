// The editor's import into a card2 of the old form
// (tests/support/make-old-card2), which the editor writes as it finds it and
// never converts.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "blacklist_editor/blacklist_store.h"
#include "common/reader_settings.h"
#include "editor_database.h"
#include "support/old_form_database.h"
#include "support/temp_folder.h"

namespace {

TEST(OldFormImportTest, ImportAddsTheNewNumbersOnceWithTheirReasons) {
  ScopedTempFolder folder;
  ASSERT_TRUE(PlaceOldFormDatabase(folder.Path()));
  SetSavePath(folder.Path().c_str());
  std::vector<BlacklistRow> rows;
  ASSERT_EQ(LoadBlacklist(rows), 0);
  ASSERT_EQ(rows.size(), 4u);  // one number listed twice

  const std::wstring fresh = MadeUpNumber(7);
  const std::vector<TextListLine> lines = {
      {1, std::u16string(fresh.begin(), fresh.end()), u"通报 2026-12"},
      {2, u"11010119800507123X", u"已在名单"},
  };
  int added = -1;
  ASSERT_EQ(ImportBlacklistEntries(lines, added), 0);
  EXPECT_EQ(added, 1);
  const std::wstring card2 = folder / L"card2";
  const std::string number(fresh.begin(), fresh.end());
  EXPECT_EQ(QueryRows(card2, ("select reason from blacklist where cardid = '" + number + "';").c_str()),
            "通报 2026-12");
  EXPECT_EQ(QueryRows(card2, "select count(*) from blacklist;"), "5");
  EXPECT_EQ(QueryRows(card2, "pragma integrity_check;"), "ok");
  EXPECT_EQ(DatabaseEncoding(card2), "UTF-16le");
  SetSavePath(L"");
}

}  // namespace
