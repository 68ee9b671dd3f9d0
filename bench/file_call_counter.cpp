#include "bench/file_call_counter.h"

#include <sqlite3.h>

#include <atomic>
#include <cstddef>
#include <cstring>

namespace {

std::atomic<std::int64_t> g_reads{0};
std::atomic<std::int64_t> g_mappedPages{0};
std::atomic<std::int64_t> g_locks{0};
bool g_pageReads = false;
sqlite3_vfs* g_platform = nullptr;
sqlite3_vfs g_counting{};

// A file of the counting layer: the platform's file right behind it.
struct CountedFile {
  sqlite3_file base;
  sqlite3_file* platform() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

sqlite3_file* Platform(sqlite3_file* file) { return reinterpret_cast<CountedFile*>(file)->platform(); }

int Close(sqlite3_file* f) { return Platform(f)->pMethods->xClose(Platform(f)); }
int Read(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
  ++g_reads;
  return Platform(f)->pMethods->xRead(Platform(f), buffer, amount, offset);
}
int Write(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
  return Platform(f)->pMethods->xWrite(Platform(f), buffer, amount, offset);
}
int Truncate(sqlite3_file* f, sqlite3_int64 size) { return Platform(f)->pMethods->xTruncate(Platform(f), size); }
int Sync(sqlite3_file* f, int flags) { return Platform(f)->pMethods->xSync(Platform(f), flags); }
int FileSize(sqlite3_file* f, sqlite3_int64* size) { return Platform(f)->pMethods->xFileSize(Platform(f), size); }
int Lock(sqlite3_file* f, int level) {
  ++g_locks;
  return Platform(f)->pMethods->xLock(Platform(f), level);
}
int Unlock(sqlite3_file* f, int level) {
  ++g_locks;
  return Platform(f)->pMethods->xUnlock(Platform(f), level);
}
int CheckReservedLock(sqlite3_file* f, int* out) {
  return Platform(f)->pMethods->xCheckReservedLock(Platform(f), out);
}
int FileControl(sqlite3_file* f, int op, void* argument) {
  return Platform(f)->pMethods->xFileControl(Platform(f), op, argument);
}
int SectorSize(sqlite3_file* f) { return Platform(f)->pMethods->xSectorSize(Platform(f)); }
int DeviceCharacteristics(sqlite3_file* f) { return Platform(f)->pMethods->xDeviceCharacteristics(Platform(f)); }
int ShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** memory) {
  return Platform(f)->pMethods->xShmMap(Platform(f), region, size, extend, memory);
}
int ShmLock(sqlite3_file* f, int offset, int n, int flags) {
  return Platform(f)->pMethods->xShmLock(Platform(f), offset, n, flags);
}
void ShmBarrier(sqlite3_file* f) { Platform(f)->pMethods->xShmBarrier(Platform(f)); }
int ShmUnmap(sqlite3_file* f, int deleteFlag) { return Platform(f)->pMethods->xShmUnmap(Platform(f), deleteFlag); }
int Fetch(sqlite3_file* f, sqlite3_int64 offset, int amount, void** page) {
  if (g_pageReads) {
    *page = nullptr;
    return SQLITE_OK;
  }
  const int result = Platform(f)->pMethods->xFetch(Platform(f), offset, amount, page);
  if (*page != nullptr) ++g_mappedPages;
  return result;
}
int Unfetch(sqlite3_file* f, sqlite3_int64 offset, void* page) {
  return Platform(f)->pMethods->xUnfetch(Platform(f), offset, page);
}

const sqlite3_io_methods kMethods = {
    3,        Close,   Read,     Write,     Truncate,   Sync,      FileSize, Lock,  Unlock, CheckReservedLock,
    FileControl, SectorSize, DeviceCharacteristics, ShmMap, ShmLock, ShmBarrier, ShmUnmap, Fetch, Unfetch,
};

int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
  auto* counted = reinterpret_cast<CountedFile*>(file);
  std::memset(counted->platform(), 0, static_cast<std::size_t>(g_platform->szOsFile));
  const int result = g_platform->xOpen(g_platform, name, counted->platform(), flags, outFlags);
  // SQLite closes a file whose methods are set, and only then.
  counted->base.pMethods = counted->platform()->pMethods != nullptr ? &kMethods : nullptr;
  return result;
}

int Delete(sqlite3_vfs*, const char* name, int syncDir) { return g_platform->xDelete(g_platform, name, syncDir); }
int Access(sqlite3_vfs*, const char* name, int flags, int* out) {
  return g_platform->xAccess(g_platform, name, flags, out);
}
int FullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
  return g_platform->xFullPathname(g_platform, name, size, out);
}
int Randomness(sqlite3_vfs*, int size, char* out) { return g_platform->xRandomness(g_platform, size, out); }
int SleepFor(sqlite3_vfs*, int microseconds) { return g_platform->xSleep(g_platform, microseconds); }
int CurrentTime(sqlite3_vfs*, double* now) { return g_platform->xCurrentTime(g_platform, now); }
int LastError(sqlite3_vfs*, int size, char* out) { return g_platform->xGetLastError(g_platform, size, out); }
int CurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* now) { return g_platform->xCurrentTimeInt64(g_platform, now); }

}  // namespace

bool CountFileCalls(bool pageReads) {
  g_platform = sqlite3_vfs_find(nullptr);
  if (g_platform == nullptr) return false;
  g_pageReads = pageReads;
  g_counting.iVersion = 2;
  g_counting.szOsFile = static_cast<int>(sizeof(CountedFile)) + g_platform->szOsFile;
  g_counting.mxPathname = g_platform->mxPathname;
  g_counting.zName = "counting";
  g_counting.xOpen = Open;
  g_counting.xDelete = Delete;
  g_counting.xAccess = Access;
  g_counting.xFullPathname = FullPathname;
  g_counting.xRandomness = Randomness;
  g_counting.xSleep = SleepFor;
  g_counting.xCurrentTime = CurrentTime;
  g_counting.xGetLastError = LastError;
  g_counting.xCurrentTimeInt64 = CurrentTimeInt64;
  return sqlite3_vfs_register(&g_counting, 1) == SQLITE_OK;
}

FileCalls FileCallsSoFar() { return {g_reads.load(), g_mappedPages.load(), g_locks.load()}; }

FileCalls operator-(const FileCalls& later, const FileCalls& earlier) {
  return {later.reads - earlier.reads, later.mappedPages - earlier.mappedPages, later.locks - earlier.locks};
}
