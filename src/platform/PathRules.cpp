#include "platform/PathRules.h"

std::wstring CollapseDoubledBackslashes(const std::wstring& path) {
  std::wstring collapsed;
  collapsed.reserve(path.size());
  size_t i = 0;
  if (path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'\\') {
    collapsed = L"\\\\";
    i = 2;
  }
  for (; i < path.size(); ++i) {
    collapsed.push_back(path[i]);
    if (path[i] == L'\\' && i + 1 < path.size() && path[i + 1] == L'\\') ++i;
  }
  return collapsed;
}

std::optional<std::wstring> WithoutEnclosingQuotes(const std::wstring& text) {
  if (text.size() < 2 || text.front() != L'"' || text.back() != L'"') return std::nullopt;
  const std::wstring inner = text.substr(1, text.size() - 2);
  if (inner.find(L'"') != std::wstring::npos) return std::nullopt;
  return inner;
}

bool HasWildcards(const std::wstring& path) { return path.find_first_of(L"*?") != std::wstring::npos; }
