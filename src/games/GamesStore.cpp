#include "games/GamesStore.h"

#include <optional>

#include "games/GamesList.h"
#include "games/LiveRegistry.h"
#include "games/RemovalCopy.h"
#include "games/RemovalRule.h"
#include "platform/Elevation.h"
#include "platform/MessageBox.h"
#include "platform/NumberText.h"
#include "platform/RegistryKey.h"
#include "platform/SystemText.h"

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

// Where a removal stopped and why, and whether that key's delete left part of it behind.
void ReportStop(MainView& view, const PlacedKey& key, LSTATUS status) {
  view.AppendPanelLine(L"The removal stopped at " + key.name + L": " + SystemText(static_cast<DWORD>(status)));
  if (!Untouched(key)) view.AppendPanelLine(L"That key is partly deleted; the copy holds all of it.");
  view.AppendPanelLine(L"The entry stays in the list: removing it again finishes the removal.");
}

}  // namespace

std::vector<std::wstring> ReadGameNames() {
  if (!VendorKeyPresent()) return {};
  return SubKeysBelowListRoot(GamesList::kListKey).value_or(std::vector<std::wstring>{});
}

void ShowLoadError(const RunTimeError& err) {
  ShowBox(L"Error #" + DecimalText(err.Number) + L" with :" + err.Source + L"\r\n" + err.Description, MB_OK);
}

void RemoveGame(MainView& view, const std::wstring& entryName, const std::wstring& classId) {
  // Planned whole before the first key goes: each check reads the registry as the head left it.
  const LiveFacts registry;
  const std::wstring headFile = view.HeadFileText();
  std::vector<PlacedKey> keys = PlaceKeys(RemovalRule::PlanRemoval(registry, {entryName, classId, headFile}));
  if (keys.empty()) return;
  const std::wstring rightsNeeded = L"Removing \"" + entryName + L"\" needs administrator rights.";
  const SavedCopy copy = SaveCopy(entryName, keys);
  if (copy.path.empty()) {
    view.AppendPanelLine(L"Nothing was removed: the keys of \"" + entryName + L"\" could not be saved first.");
    view.AppendPanelLine(copy.why);
    if (copy.refused) elevation::OfferRestart(rightsNeeded, headFile);
    return;
  }
  view.AppendPanelLine(L"Copy of the removed keys (import it to put them back):");
  view.AppendPanelLine(copy.path);
  const std::optional<Refusal> refusal = DeleteKeys(keys);
  view.RequestListRefresh();
  if (!refusal) {
    view.AppendPanelLine(L"\"" + entryName + L"\" is removed.");
    return;
  }
  ReportStop(view, keys[refusal->index], refusal->status);
  if (refusal->status == ERROR_ACCESS_DENIED) elevation::OfferRestart(rightsNeeded, headFile);
}

}  // namespace games
