#include "registration/DllSearch.h"

#include <algorithm>

#include <windows.h>

#include "registration/ImportTable.h"
#include "registration/MissingPieces.h"
#include "registration/RuntimeHints.h"

namespace registration {
namespace {

// Larger files are not read: no control or DLL it needs comes near.
constexpr ULONGLONG kMaxFileBytes = 64ull << 20;
// What all the files read together may come to.
constexpr ULONGLONG kMaxBytesRead = 256ull << 20;
constexpr size_t kMaxPathFolders = 256;
// The headers of a program file lie in its first bytes.
constexpr size_t kHeaderBytes = 4096;

std::wstring WithSlash(std::wstring folder) {
  if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
  return folder;
}

// A folder the system names into a buffer of MAX_PATH + 1 characters, taking n of them.
std::wstring Folder(const wchar_t* buffer, DWORD n) { return n > 0 && n <= MAX_PATH ? WithSlash(buffer) : std::wstring(); }

bool IsFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The loader's search for the worker's LoadLibraryExW with LOAD_WITH_ALTERED_SEARCH_PATH: the
// control's folder instead of the program's, the system folder (the one of the installer's bitness,
// which the control has when it got as far as its imports), the 16-bit system folder, the Windows
// folder, the current folder (the worker's is the installer's) and the folders of PATH.
class LoaderSearch : public DllFinder {
 public:
  explicit LoaderSearch(const std::wstring& controlPath) {
    wchar_t buffer[MAX_PATH + 1] = {};
    system_ = Folder(buffer, GetSystemDirectoryW(buffer, MAX_PATH + 1));
    windows_ = Folder(buffer, GetWindowsDirectoryW(buffer, MAX_PATH + 1));
    const std::wstring current = Folder(buffer, GetCurrentDirectoryW(MAX_PATH + 1, buffer));
    folders_ = {controlPath.substr(0, controlPath.find_last_of(L"\\/") + 1), system_,
                windows_.empty() ? L"" : windows_ + L"System\\", windows_, current};
    // PATH: folders separated by semicolons, some of them quoted.
    std::wstring path(32767, L'\0');
    path.resize(GetEnvironmentVariableW(L"PATH", path.data(), static_cast<DWORD>(path.size())));
    for (size_t start = 0; start < path.size() && folders_.size() < kMaxPathFolders;) {
      const size_t end = std::min(path.find(L';', start), path.size());
      std::wstring folder = path.substr(start, end - start);
      std::erase(folder, L'"');
      folders_.push_back(WithSlash(std::move(folder)));
      start = end + 1;
    }
    std::erase_if(folders_, [](const std::wstring& folder) { return folder.empty(); });
  }

  FoundDll Find(const std::string& name) override {
    std::wstring file;
    for (char c : name) file += static_cast<wchar_t>(static_cast<unsigned char>(c));
    if (file.find_first_of(L"\\/:") != std::wstring::npos) return {};  // a path, not a name: nothing to look for
    if (file.find(L'.') == std::wstring::npos) file += L".dll";  // as the loader does
    // The system's own DLLs come from its folder (the known ones even when the control's folder has
    // a copy); a runtime's are looked for in the loader's order.
    const bool runtime = !RuntimeHint(name, Bitness::kUnknown).empty();
    if (!runtime && !system_.empty() && IsFile(system_ + file)) return {FoundDll::Where::kSystem, system_ + file};
    for (const std::wstring& folder : folders_) {
      if (!IsFile(folder + file)) continue;
      return {folder == system_ ? FoundDll::Where::kSystem : FoundDll::Where::kElsewhere, folder + file};
    }
    if (IsSideBySideRuntime(name) && InSideBySideStore(name, file)) return {FoundDll::Where::kSystem, {}};
    return {};
  }

  std::vector<unsigned char> Read(const std::wstring& path, bool exportsOnly) override {
    std::vector<unsigned char> bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && static_cast<ULONGLONG>(size.QuadPart) <= kMaxFileBytes) {
      // The file may change meanwhile: what is read is what is looked at, and no more than its size.
      const size_t fileSize = static_cast<size_t>(size.QuadPart);
      bytes.resize(std::min(fileSize, kHeaderBytes));
      bytes.resize(ReadAt(file, 0, bytes.size(), bytes));
      const auto exports = ExportTableRange(bytes);
      if (exportsOnly && exports && exports->offset < fileSize) {
        // Up to the end of the export table; what lies between reads as zeros.
        const size_t end = static_cast<size_t>(std::min<std::uint64_t>(fileSize, exports->offset + exports->size));
        const size_t headers = bytes.size();
        bytes.resize(std::max(headers, end));
        if (end > exports->offset) ReadAt(file, exports->offset, end - exports->offset, bytes);
      } else if (bytesRead_ + fileSize <= kMaxBytesRead) {
        const size_t headers = bytes.size();
        bytes.resize(fileSize);
        bytes.resize(headers + ReadAt(file, headers, fileSize - headers, bytes));
      } else {
        bytes.clear();
      }
    }
    CloseHandle(file);
    return bytes;
  }

 private:
  // Reads length bytes at offset into the same place of bytes; returns how many came.
  DWORD ReadAt(HANDLE file, std::uint64_t offset, std::uint64_t length, std::vector<unsigned char>& bytes) {
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(offset);
    DWORD got = 0;
    if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN) ||
        !ReadFile(file, bytes.data() + offset, static_cast<DWORD>(length), &got, nullptr))
      got = 0;
    bytesRead_ += got;
    return got;
  }

  // The 2005 and 2008 runtimes: WinSxS\<architecture>_microsoft.vc80.crt_<...>\msvcr80.dll and the like.
  bool InSideBySideStore(const std::string& name, const std::wstring& file) const {
    if (windows_.empty()) return false;
    const std::wstring store = windows_ + L"WinSxS\\";
    const std::wstring version = name.find("80") != std::string::npos ? L"vc80" : L"vc90";
    const std::wstring pattern = store + (sizeof(void*) == 8 ? L"amd64" : L"x86") + L"_microsoft." + version + L".*";
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW(pattern.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool found = false;
    do found = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsFile(store + entry.cFileName + L"\\" + file);
    while (!found && FindNextFileW(find, &entry));
    FindClose(find);
    return found;
  }

  std::wstring system_, windows_;
  std::vector<std::wstring> folders_;
  ULONGLONG bytesRead_ = 0;
};

}  // namespace

std::vector<std::wstring> DescribeMissingPieces(const std::wstring& path, LookFor what) {
  if (what == LookFor::kNothing) return {};
  LoaderSearch search(path);
  const std::vector<unsigned char> control = search.Read(path, false);
  const Bitness own = sizeof(void*) == 8 ? Bitness::k64 : Bitness::k32;
  return MissingPieceLines(control, own, what == LookFor::kFunctions, search);
}

}  // namespace registration
