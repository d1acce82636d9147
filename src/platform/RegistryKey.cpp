#include "platform/RegistryKey.h"

#include <algorithm>
#include <utility>

namespace {

// Room for the longest legal key name, 255 characters, and its NUL.
constexpr DWORD kNameBufferChars = 256;

}  // namespace

RegistryKey::~RegistryKey() {
  if (key_) RegCloseKey(key_);
}

RegistryKey::RegistryKey(RegistryKey&& other) noexcept
    : key_(std::exchange(other.key_, nullptr)), status_(other.status_) {}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
  if (this != &other) {
    if (key_) RegCloseKey(key_);
    key_ = std::exchange(other.key_, nullptr);
    status_ = other.status_;
  }
  return *this;
}

RegistryKey RegistryKey::Open(HKEY root, const std::wstring& path, REGSAM access, REGSAM view) {
  RegistryKey key;
  key.status_ = RegOpenKeyExW(root, path.c_str(), 0, access | view, &key.key_);
  if (key.status_ != ERROR_SUCCESS) key.key_ = nullptr;
  return key;
}

RegistryKey RegistryKey::Create(HKEY root, const std::wstring& path, REGSAM access, REGSAM view) {
  RegistryKey key;
  key.status_ = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, access | view, nullptr, &key.key_, nullptr);
  if (key.status_ != ERROR_SUCCESS) key.key_ = nullptr;
  return key;
}

RegistryKey RegistryKey::OpenSub(const std::wstring& name, REGSAM access) const {
  return key_ ? Open(key_, name, access) : RegistryKey();
}

std::optional<std::vector<RegistryKey::Value>> RegistryKey::Values() const {
  DWORD nameChars = 0, dataSize = 0;
  if (!key_ || RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &nameChars,
                                &dataSize, nullptr, nullptr) != ERROR_SUCCESS)
    return std::nullopt;
  std::vector<Value> values;
  std::wstring name(nameChars + 1, L'\0');
  std::vector<BYTE> data(dataSize + 1);  // never empty: no buffer would ask for the size alone
  // A value that grows while the key is read asks for bigger buffers, a few times at most.
  for (DWORD index = 0, grown = 0; grown < 8;) {
    DWORD chars = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size()), type = REG_NONE;
    const LSTATUS status = RegEnumValueW(key_, index, name.data(), &chars, nullptr, &type, data.data(), &size);
    if (status == ERROR_NO_MORE_ITEMS) return values;
    if (status == ERROR_MORE_DATA) {
      name.resize(32768);  // the longest value name and more
      data.resize(std::max<size_t>(size, data.size() * 2));
      ++grown;
      continue;
    }
    if (status != ERROR_SUCCESS) return std::nullopt;
    values.push_back({name.substr(0, chars), type, std::vector<BYTE>(data.begin(), data.begin() + size)});
    ++index;
  }
  return std::nullopt;
}

std::optional<RegistryKey::Text> RegistryKey::ReadText(const std::wstring& name) const {
  if (!key_) return std::nullopt;
  Text value;
  DWORD size = 0;
  LSTATUS status = RegQueryValueExW(key_, name.c_str(), nullptr, &value.type, nullptr, &size);
  // The value may grow between asking its size and reading it: then read again with the new size.
  for (int attempt = 0; status == ERROR_SUCCESS && attempt < 4; ++attempt) {
    std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
    DWORD filled = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    status = RegQueryValueExW(key_, name.c_str(), nullptr, &value.type, reinterpret_cast<BYTE*>(data.data()), &filled);
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

LSTATUS RegistryKey::WriteString(const std::wstring& name, const std::wstring& text) const {
  if (!key_) return ERROR_INVALID_HANDLE;
  return RegSetValueExW(key_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

std::optional<RegistryKey::Value> RegistryKey::ReadValue(const std::wstring& name) const {
  if (!key_) return std::nullopt;
  Value value;
  DWORD size = 0;
  LSTATUS status = RegQueryValueExW(key_, name.c_str(), nullptr, &value.type, nullptr, &size);
  for (int attempt = 0; status == ERROR_SUCCESS && attempt < 4; ++attempt) {
    value.data.resize(size);
    status = RegQueryValueExW(key_, name.c_str(), nullptr, &value.type, value.data.data(), &size);
    if (status == ERROR_SUCCESS) {
      value.data.resize(size);
      return value;
    }
    if (status == ERROR_MORE_DATA) status = ERROR_SUCCESS;  // it grew meanwhile: size holds the new size
  }
  return std::nullopt;
}

LSTATUS RegistryKey::WriteValue(const std::wstring& name, const Value& value) const {
  if (!key_) return ERROR_INVALID_HANDLE;
  return RegSetValueExW(key_, name.c_str(), 0, value.type, value.data.data(), static_cast<DWORD>(value.data.size()));
}

LSTATUS RegistryKey::DeleteValue(const std::wstring& name) const {
  return key_ ? RegDeleteValueW(key_, name.c_str()) : ERROR_INVALID_HANDLE;
}

DWORD RegistryKey::SubKeyCount() const {
  DWORD count = 0;
  if (!key_ || RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr) != ERROR_SUCCESS)
    return 0;
  return count;
}

std::vector<std::wstring> RegistryKey::SubKeyNames() const {
  std::vector<std::wstring> names;
  if (!key_) return names;
  const DWORD count = SubKeyCount();
  names.reserve(count);
  wchar_t name[kNameBufferChars];
  for (DWORD index = 0;; ++index) {
    DWORD chars = kNameBufferChars;
    const LSTATUS status = RegEnumKeyExW(key_, index, name, &chars, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_SUCCESS)
      names.emplace_back(name, chars);
    // A name that cannot be handed over is skipped; past the counted names a failure ends the list.
    else if (status == ERROR_NO_MORE_ITEMS || index >= count)
      break;
  }
  return names;
}

LSTATUS RegistryKey::DeleteContents() const {
  return key_ ? RegDeleteTreeW(key_, nullptr) : ERROR_INVALID_HANDLE;
}

LSTATUS DeleteRegistryKey(HKEY root, const std::wstring& path, REGSAM view) {
  return RegDeleteKeyExW(root, path.c_str(), view, 0);
}

LSTATUS DeleteRegistryTree(HKEY root, const std::wstring& path) {
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

std::wstring ReadRegistryString(HKEY root, const std::wstring& path, const std::wstring& name) {
  const std::optional<RegistryKey::Text> value = RegistryKey::Open(root, path, KEY_QUERY_VALUE).ReadText(name);
  return value && value->type == REG_SZ ? value->text : std::wstring();
}

std::optional<std::vector<std::wstring>> ListRegistrySubKeys(HKEY root, const std::wstring& path, REGSAM view) {
  std::vector<std::wstring> names =
      RegistryKey::Open(root, path, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, view).SubKeyNames();
  if (names.empty()) return std::nullopt;
  return names;
}

std::wstring ExpandEnvironmentVariables(const std::wstring& text) {
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
