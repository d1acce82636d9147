#include "games/GamesStore.h"

#include <optional>

#include "games/GamesList.h"
#include "games/LiveRegistry.h"
#include "games/RemovalRule.h"
#include "platform/Elevation.h"
#include "platform/MessageBox.h"
#include "platform/RegistryKey.h"

namespace games {
namespace {

std::optional<std::vector<std::wstring>> SubKeysBelowListRoot(const std::wstring& path) {
  return ListRegistrySubKeys(RootKey(GamesList::kRoot), path);
}

// The list exists only below a vendor key spelled exactly "Ubique" (the registry itself would also
// accept other spellings).
bool VendorKeyPresent() {
  const auto vendors = SubKeysBelowListRoot(GamesList::kVendorsKey);
  if (!vendors) return false;
  for (const std::wstring& name : *vendors)
    if (name == GamesList::kVendor) return true;
  return false;
}

}  // namespace

std::vector<std::wstring> ReadGameNames() {
  if (!VendorKeyPresent()) return {};
  return SubKeysBelowListRoot(GamesList::kListKey).value_or(std::vector<std::wstring>{});
}

void ShowLoadError(const RunTimeError& err) {
  ShowBox(L"Error #" + std::to_wstring(err.Number) + L" with :" + err.Source + L"\r\n" + err.Description, MB_OK);
}

void RemoveGame(MainView& view, const std::wstring& entryName, const std::wstring& classId) {
  // Planned whole before the first key goes: each check reads the registry as the head left it.
  const LiveFacts registry;
  const std::wstring headFile = view.HeadFileText();
  const bool allowed = DeleteKeys(RemovalRule::PlanRemoval(registry, {entryName, classId, headFile}));
  view.RequestListRefresh();
  if (!allowed) elevation::OfferRestart(L"Removing \"" + entryName + L"\" needs administrator rights.", headFile);
}

}  // namespace games
