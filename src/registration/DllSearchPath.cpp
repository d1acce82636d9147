#include "registration/DllSearchPath.h"

#include <algorithm>
#include <cwctype>

namespace registration {
namespace {

// PATH's folders taken at most: a longer PATH is not what any head relies on.
constexpr size_t kMaxFolders = 256;

std::wstring WithSlash(std::wstring folder) {
  if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
  return folder;
}

// A drive's full path ("C:\...") or a share's ("\\server\..."); not "C:x", "\x" or "x".
bool IsAbsolute(const std::wstring& folder) {
  const auto slash = [](wchar_t c) { return c == L'\\' || c == L'/'; };
  if (folder.size() >= 3 && std::iswalpha(folder[0]) && folder[1] == L':' && slash(folder[2])) return true;
  return folder.size() >= 3 && slash(folder[0]) && slash(folder[1]);
}

// Folder names compare as the file system does: without regard to case.
bool SameFolder(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
           return std::towlower(static_cast<std::wint_t>(x)) == std::towlower(static_cast<std::wint_t>(y));
         });
}

}  // namespace

std::vector<std::wstring> HeadDllFolders(const SearchPlaces& places) {
  std::vector<std::wstring> folders;
  const auto add = [&](std::wstring folder, bool fromPath) {
    folder = WithSlash(std::move(folder));
    if (!IsAbsolute(folder) || (fromPath && SameFolder(folder, places.program))) return;
    if (std::none_of(folders.begin(), folders.end(), [&](const std::wstring& f) { return SameFolder(f, folder); }))
      folders.push_back(std::move(folder));
  };
  add(places.system, false);
  add(places.windows, false);
  add(places.head, false);  // also when the program lies beside the head: its folder is the head's too
  const std::wstring& path = places.path;
  for (size_t start = 0, taken = 0; start < path.size() && taken < kMaxFolders; ++taken) {
    const size_t end = std::min(path.find(L';', start), path.size());
    std::wstring folder = path.substr(start, end - start);
    std::erase(folder, L'"');
    add(std::move(folder), true);
    start = end + 1;
  }
  return folders;
}

}  // namespace registration
