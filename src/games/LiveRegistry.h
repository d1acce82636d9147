#pragma once
// The live registry as the Games list and the removal rule see it.
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "games/RegistryFacts.h"
#include "games/RemovalRule.h"

namespace games {

HKEY RootKey(Root root);

// Deletes each key of a removal plan in its order, with everything below it; true when the registry
// refused none of them for lack of rights.
bool DeleteKeys(const std::vector<RemovalRule::KeyToDelete>& keys);

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
