// The start-up check of card2: cheap enough for every start, however many
// reads the file holds. A file cut short or damaged would otherwise count as
// present and every store and search on it would fail without a word.
#pragma once

// kBusy: another program held its lock past the wait, or a write cut off by
// a crash waits for the next writer to roll it back; neither is damage.
// kUnreadable: the file cannot be opened, is no database, is damaged, or
// lacks one of the two tables or one of their columns.
enum class CardDatabaseState { kReadable, kBusy, kUnreadable };

inline constexpr int kCardDatabaseCheckWaitMs = 1000;

// Opens <save folder>card2 read-only and reads its schema and the first page
// of each table; never creates, changes or scans the whole file.
CardDatabaseState CheckCardDatabase(int waitMs = kCardDatabaseCheckWaitMs);

// Runs the check; for an unreadable file shows a message that names it.
// False only then; the file is left exactly as it is either way.
bool CheckCardDatabaseAtStart();
