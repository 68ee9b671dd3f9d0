// Which card databases a connection reads through a memory mapping: those on
// a fixed disk of this computer, not those on a share.
#include <windows.h>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <cstdint>

#include "common/card_database.h"
#include "common/database_handles.h"
#include "common/mapped_database_reads.h"
#include "common/reader_settings.h"
#include "support/old_form_database.h"
#include "support/temp_folder.h"

namespace {

std::int64_t MappedBytes(const Database& db) {
  Statement size;
  if (PrepareStatement(db, "pragma mmap_size;", size) != SQLITE_OK || sqlite3_step(size.get()) != SQLITE_ROW) return -1;
  return sqlite3_column_int64(size.get(), 0);
}

TEST(MappedDatabaseReadsTest, OnlyAFileOnALocalFixedDiskIsMapped) {
  ScopedTempFolder folder;
  EXPECT_TRUE(IsOnLocalFixedDisk((folder / L"card2").c_str()));
  EXPECT_FALSE(IsOnLocalFixedDisk(L"\\\\server\\share\\Tarnwick\\card2"));

  ASSERT_TRUE(PlaceOldFormDatabase(folder.Path()));
  SetSavePath(folder.Path().c_str());
  Database db;
  ASSERT_EQ(OpenCardDatabase(db), SQLITE_OK);
  // A store or a lookup touches a few pages: mapping the file would cost it
  // more than the reads it saves.
  EXPECT_EQ(MappedBytes(db), 0);
  EXPECT_TRUE(MapDatabaseReads(db.get()));
  EXPECT_GE(MappedBytes(db), 256 << 20);
  SetSavePath(L"");
}

}  // namespace
