#include "app/modInstaller.h"

#include <windows.h>

#include "app/AnsiText.h"
#include "app/PathRules.h"

namespace modInstaller {

std::wstring GetLongPath(const std::wstring& path) {
  const std::string ansi = ToAnsi(path);
  std::string buffer(1024, '\0');
  DWORD n = GetLongPathNameA(ansi.c_str(), buffer.data(), 1024);
  if (n > 1024) {
    buffer.assign(static_cast<size_t>(n) + 1, '\0');
    n = GetLongPathNameA(ansi.c_str(), buffer.data(), n + 1);
    if (n > buffer.size()) n = 0;
  }
  return FromAnsi(CollapseDoubledBackslashes(n > 0 ? buffer.substr(0, n) : std::string()));
}

namespace {

std::string ModulePath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

std::wstring AppPath() {
  std::string path = ModulePath();
  path.resize(path.find_last_of('\\') + 1);
  if (path.empty() || path.back() != '\\') path.push_back('\\');
  return FromAnsi(path);
}

std::wstring ExeName() {
  std::string path = ModulePath();
  path.erase(0, path.find_last_of('\\') + 1);
  if (const auto dot = path.find_last_of('.'); dot != std::string::npos) path.resize(dot);
  return FromAnsi(path);
}

bool FileProbe(const std::wstring& pattern) {
  if (pattern.empty()) return false;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(ToAnsi(pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  constexpr DWORD kNotNormal = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
  bool match = false;
  do {
    match = (found.dwFileAttributes & kNotNormal) == 0;
  } while (!match && FindNextFileA(search, &found));
  FindClose(search);
  return match;
}

}  // namespace modInstaller
