#include "fileinfo/VersionSearch.h"

static_assert([] {
  for (const VersionKey& row : kVersionKeys)
    if (row.distance != ValueDistance(row.key)) return false;
  return true;
}());

std::optional<std::string_view> FindValueWindow(std::string_view text, const VersionKey& key) {
  const size_t at = text.find(key.key);
  if (at == std::string_view::npos) return std::nullopt;
  const size_t start = at + key.distance;
  if (start >= text.size()) return std::string_view{};
  return text.substr(start, key.window);
}

bool HasProductVersion(std::wstring_view productVersion) {
  return productVersion.find_first_not_of(L' ') != std::wstring_view::npos;
}
