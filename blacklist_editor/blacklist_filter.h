// The editor's filter over its copy of the blacklist.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "blacklist_editor/blacklist_store.h"

// Indices of the rows whose number starts with `text` (a lower-case "x"
// counts as "X") or whose reason contains it; every row for an empty text.
std::vector<std::size_t> FilterBlacklist(const std::vector<BlacklistRow>& rows, std::wstring_view text);
