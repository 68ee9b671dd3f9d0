// The save folder of a Windows benchmark: a fresh folder holding a copy of
// the prepared card2 that stands beside the benchmark program, with the
// settings pointed at it.
#pragma once

#include <string>

#include "support/temp_folder.h"

// The path of the database copied into folder.
std::wstring UseBenchSaveFolder(const ScopedTempFolder& folder);
