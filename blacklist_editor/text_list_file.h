// Text list files on disk: reading one for an import, writing an export.
#pragma once

#include <string>
#include <vector>

#include "blacklist_editor/blacklist_store.h"
#include "blacklist_editor/text_list.h"

// Larger files are refused: a list of a million numbers is about 20 MB.
inline constexpr std::size_t kMaxTextListBytes = 64u << 20;
// The most different numbers one file may hold. The import writes them in
// one transaction, which holds the card database's write lock while the
// reader program waits for it (kDatabaseBusyTimeoutMs at most): at this size
// the lock is held well under a second, even in the 32-bit build on a busy
// machine, with a hundred thousand numbers listed already (blacklist_bench).
inline constexpr std::size_t kMaxImportNumbers = 20000;

enum class ListFileResult { kOk, kCannotOpen, kTooLarge, kTooManyNumbers, kFailed };

// Reads and checks the list; kTooManyNumbers when it holds more than
// kMaxImportNumbers different numbers.
ListFileResult ReadTextListFile(const std::wstring& path, TextList& list);
// Writes the rows as a text list. The file is written beside its final
// name and then put in place, so a failed export leaves an older file whole.
ListFileResult WriteTextListFile(const std::wstring& path, const std::vector<BlacklistRow>& rows);
