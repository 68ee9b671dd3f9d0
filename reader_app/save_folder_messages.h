// What the configuration dialog tells the user about a new save folder.
#pragma once

#include <string>

#include "common/save_folder_move.h"

// Why folder was refused as the save folder.
std::wstring SaveFolderRefusalText(SaveFolderReadiness readiness, const wchar_t* folder);
// What changed with the move from earlierFolder to folder; empty when the
// new folder had a database of its own, as nothing else changed then.
std::wstring SaveFolderMoveText(const SaveFolderMove& move, const wchar_t* folder, const wchar_t* earlierFolder);
