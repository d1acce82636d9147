#include "games/RemovalCopy.h"

#include <algorithm>
#include <optional>

#include "games/LiveRegistry.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"
#include "platform/RegistryKey.h"
#include "platform/SystemText.h"

namespace games {
namespace {

static_assert(sizeof(wchar_t) == 2, "the file is written as the program's UTF-16 text");

constexpr wchar_t kClasses[] = L"Software\\Classes\\";

bool SameKeyName(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

// A 32-bit program on 64-bit Windows, whose view of the classes' redirected trees differs.
bool IsWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// The path with its last name as the registry spells it (the ids of a plan come from the entry's
// text, whose letter case may differ).
std::wstring AsSpelt(HKEY root, const std::wstring& path, REGSAM view) {
  const size_t cut = path.find_last_of(L'\\');
  if (cut == std::wstring::npos) return path;
  const std::wstring name = path.substr(cut + 1);
  for (const std::wstring& spelt : RegistryKey::Open(root, path.substr(0, cut), KEY_ENUMERATE_SUB_KEYS, view).SubKeyNames())
    if (SameKeyName(spelt, name)) return path.substr(0, cut + 1) + spelt;
  return path;
}

// The name the registry itself gives the key ("\REGISTRY\MACHINE\..."), as the editor names it
// ("HKEY_LOCAL_MACHINE\..."): where the key really lives, whichever view or link it was opened
// through. Empty when the key is not there or the system does not tell.
std::wstring RegistryName(HKEY root, const std::wstring& path, REGSAM view) {
  using QueryKey = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  static const auto query = reinterpret_cast<QueryKey>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryKey")));
  HKEY key = nullptr;
  if (!query || RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) return L"";
  std::vector<ULONG> buffer(8192);  // KEY_NAME_INFORMATION: the name's length in bytes, then the name
  ULONG bytes = 0;
  constexpr int kKeyNameInformation = 3;
  const LONG status = query(key, kKeyNameInformation, buffer.data(), static_cast<ULONG>(buffer.size() * sizeof(ULONG)), &bytes);
  RegCloseKey(key);
  if (status < 0) return L"";
  const std::wstring name(reinterpret_cast<const wchar_t*>(buffer.data() + 1), buffer[0] / sizeof(wchar_t));
  const auto starts = [&](const std::wstring& prefix) { return name.size() > prefix.size() && SameKeyName(name.substr(0, prefix.size()), prefix); };
  if (starts(L"\\REGISTRY\\MACHINE\\")) return L"HKEY_LOCAL_MACHINE" + name.substr(17);
  if (!starts(L"\\REGISTRY\\USER\\") || root != HKEY_CURRENT_USER) return L"";
  // The user's own hive, or the hive of the user's classes that Windows links in as Software\Classes.
  const size_t sid = 15, next = name.find(L'\\', sid);
  if (next == std::wstring::npos) return L"";
  const std::wstring hive = name.substr(sid, next - sid);
  return (hive.ends_with(L"_Classes") ? L"HKEY_CURRENT_USER\\Software\\Classes" : L"HKEY_CURRENT_USER") + name.substr(next);
}

// Reads the open key and everything below it, in the order the editor writes them; on a failure
// names the key in failedAt.
LSTATUS ReadTree(const RegistryKey& key, const std::wstring& name, std::vector<games::Key>& tree,
                 std::wstring& failedAt) {
  std::optional<std::vector<RegistryKey::Value>> values = key.Values();
  const std::vector<std::wstring> subKeys = key.SubKeyNames();
  failedAt = name;
  if (!values || subKeys.size() != key.SubKeyCount()) return ERROR_CANTREAD;
  games::Key copy{name, {}};
  for (RegistryKey::Value& value : *values)
    copy.values.push_back({std::move(value.name), value.type, std::move(value.data)});
  tree.push_back(std::move(copy));
  for (const std::wstring& subKey : subKeys) {
    const RegistryKey child = key.OpenSub(subKey, KEY_READ);
    if (!child.IsOpen()) {
      failedAt = name + L"\\" + subKey;
      return child.Status();
    }
    if (const LSTATUS status = ReadTree(child, name + L"\\" + subKey, tree, failedAt)) return status;
  }
  return ERROR_SUCCESS;
}

// The key's tree as it is now: none when the key is gone.
LSTATUS ReadPlacedTree(const PlacedKey& key, std::vector<games::Key>& tree, std::wstring& failedAt) {
  const RegistryKey open = RegistryKey::Open(key.root, key.path, KEY_READ, key.view);
  if (open.Status() == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  failedAt = key.name;
  return open.IsOpen() ? ReadTree(open, key.name, tree, failedAt) : open.Status();
}


// registry: the failure was reading a key, which an administrator may be allowed to.
SavedCopy Failed(const std::wstring& where, DWORD error, bool registry = false) {
  return {L"", where + L": " + SystemText(error), registry && error == ERROR_ACCESS_DENIED};
}

}  // namespace

std::vector<PlacedKey> PlaceKeys(const std::vector<games::KeyToDelete>& plan) {
  const bool wow64 = IsWow64();
  std::vector<PlacedKey> placed;
  for (const games::KeyToDelete& key : plan) {
    const HKEY root = HiveKey(key.hive);
    const REGSAM view = ViewFlag(key.view);
    const std::wstring path = AsSpelt(root, kClasses + key.path, view);
    // The 64-bit editor sees the 32-bit view's redirected trees under Wow6432Node.
    const bool thirtyTwoBitView = key.view == View::Own ? wow64 : sizeof(void*) == 8;
    const games::RegFileHive hive = key.hive == Hive::User ? games::RegFileHive::CurrentUser : games::RegFileHive::LocalMachine;
    const std::wstring name = RegistryName(root, path, view);
    placed.push_back({root, view, path, name.empty() ? games::KeyName(hive, path, thirtyTwoBitView) : name, {}});
  }
  return placed;
}

SavedCopy SaveCopy(const std::wstring& stem, std::vector<PlacedKey>& keys) {
  std::vector<games::Key> all;
  std::wstring failedAt;
  for (PlacedKey& key : keys) {
    key.tree.clear();
    if (const LSTATUS status = ReadPlacedTree(key, key.tree, failedAt)) return Failed(failedAt, status, true);
    all.insert(all.end(), key.tree.begin(), key.tree.end());
  }
  const std::optional<std::wstring> text = games::Text(all);
  if (!text) return {L"", L"A key or value name holds a line break, which a .reg file cannot carry.", false};
  std::wstring folder;
  if (const DWORD error = platform::MakeRemovedCopiesFolder(folder)) return Failed(folder, error);
  SYSTEMTIME now;
  GetLocalTime(&now);
  const games::Stamp stamp{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
  for (int number = 1;; ++number) {
    const std::wstring path = folder + games::FileName(stem, stamp, number);
    const DWORD error = platform::WriteUtf16File(path, *text, CREATE_NEW);
    if (error == ERROR_SUCCESS) return {path, L"", false};
    if (error != ERROR_FILE_EXISTS || number == 99) return Failed(path, error);
  }
}

bool Untouched(const PlacedKey& key) {
  std::vector<games::Key> now;
  std::wstring failedAt;
  return ReadPlacedTree(key, now, failedAt) == ERROR_SUCCESS && now == key.tree;
}

}  // namespace games
