#include "platform/TrimQuotes.h"

std::wstring TrimQuotes(const std::wstring& text) {
  if (text.empty() || text.front() != L'"') return text;
  const auto close = text.find(L'"', 1);
  return text.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
}

const wchar_t* SkipProgramPath(const wchar_t* p) {
  if (*p == L'"') {
    ++p;
    while (*p && *p != L'"') ++p;
    if (*p) ++p;
  } else {
    while (*p && *p != L' ' && *p != L'\t') ++p;
  }
  while (*p == L' ' || *p == L'\t') ++p;
  return p;
}
