// Which card databases a connection reads through a memory mapping: those on
// a fixed disk of this computer, not those on a share.
#include <windows.h>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include "common/card_database.h"
#include "common/database_handles.h"
#include "common/mapped_database_reads.h"
#include "common/reader_settings.h"
#include "support/old_form_database.h"
#include "support/temp_folder.h"

namespace {

TEST(MappedDatabaseReadsTest, OnlyAFileOnALocalFixedDiskIsMapped) {
  ScopedTempFolder folder;
  EXPECT_TRUE(IsOnLocalFixedDisk((folder / L"card2").c_str()));
  EXPECT_FALSE(IsOnLocalFixedDisk(L"\\\\server\\share\\Tarnwick\\card2"));

  ASSERT_TRUE(PlaceOldFormDatabase(folder.Path()));
  SetSavePath(folder.Path().c_str());
  Database db;
  ASSERT_EQ(OpenCardDatabase(db), SQLITE_OK);
  Statement size;
  ASSERT_EQ(PrepareStatement(db, "pragma mmap_size;", size), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(size.get()), SQLITE_ROW);
  EXPECT_GE(sqlite3_column_int64(size.get(), 0), 256 << 20);
  SetSavePath(L"");
}

}  // namespace
