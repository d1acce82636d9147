#pragma once
// The live registry as the Games list and the removal rule see it.
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "games/RegistryFacts.h"
#include "games/RemovalCopy.h"

namespace games {

// The registry view flag of a view: none for this program's own, the other bitness's flag else.
REGSAM ViewFlag(View view);
// Whether the other view is another one (not so for a 32-bit program on 32-bit Windows).
bool HasOtherView();
HKEY HiveKey(Hive hive);

// A delete the registry refused (or would refuse): which key of the list, and the registry's answer.
struct Refusal {
  size_t index;
  LSTATUS status;
};

// Whether every key of keys[from, to) could be deleted with everything below it now: the first key
// (or key below it) that this process may not delete, else none. Keys that are not there are no refusal.
std::optional<Refusal> FindRefusal(const std::vector<PlacedKey>& keys, size_t from, size_t to);

// Deletes each key of keys[from, to) in its order, with everything below it, and stops at the first
// the registry refuses (a key already gone is no refusal).
std::optional<Refusal> DeleteKeys(const std::vector<PlacedKey>& keys, size_t from, size_t to);

// The registry's classes in both hives and views. Text values are read up to their first NUL,
// expandable ones expanded.
class LiveFacts final : public RegistryFacts {
 public:
  std::optional<std::wstring> Value(const ClassesKey& key, const std::wstring& valueName) const override;
  std::vector<std::wstring> SubKeys(const ClassesKey& key) const override;
  // The full path with every folder on the way that is there in its long form, the rest as given,
  // in upper case.
  std::wstring FileIdentity(const std::wstring& path) const override;
};

}  // namespace games
