#include "games/modRegistry.h"

#include "platform/RegistryKey.h"

namespace modRegistry {

namespace {

// A value's type and its data read as text; nullopt when the key or value is missing.
std::optional<RegistryKey::Text> QueryValue(HKEY root, const std::wstring& path, const std::wstring& name,
                                            REGSAM view) {
  return RegistryKey::Open(root, path, KEY_QUERY_VALUE, view).ReadText(name);
}

std::optional<std::vector<std::wstring>> ListSubKeys(HKEY root, const std::wstring& path, REGSAM view) {
  std::vector<std::wstring> names =
      RegistryKey::Open(root, path, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, view).SubKeyNames();
  if (names.empty()) return std::nullopt;
  return names;
}

}  // namespace

HKEY RootKey(Root root) { return root == Root::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CLASSES_ROOT; }

LSTATUS DeleteRegKey(HKEY root, const std::wstring& path) {
  if (path.empty() || path.back() == L'\\') return ERROR_INVALID_PARAMETER;
  {
    const RegistryKey key =
        RegistryKey::Open(root, path, KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_ENUMERATE_SUB_KEYS | DELETE);
    // Emptied first, the key itself goes below.
    if (key.SubKeyCount() > 0) {
      const LSTATUS emptied = key.DeleteContents();
      if (emptied != ERROR_SUCCESS) return emptied;
    }
  }
  return DeleteRegistryKey(root, path);
}

bool DeleteKeys(const std::vector<RemovalRule::KeyToDelete>& keys) {
  bool allowed = true;
  for (const RemovalRule::KeyToDelete& key : keys)
    allowed &= DeleteRegKey(RootKey(key.root), key.path) != ERROR_ACCESS_DENIED;
  return allowed;
}

std::wstring ReadRegString(HKEY root, const std::wstring& path, const std::wstring& valueName,
                           const std::wstring& def) {
  const std::optional<RegistryKey::Text> value = QueryValue(root, path, valueName, 0);
  return value && value->type == REG_SZ ? value->text : def;
}

void WriteRegString(HKEY root, const std::wstring& path, const std::wstring& valueName,
                    const std::wstring& data) {
  // A write the registry refuses leaves it as it was, without a word.
  (void)RegistryKey::Create(root, path, KEY_SET_VALUE).WriteString(valueName, data);
}

std::optional<std::vector<std::wstring>> ListRegSubKeys(HKEY root, const std::wstring& path) {
  return ListSubKeys(root, path, 0);
}

std::optional<std::wstring> LiveFacts::Value(Root root, const std::wstring& path, const std::wstring& valueName) const {
  const std::optional<RegistryKey::Text> value = QueryValue(RootKey(root), path, valueName, view_);
  if (!value) return std::nullopt;
  if (value->type == REG_SZ) return value->text;
  if (value->type == REG_EXPAND_SZ) return ExpandEnvironmentVariables(value->text);
  return std::nullopt;
}

std::vector<std::wstring> LiveFacts::SubKeys(Root root, const std::wstring& path) const {
  return ListSubKeys(RootKey(root), path, view_).value_or(std::vector<std::wstring>{});
}

}  // namespace modRegistry
