#include "games/modRegistry.h"

namespace modRegistry {

namespace {

// Room for the longest legal key name, 255 characters, and its NUL.
constexpr DWORD kNameBufferChars = 256;

// An open key, closed when this goes out of scope; null when the open failed.
class OpenKey {
 public:
  OpenKey(HKEY root, const std::wstring& path, REGSAM access) {
    if (RegOpenKeyExW(root, path.c_str(), 0, access, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  ~OpenKey() {
    if (key_) RegCloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

struct TypedText {
  DWORD type = REG_NONE;
  std::wstring text;  // up to the first NUL
};

// A value's type and its data read as text; nullopt when the key or value is missing.
std::optional<TypedText> QueryValue(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view) {
  const OpenKey key(root, path, KEY_QUERY_VALUE | view);
  if (!key.get()) return std::nullopt;
  TypedText value;
  DWORD size = 0;
  LSTATUS status = RegQueryValueExW(key.get(), name.c_str(), nullptr, &value.type, nullptr, &size);
  // The value may grow between asking its size and reading it: then read again with the new size.
  for (int attempt = 0; status == ERROR_SUCCESS && attempt < 4; ++attempt) {
    std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
    DWORD filled = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    status = RegQueryValueExW(key.get(), name.c_str(), nullptr, &value.type, reinterpret_cast<BYTE*>(data.data()),
                              &filled);
    if (status == ERROR_SUCCESS) {
      data.resize(filled / sizeof(wchar_t));  // a trailing odd byte is no character
      value.text = data.substr(0, data.find(L'\0'));
      return value;
    }
    if (status == ERROR_MORE_DATA) {
      size = filled;
      status = ERROR_SUCCESS;
    }
  }
  return std::nullopt;
}

std::wstring ExpandVariables(const std::wstring& text) {
  DWORD chars = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
  while (chars != 0) {
    std::wstring expanded(chars, L'\0');
    const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), expanded.data(), chars);
    if (needed != 0 && needed <= chars) {
      expanded.resize(needed - 1);  // without its NUL
      return expanded;
    }
    chars = needed;
  }
  return text;
}

std::optional<std::vector<std::wstring>> ListSubKeys(HKEY root, const std::wstring& path, REGSAM view) {
  const OpenKey key(root, path, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | view);
  if (!key.get()) return std::nullopt;
  DWORD count = 0;
  RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr, nullptr);
  std::vector<std::wstring> names;
  names.reserve(count);
  wchar_t name[kNameBufferChars];
  for (DWORD index = 0;; ++index) {
    DWORD chars = kNameBufferChars;
    const LSTATUS status = RegEnumKeyExW(key.get(), index, name, &chars, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_SUCCESS)
      names.emplace_back(name, chars);
    // A name that cannot be handed over is skipped; past the counted names a failure ends the list.
    else if (status == ERROR_NO_MORE_ITEMS || index >= count)
      break;
  }
  if (names.empty()) return std::nullopt;
  return names;
}

}  // namespace

HKEY RootKey(Root root) { return root == Root::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CLASSES_ROOT; }

void DeleteRegKey(HKEY root, const std::wstring& path) {
  if (path.empty() || path.back() == L'\\') return;
  {
    const OpenKey key(root, path, KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_ENUMERATE_SUB_KEYS | DELETE);
    DWORD subKeys = 0;
    if (key.get() &&
        RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr) == ERROR_SUCCESS &&
        subKeys > 0)
      RegDeleteTreeW(key.get(), nullptr);  // empties the key; the key itself goes below
  }
  RegDeleteKeyW(root, path.c_str());
}

void DeleteKeys(const std::vector<RemovalRule::KeyToDelete>& keys) {
  for (const RemovalRule::KeyToDelete& key : keys) DeleteRegKey(RootKey(key.root), key.path);
}

std::wstring ReadRegString(HKEY root, const std::wstring& path, const std::wstring& valueName,
                           const std::wstring& def) {
  const std::optional<TypedText> value = QueryValue(root, path, valueName, 0);
  return value && value->type == REG_SZ ? value->text : def;
}

void WriteRegString(HKEY root, const std::wstring& path, const std::wstring& valueName,
                    const std::wstring& data) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return;
  // The text and its terminating NUL.
  RegSetValueExW(key, valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                 static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

std::optional<std::vector<std::wstring>> ListRegSubKeys(HKEY root, const std::wstring& path) {
  return ListSubKeys(root, path, 0);
}

std::optional<std::wstring> LiveFacts::Value(Root root, const std::wstring& path, const std::wstring& valueName) const {
  const std::optional<TypedText> value = QueryValue(RootKey(root), path, valueName, view_);
  if (!value) return std::nullopt;
  if (value->type == REG_SZ) return value->text;
  if (value->type == REG_EXPAND_SZ) return ExpandVariables(value->text);
  return std::nullopt;
}

std::vector<std::wstring> LiveFacts::SubKeys(Root root, const std::wstring& path) const {
  return ListSubKeys(RootKey(root), path, view_).value_or(std::vector<std::wstring>{});
}

}  // namespace modRegistry
