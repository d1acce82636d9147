#pragma once
// What the removal of a Games list entry needs to know of the registry, behind an interface: the
// live registry in the program, a table in the rule's tests.
#include <optional>
#include <string>
#include <vector>

// Where a key of the classes lives: the user's classes (HKCU\Software\Classes) or the machine's
// (HKLM\Software\Classes), seen in this program's registry view or in the other bitness's (on 64-bit
// Windows, CLSID and Interface differ between the two; the rest is shared).
enum class Hive { User, Machine };
enum class View { Own, Other };

struct ClassesKey {
  Hive hive = Hive::Machine;
  View view = View::Own;
  std::wstring path;  // below Software\Classes
  bool operator==(const ClassesKey&) const = default;
};

class RegistryFacts {
 public:
  virtual ~RegistryFacts() = default;

  // The text of value valueName (empty: the default value) of the key: a REG_SZ value up to its
  // first NUL, a REG_EXPAND_SZ value with its environment variables expanded. nullopt when the key or
  // the value is missing or the value is of any other type.
  virtual std::optional<std::wstring> Value(const ClassesKey& key, const std::wstring& valueName) const = 0;

  // The names of the key's direct sub-keys; none when the key is missing.
  virtual std::vector<std::wstring> SubKeys(const ClassesKey& key) const = 0;

  // The form of a file path under which two paths naming the same file compare equal, as the file
  // system compares them (full, long names, one letter case); empty for an empty path.
  virtual std::wstring FileIdentity(const std::wstring& path) const = 0;
};

// A default value as the classes root shows it in a view: the user's, else the machine's.
inline std::optional<std::wstring> MergedDefault(const RegistryFacts& facts, View view, const std::wstring& path) {
  if (auto user = facts.Value({Hive::User, view, path}, L"")) return user;
  return facts.Value({Hive::Machine, view, path}, L"");
}
