#include "blacklist_editor/save_folder.h"

#include "common/reader_settings.h"
#include "common/working_folders.h"

bool FollowSaveFolder(HWND owner) { return PrepareWorkingFolders(owner) == 1; }

std::wstring CardDatabasePath() { return std::wstring(GetSavePath()) + kDatabaseFileName; }
