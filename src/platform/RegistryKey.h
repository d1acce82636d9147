#pragma once
// One open registry key over the wide calls, closed when it goes out of scope. Every key is opened
// in a registry view: 0 for this program's own, KEY_WOW64_32KEY or KEY_WOW64_64KEY for the 32-bit
// or 64-bit one. Each call hands back what the caller has to look at.
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

class RegistryKey {
 public:
  RegistryKey() = default;
  ~RegistryKey();
  RegistryKey(RegistryKey&& other) noexcept;
  RegistryKey& operator=(RegistryKey&& other) noexcept;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  [[nodiscard]] static RegistryKey Open(HKEY root, const std::wstring& path, REGSAM access, REGSAM view = 0);
  // Opens the key, creating it and any missing keys along its path.
  [[nodiscard]] static RegistryKey Create(HKEY root, const std::wstring& path, REGSAM access, REGSAM view = 0);

  [[nodiscard]] bool IsOpen() const { return key_ != nullptr; }
  // The result of the open or create.
  [[nodiscard]] LSTATUS Status() const { return status_; }

  // The sub-key name of this key, opened in this key's view.
  [[nodiscard]] RegistryKey OpenSub(const std::wstring& name, REGSAM access) const;

  // A value as stored: its type and bytes.
  struct Value {
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
  };
  // Every value of the key in enumeration order; nothing when the key is not open or a value cannot
  // be read.
  [[nodiscard]] std::optional<std::vector<Value>> Values() const;

  // A value read as text, up to its first NUL, with its type.
  struct Text {
    DWORD type = REG_NONE;
    std::wstring text;
  };
  // Nothing when the key is not open or the value is missing or cannot be read.
  [[nodiscard]] std::optional<Text> ReadText(const std::wstring& name) const;
  // Writes text and its NUL as a REG_SZ value.
  [[nodiscard]] LSTATUS WriteString(const std::wstring& name, const std::wstring& text) const;

  // One value as stored (its name is not read or used here), to be put back exactly; nothing when the key is not open or the value is missing or cannot be read.
  [[nodiscard]] std::optional<Value> ReadValue(const std::wstring& name) const;
  [[nodiscard]] LSTATUS WriteValue(const std::wstring& name, const Value& value) const;
  [[nodiscard]] LSTATUS DeleteValue(const std::wstring& name) const;

  // The names of the direct sub-keys in enumeration order, any legal name (up to 255 characters);
  // a name that cannot be read is left out and the listing goes on.
  [[nodiscard]] std::vector<std::wstring> SubKeyNames() const;
  [[nodiscard]] DWORD SubKeyCount() const;
  // Deletes everything below the key, the key itself staying.
  [[nodiscard]] LSTATUS DeleteContents() const;

 private:
  HKEY key_ = nullptr;
  LSTATUS status_ = ERROR_INVALID_HANDLE;
};

// Deletes the key root\path, which must have no sub-keys left.
[[nodiscard]] LSTATUS DeleteRegistryKey(HKEY root, const std::wstring& path, REGSAM view = 0);

// Deletes the key root\path with everything below it. Nothing for an empty path or one ending in a
// backslash (they name no single key). Returns the registry's answer to the delete of the key itself
// (ERROR_FILE_NOT_FOUND for a key that was not there).
[[nodiscard]] LSTATUS DeleteRegistryTree(HKEY root, const std::wstring& path);

// The REG_SZ value name (empty = the key's default value) up to its first NUL; empty when the key or
// value is missing or of another type.
std::wstring ReadRegistryString(HKEY root, const std::wstring& path, const std::wstring& name);

// The names of the key's direct sub-keys (see SubKeyNames); nothing when the key is missing or no
// name could be listed.
std::optional<std::vector<std::wstring>> ListRegistrySubKeys(HKEY root, const std::wstring& path, REGSAM view = 0);

// A REG_EXPAND_SZ text with its environment variables expanded.
std::wstring ExpandEnvironmentVariables(const std::wstring& text);
