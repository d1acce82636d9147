#include "app/TrimQuotes.h"

std::wstring TrimQuotes(const std::wstring& text) {
  if (text.empty() || text.front() != L'"') return text;
  const auto close = text.find(L'"', 1);
  return text.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
}
