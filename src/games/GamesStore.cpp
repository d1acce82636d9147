#include "games/GamesStore.h"

#include <optional>

#include "games/GamesList.h"
#include "platform/NumberText.h"
#include "platform/RegistryKey.h"

namespace games {
namespace {

std::optional<std::vector<std::wstring>> SubKeysBelowListRoot(const std::wstring& path) {
  return ListRegistrySubKeys(HKEY_LOCAL_MACHINE, path);
}

// The list exists only below a vendor key spelled exactly "Ubique" (the registry itself would also
// accept other spellings).
bool VendorKeyPresent() {
  const auto vendors = SubKeysBelowListRoot(games::kVendorsKey);
  if (!vendors) return false;
  for (const std::wstring& name : *vendors)
    if (name == games::kVendor) return true;
  return false;
}

}  // namespace

std::vector<std::wstring> ReadGameNames() {
  if (!VendorKeyPresent()) return {};
  return SubKeysBelowListRoot(games::kListKey).value_or(std::vector<std::wstring>{});
}

}  // namespace games
