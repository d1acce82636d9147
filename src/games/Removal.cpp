#include "games/Removal.h"

#include <algorithm>
#include <optional>

#include "games/LiveRegistry.h"
#include "games/RemovalCopy.h"
#include "platform/Elevation.h"
#include "platform/SystemText.h"

namespace games {
namespace {

std::wstring Quoted(const std::wstring& name) { return L"\"" + name + L"\""; }

// An entry's keys in the list of all keys of the removal, and what stopped it.
struct Item {
  const games::RemovalRequest* request = nullptr;
  size_t from = 0, to = 0;
  std::optional<LSTATUS> refused;  // before anything was saved
  std::wstring refusedKey;
};

void NoteFailure(Outcome& outcome, LSTATUS status) {
  if (status != ERROR_ACCESS_DENIED) return outcome.Fail(ExitCode::kOtherFailure);
  outcome.Fail(ExitCode::kRefusedRights);
  if (!platform::IsElevated()) outcome.wantsAdministrator = true;
}

// Each entry's keys, the ones another entry of the removal has already taken left out; an entry
// whose keys could not all be deleted keeps none.
std::vector<Item> PlaceAll(const std::vector<games::RemovalRequest>& requests, std::vector<PlacedKey>& all) {
  const LiveFacts facts;
  std::vector<Item> items;
  std::vector<std::wstring> taken;  // sorted: the keys' names in upper case, as the registry ignores case
  for (const games::RemovalRequest& request : requests) {
    Item item;
    item.request = &request;
    item.from = all.size();
    for (PlacedKey& key : PlaceKeys(games::PlanRemoval(facts, request))) {
      std::wstring folded = key.name;
      CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
      const auto at = std::lower_bound(taken.begin(), taken.end(), folded);
      if (at != taken.end() && *at == folded) continue;
      taken.insert(at, std::move(folded));
      all.push_back(std::move(key));
    }
    item.to = all.size();
    if (const std::optional<Refusal> refusal = FindRefusal(all, item.from, item.to)) {
      item.refused = refusal->status;
      item.refusedKey = all[refusal->index].name;
      for (size_t i = item.from; i < item.to; ++i) {  // another entry may still take them
        std::wstring folded = all[i].name;
        CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
        if (const auto at = std::lower_bound(taken.begin(), taken.end(), folded); at != taken.end() && *at == folded)
          taken.erase(at);
      }
      all.resize(item.from);
      item.to = item.from;
    }
    items.push_back(item);
  }
  return items;
}

// Deletes the item's keys; the lines say how it went.
void Delete(const Item& item, std::vector<PlacedKey>& all, Outcome& outcome) {
  const std::wstring name = Quoted(item.request->entryName);
  const std::optional<Refusal> refusal = DeleteKeys(all, item.from, item.to);
  if (!refusal) return outcome.Add(name + L" is removed.");
  const PlacedKey& key = all[refusal->index];
  outcome.Add(L"The removal of " + name + L" stopped at " + key.name + L": " + SystemText(static_cast<DWORD>(refusal->status)));
  if (!Untouched(key)) outcome.Add(L"That key is partly deleted; the copy holds all of it.");
  outcome.Add(L"The entry stays in the list: removing it again finishes the removal.");
  NoteFailure(outcome, refusal->status);
}

}  // namespace

Outcome RemoveEntries(const std::vector<games::RemovalRequest>& requests, const std::wstring& stem) {
  Outcome outcome;
  std::vector<PlacedKey> all;
  const std::vector<Item> items = PlaceAll(requests, all);
  for (const Item& item : items) {
    if (!item.refused) continue;
    outcome.Add(L"Nothing of " + Quoted(item.request->entryName) + L" was removed: the registry does not let this program delete " +
                item.refusedKey + L": " + SystemText(static_cast<DWORD>(*item.refused)));
    NoteFailure(outcome, *item.refused);
  }
  if (all.empty()) {
    if (!items.empty() && std::ranges::all_of(items, [](const Item& i) { return i.refused.has_value(); }))
      outcome.Add(L"Nothing was removed.");
    return outcome;
  }
  const SavedCopy copy = SaveCopy(stem, all);
  if (copy.path.empty()) {
    outcome.Add(L"Nothing was removed: the keys to be removed could not be saved first.");
    outcome.Add(copy.why);
    outcome.Fail(copy.refused ? ExitCode::kRefusedRights : ExitCode::kOtherFailure);
    if (copy.refused && !platform::IsElevated()) outcome.wantsAdministrator = true;
    return outcome;
  }
  for (const Item& item : items)
    if (!item.refused) Delete(item, all, outcome);
  outcome.Add(L"Copy of the removed keys (import it to put them back):");
  outcome.Add(copy.path);
  return outcome;
}

}  // namespace games
