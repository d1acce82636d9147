#include "games/modRegistry.h"

#include "app/AnsiText.h"

namespace modRegistry {

namespace {

// The name buffer handed to RegEnumKeyA: a key name of up to 254 characters and its NUL.
constexpr DWORD kNameBufferSize = 255;

// The text before the first NUL of a buffer, or the whole buffer when it has none.
std::string UpToNul(const std::string& buffer) { return buffer.substr(0, buffer.find('\0')); }

}  // namespace

void DeleteRegKey(HKEY root, const std::wstring& path) {
  const std::string ansi = ToAnsi(path);
  // NT-family systems refuse to delete a key that still has sub-keys (a class key keeps its
  // InprocServer32 and TypeLib): such a key is removed with everything below it, which is what
  // the request means. Never for an empty path or one ending in a backslash, which would name a
  // whole tree rather than one key.
  if (RegDeleteKeyA(root, ansi.c_str()) == ERROR_ACCESS_DENIED && !ansi.empty() && ansi.back() != '\\')
    RegDeleteTreeA(root, ansi.c_str());
}

std::wstring ReadRegString(HKEY root, const std::wstring& path, const std::wstring& valueName,
                           const std::wstring& def) {
  std::wstring result = def;
  const std::string name = ToAnsi(valueName);
  HKEY key = nullptr;
  RegOpenKeyA(root, ToAnsi(path).c_str(), &key);  // a missing key leaves the handle null
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ) {
    std::string buffer(size, ' ');
    DWORD filled = size;
    // The size asked first is an upper bound; what is stored may convert to fewer bytes.
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &filled) ==
            ERROR_SUCCESS &&
        filled < size)
      buffer.resize(filled);
    result = FromAnsi(UpToNul(buffer));
  }
  RegCloseKey(key);
  return result;
}

void WriteRegString(HKEY root, const std::wstring& path, const std::wstring& valueName,
                    const std::wstring& data) {
  const std::string bytes = ToAnsi(data);
  HKEY key = nullptr;
  RegCreateKeyA(root, ToAnsi(path).c_str(), &key);
  // The text and its terminating NUL.
  RegSetValueExA(key, ToAnsi(valueName).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes.c_str()),
                 static_cast<DWORD>(bytes.size() + 1));
  RegCloseKey(key);
}

std::optional<std::vector<std::wstring>> ListRegSubKeys(HKEY root, const std::wstring& path) {
  std::vector<std::wstring> names;
  HKEY key = nullptr;
  RegOpenKeyA(root, ToAnsi(path).c_str(), &key);
  std::string buffer(kNameBufferSize, ' ');
  // Ends at the first index the platform cannot hand over: the end of the list, a failed open, or a
  // name that does not fit the buffer.
  for (DWORD index = 0; RegEnumKeyA(key, index, buffer.data(), kNameBufferSize) == ERROR_SUCCESS; ++index) {
    names.push_back(FromAnsi(UpToNul(buffer)));
    buffer.assign(kNameBufferSize, ' ');
  }
  RegCloseKey(key);
  if (names.empty()) return std::nullopt;
  return names;
}

}  // namespace modRegistry
