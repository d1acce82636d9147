#include "registration/DllSearch.h"

#include <algorithm>

#include <windows.h>

#include "platform/Paths.h"
#include "registration/DllSearchPath.h"
#include "registration/ImportTable.h"
#include "registration/MissingPieces.h"
#include "registration/RuntimeHints.h"

namespace registration {
namespace {

// Larger files are not read: no control or DLL it needs comes near.
constexpr ULONGLONG kMaxFileBytes = 64ull << 20;
// What all the files read together may come to.
constexpr ULONGLONG kMaxBytesRead = 256ull << 20;
// Files of one name looked at (the loader passes over those of the other bitness).
constexpr size_t kMaxFilesOfOneName = 8;
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

// The places the worker's loader looks in, from this process (the worker is the same program).
SearchPlaces PlacesFor(const std::wstring& headPath) {
  SearchPlaces places;
  wchar_t buffer[MAX_PATH + 1] = {};
  places.system = Folder(buffer, GetSystemDirectoryW(buffer, MAX_PATH + 1));
  places.windows = Folder(buffer, GetWindowsDirectoryW(buffer, MAX_PATH + 1));
  places.head = headPath.substr(0, headPath.find_last_of(L"\\/") + 1);
  places.program = platform::ProgramFolder();
  places.path.resize(32767);
  places.path.resize(GetEnvironmentVariableW(L"PATH", places.path.data(), static_cast<DWORD>(places.path.size())));
  return places;
}

// The loader's search for the worker's load of a control (see LoadHead): the control's folder, then
// the folders the worker adds (the system folder, the Windows folder, PATH's folders).
class LoaderSearch : public DllFinder {
 public:
  explicit LoaderSearch(const std::wstring& controlPath) {
    const SearchPlaces places = PlacesFor(controlPath);
    system_ = places.system;
    windows_ = places.windows;
    folders_ = HeadDllFolders(places);
    // The loader looks in the control's folder first for the control's own imports.
    const auto head = std::find(folders_.begin(), folders_.end(), WithSlash(places.head));
    if (head != folders_.end()) std::rotate(folders_.begin(), head, head + 1);
  }

  std::vector<FoundDll> Find(const std::string& name) override {
    std::wstring file;
    for (char c : name) file += static_cast<wchar_t>(static_cast<unsigned char>(c));
    if (file.find_first_of(L"\\/:") != std::wstring::npos) return {};  // a path, not a name: nothing to look for
    if (file.find(L'.') == std::wstring::npos) file += L".dll";  // as the loader does
    // The system's own DLLs come from its folder (the known ones even when the control's folder has
    // a copy); a runtime's are looked for in the loader's order.
    const bool runtime = !RuntimeHint(name, Bitness::kUnknown).empty();
    if (!runtime && !system_.empty() && IsFile(system_ + file)) return {{FoundDll::Where::kSystem, system_ + file}};
    std::vector<FoundDll> found;
    for (const std::wstring& folder : folders_) {
      if (found.size() >= kMaxFilesOfOneName || !IsFile(folder + file)) continue;
      found.push_back({folder == system_ ? FoundDll::Where::kSystem : FoundDll::Where::kElsewhere, folder + file});
    }
    if (found.empty() && IsSideBySideRuntime(name) && InSideBySideStore(name, file)) found.push_back({FoundDll::Where::kSystem, {}});
    return found;
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

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
using AddDllDirectoryFunction = DLL_DIRECTORY_COOKIE(WINAPI*)(PCWSTR);

template <typename Function>
Function Kernel32Function(const char* name) {
  // Through the generic function pointer type: FARPROC differs from every real signature.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}

}  // namespace

HMODULE LoadHead(const std::wstring& path) {
  // Windows looks for a DLL loaded by name in the program's folder first, before the system's (the
  // known DLLs aside), and a head may load any name. Only the process's default directories leave
  // the program's folder out: the system folder, and the folders added here. Windows searches the
  // added ones before the system folder and in an order it leaves open; added as a palindrome, they
  // come in the same order either way round, the system folder first as in the standard order.
  const auto setDefault = Kernel32Function<SetDefaultDllDirectoriesFunction>("SetDefaultDllDirectories");
  const auto addDirectory = Kernel32Function<AddDllDirectoryFunction>("AddDllDirectory");
  if (!setDefault || !addDirectory || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_USER_DIRS)) {
    // A system without them (Windows 7 before its 2011 update) still leaves out the current folder.
    SetDllDirectoryW(L"");
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
  const std::vector<std::wstring> folders = HeadDllFolders(PlacesFor(path));
  for (const std::wstring& folder : folders) addDirectory(folder.c_str());
  for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) addDirectory(folder->c_str());
  // The head's own imports are looked for in its folder first, as LOAD_WITH_ALTERED_SEARCH_PATH did.
  return LoadLibraryExW(path.c_str(), nullptr,
                        LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_USER_DIRS | LOAD_LIBRARY_SEARCH_SYSTEM32);
}

MissingReport DescribeMissingPieces(const std::wstring& path, LookFor what) {
  if (what == LookFor::kNothing) return {};
  LoaderSearch search(path);
  const std::vector<unsigned char> control = search.Read(path, false);
  const Bitness own = sizeof(void*) == 8 ? Bitness::k64 : Bitness::k32;
  return MissingPieceLines(control, own, what, search);
}

}  // namespace registration
