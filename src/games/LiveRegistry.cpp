#include "games/LiveRegistry.h"

#include "platform/Paths.h"
#include "platform/RegistryKey.h"

namespace games {
namespace {

constexpr wchar_t kClasses[] = L"Software\\Classes\\";
constexpr REGSAM kDeleteRights = KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_ENUMERATE_SUB_KEYS | DELETE;

// The first key of the tree at path that may not be deleted, with the registry's answer.
LSTATUS TreeRefusal(HKEY root, const std::wstring& path, REGSAM view) {
  const RegistryKey key = RegistryKey::Open(root, path, kDeleteRights, view);
  if (!key.IsOpen()) return key.Status() == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : key.Status();
  for (const std::wstring& name : key.SubKeyNames())
    if (const LSTATUS status = TreeRefusal(root, path + L"\\" + name, view)) return status;
  return ERROR_SUCCESS;
}

// Deletes the key at path with everything below it, in the view given.
LSTATUS DeleteTree(HKEY root, const std::wstring& path, REGSAM view) {
  if (path.empty() || path.back() == L'\\') return ERROR_INVALID_PARAMETER;
  std::vector<std::wstring> names;
  {
    const RegistryKey key = RegistryKey::Open(root, path, kDeleteRights, view);
    if (!key.IsOpen()) return key.Status();
    names = key.SubKeyNames();
  }
  for (const std::wstring& name : names)
    if (const LSTATUS status = DeleteTree(root, path + L"\\" + name, view); status && status != ERROR_FILE_NOT_FOUND)
      return status;
  return DeleteRegistryKey(root, path, view);
}

}  // namespace

REGSAM ViewFlag(View view) {
  if (view == View::Own) return 0;
  return sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

bool HasOtherView() {
  BOOL wow64 = FALSE;
  return sizeof(void*) == 8 || (IsWow64Process(GetCurrentProcess(), &wow64) && wow64);
}

HKEY HiveKey(Hive hive) { return hive == Hive::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

std::optional<Refusal> FindRefusal(const std::vector<PlacedKey>& keys, size_t from, size_t to) {
  for (size_t i = from; i < to; ++i)
    if (const LSTATUS status = TreeRefusal(keys[i].root, keys[i].path, keys[i].view)) return Refusal{i, status};
  return std::nullopt;
}

std::optional<Refusal> DeleteKeys(const std::vector<PlacedKey>& keys, size_t from, size_t to) {
  for (size_t i = from; i < to; ++i) {
    const LSTATUS status = DeleteTree(keys[i].root, keys[i].path, keys[i].view);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return Refusal{i, status};
  }
  return std::nullopt;
}

std::optional<std::wstring> LiveFacts::Value(const ClassesKey& key, const std::wstring& valueName) const {
  if (key.view == View::Other && !HasOtherView()) return std::nullopt;
  const std::optional<RegistryKey::Text> value =
      RegistryKey::Open(HiveKey(key.hive), kClasses + key.path, KEY_QUERY_VALUE, ViewFlag(key.view)).ReadText(valueName);
  if (!value) return std::nullopt;
  if (value->type == REG_SZ) return value->text;
  if (value->type == REG_EXPAND_SZ) return ExpandEnvironmentVariables(value->text);
  return std::nullopt;
}

std::vector<std::wstring> LiveFacts::SubKeys(const ClassesKey& key) const {
  if (key.view == View::Other && !HasOtherView()) return {};
  return ListRegistrySubKeys(HiveKey(key.hive), kClasses + key.path, ViewFlag(key.view)).value_or(std::vector<std::wstring>{});
}

std::wstring LiveFacts::FileIdentity(const std::wstring& path) const {
  if (path.empty()) return L"";
  std::wstring known = platform::FullPath(path), rest;
  // The file itself is gone, so its own name cannot be told in long form; the folders it was in can.
  while (!known.empty()) {
    const std::wstring longForm = platform::LongPath(known);
    if (!longForm.empty()) {
      known = longForm;
      break;
    }
    const size_t cut = known.find_last_of(L'\\');
    if (cut == std::wstring::npos || cut < 3 || cut + 1 == known.size()) break;
    rest = known.substr(cut) + rest;
    known.resize(cut);
  }
  std::wstring identity = known + rest;
  std::wstring upper(identity.size(), L'\0');
  const int chars = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, identity.c_str(), static_cast<int>(identity.size()),
                                  upper.data(), static_cast<int>(upper.size()), nullptr, nullptr, 0);
  return chars == static_cast<int>(upper.size()) ? upper : identity;
}

}  // namespace games
