#pragma once
// The live registry as the Games list and the removal rule see it.
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "games/RegistryFacts.h"
#include "games/RemovalCopy.h"

namespace games {

HKEY RootKey(Root root);

// A delete the registry refused: which key of the list, and the registry's answer.
struct Refusal {
  size_t index;
  LSTATUS status;
};

// Deletes each key in its order, with everything below it, and stops at the first the registry
// refuses (a key already gone is no refusal).
std::optional<Refusal> DeleteKeys(const std::vector<PlacedKey>& keys);

// The registry in this program's own view or, with view = KEY_WOW64_32KEY or KEY_WOW64_64KEY, in
// that one. Text values are read up to their first NUL, expandable ones expanded.
class LiveFacts final : public RegistryFacts {
 public:
  explicit LiveFacts(REGSAM view = 0) : view_(view) {}
  std::optional<std::wstring> Value(Root root, const std::wstring& path, const std::wstring& valueName) const override;
  std::vector<std::wstring> SubKeys(Root root, const std::wstring& path) const override;

 private:
  REGSAM view_;
};

}  // namespace games
