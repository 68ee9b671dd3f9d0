#include "blacklist_editor/blacklist_filter.h"

#include <algorithm>
#include <string>

std::vector<std::size_t> FilterBlacklist(const std::vector<BlacklistRow>& rows, std::wstring_view text) {
  std::vector<std::size_t> shown;
  shown.reserve(rows.size());
  std::wstring prefix(text);
  std::replace(prefix.begin(), prefix.end(), L'x', L'X');
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const BlacklistRow& row = rows[i];
    if (row.cardid.starts_with(prefix) || row.reason.find(text) != std::wstring::npos) shown.push_back(i);
  }
  return shown;
}
