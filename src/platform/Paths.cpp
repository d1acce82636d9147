#include "platform/Paths.h"

#include <windows.h>

#include "platform/ObjectSecurity.h"
#include "platform/PathRules.h"

namespace platform {

std::wstring LongPath(const std::wstring& path) {
  std::wstring buffer(1024, L'\0');
  DWORD n = GetLongPathNameW(path.c_str(), buffer.data(), 1024);
  if (n > 1024) {
    buffer.assign(static_cast<size_t>(n) + 1, L'\0');
    n = GetLongPathNameW(path.c_str(), buffer.data(), n + 1);
    if (n > buffer.size()) n = 0;
  }
  return CollapseDoubledBackslashes(n > 0 ? buffer.substr(0, n) : std::wstring());
}

std::wstring HeadPathOf(const std::wstring& path) {
  const std::wstring longPath = LongPath(path);
  if (!longPath.empty() || !IsPlainFile(path)) return longPath;
  return CollapseDoubledBackslashes(FullPath(path));
}

std::wstring FullPath(const std::wstring& path) {
  const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring full(n, L'\0');
  const DWORD got = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
  return got > 0 && got < n ? full.substr(0, got) : path;
}

std::wstring NeutralFolder() {
  wchar_t folder[MAX_PATH] = {};
  const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::wstring(folder, n) : ProgramFolder();
}

namespace {

std::wstring g_handedFolder;  // from the instance that restarted this one, with its user
std::wstring g_handedUser;

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

std::wstring ProgramFolder() {
  std::wstring path = ModulePath();
  path.resize(path.find_last_of(L'\\') + 1);
  if (path.empty() || path.back() != L'\\') path.push_back(L'\\');
  return path;
}

std::wstring ProgramName() {
  std::wstring path = ModulePath();
  path.erase(0, path.find_last_of(L'\\') + 1);
  if (const auto dot = path.find_last_of(L'.'); dot != std::wstring::npos) path.resize(dot);
  return path;
}

bool IsPlainFile(const std::wstring& pattern) {
  if (pattern.empty()) return false;
  constexpr DWORD kNotNormal = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    // A file in a folder that may not be listed can still be looked at by its name.
    const DWORD attributes = HasWildcards(pattern) ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(pattern.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & kNotNormal) == 0;
  }
  bool match = false;
  do {
    match = (found.dwFileAttributes & kNotNormal) == 0;
  } while (!match && FindNextFileW(search, &found));
  FindClose(search);
  return match;
}

std::wstring RemovedCopiesFolder() {
  if (!g_handedFolder.empty()) return g_handedFolder;
  wchar_t local[MAX_PATH];
  const DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH);
  return n && n < MAX_PATH ? std::wstring(local, n) + L"\\Vesk Installer\\Removed\\" : std::wstring();
}

std::wstring RemovedCopiesUser() { return g_handedUser.empty() ? platform::UserSid() : g_handedUser; }

unsigned long MakeRemovedCopiesFolder(std::wstring& folder) {
  folder = RemovedCopiesFolder();
  if (folder.empty()) {
    folder = L"%LOCALAPPDATA%";
    return ERROR_ENVVAR_NOT_FOUND;
  }
  // The program's folder, then the copies' folder in it; made for the user the restart handed over
  // (another account's, maybe), opened to that user.
  const wchar_t* levels[] = {L"\\Vesk Installer", L"\\Removed"};
  std::wstring made = folder.substr(0, folder.size() - 24);
  for (const wchar_t* level : levels) {
    made += level;
    if (CreateDirectoryW(made.c_str(), nullptr)) {
      if (!g_handedUser.empty()) platform::OpenFolderTo(made, g_handedUser);
    } else if (const DWORD error = GetLastError(); error != ERROR_ALREADY_EXISTS) {
      folder = made;
      return error;
    }
  }
  return ERROR_SUCCESS;
}

void TakeRemovedCopiesFolder(const std::wstring& folder, const std::wstring& userSid) {
  if (!folder.ends_with(L"\\Vesk Installer\\Removed\\") || userSid.empty()) return;
  g_handedFolder = folder;
  g_handedUser = userSid;
}

}  // namespace platform
