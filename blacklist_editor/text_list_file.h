// Text list files on disk: reading one for an import, writing an export.
#pragma once

#include <string>
#include <vector>

#include "blacklist_editor/blacklist_store.h"
#include "blacklist_editor/text_list.h"

// Larger files are refused: a list of a million numbers is about 20 MB.
inline constexpr std::size_t kMaxTextListBytes = 64u << 20;

enum class ListFileResult { kOk, kCannotOpen, kTooLarge, kFailed };

ListFileResult ReadTextListFile(const std::wstring& path, TextList& list);
// Writes the rows as a text list. The file is written beside its final
// name and then put in place, so a failed export leaves an older file whole.
ListFileResult WriteTextListFile(const std::wstring& path, const std::vector<BlacklistRow>& rows);
