// Bringing a card database of the old form into the form of the prepared
// card2. The old form stores its text as UTF-16, where SQLite cannot narrow a
// prefix of Chinese characters to an index range, so name searches in such a
// file read every stored read of the time range. Only the reader program
// converts, at its start; the query tool and the blacklist editor work on
// either form as they find it.
#pragma once

#include <functional>

enum class DatabaseForm {
  kCurrent,  // UTF-8, as the prepared card2
  kOld,      // UTF-16
  kUnknown,  // card2 cannot be opened or read
};
// The form of card2 in the save folder.
DatabaseForm CardDatabaseForm();

// The name the old file is kept under beside the new one. When a file of
// that name is there already, the first free one of "<name>-2" to
// "<name>-99" is taken.
inline constexpr wchar_t kOldFormBackupName[] = L"card2.utf16-backup";
// The new file while it is being made; a leftover of a conversion that was
// cut off is replaced by the next one.
inline constexpr wchar_t kConversionFileName[] = L"card2.converting";

// Where a conversion stopped.
enum class UpgradeStep {
  kNone,     // it did not stop: card2 is in the new form
  kPrepare,  // copying the prepared card2 from the program folder
  kCopy,     // copying the tables, their rows and indices
  kCheck,    // the new file's row counts differ from the old file's
  kReplace,  // putting the new file in the old one's place
};
struct UpgradeResult {
  UpgradeStep failedAt = UpgradeStep::kNone;
  // The SQLite code of the failed statement, or the system's error code of a
  // failed file operation.
  int code = 0;
};

// Receives the share of the work done, in thousandths.
using UpgradeProgress = std::function<void(int permille)>;

// Copies card2 into a new file made from the prepared card2 of the program
// folder: every table with every row (in stored order, row ids kept) and
// every index, trigger and view of the old file, then the statistics of
// the searches. Checks that each table has as many rows as in the old file,
// then replaces card2 by the new file in one step and keeps the old one
// beside under kOldFormBackupName. Other programs may read card2 meanwhile;
// one that writes it waits. A card2 that another program holds open, or
// that has a journal beside it, is not replaced. On failure card2 is left
// as it was and nothing of the attempt stays beside it. Runs on any
// thread; progress is called on the same one.
UpgradeResult UpgradeCardDatabase(const UpgradeProgress& progress);
