#include "games/LiveRegistry.h"

#include "platform/RegistryKey.h"

namespace games {

HKEY RootKey(Root root) { return root == Root::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CLASSES_ROOT; }

std::optional<Refusal> DeleteKeys(const std::vector<PlacedKey>& keys) {
  for (size_t i = 0; i < keys.size(); ++i) {
    const LSTATUS status = DeleteRegistryTree(keys[i].root, keys[i].path);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return Refusal{i, status};
  }
  return std::nullopt;
}

std::optional<std::wstring> LiveFacts::Value(Root root, const std::wstring& path, const std::wstring& valueName) const {
  const std::optional<RegistryKey::Text> value =
      RegistryKey::Open(RootKey(root), path, KEY_QUERY_VALUE, view_).ReadText(valueName);
  if (!value) return std::nullopt;
  if (value->type == REG_SZ) return value->text;
  if (value->type == REG_EXPAND_SZ) return ExpandEnvironmentVariables(value->text);
  return std::nullopt;
}

std::vector<std::wstring> LiveFacts::SubKeys(Root root, const std::wstring& path) const {
  return ListRegistrySubKeys(RootKey(root), path, view_).value_or(std::vector<std::wstring>{});
}

}  // namespace games
