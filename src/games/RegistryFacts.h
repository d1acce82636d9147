#pragma once
// What the removal of a Games list entry needs to know of the registry, behind an interface: the
// live registry in the program, a table in the rule's tests.
#include <optional>
#include <string>
#include <vector>

// The two registry roots the Games list and the COM registrations of heads live under.
enum class Root { ClassesRoot, LocalMachine };

class RegistryFacts {
 public:
  virtual ~RegistryFacts() = default;

  // The text of value valueName (empty: the default value) of the key at path below root: a REG_SZ
  // value up to its first NUL, a REG_EXPAND_SZ value with its environment variables expanded.
  // nullopt when the key or the value is missing or the value is of any other type.
  virtual std::optional<std::wstring> Value(Root root, const std::wstring& path,
                                            const std::wstring& valueName) const = 0;

  // The names of the key's direct sub-keys; none when the key is missing.
  virtual std::vector<std::wstring> SubKeys(Root root, const std::wstring& path) const = 0;
};
